#include "ZTDropboxController.h"

#include "Alert.h"
#include "Localization.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "Reachability.h"
#include "WebBrowser.h"
#include "ZTAppDelegate.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"

#include <QApplication>
#include <QRegularExpression>

namespace {

// The pull timer when offline (to notice soon that the network is back) and when reachable
// through a local network, which is how every reachable connection counts here.
constexpr double kShortPullInterval = 30;
constexpr double kLongPullInterval = 300;

std::unique_ptr<ZTDropboxController>& sharedSlot()
{
    static std::unique_ptr<ZTDropboxController> instance;
    return instance;
}

struct Configuration {
    DropboxEndpoints endpoints;
    QString credentialsPath;
};

Configuration& configuration()
{
    static Configuration configured;
    return configured;
}

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

} // namespace

const QString ZTDropboxController::kApplicationKey = QStringLiteral("mq4tz81bvxe0ryk");

QString ZTDropboxController::applicationKey()
{
    const QString configured = qEnvironmentVariable("MELVORA_DROPBOX_APP_KEY").trimmed();
    if (configured.isEmpty())
        return kApplicationKey;
    // Dropbox's keys are short words of letters and digits.
    static const QRegularExpression key(QStringLiteral("^[A-Za-z0-9]{1,64}$"));
    if (key.match(configured).hasMatch())
        return configured;
    Log::line(QStringLiteral("MELVORA_DROPBOX_APP_KEY holds no application key; the built-in one is used"));
    return kApplicationKey;
}

ZTDropboxController* ZTDropboxController::sharedInstance()
{
    if (!sharedSlot()) {
        const Configuration& configured = configuration();
        sharedSlot() = std::make_unique<ZTDropboxController>(
            configured.endpoints,
            configured.credentialsPath.isEmpty() ? defaultCredentialsPath() : configured.credentialsPath);
    }
    return sharedSlot().get();
}

void ZTDropboxController::configure(const DropboxEndpoints& endpoints, const QString& credentialsPath)
{
    configuration() = {endpoints, credentialsPath};
}

void ZTDropboxController::releaseShared()
{
    sharedSlot().reset();
}

QString ZTDropboxController::defaultCredentialsPath()
{
    return Paths::applicationSupportFolder() + QStringLiteral("/dropbox-credentials.json");
}

ZTDropboxController::ZTDropboxController(const DropboxEndpoints& endpoints, const QString& credentialsPath)
    : session_(std::make_unique<DropboxSession>(applicationKey(), endpoints, credentialsPath))
    , internetReachability_(Reachability::reachabilityForInternetConnection())
    , openURL_([this](const QUrl& url) { WebBrowser::open(url, signInWindow_); })
{
}

ZTDropboxController::~ZTDropboxController() = default;

template <typename Handler>
auto ZTDropboxController::guarded(Handler handler)
{
    return [alive = std::weak_ptr<bool>(alive_), handler = std::move(handler)](auto&&... arguments) {
        if (!alive.expired())
            handler(std::forward<decltype(arguments)>(arguments)...);
    };
}

// ---- Passes ----

void ZTDropboxController::startSyncWithController(QWidget* controller)
{
    // The check for a sibling edition sharing the Dropbox folder has nothing to look for here:
    // only one edition of the application exists on this platform.
    pullTimer_.cancel();
    if (isLinked()) {
        for (DropboxSyncItem item : kDropboxSyncItems)
            if (DropboxSyncItems::isSwitchedOn(item) && !isSyncing(item))
                _startRevCheck(item);
    } else if (wasManual_) {
        authorize(controller ? controller->window() : QApplication::activeWindow());
    } else {
        // The login question hangs on the main window unless the caller gave another.
        if (!controller && ZTAppDelegate::shared())
            controller = ZTAppDelegate::shared()->mainViewController();
        askToLogIn(controller);
    }
    wasManual_ = false;
}

void ZTDropboxController::startManualSyncWithController(QWidget* controller)
{
    wasManual_ = true;
    startSyncWithController(controller);
}

void ZTDropboxController::stopSync()
{
    pullTimer_.cancel();
    for (ItemState& item : items_)
        item.checking = item.downloading = item.uploading = false;
}

void ZTDropboxController::unlink()
{
    session_->unlink();
}

bool ZTDropboxController::isLinked() const
{
    return session_->isLinked();
}

void ZTDropboxController::setURLOpener(DropboxSession::URLOpener opener)
{
    openURL_ = std::move(opener);
}

bool ZTDropboxController::isSyncing(DropboxSyncItem item) const
{
    const ItemState& itemState = items_[std::size_t(item)];
    return itemState.checking || itemState.downloading || itemState.uploading;
}

bool ZTDropboxController::isSyncing() const
{
    return std::any_of(kDropboxSyncItems.begin(), kDropboxSyncItems.end(),
                       [this](DropboxSyncItem item) { return isSyncing(item); });
}

