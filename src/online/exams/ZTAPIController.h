#pragma once

#include "Error.h"
#include "ZTExamTransport.h"

#include <QDateTime>
#include <QSet>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>

class ZTDataController;

// The client of the exam server, a JSON service over HTTPS. It logs the user in with the
// OAuth 2 client-credentials grant and keeps the bearer token in memory only, fetches the
// user's names into the settings store, fetches all exams and results page by page into
// the exam store, and uploads the result of a finished exam. A result whose upload does
// not go through is kept in the exam store and sent again after the next login and after
// the next upload that goes through.
//
// Requests run on the transport's thread; every reply is handled on the main thread, which
// is where the operations are called. The token may be read from any thread.
class ZTAPIController {
public:
    // The error is null on success.
    using LoginCompletion = std::function<void(bool success, const Error& error)>;

    static constexpr int kMaxPages = 100;
    static const QString kErrorDomain;
    // The exam server's own settings keys in the settings store.
    static const QString kUsernameKey;
    static const QString kFirstNameKey;
    static const QString kLastNameKey;
    static const QString kAuthViaFacebookKey;

    static ZTAPIController* sharedController();

    // Keeps exams in the store given, else in the shared one; sends through the transport
    // given, else through one of its own.
    explicit ZTAPIController(ZTDataController* store = nullptr, std::unique_ptr<ZTExamTransport> transport = nullptr);
    ~ZTAPIController();
    ZTAPIController(const ZTAPIController&) = delete;
    ZTAPIController& operator=(const ZTAPIController&) = delete;

    // "https://<exam server>:444", or where tests point it.
    QUrl backendURL() const;
    void setBackendURL(const QUrl& url);
    // The trust store the server's certificate is checked against (checks stay on).
    void setSslConfiguration(const QSslConfiguration& configuration);

    // ---- Session ----
    bool isLoggedIn() const;
    // Null until a token was ever set; empty after a logout. Any thread.
    QString currentAccessToken() const;
    void updateAccessToken(const QString& token);
    // The completion runs on the main queue.
    void loginWithUser(const QString& user, const QString& password, LoginCompletion completion);
    void logout();

    void updateUserData();
    void removeUserData();
    void updatedExams();
    void fetchResults();
    void fetchExamsOnPage(int page, const QVariantList& exams);
    void fetchResultsOnPage(int page, const QVariantList& results);
    // Uploads the body ({"exam": result}) of a finished exam.
    void uploadResult(const QVariantMap& result, qlonglong examId);
    // Sends every kept result that is not already on its way.
    void retryPendingResults();

    // ---- Requests ----
    ZTExamRequest urlRequestFor(const QString& endpoint, const QVariantMap& parameters, const QByteArray& method,
                                const ZTHeaderList& headers, const QByteArray& body) const;
    QUrl endpointURLForEndpoint(const QString& endpoint, const QVariantMap& parameters) const;
    QString acceptLanguageKey() const;
    // "DE" when the first preferred language is German in any region, else "EN".
    static QString acceptLanguageForLanguages(const QStringList& preferredLanguages);
    // Whether the reply is a success (200, 201 or 204 after a whole transfer); a failure is
    // logged with the dumps below, except that of a login, which reports its own.
    bool processHTTPURLResponse(const ZTExamReply& reply, const ZTExamRequest& request) const;

    // Diagnostic dumps; tokens, passwords and authorization headers are blanked out.
    QString debugInfoForRequest(const ZTExamRequest& request) const;
    QString debugHttpResponse(const ZTExamReply& reply) const;
    QString debugError(const ZTExamReply& reply) const;
    // The text with every secret this client knows of blanked out.
    QString redacted(const QString& text) const;
    // A body as it may be logged: redacted, and cut short when long.
    QString loggedBody(const QByteArray& body) const;

    // ---- Dates (the C locale, so the digits are always ASCII) ----
    static QString stringFromDate(const QDateTime& date, const QString& format);
    static QDateTime dateFromString(const QString& text, const QString& format);

private:
    // Sends and hands the reply to the handler on the main thread, unless a login or logout
    // came in between (a reply of an ended session must not refill the store).
    void send(const ZTExamRequest& request, std::function<void(const ZTExamReply&)> handler);
    void handleLoginReply(const QString& user, const ZTExamReply& reply, const ZTExamRequest& request,
                          const LoginCompletion& completion);
    void finishLogin(const QString& user, const QString& token);
    void beginNewSession();
    void postLoginStateChanged() const;
    using PageHandler = std::function<void(const QVariantList& records)>;
    void fetchPages(const QString& endpoint, const QString& listKey, int page, const QVariantList& gathered,
                    const PageHandler& done);
    void sendPendingResult(const QString& key, qlonglong examId, const QVariantMap& body);
    ZTDataController* store() const;

    ZTDataController* store_;
    std::unique_ptr<ZTExamTransport> transport_;
    QUrl backendURL_;
    mutable std::mutex tokenMutex_;
    QString accessToken_;
    quint64 session_ = 0;
    QSet<QString> uploadsInFlight_;
};
