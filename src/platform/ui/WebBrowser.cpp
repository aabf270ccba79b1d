#include "WebBrowser.h"

#include "Alert.h"
#include "Localization.h"
#include "Log.h"
#include "ZTStringFormat.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

namespace WebBrowser {

bool open(const QUrl& url, QWidget* window)
{
    if (QDesktopServices::openUrl(url))
        return true;
    const QString address = url.toString(QUrl::FullyEncoded);
    Log::line(QStringLiteral("No web browser could be started for %1").arg(address));
    Alert::Request request;
    request.style = Alert::Style::Warning;
    request.message = localized(QStringLiteral("Melvora could not open a web browser."));
    request.informativeText = ZTStringFormat::fill(localized(QStringLiteral("Open this address in your web browser:\n%@")), {address});
    request.buttons = {localized(QStringLiteral("Ok")), localized(QStringLiteral("Copy Address"))};
    request.cancelButton = 0;
    Alert::beginSheet(request, window, [address](int answer) {
        if (answer == 1)
            QGuiApplication::clipboard()->setText(address);
    });
    return false;
}

} // namespace WebBrowser
