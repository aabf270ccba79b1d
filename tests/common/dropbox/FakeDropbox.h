#pragma once

#include "TestHttpServer.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <mutex>
#include <thread>
#include <optional>

// A strict stand-in for the Dropbox HTTP API on 127.0.0.1: the three file calls of an
// application folder, the token endpoint (PKCE codes and refresh tokens) and the sign-in page.
// Every file call needs a valid bearer token; paths are case-insensitive; revisions change with
// every write; uploads in "add" and "update" mode conflict as the service's do (strict). Failures
// and delays can be asked for per call. Thread-safe: the server answers on threads of its own.
class FakeDropbox {
public:
    struct File {
        QByteArray bytes;
        QString rev;
        QDateTime serverModified;
    };
    // One call's answer replaced by a failure: the status and the body.
    struct Failure {
        int status = 500;
        QByteArray body;
    };

    static const QString kAppKey;

    FakeDropbox();
    ~FakeDropbox();

    QUrl url() const { return server_.url(QString()); }
    TestHttpServer& http() { return server_; }

    // ---- The folder ----
    void putFile(const QString& path, const QByteArray& bytes);
    std::optional<File> file(const QString& path) const;
    void removeFile(const QString& path);

    // ---- Tokens ----
    // A signed-in computer: an access token and its refresh token.
    struct Grant {
        QString accessToken;
        QString refreshToken;
    };
    Grant grantAccess();
    // The access token stops working (401 expired_access_token); its refresh token still works.
    void expireAccessToken(const QString& accessToken);
    // Both tokens of the grant stop working, as when the user removes the application's access.
    void revoke(const Grant& grant);

    // ---- The sign-in page ----
    // Whether the next visit of the sign-in page is approved (else the user denies it).
    void setApproveSignIn(bool approve);
    // Visits the sign-in page as a browser would and follows its redirect to the application;
    // runs on a thread of its own (the application answers on its event loop). The redirect
    // address the page sent the browser to, or an error text, is kept for lastSignInRedirect().
    void visitSignInPage(const QUrl& page);
    QString lastSignInRedirect() const;

    // ---- Trouble on demand ----
    // The next call of that endpoint ("get_metadata", "download", "upload", "token") fails.
    void failNext(const QString& endpoint, const Failure& failure);
    // Runs the action just before the next call of that endpoint is answered (another computer
    // writing a file at that moment, say).
    void beforeNext(const QString& endpoint, std::function<void()> action);
    // Every call of that endpoint waits this long before it is answered (0 ends the delay).
    void setDelay(const QString& endpoint, int milliseconds);

    // ---- What happened ----
    // The endpoint and path of each file call, e.g. "upload /stats.db", in order.
    QStringList calls() const;
    // The "mode" of each upload as "add" or "update:<rev>", in order.
    QStringList uploadModes() const;
    void clearCalls();

private:
    void route();
    QString newRevision();

    mutable std::mutex mutex_;
    QMap<QString, File> files_;                 // by lower-case path
    QSet<QString> accessTokens_;
    QSet<QString> expiredTokens_;
    QMap<QString, QString> refreshTokens_;      // refresh token -> its current access token
    struct PendingCode {
        QString challenge;
        QString redirectUri;
    };
    QMap<QString, PendingCode> codes_;
    bool approveSignIn_ = true;
    QString lastSignInRedirect_;
    QMap<QString, QList<Failure>> failures_;
    QMap<QString, int> delays_;
    QMap<QString, QList<std::function<void()>>> actions_;
    QStringList calls_;
    QStringList uploadModes_;
    quint64 counter_ = 0;
    std::thread browser_;
    // Last, so that it stops (and its threads finish their answers) before the state goes.
    TestHttpServer server_;
};
