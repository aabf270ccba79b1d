#pragma once

#include "AFHTTPRequestOperation.h"
#include "NetworkReachability.h"
#include "OperationQueue.h"

#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class AFMultipartFormData;

enum AFNetworkReachabilityStatus : std::int32_t {
    AFNetworkReachabilityStatusUnknown = -1,
    AFNetworkReachabilityStatusNotReachable = 0,
    AFNetworkReachabilityStatusReachableViaWWAN = 1,
    AFNetworkReachabilityStatusReachableViaWiFi = 2,
};

enum AFHTTPClientParameterEncoding : std::int32_t {
    AFFormURLParameterEncoding = 0,
    AFJSONParameterEncoding = 1,
    AFPropertyListParameterEncoding = 2,
};

inline const QString AFNetworkingReachabilityDidChangeNotification = QStringLiteral("com.alamofire.networking.reachability.change");
inline const QString AFNetworkingReachabilityNotificationStatusItem = QStringLiteral("AFNetworkingReachabilityNotificationStatusItem");
// A request body (JSON or property list) that could not be written.
inline constexpr qint64 AFNetworkingErrorBodyNotWritable = -1017;

// HTTP requests bound to one base URL: default headers on every request, parameters as a
// query or as a form, JSON or property-list body, an operation class chosen per request,
// an operation queue of its own, and a watch on the base host's reachability (reported on
// the main queue). Main thread.
class AFHTTPClient {
public:
    using Success = AFHTTPRequestOperation::Success;
    using Failure = AFHTTPRequestOperation::Failure;
    using Operations = std::vector<std::shared_ptr<AFHTTPRequestOperation>>;
    using BatchProgress = std::function<void(std::size_t finished, std::size_t total)>;
    using BatchCompletion = std::function<void(const Operations&)>;
    using ReachabilityStatusBlock = std::function<void(AFNetworkReachabilityStatus)>;
    using Parameters = std::optional<QVariantMap>;

    static std::unique_ptr<AFHTTPClient> clientWithBaseURL(const QUrl& url);
    explicit AFHTTPClient(const QUrl& url);
    virtual ~AFHTTPClient();
    AFHTTPClient(const AFHTTPClient&) = delete;
    AFHTTPClient& operator=(const AFHTTPClient&) = delete;

    const QUrl& baseURL() const { return baseURL_; }
    const QStringList& registeredHTTPOperationClassNames() const { return registeredClassNames_; }
    // False, with nothing changed, unless the class is an HTTP request operation class.
    bool registerHTTPOperationClass(const QString& className);
    void unregisterHTTPOperationClass(const QString& className);

    const HTTPHeaderFields& defaultHeaders() const { return defaultHeaders_; }
    QString defaultValueForHeader(const QString& header) const;
    // A null value removes the header.
    void setDefaultHeader(const QString& header, const QString& value);
    // "Basic" credentials; they are left out of requests to plain http addresses.
    void setAuthorizationHeaderWithUsername(const QString& username, const QString& password);
    void setAuthorizationHeaderWithToken(const QString& token);
    void clearAuthorizationHeader();

    const std::optional<URLCredential>& defaultCredential() const { return defaultCredential_; }
    void setDefaultCredential(std::optional<URLCredential> credential) { defaultCredential_ = std::move(credential); }
    OperationQueue& operationQueue() { return *operationQueue_; }
    // The IANA name of the encoding of queries and bodies ("utf-8").
    const QByteArray& stringEncoding() const { return stringEncoding_; }
    void setStringEncoding(const QByteArray& encoding) { stringEncoding_ = encoding; }
    AFHTTPClientParameterEncoding parameterEncoding() const { return parameterEncoding_; }
    void setParameterEncoding(AFHTTPClientParameterEncoding encoding) { parameterEncoding_ = encoding; }
    AFPinningMode defaultSSLPinningMode() const { return defaultSSLPinningMode_; }
    void setDefaultSSLPinningMode(AFPinningMode mode) { defaultSSLPinningMode_ = mode; }
    bool allowsInvalidSSLCertificate() const { return allowsInvalidSSLCertificate_; }
    void setAllowsInvalidSSLCertificate(bool allows) { allowsInvalidSSLCertificate_ = allows; }

