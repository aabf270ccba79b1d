#include "AFHTTPClient.h"

#include "AFQueryStringPair.h"
#include "AFStreamingMultipartFormData.h"
#include "Log.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "PropertyList.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringEncoder>
#include <QSysInfo>

#include <cassert>
#include <cmath>

namespace {

bool isNumber(int type)
{
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Float:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// Whether a value can be written as JSON (null included) or as a property list: the
// writers of both would otherwise turn what they do not know into something else.
bool isWritable(const QVariant& value, bool json, int depth = 0)
{
    if (depth > 512)
        return false;
    const int type = value.metaType().id();
    if (type == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        return std::all_of(map.begin(), map.end(), [&](const QVariant& item) { return isWritable(item, json, depth + 1); });
    }
    if (type == QMetaType::QVariantList) {
        const QVariantList list = value.toList();
        return std::all_of(list.begin(), list.end(), [&](const QVariant& item) { return isWritable(item, json, depth + 1); });
    }
    if (type == QMetaType::QString || type == QMetaType::QStringList || type == QMetaType::Bool)
        return true;
    if (isNumber(type))
        return std::isfinite(value.toDouble());
    if (json)
        return !value.isValid() || type == QMetaType::Nullptr;
    return type == QMetaType::QByteArray || type == QMetaType::QDateTime;
}

QString bodyErrorText(const QString& format)
{
    return QStringLiteral("The parameters cannot be written as %1.").arg(format);
}

QString ianaName(const QByteArray& encoding)
{
    return QString::fromLatin1(encoding).toLower();
}

QString asciiText(const QString& text)
{
    bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 128; });
    if (ascii)
        return text;
    // Latin letters without their marks; anything without a Latin form is left out.
    QString latin;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD))
        if (c.unicode() < 128)
            latin += c;
    return latin;
}

} // namespace

std::unique_ptr<AFHTTPClient> AFHTTPClient::clientWithBaseURL(const QUrl& url)
{
    return std::make_unique<AFHTTPClient>(url);
}

AFHTTPClient::AFHTTPClient(const QUrl& url)
    : operationQueue_(std::make_unique<OperationQueue>())
    , self_(std::make_shared<AFHTTPClient*>(this))
{
    assert(url.isValid() && !url.isEmpty() && "Invalid parameter not satisfying: url");
    baseURL_ = url;
    if (!url.path().isEmpty() && !url.toString().endsWith(QLatin1Char('/')))
        baseURL_.setPath(url.path() + QLatin1Char('/'));
    defaultHeaders_.set(QStringLiteral("Accept-Language"), acceptLanguageHeader(QLocale::system().uiLanguages()));
    defaultHeaders_.set(QStringLiteral("User-Agent"), userAgentHeader());
    startMonitoringNetworkReachability();
}

AFHTTPClient::~AFHTTPClient()
{
    stopMonitoringNetworkReachability();
    self_.reset();
}

QString AFHTTPClient::acceptLanguageHeader(const QStringList& preferredLanguages)
{
    QStringList entries;
    for (int i = 0; i < preferredLanguages.size(); ++i) {
        const float q = 1.0f - 0.1f * float(i);
        entries << QString::asprintf("%s;q=%0.1g", preferredLanguages[i].toUtf8().constData(), double(q));
        if (q <= 0.5f)
            break;
    }
    return entries.join(QStringLiteral(", "));
}

QString AFHTTPClient::userAgentHeader()
{
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty())
        name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QString version = QCoreApplication::applicationVersion();
    return asciiText(QStringLiteral("%1/%2 (Linux %3)").arg(name, version, QSysInfo::kernelVersion()));
}

bool AFHTTPClient::registerHTTPOperationClass(const QString& className)
{
    if (!AFOperationClasses::isKindOf(className, QStringLiteral("AFHTTPRequestOperation")))
        return false;
    registeredClassNames_.removeAll(className);
    registeredClassNames_.prepend(className);
    return true;
}

void AFHTTPClient::unregisterHTTPOperationClass(const QString& className)
{
    registeredClassNames_.removeAll(className);
}

QString AFHTTPClient::defaultValueForHeader(const QString& header) const
{
    return defaultHeaders_.value(header);
}

void AFHTTPClient::setDefaultHeader(const QString& header, const QString& value)
{
    if (value.isNull())
        defaultHeaders_.remove(header);
    else
        defaultHeaders_.set(header, value);
}

