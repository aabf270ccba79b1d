#include "AFHTTPRequestOperation.h"

#include "Localization.h"
#include "URLError.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
const QString ClassName = QStringLiteral("AFHTTPRequestOperation");

std::set<int> successfulStatusCodes()
{
    std::set<int> codes;
    for (int code = 200; code < 300; ++code)
        codes.insert(code);
    return codes;
}

QString describeContentTypes(const std::optional<QSet<QString>>& types)
{
    if (!types)
        return QStringLiteral("(null)");
    QStringList sorted(types->begin(), types->end());
    sorted.sort();
    return QStringLiteral("{(%1)}").arg(sorted.join(QStringLiteral(", ")));
}
} // namespace

AFHTTPRequestOperation::AFHTTPRequestOperation(const URLRequest& urlRequest)
    : AFURLConnectionOperation(urlRequest)
{
}

AFOperationClasses::Description AFHTTPRequestOperation::classDescription()
{
    AFOperationClasses::Description description;
    description.name = ClassName;
    description.superclass = QStringLiteral("AFURLConnectionOperation");
    description.make = [](const URLRequest& request) { return std::make_shared<AFHTTPRequestOperation>(request); };
    description.canProcessRequest = [](const URLRequest&) { return true; };
    description.acceptableStatusCodes = successfulStatusCodes();
    description.acceptableContentTypes = std::optional<QSet<QString>>();
    return description;
}

std::shared_ptr<AFURLConnectionOperation> AFHTTPRequestOperation::makeWithRequest(const URLRequest& request) const
{
    return AFOperationClasses::make(className(), request);
}

std::shared_ptr<AFHTTPRequestOperation> AFHTTPRequestOperation::sharedSelf()
{
    return std::static_pointer_cast<AFHTTPRequestOperation>(shared_from_this());
}

int AFHTTPRequestOperation::statusCode() const
{
    const auto current = response();
    return current && current->isHTTP ? current->statusCode : 200;
}

bool AFHTTPRequestOperation::hasAcceptableStatusCode() const
{
    if (!response())
        return false;
    return AFOperationClasses::acceptableStatusCodes(className()).count(statusCode()) > 0;
}

bool AFHTTPRequestOperation::hasAcceptableContentType() const
{
    const auto current = response();
    if (!current)
        return false;
    const auto types = AFOperationClasses::acceptableContentTypes(className());
    const QString type = current->MIMEType().isEmpty() ? QStringLiteral("application/octet-stream") : current->MIMEType();
    return !types || types->contains(type);
}

QString AFHTTPRequestOperation::stringFromStatusCodes(const std::set<int>& codes)
{
    QStringList ranges;
    for (auto it = codes.begin(); it != codes.end();) {
        const int first = *it;
        int last = first;
        while (++it != codes.end() && *it == last + 1)
            last = *it;
        ranges << (first == last ? QString::number(first) : QStringLiteral("%1-%2").arg(first).arg(last));
    }
    return ranges.join(QLatin1Char(','));
}

Error AFHTTPRequestOperation::HTTPError() const
{
    std::lock_guard guard(lock());
    return HTTPError_;
}