    // A request for the path relative to the base URL. A body that cannot be written
    // leaves the request carrying that error, so that sending it fails.
    URLRequest requestWithMethod(const QString& method, const QString& path, const Parameters& parameters);
    // A multipart/form-data request streamed from the parts the block appends; not for
    // GET or HEAD.
    URLRequest multipartFormRequestWithMethod(const QString& method, const QString& path, const Parameters& parameters,
                                              const std::function<void(AFMultipartFormData&)>& block);

    std::shared_ptr<AFHTTPRequestOperation> HTTPRequestOperationWithRequest(const URLRequest& request,
                                                                           Success success, Failure failure);
    void enqueueHTTPRequestOperation(const std::shared_ptr<AFHTTPRequestOperation>& operation);
    // Cancels the queued operations for the path (and the method, when given).
    void cancelAllHTTPOperationsWithMethod(const std::optional<QString>& method, const QString& path);
    void enqueueBatchOfHTTPRequestOperationsWithRequests(const QList<URLRequest>& requests, BatchProgress progress,
                                                         BatchCompletion completion);
    void enqueueBatchOfHTTPRequestOperations(const Operations& operations, BatchProgress progress,
                                             BatchCompletion completion);

    void getPath(const QString& path, const Parameters& parameters, Success success, Failure failure);
    void postPath(const QString& path, const Parameters& parameters, Success success, Failure failure);
    void putPath(const QString& path, const Parameters& parameters, Success success, Failure failure);
    void deletePath(const QString& path, const Parameters& parameters, Success success, Failure failure);
    void patchPath(const QString& path, const Parameters& parameters, Success success, Failure failure);

    AFNetworkReachabilityStatus networkReachabilityStatus() const { return networkReachabilityStatus_; }
    void setReachabilityStatusChangeBlock(ReachabilityStatusBlock block) { networkReachabilityStatusBlock_ = std::move(block); }
    void startMonitoringNetworkReachability();
    void stopMonitoringNetworkReachability();
    static AFNetworkReachabilityStatus statusForFlags(std::uint32_t flags);

    // A client for the same base URL with the same encodings, classes, headers and status
    // block; its own queue, no credential, no pinning.
    std::unique_ptr<AFHTTPClient> copy() const;
    QString description() const;

    // "de;q=1, en;q=0.9, ...": at most six languages, down to q 0.5.
    static QString acceptLanguageHeader(const QStringList& preferredLanguages);
    // "<name>/<version> (Linux <kernel>)" in ASCII.
    static QString userAgentHeader();

private:
    void enqueueRequest(const QString& method, const QString& path, const Parameters& parameters, Success success,
                        Failure failure);
    void setBody(URLRequest& request, const QVariantMap& parameters) const;

    QUrl baseURL_;
    QStringList registeredClassNames_;
    HTTPHeaderFields defaultHeaders_;
    std::optional<URLCredential> defaultCredential_;
    std::unique_ptr<OperationQueue> operationQueue_;
    std::shared_ptr<NetworkReachability> networkReachability_;
    AFNetworkReachabilityStatus networkReachabilityStatus_ = AFNetworkReachabilityStatusUnknown;
    ReachabilityStatusBlock networkReachabilityStatusBlock_;
    QByteArray stringEncoding_ = "utf-8";
    AFHTTPClientParameterEncoding parameterEncoding_ = AFFormURLParameterEncoding;
    AFPinningMode defaultSSLPinningMode_ = AFSSLPinningModeNone;
    bool allowsInvalidSSLCertificate_ = false;
    // Lets reachability reports queued for the main queue find out the client is gone.
    std::shared_ptr<AFHTTPClient*> self_;
};
