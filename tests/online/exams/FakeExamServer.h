#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
}

// What the server received.
struct ExamServerRequest {
    QString method;
    QString path;
    QMap<QString, QString> query;
    QMap<QString, QString> headers; // names in lower case
    QByteArray body;
};

// The exam server as the client knows it, on 127.0.0.1 and a free port: OAuth login with
// client credentials, the user's names, exams and results page by page, and result uploads.
// Every request but the login needs a token it handed out. Failures can be injected.
class FakeExamServer {
public:
    FakeExamServer();
    ~FakeExamServer();
    FakeExamServer(const FakeExamServer&) = delete;
    FakeExamServer& operator=(const FakeExamServer&) = delete;

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

    QList<ExamServerRequest> requests() const;
    QList<ExamServerRequest> requestsTo(const QString& method, const QString& pathPrefix) const;
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
    void installRoutes();

    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    QMap<QString, Account> accounts_;
    QVariantList exams_;
    int examPageSize_ = 2;
    QVariantList results_;
    int resultPageSize_ = 10;
    QList<Injected> injected_;
    QString heldPrefix_;
    bool held_ = false;
    QList<ExamServerRequest> requests_;
    QList<std::pair<qlonglong, QVariantMap>> accepted_;
};