void AFHTTPClient::setAuthorizationHeaderWithUsername(const QString& username, const QString& password)
{
    const QByteArray credentials = QStringLiteral("%1:%2").arg(username, password).toUtf8().toBase64();
    setDefaultHeader(QStringLiteral("Authorization"), QStringLiteral("Basic %1").arg(QString::fromLatin1(credentials)));
}

void AFHTTPClient::setAuthorizationHeaderWithToken(const QString& token)
{
    setDefaultHeader(QStringLiteral("Authorization"), QStringLiteral("Token token=\"%1\"").arg(token));
}

void AFHTTPClient::clearAuthorizationHeader()
{
    defaultHeaders_.remove(QStringLiteral("Authorization"));
}

URLRequest AFHTTPClient::requestWithMethod(const QString& method, const QString& path, const Parameters& parameters)
{
    assert(!method.isEmpty() && "Invalid parameter not satisfying: method");
    URLRequest request(baseURL_.resolved(QUrl(path)));
    request.HTTPMethod = method;
    request.headers = defaultHeaders_;
    if (request.url.scheme() == QLatin1String("http")
        && request.headers.value(QStringLiteral("Authorization")).startsWith(QLatin1String("Basic "))) {
        Log::line(QStringLiteral("%1: left out the Basic credentials of a request to %2, which is not https.")
                      .arg(QStringLiteral("AFHTTPClient"), request.url.host()));
        request.headers.remove(QStringLiteral("Authorization"));
    }
    if (!parameters)
        return request;
    if (method == QLatin1String("GET") || method == QLatin1String("HEAD") || method == QLatin1String("DELETE")) {
        const QString query = AFQueryStringWithParameters(*parameters, stringEncoding_);
        const QString url = request.url.toString(QUrl::FullyEncoded);
        request.url = QUrl::fromEncoded((url + (path.contains(QLatin1Char('?')) ? QStringLiteral("&") : QStringLiteral("?")) + query).toUtf8());
    } else {
        setBody(request, *parameters);
    }
    return request;
}

void AFHTTPClient::setBody(URLRequest& request, const QVariantMap& parameters) const
{
    const QString charset = ianaName(stringEncoding_);
    QString format;
    switch (parameterEncoding_) {
    case AFFormURLParameterEncoding:
        request.headers.set(QStringLiteral("Content-Type"), QStringLiteral("application/x-www-form-urlencoded; charset=%1").arg(charset));
        request.HTTPBody = AFQueryStringWithParameters(parameters, stringEncoding_).toLatin1();
        return;
    case AFJSONParameterEncoding:
        request.headers.set(QStringLiteral("Content-Type"), QStringLiteral("application/json; charset=%1").arg(charset));
        if (isWritable(parameters, true)) {
            request.HTTPBody = QJsonDocument(QJsonObject::fromVariantMap(parameters)).toJson(QJsonDocument::Compact);
            return;
        }
        format = QStringLiteral("JSON");
        break;
    case AFPropertyListParameterEncoding:
        request.headers.set(QStringLiteral("Content-Type"), QStringLiteral("application/x-plist; charset=%1").arg(charset));
        if (isWritable(parameters, false)) {
            request.HTTPBody = PropertyList::toXml(parameters);
            return;
        }
        format = QStringLiteral("a property list");
        break;
    default:
        return;
    }
    request.bodyError = Error(AFNetworkingErrorDomain, AFNetworkingErrorBodyNotWritable,
                              {{Error::LocalizedDescriptionKey, bodyErrorText(format)}});
    Log::line(QStringLiteral("%1 %2: %3").arg(QStringLiteral("AFHTTPClient"), QStringLiteral("requestWithMethod:path:parameters:"),
                                              request.bodyError.description()));
}

URLRequest AFHTTPClient::multipartFormRequestWithMethod(const QString& method, const QString& path,
                                                        const Parameters& parameters,
                                                        const std::function<void(AFMultipartFormData&)>& block)
{
    assert(!method.isEmpty() && method != QLatin1String("GET") && method != QLatin1String("HEAD")
           && "Invalid parameter not satisfying: method && ![method isEqualToString:@\"GET\"] && ![method isEqualToString:@\"HEAD\"]");
    AFStreamingMultipartFormData formData(requestWithMethod(method, path, std::nullopt), stringEncoding_);
    if (parameters) {
        QStringEncoder encoder(stringEncoding_.constData());
        for (const AFQueryStringPair& pair : AFQueryPairsFromDictionary(*parameters)) {
            QByteArray data;
            if (pair.value().metaType().id() == QMetaType::QByteArray) {
                data = pair.value().toByteArray();
            } else if (pair.hasValue()) {
                data = encoder.encode(AFParameterDescription(pair.value()));
                if (encoder.hasError())
                    continue;
            }
            formData.appendPartWithFormData(data, AFParameterDescription(pair.field()));
        }
    }
    if (block)
        block(formData);
    return formData.requestByFinalizingMultipartFormData();
}