const std::optional<DropboxFileMetadata>& ZTDropboxController::metadata(DropboxSyncItem item) const
{
    return items_[std::size_t(item)].metadata;
}

bool ZTDropboxController::hasUnsyncedChanges() const
{
    return std::any_of(kDropboxSyncItems.begin(), kDropboxSyncItems.end(), [](DropboxSyncItem item) {
        return DropboxSyncItems::isSwitchedOn(item) && DropboxSyncItems::wasChanged(item);
    });
}

void ZTDropboxController::handlePullTimer()
{
    if (isLinked())
        startSyncWithController(nullptr);
}

void ZTDropboxController::_checkEndOfSync()
{
    if (!isSyncing())
        _syncFinished();
}

void ZTDropboxController::_syncFinished()
{
    // Replacing the handle cancels any earlier timer: there is never more than one.
    const bool reachable = internetReachability_ && internetReachability_->isReachable();
    const bool viaLocalNetwork = reachable && internetReachability_->isReachableViaWiFi();
    const double interval = !reachable || viaLocalNetwork ? kShortPullInterval : kLongPullInterval;
    pullTimer_ = MainQueue::after(interval, guarded([this] { handlePullTimer(); }));

    QVariantMap userInfo;
    if (!failures_.isEmpty())
        userInfo.insert(QStringLiteral("failures"), std::exchange(failures_, {}));
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTDropboxControllerSyncFinishedNotification"), this, {},
                                             userInfo);
}

void ZTDropboxController::fail(DropboxSyncItem item, const QString& what, const QString& reason)
{
    Log::line(QStringLiteral("Dropbox sync of %1: %2 failed: %3").arg(DropboxSyncItems::path(item), what, reason));
    failures_.append(QStringLiteral("%1: %2").arg(DropboxSyncItems::displayName(item), reason));
}

// ---- Revision check ----

void ZTDropboxController::_startRevCheck(DropboxSyncItem item, bool conflictWhateverTheAnswer)
{
    DropboxClient* client = session_->authorizedClient();
    if (!client)
        return;
    state(item).checking = true;
    client->getMetadata(DropboxSyncItems::path(item),
                        guarded([this, item, conflictWhateverTheAnswer](std::optional<DropboxFileMetadata> metadata,
                                                                        const DropboxError& error) {
                            revisionChecked(item, conflictWhateverTheAnswer, metadata, error);
                            state(item).checking = false;
                            _checkEndOfSync();
                        }));
}

void ZTDropboxController::revisionChecked(DropboxSyncItem item, bool conflictWhateverTheAnswer,
                                          const std::optional<DropboxFileMetadata>& metadata, const DropboxError& error)
{
    if (metadata) {
        state(item).metadata = metadata;
        if (conflictWhateverTheAnswer)
            announceConflict(item);
        else if (metadata->rev == DropboxSyncItems::storedRevision(item))
            uploadIfNeeded(item);
        else if (DropboxSyncItems::wasChanged(item))
            announceConflict(item);
        else
            downloadFromDropbox(item);
    } else if (error.isPathNotFound()) {
        // Only a missing file is created from the local copy; other refusals are errors.
        state(item).metadata.reset();
        DropboxSyncItems::setStoredRevision(item, QString());
        prefs()->synchronize();
        _uploadLocal(item);
    } else {
        fail(item, QStringLiteral("the revision check"), error.description());
    }
}

void ZTDropboxController::announceConflict(DropboxSyncItem item)
{
    NotificationCenter::defaultCenter().post(DropboxSyncItems::conflictNotification(item), this);
}

// ---- Transfers ----

bool ZTDropboxController::isTransferring(DropboxSyncItem item) const
{
    const ItemState& itemState = items_[std::size_t(item)];
    return itemState.downloading || itemState.uploading;
}

void ZTDropboxController::downloadFromDropbox(DropboxSyncItem item)
{
    DropboxClient* client = session_->authorizedClient();
    // A transfer of the item that runs already settles it.
    if (!client || isTransferring(item))
        return;
    state(item).downloading = true;
    const QByteArray markerBefore = DropboxSyncItems::currentMarker(item);
    client->download(
        DropboxSyncItems::path(item), DropboxSyncItems::maxDownloadSize(item),
        guarded([this, item, markerBefore](std::optional<DropboxFileMetadata> metadata, const QByteArray& bytes,
                                           const DropboxError& error) {
            state(item).downloading = false;
            QString reason;
            if (!metadata) {
                fail(item, QStringLiteral("the download"), error.description());
            } else if (DropboxSyncItems::currentMarker(item) != markerBefore) {
                // Changed here while the download ran: replacing it now would lose those changes.
                Log::line(QStringLiteral("Dropbox sync of %1: changed here during the download; checked again")
                              .arg(DropboxSyncItems::path(item)));
                _startRevCheck(item);
            } else if (!DropboxSyncItems::apply(item, bytes, &reason)) {
                // What cannot be read is not taken, so its revision is not taken either.
                fail(item, QStringLiteral("the download"), localized(QStringLiteral("the file on Dropbox cannot be read (%1)")).arg(reason));
            } else {
                state(item).metadata = metadata;
                DropboxSyncItems::setWasChanged(item, false);
                DropboxSyncItems::setStoredRevision(item, metadata->rev);
                prefs()->synchronize();
            }
            _checkEndOfSync();
        }));
}

