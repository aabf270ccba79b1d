#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <list>
#include <memory>

class AFHTTPClient;
class QWidget;

// Asks the download server whether a newer version exists: fetches the version file, compares
// it with the application's own version and offers the download page when the server's is
// newer. A check the user asked for also says when there is nothing newer or the answer could
// not be had; the check at start-up stays silent then.
//
// Main thread only.
class ZTUpdateCheck {
public:
    static inline const QString kVersionFilePath = QStringLiteral("/Melvora/releases/mac/current/version.txt");
    static inline const QString kDownloadPagePath = QStringLiteral("/Melvora/releases/mac/current");

    // The application's version: QCoreApplication::applicationVersion().
    static ZTUpdateCheck& shared();
    // Settable, so that tests serve the version file from 127.0.0.1.
    static QUrl downloadServerBaseURL();
    static void setDownloadServerBaseURL(const QUrl& url);

    explicit ZTUpdateCheck(QString localVersion);
    ~ZTUpdateCheck();

    // Starts a check; its answer comes later, as alerts on the window.
    void checkForUpdates(bool userInitiated, QWidget* window);
    // A check has been started and its answer not yet handled.
    bool isChecking() const { return !clients_.empty(); }

    // The answers (the check calls them; tests may too).
    void versionFileArrived(const QByteArray& body, bool userInitiated, QWidget* window);
    void versionFileFailed(const QString& reason, bool userInitiated, QWidget* window);

private:
    QString localVersion_;
    // Each check's client lives until its answer has come.
    std::list<std::unique_ptr<AFHTTPClient>> clients_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
