#include "ZTUpdateCheck.h"

#include "AFHTTPClient.h"
#include "Alert.h"
#include "Localization.h"
#include "Log.h"
#include "MainQueue.h"
#include "WebBrowser.h"
#include "ZTStringFormat.h"
#include "ZTVersionNumber.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QWidget>

namespace {

QUrl& baseURL()
{
    static QUrl url(QStringLiteral("https://download.vantrel.com"));
    return url;
}

// Seconds since 1 January 2001 UTC, which keeps caches between us and the server from
// answering with an old file.
double referenceDateSeconds()
{
    constexpr qint64 kReferenceDateMSecs = 978307200000;
    return double(QDateTime::currentMSecsSinceEpoch() - kReferenceDateMSecs) / 1000.0;
}

} // namespace

ZTUpdateCheck& ZTUpdateCheck::shared()
{
    static ZTUpdateCheck check(QCoreApplication::applicationVersion());
    return check;
}

QUrl ZTUpdateCheck::downloadServerBaseURL()
{
    return baseURL();
}

void ZTUpdateCheck::setDownloadServerBaseURL(const QUrl& url)
{
    baseURL() = url;
}

ZTUpdateCheck::ZTUpdateCheck(QString localVersion) : localVersion_(std::move(localVersion)) {}

ZTUpdateCheck::~ZTUpdateCheck()
{
    *alive_ = false;
}

void ZTUpdateCheck::checkForUpdates(bool userInitiated, QWidget* window)
{
    clients_.push_back(AFHTTPClient::clientWithBaseURL(downloadServerBaseURL()));
    const auto client = std::prev(clients_.end());
    std::weak_ptr<bool> alive = alive_;
    QPointer<QWidget> sheetWindow(window);
    // The client goes once its answer has been handled (not from inside its own call).
    auto done = [this, alive, client] {
        if (!alive.expired())
            clients_.erase(client);
    };
    (*client)->getPath(
        kVersionFilePath, QVariantMap{{QStringLiteral("r"), referenceDateSeconds()}},
        [this, alive, userInitiated, sheetWindow, done](const std::shared_ptr<AFHTTPRequestOperation>& operation, const QVariant&) {
            if (alive.expired())
                return;
            versionFileArrived(operation->responseData(), userInitiated, sheetWindow);
            MainQueue::async(done);
        },
        [this, alive, userInitiated, sheetWindow, done](const std::shared_ptr<AFHTTPRequestOperation>&, const Error& error) {
            if (alive.expired())
                return;
            versionFileFailed(error.localizedDescription(), userInitiated, sheetWindow);
            MainQueue::async(done);
        });
}

void ZTUpdateCheck::versionFileArrived(const QByteArray& body, bool userInitiated, QWidget* window)
{
    // Anything but a version number (an HTML page, an empty body, bytes that are not UTF-8)
    // is a failed check, never "up to date".
    const std::optional<QString> server = ZTVersionNumber::fromVersionFile(body);
    if (!server) {
        versionFileFailed(QStringLiteral("The version file holds no version number."), userInitiated, window);
        return;
    }
    const int order = ZTVersionNumber::compareNumerically(ZTVersionNumber::shortened(*server),
                                                          ZTVersionNumber::shortened(localVersion_));
    Alert::Request request;
    if (order > 0) {
        request.style = Alert::Style::Warning;
        request.message = localized(QStringLiteral("A new version of Melvora is available!"));
        request.informativeText = ZTStringFormat::fill(localized(QStringLiteral(
            "Melvora %@ is now available (you have %@). Would you like to download it now?")), {*server, localVersion_});
        request.buttons = {localized(QStringLiteral("Yes")), localized(QStringLiteral("No"))};
        request.cancelButton = 1;
        if (Alert::runModal(request, window) == 0) {
            QUrl page = downloadServerBaseURL();
            page.setPath(kDownloadPagePath);
            WebBrowser::open(page, window);
        }
        return;
    }
    if (!userInitiated)
        return;
    request.message = localized(QStringLiteral("You're up to date!"));
    request.informativeText =
        ZTStringFormat::fill(localized(QStringLiteral("Melvora %@ is currently the newest version available.")), {localVersion_});
    request.buttons = {localized(QStringLiteral("OK"))};
    request.cancelButton = 0;
    Alert::runModal(request, window);
}

void ZTUpdateCheck::versionFileFailed(const QString& reason, bool userInitiated, QWidget* window)
{
    if (!userInitiated)
        return;
    Alert::Request request;
    request.style = Alert::Style::Warning;
    request.message = localized(QStringLiteral("Error!"));
    request.informativeText =
        localized(QStringLiteral("An error occurred in retrieving update information. Please try again later."));
    request.buttons = {localized(QStringLiteral("OK"))};
    request.cancelButton = 0;
    Alert::runModal(request, window);
    Log::line(QStringLiteral("Error: %1").arg(reason));
}