Error AFHTTPRequestOperation::error() const
{
    std::lock_guard guard(lock());
    const auto current = response();
    if (HTTPError_.isNull() && current && !(hasAcceptableStatusCode() && hasAcceptableContentType())) {
        QVariantMap userInfo;
        const QString body = const_cast<AFHTTPRequestOperation*>(this)->responseString();
        if (!body.isNull())
            userInfo.insert(Error::LocalizedRecoverySuggestionKey, body);
        userInfo.insert(URLError::FailingURLKey, request().url);
        userInfo.insert(AFNetworkingOperationFailingURLRequestErrorKey, QVariant::fromValue(request()));
        userInfo.insert(AFNetworkingOperationFailingURLResponseErrorKey, QVariant::fromValue(*current));
        if (!hasAcceptableStatusCode()) {
            userInfo.insert(Error::LocalizedDescriptionKey,
                            localized(QStringLiteral("Expected status code in (%1), got %2"))
                                .arg(stringFromStatusCodes(AFOperationClasses::acceptableStatusCodes(className())))
                                .arg(statusCode()));
            HTTPError_ = Error(AFNetworkingErrorDomain, URLError::BadServerResponse, userInfo);
        } else if (!responseData().isEmpty()) {
            userInfo.insert(Error::LocalizedDescriptionKey,
                            localized(QStringLiteral("Expected content type %1, got %2"))
                                .arg(describeContentTypes(AFOperationClasses::acceptableContentTypes(className())),
                                     current->MIMEType()));
            HTTPError_ = Error(AFNetworkingErrorDomain, URLError::CannotDecodeContentData, userInfo);
        }
    }
    return HTTPError_.isNull() ? AFURLConnectionOperation::error() : HTTPError_;
}

QByteArray AFHTTPRequestOperation::responseStringEncoding()
{
    std::lock_guard guard(lock());
    const auto current = response();
    if (current && current->textEncodingName().isEmpty() && hasResponseData() && current->isHTTP
        && current->headers.contains(QStringLiteral("Content-Type"))) {
        const QString type = current->headers.value(QStringLiteral("Content-Type")).trimmed().section(QLatin1Char('/'), 0, 0);
        if (type == QLatin1String("text"))
            return "ISO-8859-1";
    }
    return AFURLConnectionOperation::responseStringEncoding();
}

void AFHTTPRequestOperation::pause()
{
    std::lock_guard guard(lock());
    const auto stream = outputStream();
    const qint64 offset = stream->currentFileOffset().value_or(stream->dataWrittenToMemory().value_or(QByteArray()).size());
    URLRequest amended = request();
    if (const auto current = response(); current && current->headers.contains(QStringLiteral("ETag")))
        amended.headers.set(QStringLiteral("If-Range"), current->headers.value(QStringLiteral("ETag")));
    amended.headers.set(QStringLiteral("Range"), QStringLiteral("bytes=%1-").arg(offset));
    setRequest(amended);
    resumeOffset_ = offset;
    AFURLConnectionOperation::pause();
}

void AFHTTPRequestOperation::didReceiveResponse(URLConnection& connection, const URLResponse& response)
{
    std::unique_lock guard(lock());
    if (resumeOffset_ && response.isHTTP) {
        if (response.statusCode == 206) {
            static const QRegularExpression range(QStringLiteral("^\\s*bytes\\s+(\\d+)-"));
            const auto match = range.match(response.headers.value(QStringLiteral("Content-Range")));
            if (!match.hasMatch() || match.captured(1).toLongLong() != *resumeOffset_) {
                const Error error(AFNetworkingErrorDomain, URLError::BadServerResponse,
                                  {{Error::LocalizedDescriptionKey,
                                    QStringLiteral("The server resumed the download at \"%1\" instead of byte %2.")
                                        .arg(response.headers.value(QStringLiteral("Content-Range")))
                                        .arg(*resumeOffset_)}});
                failConnection(connection, error);
                return;
            }
        } else if (response.statusCode == 200 && !outputStream()->discardWrittenData()) {
            failConnection(connection, Error(AFNetworkingErrorDomain, URLError::BadServerResponse,
                                             {{Error::LocalizedDescriptionKey,
                                               QStringLiteral("The download cannot start over in its output stream.")}}));
            return;
        }
    }
    AFURLConnectionOperation::didReceiveResponse(connection, response);
}

void AFHTTPRequestOperation::setSuccessCallbackQueue(const std::shared_ptr<DispatchQueue>& queue)
{
    std::lock_guard guard(lock());
    successCallbackQueue_ = queue;
}

void AFHTTPRequestOperation::setFailureCallbackQueue(const std::shared_ptr<DispatchQueue>& queue)
{
    std::lock_guard guard(lock());
    failureCallbackQueue_ = queue;
}

