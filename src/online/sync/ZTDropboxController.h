#pragma once

#include "DropboxSession.h"
#include "DropboxSyncItem.h"
#include "MainQueue.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>

class Reachability;

// Keeps the custom exercises, the statistics, the custom levels and the synchronised settings
// in step with four files of the application's Dropbox folder. A pass checks each file's
// revision against the one stored at the last transfer and, with the item's changed flag,
// uploads the local copy, downloads the Dropbox copy, or announces a conflict for the user to
// settle. Uploads replace only the revision they were based on, so another computer's newer
// file is never overwritten: a mismatch becomes a conflict.
//
// Posts (sender = the controller): one conflict notification per item (synchronously; its
// observer may run the conflict window before it returns), "ZTDropboxControllerSyncFinishedNotification"
// when a pass ends (user info "failures": what went wrong, when anything did), and
// "ZTDropboxControllerNotLinkedNotification" when signing in did not work (user info "reason",
// absent when the user cancelled, and "window", the QPointer<QWidget> of the window the
// sign-in was started from). A sign-in that did not work turns sync off.
//
// One per process; main thread only.
class ZTDropboxController {
public:
    // A placeholder: Dropbox refuses it.
    static const QString kApplicationKey;
    // The key Dropbox knows the application by: MELVORA_DROPBOX_APP_KEY when it holds one (a key
    // registered with Dropbox), else the placeholder.
    static QString applicationKey();

    static ZTDropboxController* sharedInstance();
    // Where the service and the sign-in file are; takes effect with the next instance (call
    // before the first sharedInstance()).
    static void configure(const DropboxEndpoints& endpoints, const QString& credentialsPath = QString());
    // Drops the instance (at quit, and between tests); requests on their way are ignored.
    static void releaseShared();
    // "dropbox-credentials.json" in the application-support folder.
    static QString defaultCredentialsPath();

    ZTDropboxController(const DropboxEndpoints& endpoints, const QString& credentialsPath);
    ~ZTDropboxController();
    ZTDropboxController(const ZTDropboxController&) = delete;
    ZTDropboxController& operator=(const ZTDropboxController&) = delete;

    // One pass. While not linked: signing in starts at once for a manual start, otherwise the
    // user is asked first (the question hangs on the controller's window). What the sign-in
    // tells the user hangs on the controller's window, or for a manual start without one, on
    // the window the user works in.
    void startSyncWithController(QWidget* controller);
    void startManualSyncWithController(QWidget* controller);
    // Drops the pull timer and forgets the transfers in flight (their answers still apply).
    void stopSync();
    void unlink();
    bool isLinked() const;
    // How the browser is opened for signing in (the desktop's default browser unless set, which
    // tells the user the address when it cannot be started).
    void setURLOpener(DropboxSession::URLOpener opener);

    // The conflict window's two choices for an item; each does nothing while a transfer of
    // the item runs (that transfer settles it).
    void downloadFromDropbox(DropboxSyncItem item);
    // Uploads the local copy when it changed, or when Dropbox holds a revision this computer
    // never fetched; otherwise nothing needs to move.
    void uploadIfNeeded(DropboxSyncItem item);

    bool isSyncing(DropboxSyncItem item) const;
    bool isSyncing() const;
    // The file's metadata as Dropbox last gave it in this process.
    const std::optional<DropboxFileMetadata>& metadata(DropboxSyncItem item) const;
    // Whether an item that syncs has local changes Dropbox does not hold yet.
    bool hasUnsyncedChanges() const;
    // The pull timer fired: a pass when linked.
    void handlePullTimer();
    bool hasPullTimer() const { return pullTimer_.isValid(); }

private:
    struct ItemState {
        bool checking = false;
        bool downloading = false;
        bool uploading = false;
        std::optional<DropboxFileMetadata> metadata;
    };

    ItemState& state(DropboxSyncItem item) { return items_[std::size_t(item)]; }
    bool isTransferring(DropboxSyncItem item) const;
    // Signing in through the browser; a pass follows when it worked. The window is where the
    // sign-in was asked for.
    void authorize(QWidget* window);
    void askToLogIn(QWidget* controller);
    void authorizationFinished(const DropboxSession::Outcome& outcome);
    void _startRevCheck(DropboxSyncItem item, bool conflictWhateverTheAnswer = false);
    void revisionChecked(DropboxSyncItem item, bool conflictWhateverTheAnswer, const std::optional<DropboxFileMetadata>& metadata,
                         const DropboxError& error);
    void _uploadLocal(DropboxSyncItem item);
    void announceConflict(DropboxSyncItem item);
    // Stores the revision and clears the changed flag unless the local data moved on since `marker`.
    void recordTransfer(DropboxSyncItem item, const DropboxFileMetadata& metadata, const QByteArray& marker);
    void fail(DropboxSyncItem item, const QString& what, const QString& reason);
    void _checkEndOfSync();
    void _syncFinished();
    // Wraps a response handler so that it does nothing once the controller is gone.
    template <typename Handler>
    auto guarded(Handler handler);

    std::unique_ptr<DropboxSession> session_;
    std::array<ItemState, 4> items_;
    DelayedCall pullTimer_;
    std::shared_ptr<Reachability> internetReachability_;
    bool wasManual_ = false;
    QStringList failures_;
    DropboxSession::URLOpener openURL_;
    QPointer<QWidget> signInWindow_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
