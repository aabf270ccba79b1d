#include "ZTAPIController.h"

#include "BearerToken.h"
#include "Localization.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "PlistValues.h"
#include "ZTDataController.h"
#include "ZTExamJson.h"
#include "ZTPreferences.h"

#include <QLocale>
#include <QUrlQuery>

namespace {

const QString kExamServerHost = QStringLiteral("exams.vantrel.com");
constexpr int kExamServerPort = 444;

ZTHeaderList jsonHeaders()
{
    return {{"Accept", "application/json"}, {"Content-Type", "application/json"}};
}

QString text(const QVariant& value)
{
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QString recoverySuggestion()
{
    return localized(QStringLiteral("Please check your credentials and try again?"));
}

Error loginError(qlonglong code, const QString& description, const QString& reason,
                 const QString& recovery = recoverySuggestion())
{
    QVariantMap userInfo{{Error::LocalizedDescriptionKey, description}};
    if (!reason.isEmpty())
        userInfo.insert(Error::LocalizedFailureReasonKey, reason);
    if (!recovery.isEmpty())
        userInfo.insert(Error::LocalizedRecoverySuggestionKey, recovery);
    return Error(ZTAPIController::kErrorDomain, code, userInfo);
}

// A refused login in the server's own words ("detail", "title"), or in ours when it gave none.
Error statusError(const ZTExamReply& reply, const QVariantMap& answer)
{
    QString description = text(answer.value(QStringLiteral("detail")));
    if (description.isEmpty())
        description = localized(QStringLiteral("Login failed"));
    QString reason = text(answer.value(QStringLiteral("title")));
    if (reason.isEmpty())
        reason = !reply.transferError.isEmpty()
            ? reply.transferError
            : localized(QStringLiteral("The server answered with status %1.")).arg(reply.statusCode);
    return loginError(reply.statusCode, description, reason);
}

} // namespace

const QString ZTAPIController::kErrorDomain = QStringLiteral("com.vantrel.Melvora");
const QString ZTAPIController::kUsernameKey = QStringLiteral("MelvoraCloudUsername");
const QString ZTAPIController::kFirstNameKey = QStringLiteral("MelvoraUserFirstName");
const QString ZTAPIController::kLastNameKey = QStringLiteral("MelvoraUserLastName");
const QString ZTAPIController::kAuthViaFacebookKey = QStringLiteral("MelvoraUserAuthViaFacebook");

ZTAPIController* ZTAPIController::sharedController()
{
    // Kept for the life of the process: its thread starts only with the first request.
    static ZTAPIController* const instance = std::make_unique<ZTAPIController>().release();
    return instance;
}

ZTAPIController::ZTAPIController(ZTDataController* store, std::unique_ptr<ZTExamTransport> transport)
    : store_(store)
    , transport_(transport ? std::move(transport) : std::make_unique<ZTExamTransport>())
    , backendURL_(QStringLiteral("https://%1:%2").arg(kExamServerHost).arg(kExamServerPort))
{
}

ZTAPIController::~ZTAPIController() = default;

ZTDataController* ZTAPIController::store() const
{
    return store_ ? store_ : ZTDataController::sharedController();
}

QUrl ZTAPIController::backendURL() const
{
    return backendURL_;
}

void ZTAPIController::setBackendURL(const QUrl& url)
{
    backendURL_ = url;
}

void ZTAPIController::setSslConfiguration(const QSslConfiguration& configuration)
{
    transport_->setSslConfiguration(configuration);
}

// ---- Session ----

bool ZTAPIController::isLoggedIn() const
{
    return !currentAccessToken().isEmpty();
}

QString ZTAPIController::currentAccessToken() const
{
    std::lock_guard lock(tokenMutex_);
    return accessToken_;
}

void ZTAPIController::updateAccessToken(const QString& token)
{
    std::lock_guard lock(tokenMutex_);
    accessToken_ = token.isNull() ? QStringLiteral("") : token;
}

void ZTAPIController::beginNewSession()
{
    ++session_;
}

void ZTAPIController::postLoginStateChanged() const
{
    NotificationCenter::defaultCenter().post(QStringLiteral("loginStateChangedNotification"));
}

void ZTAPIController::loginWithUser(const QString& user, const QString& password, LoginCompletion completion)
{
    const QVariantMap credentials{{QStringLiteral("grant_type"), QStringLiteral("client_credentials")},
                                  {QStringLiteral("client_id"), user},
                                  {QStringLiteral("client_secret"), password}};
    const ZTExamRequest request = urlRequestFor(QStringLiteral("oauth"), {}, "POST", jsonHeaders(),
                                                ZTExamJson::prettyPrinted(credentials));
    send(request, [this, user, request, completion = std::move(completion)](const ZTExamReply& reply) {
        handleLoginReply(user, reply, request, completion);
    });
}

void ZTAPIController::handleLoginReply(const QString& user, const ZTExamReply& reply, const ZTExamRequest& request,
                                       const LoginCompletion& completion)
{
    const auto complete = [&completion](bool success, const Error& error) {
        if (completion)
            completion(success, error);
    };
    Log::line(QStringLiteral("loginWithUser %1").arg(loggedBody(reply.body)));
    if (!reply.hasResponse()) {
        Log::line(QStringLiteral("loginWithUser No Response"));
        complete(false, loginError(0, localized(QStringLiteral("Login failed")), reply.transferError, {}));
        return;
    }
    // A reply without a body (204) holds no token, like an empty object.
    QString parseError;
    const std::optional<QVariant> json =
        reply.body.trimmed().isEmpty() ? std::optional<QVariant>(QVariantMap()) : ZTExamJson::parse(reply.body, &parseError);
    const QVariantMap answer = json ? json->toMap() : QVariantMap();
    if (!processHTTPURLResponse(reply, request)) {
        Log::line(QStringLiteral("loginWithUser has Errors"));
        complete(false, statusError(reply, answer));
        return;
    }
    if (!json) {
        Log::line(QStringLiteral("loginWithUser JSON ERROR: %1").arg(parseError));
        complete(false, Error(QStringLiteral("JSON"), 1, {{Error::LocalizedDescriptionKey, parseError}}));
        return;
    }
    const QString token = text(answer.value(QStringLiteral("access_token")));
    if (!BearerToken::isWellFormed(token)) {
        removeUserData();
        updateAccessToken(QStringLiteral(""));
        beginNewSession();
        postLoginStateChanged();
        complete(false, loginError(999, localized(QStringLiteral("Login failed")),
                                   localized(QStringLiteral("Wrong credentials"))));
        return;
    }
    finishLogin(user, token);
    complete(true, {});
}

void ZTAPIController::finishLogin(const QString& user, const QString& token)
{
    ZTPreferences* settings = ZTPreferences::sharedPreferences();
    settings->_setObject(user, kUsernameKey);
    settings->synchronize();
    updateAccessToken(token);
    beginNewSession();
    updatedExams();
    fetchResults();
    updateUserData();
    postLoginStateChanged();
    retryPendingResults();
}

void ZTAPIController::logout()
{
    ZTPreferences::sharedPreferences()->_setObject({}, kUsernameKey);
    store()->removeAllExams();
    removeUserData();
    updateAccessToken(QStringLiteral(""));
    beginNewSession();
    postLoginStateChanged();
}

// ---- User data ----

void ZTAPIController::updateUserData()
{
    const quint64 session = session_;
    const ZTExamRequest request = urlRequestFor(QStringLiteral("user"), {}, "GET",
                                                {{"Accept", "application/json"}}, {});
    send(request, [this, session, request](const ZTExamReply& reply) {
        if (session != session_)
            return;
        if (!processHTTPURLResponse(reply, request)) {
            Log::line(QStringLiteral("updateUserData Error: %1").arg(reply.transferError));
            return;
        }
        QString parseError;
        const std::optional<QVariant> json = ZTExamJson::parse(reply.body, &parseError);
        if (!json) {
            Log::line(QStringLiteral("updateUserData jsonError: %1").arg(parseError));
            return;
        }
        const QVariantMap user = json->toMap();
        ZTPreferences* settings = ZTPreferences::sharedPreferences();
        const auto storeText = [&](const QString& field, const QString& key) {
            const QString value = text(user.value(field));
            settings->_setObject(value.isNull() ? QVariant() : QVariant(value), key);
        };
        storeText(QStringLiteral("first_name"), kFirstNameKey);
        storeText(QStringLiteral("last_name"), kLastNameKey);
        settings->_setObject(PlistValues::toBool(user.value(QStringLiteral("fb_user"))), kAuthViaFacebookKey);
        settings->synchronize();
        NotificationCenter::defaultCenter().post(QStringLiteral("userDataDidUpdate"));
    });
}

void ZTAPIController::removeUserData()
{
    ZTPreferences* settings = ZTPreferences::sharedPreferences();
    settings->_setObject({}, kFirstNameKey);
    settings->_setObject({}, kLastNameKey);
    settings->_setObject(false, kAuthViaFacebookKey);
    settings->synchronize();
}

// ---- Exams and results, page by page ----

void ZTAPIController::updatedExams()
{
    fetchExamsOnPage(1, {});
}

void ZTAPIController::fetchResults()
{
    fetchResultsOnPage(1, {});
}

void ZTAPIController::fetchExamsOnPage(int page, const QVariantList& exams)
{
    fetchPages(QStringLiteral("exam"), QStringLiteral("exams"), page, exams,
               [this](const QVariantList& all) { store()->updateExamsFromArray(all); });
}

void ZTAPIController::fetchResultsOnPage(int page, const QVariantList& results)
{
    fetchPages(QStringLiteral("exam-results"), QStringLiteral("exam_results"), page, results,
               [this](const QVariantList& all) { store()->processServerSideResults(all); });
}

void ZTAPIController::fetchPages(const QString& endpoint, const QString& listKey, int page,
                                 const QVariantList& gathered, const PageHandler& done)
{
    const quint64 session = session_;
    const ZTExamRequest request =
        urlRequestFor(endpoint, {{QStringLiteral("page"), QString::number(page)}}, "GET", {}, {});
    send(request, [=, this](const ZTExamReply& reply) {
        // A failure anywhere drops the pages gathered so far and leaves the store alone.
        if (session != session_ || !processHTTPURLResponse(reply, request))
            return;
        QString parseError;
        const std::optional<QVariant> json = ZTExamJson::parse(reply.body, &parseError);
        if (!json) {
            Log::line(QStringLiteral("GET /%1 page %2 JSONERROR: %3\nData: %4")
                          .arg(endpoint)
                          .arg(page)
                          .arg(parseError, loggedBody(reply.body)));
            return;
        }
        QVariantList records = gathered;
        const QVariantMap answer = json->toMap();
        for (const QVariant& record : answer.value(QStringLiteral("_embedded")).toMap().value(listKey).toList())
            if (record.typeId() == QMetaType::QVariantMap)
                records.append(record);
        const int pageCount = PlistValues::toInteger(answer.value(QStringLiteral("page_count")));
        if (pageCount > kMaxPages) {
            Log::line(QStringLiteral("GET /%1: %2 pages are more than the %3 this client fetches; nothing is stored.")
                          .arg(endpoint)
                          .arg(pageCount)
                          .arg(kMaxPages));
            return;
        }
        if (pageCount > page)
            fetchPages(endpoint, listKey, page + 1, records, done);
        else
            done(records);
    });
}

// ---- Result upload ----

void ZTAPIController::uploadResult(const QVariantMap& result, qlonglong examId)
{
    const QString user = ZTPreferences::sharedPreferences()->_objectForKey(kUsernameKey).toString();
    const QString key = store()->keepPendingResult(result, examId, user);
    if (key.isNull())
        Log::line(QStringLiteral("uploadResult: the result of exam %1 could not be kept for a retry.").arg(examId));
    if (!isLoggedIn()) {
        Log::line(QStringLiteral("uploadResult: not logged in; the result of exam %1 waits for the next login.")
                      .arg(examId));
        return;
    }
    sendPendingResult(key, examId, result);
}

void ZTAPIController::retryPendingResults()
{
    if (!isLoggedIn())
        return;
    // A result goes to the account it was made under; one made while nobody was logged in
    // goes to the next account that logs in.
    const QString user = ZTPreferences::sharedPreferences()->_objectForKey(kUsernameKey).toString();
    for (const ZTDataController::PendingResult& pending : store()->pendingResults())
        if (pending.user.isEmpty() || pending.user == user)
            sendPendingResult(pending.key, pending.examId, pending.body);
}

void ZTAPIController::sendPendingResult(const QString& key, qlonglong examId, const QVariantMap& body)
{
    if (!key.isNull()) {
        if (uploadsInFlight_.contains(key))
            return;
        uploadsInFlight_.insert(key);
    }
    const ZTExamRequest request = urlRequestFor(QStringLiteral("exam/%1/result").arg(examId), {}, "POST",
                                                jsonHeaders(), ZTExamJson::prettyPrinted(body));
    send(request, [this, key, examId, request](const ZTExamReply& reply) {
        uploadsInFlight_.remove(key);
        if (!processHTTPURLResponse(reply, request)) {
            if (!key.isNull())
                Log::line(QStringLiteral("uploadResult: the result of exam %1 is kept and sent again later.").arg(examId));
            return;
        }
        if (!key.isNull())
            store()->removePendingResult(key);
        Log::line(QStringLiteral("\nResponse: %1\nresponseObject: %2")
                      .arg(reply.statusCode)
                      .arg(loggedBody(reply.body)));
        if (isLoggedIn()) {
            updatedExams();
            retryPendingResults();
        }
    });
}

// ---- Requests ----

void ZTAPIController::send(const ZTExamRequest& request, std::function<void(const ZTExamReply&)> handler)
{
    transport_->send(request, std::move(handler));
}

QUrl ZTAPIController::endpointURLForEndpoint(const QString& endpoint, const QVariantMap& parameters) const
{
    QUrl url = backendURL_;
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    url.setPath(path + (endpoint.startsWith(QLatin1Char('/')) ? endpoint.mid(1) : endpoint));
    if (!parameters.isEmpty()) {
        QUrlQuery query;
        for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
            query.addQueryItem(QString::fromUtf8(QUrl::toPercentEncoding(it.key())),
                               QString::fromUtf8(QUrl::toPercentEncoding(it.value().toString())));
        url.setQuery(query);
    }
    return url;
}

ZTExamRequest ZTAPIController::urlRequestFor(const QString& endpoint, const QVariantMap& parameters,
                                             const QByteArray& method, const ZTHeaderList& headers,
                                             const QByteArray& body) const
{
    ZTExamRequest request;
    request.method = method.isEmpty() ? QByteArray("GET") : method;
    request.url = endpointURLForEndpoint(endpoint, parameters);
    // Also the empty token a logout leaves is sent, as "Bearer " with nothing after it.
    if (const QString token = currentAccessToken(); !token.isNull())
        request.setHeader("Authorization", "Bearer " + token.toUtf8());
    request.timeoutSeconds = 60;
    for (const auto& [name, value] : headers)
        request.setHeader(name, value);
    request.setHeader("Accept-Language", acceptLanguageKey().toLatin1());
    request.body = body;
    return request;
}

QString ZTAPIController::acceptLanguageKey() const
{
    return acceptLanguageForLanguages(QLocale().uiLanguages());
}

QString ZTAPIController::acceptLanguageForLanguages(const QStringList& preferredLanguages)
{
    const QString first = preferredLanguages.value(0).toLower();
    const bool german = first == QLatin1String("de") || first.startsWith(QLatin1String("de-"))
                        || first.startsWith(QLatin1String("de_"));
    return german ? QStringLiteral("DE") : QStringLiteral("EN");
}

bool ZTAPIController::processHTTPURLResponse(const ZTExamReply& reply, const ZTExamRequest& request) const
{
    const int status = reply.statusCode;
    if (reply.transferError.isEmpty() && (status == 200 || status == 201 || status == 204))
        return true;
    if (reply.url.toString().contains(QLatin1String("/oauth")) && request.method.toUpper() == "POST")
        return false;
    QString dump = debugInfoForRequest(request) + debugHttpResponse(reply);
    if (!reply.transferError.isEmpty())
        dump += debugError(reply);
    Log::line(dump);
    return false;
}

// ---- Dates ----

QString ZTAPIController::stringFromDate(const QDateTime& date, const QString& format)
{
    return QLocale::c().toString(date, format);
}

QDateTime ZTAPIController::dateFromString(const QString& text, const QString& format)
{
    return QLocale::c().toDateTime(text, format);
}
