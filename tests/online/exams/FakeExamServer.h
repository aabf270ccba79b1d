#pragma once

#include "TestHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

// The exam server as the client knows it, over TLS on 127.0.0.1 and a free port: OAuth login
// with client credentials, the user's names, exams and results page by page, and result
// uploads. Every request but the login needs a token it handed out. Failures can be injected.
class FakeExamServer {
public:
    // Presents a certificate for 127.0.0.1 and "localhost" from the test authority, through
    // an intermediate, as a real server would.
    FakeExamServer();
    // Presents another identity (one the client does not trust, say).
    explicit FakeExamServer(const TestCertificate::Identity& identity);
    ~FakeExamServer();
    FakeExamServer(const FakeExamServer&) = delete;
    FakeExamServer& operator=(const FakeExamServer&) = delete;

    // The root the trusted identity leads to; the same for every server of the process.
    static const TestCertificate& testAuthority();
    // The client's TLS settings with the test authority trusted beside the system's own;
    // every check stays on.
    static QSslConfiguration trustingTestAuthority();

    // The server's base address, "https://127.0.0.1:<port>".
    QUrl url() const;

    void addUser(const QString& user, const QString& password, const QString& token,
                 const QVariantMap& userData = {{"first_name", "Ada"}, {"last_name", "Lovelace"}, {"fb_user", false}});
    // Exams and results served in pages of the given size.
    void setExams(const QVariantList& exams, int pageSize = 2);
    void setResults(const QVariantList& results, int pageSize = 10);
    // The next `times` requests whose path starts with the prefix get this status and body.
    void answerNext(const QString& method, const QString& pathPrefix, int status, const QByteArray& body = "{}",
                    int times = 1);
    // Stalls requests to the path until released (to let a logout overtake a fetch).
    void holdRequests(const QString& pathPrefix);
    void releaseRequests();
    // How many requests are stalled now.
    int heldRequestCount() const;

    // The requests answered so far, in order.
    QList<RecordedRequest> requests() const;
    QList<RecordedRequest> requestsTo(const QString& method, const QString& pathPrefix) const;
    // The result bodies the server accepted, per exam id.
    QList<std::pair<qlonglong, QVariantMap>> acceptedResults() const;

private:
    struct Injected {
        QString method;
        QString pathPrefix;
        int status = 500;
        QByteArray body;
        int remaining = 0;
    };
    struct Account {
        QString password;
        QString token;
        QVariantMap userData;
    };
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    // The handler behind the checks every request passes first: a hold, an injected failure,
    // then (but for the login) the token.
    Handler guarded(Handler handler, bool needsToken = true);
    bool answeredByTheChecks(const httplib::Request& request, httplib::Response& response, bool needsToken);
    const Account* accountWithToken(const httplib::Request& request) const;
    void installRoutes();

    mutable std::mutex mutex_;
    std::condition_variable released_;
    QMap<QString, Account> accounts_;
    QVariantList exams_;
    int examPageSize_ = 2;
    QVariantList results_;
    int resultPageSize_ = 10;
    QList<Injected> injected_;
    QString heldPrefix_;
    bool held_ = false;
    int heldCount_ = 0;
    QList<std::pair<qlonglong, QVariantMap>> accepted_;
    // Last, so that its thread ends before the state its handlers use goes away.
    TestHttpServer http_;
};
