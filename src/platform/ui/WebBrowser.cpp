#include "WebBrowser.h"

#include "Alert.h"
#include "Localization.h"
#include "Log.h"
#include "WebAddress.h"
#include "ZTStringFormat.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

namespace WebBrowser {

bool open(const QUrl& url, QWidget* window)
{
    // The desktop would open a file or start another program for an address of another scheme.
    if (!isWebAddress(url)) {
        Log::line(QStringLiteral("Not a web address, so not handed to the browser: %1").arg(url.toString(QUrl::FullyEncoded)));
        return false;
    }
    if (QDesktopServices::openUrl(url))
        return true;
    const QString address = url.toString(QUrl::FullyEncoded);
    Log::line(QStringLiteral("No web browser could be started for %1").arg(address));
    Alert::Request request;
    request.style = Alert::Style::Warning;
    request.message = localized(QStringLiteral("Melvora could not open a web browser."));
    // A long query would run off the alert: it may wrap after each of its separators.
    QString shown = address;
    shown.replace(QLatin1Char('&'), QStringLiteral("&\u200B"));
    request.informativeText = ZTStringFormat::fill(localized(QStringLiteral("Open this address in your web browser:\n%@")), {shown});
    request.buttons = {localized(QStringLiteral("OK")), localized(QStringLiteral("Copy Address"))};
    request.cancelButton = 0;
    Alert::beginSheet(request, window, [address](int answer) {
        if (answer == 1)
            QGuiApplication::clipboard()->setText(address);
    });
    return false;
}

} // namespace WebBrowser