std::shared_ptr<AFHTTPRequestOperation> AFHTTPClient::HTTPRequestOperationWithRequest(const URLRequest& request,
                                                                                     Success success, Failure failure)
{
    std::shared_ptr<AFHTTPRequestOperation> operation;
    for (const QString& name : registeredClassNames_) {
        if (AFOperationClasses::exists(name) && AFOperationClasses::canProcessRequest(name, request)) {
            operation = AFOperationClasses::make(name, request);
            break;
        }
    }
    if (!operation)
        operation = std::make_shared<AFHTTPRequestOperation>(request);
    operation->setCompletionBlockWithSuccess(std::move(success), std::move(failure));
    operation->setCredential(defaultCredential_);
    operation->setSSLPinningMode(defaultSSLPinningMode_);
    operation->setAllowsInvalidSSLCertificate(allowsInvalidSSLCertificate_);
    return operation;
}

void AFHTTPClient::enqueueHTTPRequestOperation(const std::shared_ptr<AFHTTPRequestOperation>& operation)
{
    operationQueue_->addOperation(operation);
}

void AFHTTPClient::cancelAllHTTPOperationsWithMethod(const std::optional<QString>& method, const QString& path)
{
    const QString pathToMatch = requestWithMethod(method.value_or(QStringLiteral("GET")), path, std::nullopt).url.path();
    for (const auto& queued : operationQueue_->operations()) {
        const auto operation = std::dynamic_pointer_cast<AFHTTPRequestOperation>(queued);
        if (!operation)
            continue;
        const URLRequest request = operation->request();
        if (request.url.path() == pathToMatch && (!method || request.HTTPMethod == *method))
            operation->cancel();
    }
}

void AFHTTPClient::enqueueBatchOfHTTPRequestOperationsWithRequests(const QList<URLRequest>& requests,
                                                                   BatchProgress progress, BatchCompletion completion)
{
    Operations operations;
    for (const URLRequest& request : requests)
        operations.push_back(HTTPRequestOperationWithRequest(request, nullptr, nullptr));
    enqueueBatchOfHTTPRequestOperations(operations, std::move(progress), std::move(completion));
}

void AFHTTPClient::enqueueBatchOfHTTPRequestOperations(const Operations& operations, BatchProgress progress,
                                                       BatchCompletion completion)
{
    auto group = std::make_shared<DispatchGroup>();
    auto batch = BlockOperation::operationWithBlock([group, operations, completion] {
        group->notify(DispatchQueue::main(), [operations, completion] {
            if (completion)
                completion(operations);
        });
    });
    for (const auto& operation : operations) {
        const auto original = operation->completionBlock();
        std::weak_ptr<AFHTTPRequestOperation> weakOperation = operation;
        operation->setCompletionBlock([group, original, weakOperation, operations, progress] {
            const auto self = weakOperation.lock();
            const auto queue = self ? self->successCallbackQueue() : DispatchQueue::main();
            queue->async([group, original, operations, progress] {
                if (original)
                    original();
                const auto finished = std::count_if(operations.begin(), operations.end(),
                                                    [](const auto& member) { return member->isFinished(); });
                if (progress)
                    progress(std::size_t(finished), operations.size());
                group->leave();
            });
        });
        group->enter();
        batch->addDependency(operation);
    }
    for (const auto& operation : operations)
        operationQueue_->addOperation(operation);
    operationQueue_->addOperation(batch);
}

void AFHTTPClient::enqueueRequest(const QString& method, const QString& path, const Parameters& parameters,
                                  Success success, Failure failure)
{
    const URLRequest request = requestWithMethod(method, path, parameters);
    enqueueHTTPRequestOperation(HTTPRequestOperationWithRequest(request, std::move(success), std::move(failure)));
}