void ZTDropboxController::uploadIfNeeded(DropboxSyncItem item)
{
    const std::optional<DropboxFileMetadata>& known = state(item).metadata;
    if (isTransferring(item))
        return;
    // A revision this computer never fetched is not taken as its own: the copy kept is uploaded.
    if (DropboxSyncItems::wasChanged(item) || (known && known->rev != DropboxSyncItems::storedRevision(item)))
        _uploadLocal(item);
}

void ZTDropboxController::_uploadLocal(DropboxSyncItem item)
{
    DropboxClient* client = session_->authorizedClient();
    if (!client)
        return;
    QString reason;
    const std::optional<DropboxLocalCopy> copy = DropboxSyncItems::localCopy(item, &reason);
    if (!copy) {
        fail(item, QStringLiteral("the upload"), reason);
        return;
    }
    // Replace exactly the revision this computer knows; a file it never saw is only created.
    const std::optional<DropboxFileMetadata>& known = state(item).metadata;
    const DropboxWriteMode mode = known ? DropboxWriteMode::update(known->rev) : DropboxWriteMode::add();
    state(item).uploading = true;
    client->upload(DropboxSyncItems::path(item), mode, copy->bytes,
                   guarded([this, item, marker = copy->marker](std::optional<DropboxFileMetadata> metadata,
                                                               const DropboxError& error) {
                       if (metadata) {
                           state(item).metadata = metadata;
                           recordTransfer(item, *metadata, marker);
                       } else if (error.isConflict()) {
                           // Another computer wrote the file first: the user decides which copy wins.
                           Log::line(QStringLiteral("Dropbox sync of %1: changed on Dropbox since it was checked")
                                         .arg(DropboxSyncItems::path(item)));
                           _startRevCheck(item, true);
                       } else {
                           fail(item, QStringLiteral("the upload"), error.description());
                       }
                       state(item).uploading = false;
                       _checkEndOfSync();
                   }));
}

void ZTDropboxController::recordTransfer(DropboxSyncItem item, const DropboxFileMetadata& metadata,
                                         const QByteArray& marker)
{
    // Changes made while the upload ran are not on Dropbox yet: the flag stays for the next pass.
    if (DropboxSyncItems::currentMarker(item) == marker)
        DropboxSyncItems::setWasChanged(item, false);
    DropboxSyncItems::setStoredRevision(item, metadata.rev);
    prefs()->synchronize();
}

// ---- Signing in ----

void ZTDropboxController::askToLogIn(QWidget* controller)
{
    Alert::Request request;
    request.message = localized(QStringLiteral("Dropbox Sync is activated but Melvora is not logged in to Dropbox anymore."));
    request.informativeText = localized(QStringLiteral("Do you want to login to Dropbox or turn off Dropbox Sync completely?"));
    request.buttons = {localized(QStringLiteral("Login")), localized(QStringLiteral("Turn off"))};
    QWidget* window = controller ? controller->window() : nullptr;
    const int answer = Alert::runModal(request, window);
    if (answer == 0)
        authorize(window);
    else if (answer == 1)
        prefs()->setDropBoxSync(false);
}

void ZTDropboxController::authorize(QWidget* window)
{
    signInWindow_ = window;
    session_->authorize(openURL_, guarded([this](const DropboxSession::Outcome& outcome) { authorizationFinished(outcome); }));
}

void ZTDropboxController::authorizationFinished(const DropboxSession::Outcome& outcome)
{
    using Kind = DropboxSession::Outcome::Kind;
    QVariantMap userInfo;
    switch (outcome.kind) {
    case Kind::Success:
        Log::line(QStringLiteral("Success! User is logged into Dropbox."));
        // Signing in is asked for in order to sync: the first pass follows at once.
        startSyncWithController(nullptr);
        return;
    case Kind::Cancel:
        Log::line(QStringLiteral("Authorization flow was manually canceled by user!"));
        break;
    case Kind::Error:
        Log::line(QStringLiteral("Error: %1").arg(outcome.message));
        userInfo.insert(QStringLiteral("reason"), outcome.message);
        break;
    }
    // Without a link nothing can sync: the switch says so instead of staying on.
    prefs()->setDropBoxSync(false);
    userInfo.insert(QStringLiteral("window"), QVariant::fromValue(signInWindow_));
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTDropboxControllerNotLinkedNotification"), this, {},
                                             userInfo);
}
