#pragma once

#include "AFOperationClasses.h"
#include "AFURLConnectionOperation.h"
#include "DispatchQueue.h"

#include <QVariant>

inline const QString AFNetworkingErrorDomain = QStringLiteral("AFNetworkingErrorDomain");
inline const QString AFNetworkingOperationFailingURLRequestErrorKey = QStringLiteral("AFNetworkingOperationFailingURLRequestErrorKey");
inline const QString AFNetworkingOperationFailingURLResponseErrorKey = QStringLiteral("AFNetworkingOperationFailingURLResponseErrorKey");

// A URL connection operation for HTTP: the response is judged by the status codes and
// content types its class accepts, the outcome goes to a success or a failure block on
// the chosen queues (the main queue by default), and a pause remembers how much arrived
// so that resuming asks for the rest. A resumed download takes a 206 only when it starts
// at that offset, and starts over cleanly on a 200.
class AFHTTPRequestOperation : public AFURLConnectionOperation {
public:
    using Success = std::function<void(const std::shared_ptr<AFHTTPRequestOperation>&, const QVariant& responseObject)>;
    using Failure = std::function<void(const std::shared_ptr<AFHTTPRequestOperation>&, const Error&)>;

    explicit AFHTTPRequestOperation(const URLRequest& urlRequest);

    QString className() const override { return QStringLiteral("AFHTTPRequestOperation"); }
    static AFOperationClasses::Description classDescription();

    // The validation error when the response is not acceptable, else the base's error.
    Error error() const override;
    Error HTTPError() const;
    bool hasAcceptableStatusCode() const;
    bool hasAcceptableContentType() const;
    QByteArray responseStringEncoding() override;
    void pause() override;

    // Null restores the main queue. The operation does not keep the queue alive.
    void setSuccessCallbackQueue(const std::shared_ptr<DispatchQueue>& queue);
    void setFailureCallbackQueue(const std::shared_ptr<DispatchQueue>& queue);
    std::shared_ptr<DispatchQueue> successCallbackQueue() const;
    std::shared_ptr<DispatchQueue> failureCallbackQueue() const;

    // Installs the outcome blocks (either may be null); for this class the response object
    // is responseData as a QByteArray.
    virtual void setCompletionBlockWithSuccess(Success success, Failure failure);

    // Class-level settings of this class (and, through the name, of any class).
    static std::set<int> acceptableStatusCodes() { return AFOperationClasses::acceptableStatusCodes(QStringLiteral("AFHTTPRequestOperation")); }
    static void addAcceptableStatusCodes(const std::set<int>& codes);
    static std::optional<QSet<QString>> acceptableContentTypes();
    static void addAcceptableContentTypes(const QSet<QString>& types);
    static bool canProcessRequest(const URLRequest& request);
    // The rule of subclasses without one of their own: the request's "Accept" media types
    // meet the class's acceptable content types.
    static bool canProcessRequestByAcceptHeader(const QString& className, const URLRequest& request);

    // True when the path extension of the request's URL is one of the extensions (exact).
    static bool hasPathExtension(const URLRequest& request, const QSet<QString>& extensions);

    // "200-299,304,404": runs of codes as first-last, single codes alone.
    static QString stringFromStatusCodes(const std::set<int>& codes);

protected:
    std::shared_ptr<AFURLConnectionOperation> makeWithRequest(const URLRequest& request) const override;
    void didReceiveResponse(URLConnection& connection, const URLResponse& response) override;

    // Delivers failure(operation, error()) on the failure queue, when a block is given.
    void deliverFailure(const Failure& failure);
    // Delivers success(operation, object) on the success queue, when a block is given.
    void deliverSuccess(const Success& success, const QVariant& object);
    std::shared_ptr<AFHTTPRequestOperation> sharedSelf();
    // The completion of the typed subclasses: an error before parsing goes to the failure
    // block at once; otherwise the body is parsed on the processing queue, and a parse
    // error (now part of error()) goes to the failure block, the parsed object to success.
    using Parse = std::function<QVariant(AFHTTPRequestOperation&)>;
    void setCompletionBlockParsing(const std::shared_ptr<DispatchQueue>& processingQueue, Parse parse,
                                   Success success, Failure failure);

private:
    int statusCode() const;

    mutable Error HTTPError_;
    std::weak_ptr<DispatchQueue> successCallbackQueue_;
    std::weak_ptr<DispatchQueue> failureCallbackQueue_;
    // Where the next load must resume, once paused.
    std::optional<qint64> resumeOffset_;
};