void AFHTTPClient::getPath(const QString& path, const Parameters& parameters, Success success, Failure failure)
{
    enqueueRequest(QStringLiteral("GET"), path, parameters, std::move(success), std::move(failure));
}

void AFHTTPClient::postPath(const QString& path, const Parameters& parameters, Success success, Failure failure)
{
    enqueueRequest(QStringLiteral("POST"), path, parameters, std::move(success), std::move(failure));
}

void AFHTTPClient::putPath(const QString& path, const Parameters& parameters, Success success, Failure failure)
{
    enqueueRequest(QStringLiteral("PUT"), path, parameters, std::move(success), std::move(failure));
}

void AFHTTPClient::deletePath(const QString& path, const Parameters& parameters, Success success, Failure failure)
{
    enqueueRequest(QStringLiteral("DELETE"), path, parameters, std::move(success), std::move(failure));
}

void AFHTTPClient::patchPath(const QString& path, const Parameters& parameters, Success success, Failure failure)
{
    enqueueRequest(QStringLiteral("PATCH"), path, parameters, std::move(success), std::move(failure));
}

AFNetworkReachabilityStatus AFHTTPClient::statusForFlags(std::uint32_t flags)
{
    const bool reachable = flags & ReachabilityFlag::Reachable;
    const bool needsConnection = flags & ReachabilityFlag::ConnectionRequired;
    const bool automatic = (flags & (ReachabilityFlag::ConnectionOnTraffic | ReachabilityFlag::ConnectionOnDemand))
        && !(flags & ReachabilityFlag::InterventionRequired);
    return reachable && (!needsConnection || automatic) ? AFNetworkReachabilityStatusReachableViaWiFi
                                                        : AFNetworkReachabilityStatusNotReachable;
}

void AFHTTPClient::startMonitoringNetworkReachability()
{
    stopMonitoringNetworkReachability();
    if (baseURL_.isEmpty())
        return;
    networkReachability_ = NetworkReachability::withHostName(baseURL_.host());
    if (!networkReachability_)
        return;
    std::weak_ptr<AFHTTPClient*> weakSelf = self_;
    const auto statusStep = [weakSelf](std::uint32_t flags) {
        const auto client = weakSelf.lock();
        if (!client)
            return;
        const AFNetworkReachabilityStatus status = statusForFlags(flags);
        (*client)->networkReachabilityStatus_ = status;
        if ((*client)->networkReachabilityStatusBlock_)
            (*client)->networkReachabilityStatusBlock_(status);
    };
    if (networkReachability_->isNumeric()) {
        const std::uint32_t flags = networkReachability_->flags().value_or(0);
        MainQueue::async([statusStep, flags] { statusStep(flags); });
    }
    networkReachability_->setCallback(
        [statusStep](std::uint32_t flags) {
            statusStep(flags);
            const int status = statusForFlags(flags);
            MainQueue::async([status] {
                NotificationCenter::defaultCenter().post(AFNetworkingReachabilityDidChangeNotification, nullptr, {},
                                                         {{AFNetworkingReachabilityNotificationStatusItem, status}});
            });
        },
        DispatchQueue::main());
}

void AFHTTPClient::stopMonitoringNetworkReachability()
{
    if (networkReachability_)
        networkReachability_->clearCallback();
    networkReachability_.reset();
}

std::unique_ptr<AFHTTPClient> AFHTTPClient::copy() const
{
    auto client = std::make_unique<AFHTTPClient>(baseURL_);
    client->stringEncoding_ = stringEncoding_;
    client->parameterEncoding_ = parameterEncoding_;
    client->registeredClassNames_ = registeredClassNames_;
    client->defaultHeaders_ = defaultHeaders_;
    client->networkReachabilityStatusBlock_ = networkReachabilityStatusBlock_;
    return client;
}

QString AFHTTPClient::description() const
{
    QStringList headers;
    for (const auto& [name, value] : defaultHeaders_.fields())
        headers << QStringLiteral("%1: %2").arg(name, value);
    return QStringLiteral("<%1: %2, baseURL: %3, defaultHeaders: {%4}, registeredOperationClasses: (%5), operationQueue: %6>")
        .arg(QStringLiteral("AFHTTPClient"), QStringLiteral("0x%1").arg(quintptr(this), 0, 16), baseURL_.toString(),
             headers.join(QStringLiteral("; ")), registeredClassNames_.join(QStringLiteral(", ")),
             QStringLiteral("<OperationQueue: %1 operations>").arg(operationQueue_->operationCount()));
}