std::shared_ptr<DispatchQueue> AFHTTPRequestOperation::successCallbackQueue() const
{
    std::lock_guard guard(lock());
    auto queue = successCallbackQueue_.lock();
    return queue ? queue : DispatchQueue::main();
}

std::shared_ptr<DispatchQueue> AFHTTPRequestOperation::failureCallbackQueue() const
{
    std::lock_guard guard(lock());
    auto queue = failureCallbackQueue_.lock();
    return queue ? queue : DispatchQueue::main();
}

void AFHTTPRequestOperation::deliverFailure(const Failure& failure)
{
    if (!failure)
        return;
    auto self = sharedSelf();
    failureCallbackQueue()->async([self, failure] { failure(self, self->error()); });
}

void AFHTTPRequestOperation::deliverSuccess(const Success& success, const QVariant& object)
{
    if (!success)
        return;
    auto self = sharedSelf();
    successCallbackQueue()->async([self, success, object] { success(self, object); });
}

void AFHTTPRequestOperation::setCompletionBlockWithSuccess(Success success, Failure failure)
{
    std::weak_ptr<Operation> weakSelf = weak_from_this();
    setCompletionBlock([weakSelf, success, failure] {
        auto self = std::static_pointer_cast<AFHTTPRequestOperation>(weakSelf.lock());
        if (!self)
            return;
        if (!self->error().isNull())
            self->deliverFailure(failure);
        else
            self->deliverSuccess(success, QVariant(self->responseData()));
    });
}

void AFHTTPRequestOperation::addAcceptableStatusCodes(const std::set<int>& codes)
{
    AFOperationClasses::addAcceptableStatusCodes(ClassName, codes);
}

std::optional<QSet<QString>> AFHTTPRequestOperation::acceptableContentTypes()
{
    return AFOperationClasses::acceptableContentTypes(ClassName);
}

void AFHTTPRequestOperation::addAcceptableContentTypes(const QSet<QString>& types)
{
    AFOperationClasses::addAcceptableContentTypes(ClassName, types);
}

bool AFHTTPRequestOperation::canProcessRequest(const URLRequest& request)
{
    return AFOperationClasses::canProcessRequest(ClassName, request);
}

bool AFHTTPRequestOperation::canProcessRequestByAcceptHeader(const QString& className, const URLRequest& request)
{
    if (!request.headers.contains(QStringLiteral("Accept")))
        return false;
    QSet<QString> accepted;
    for (const QString& entry : request.headers.value(QStringLiteral("Accept")).split(QLatin1Char(','))) {
        const QString type = entry.section(QLatin1Char(';'), 0, 0).trimmed();
        if (!type.isEmpty())
            accepted.insert(type);
    }
    const auto types = AFOperationClasses::acceptableContentTypes(className);
    return types && accepted.intersects(*types);
}

void AFHTTPRequestOperation::setCompletionBlockParsing(const std::shared_ptr<DispatchQueue>& processingQueue,
                                                       Parse parse, Success success, Failure failure)
{
    std::weak_ptr<Operation> weakSelf = weak_from_this();
    setCompletionBlock([weakSelf, processingQueue, parse, success, failure] {
        auto self = std::static_pointer_cast<AFHTTPRequestOperation>(weakSelf.lock());
        if (!self)
            return;
        if (!self->error().isNull()) {
            self->deliverFailure(failure);
            return;
        }
        processingQueue->async([self, parse, success, failure] {
            const QVariant object = parse(*self);
            if (!self->error().isNull())
                self->deliverFailure(failure);
            else
                self->deliverSuccess(success, object);
        });
    });
}

bool AFHTTPRequestOperation::hasPathExtension(const URLRequest& request, const QSet<QString>& extensions)
{
    const QString fileName = request.url.fileName();
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && extensions.contains(fileName.mid(dot + 1));
}
