#include "AFURLConnectionOperation.h"

#include "MainQueue.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "URLError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSslKey>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cassert>

namespace {

bool transitionAllowed(AFConnectionOperationState from, AFConnectionOperationState to, bool cancelled)
{
    switch (from) {
    case AFOperationPausedState:
        // A cancelled paused operation finishes, so its completion reports the cancel.
        return to == AFOperationReadyState || (to == AFOperationFinishedState && cancelled);
    case AFOperationReadyState:
        return to == AFOperationPausedState || to == AFOperationExecutingState
            || (to == AFOperationFinishedState && cancelled);
    case AFOperationExecutingState:
        return to == AFOperationPausedState || to == AFOperationFinishedState;
    case AFOperationFinishedState:
        return false;
    }
    return true;
}

} // namespace

void AFURLConnectionOperation::ConnectionDeleter::operator()(URLConnection* connection) const
{
    // Deleted by its own thread's loop, never from inside one of its calls.
    connection->deleteLater();
}

AFURLConnectionOperation::AFURLConnectionOperation(const URLRequest& urlRequest)
    : request_(urlRequest)
{
    assert(!urlRequest.url.isEmpty() && "Invalid parameter not satisfying: urlRequest");
}

AFURLConnectionOperation::~AFURLConnectionOperation()
{
    if (outputStream_)
        outputStream_->close();
}

RunLoopThread& AFURLConnectionOperation::networkRequestThread()
{
    static RunLoopThread* thread = new RunLoopThread(QStringLiteral("AFNetworking")); // lives for the process
    return *thread;
}

QString AFURLConnectionOperation::keyPathFromOperationState(int state)
{
    switch (state) {
    case AFOperationReadyState:
        return QStringLiteral("isReady");
    case AFOperationExecutingState:
        return QStringLiteral("isExecuting");
    case AFOperationFinishedState:
        return QStringLiteral("isFinished");
    case AFOperationPausedState:
        return QStringLiteral("isPaused");
    default:
        return QStringLiteral("state");
    }
}

void AFURLConnectionOperation::setState(AFConnectionOperationState newState)
{
    std::lock_guard guard(lock_);
    if (!transitionAllowed(state_.load(), newState, isCancelled()))
        return;
    state_.store(newState);
    stateDidChange();
}

bool AFURLConnectionOperation::isReady() const
{
    return state() == AFOperationReadyState && Operation::isReady();
}

void AFURLConnectionOperation::postNotification(const QString& name) const
{
    const void* sender = this;
    MainQueue::async([name, sender] { NotificationCenter::defaultCenter().post(name, sender); });
}

Error AFURLConnectionOperation::cancellationError() const
{
    return URLError::make(URLError::Cancelled, request().url, QStringLiteral("cancelled"));
}

void AFURLConnectionOperation::start()
{
    std::lock_guard guard(lock_);
    if (!isReady())
        return;
    setState(AFOperationExecutingState);
    auto self = std::static_pointer_cast<AFURLConnectionOperation>(shared_from_this());
    networkRequestThread().perform([self] { self->operationDidStart(); });
}

QString AFURLConnectionOperation::connectionPoolName() const
{
    if (authenticationChallenge_)
        return {}; // a block of the caller's own decides: no sharing with anyone
    return QStringLiteral("trust-%1-%2").arg(int(SSLPinningMode_)).arg(allowsInvalidSSLCertificate_ ? 1 : 0);
}

void AFURLConnectionOperation::operationDidStart()
{
    {
        std::lock_guard guard(lock_);
        if (!isCancelled() && !isPaused()) {
            auto self = std::static_pointer_cast<AFURLConnectionOperation>(shared_from_this());
            connection_.reset(new URLConnection(request_, self, connectionPoolName()));
            outputStream();
            connection_->start();
        }
    }
    postNotification(AFNetworkingOperationDidStartNotification);
    if (isCancelled()) {
        std::lock_guard guard(lock_);
        error_ = cancellationError();
        outputStream()->close();
        finish();
    }
}

void AFURLConnectionOperation::finish()
{
    setState(AFOperationFinishedState);
    postNotification(AFNetworkingOperationDidFinishNotification);
}

void AFURLConnectionOperation::cancel()
{
    std::lock_guard guard(lock_);
    if (isFinished() || isCancelled())
        return;
    Operation::cancel();
    auto self = std::static_pointer_cast<AFURLConnectionOperation>(shared_from_this());
    networkRequestThread().perform([self] { self->cancelConnection(); });
}

void AFURLConnectionOperation::cancelConnection()
{
    std::lock_guard guard(lock_);
    if (isFinished())
        return;
    if (connection_) {
        URLConnection& connection = *connection_;
        connection.cancel();
        didFailWithError(connection, cancellationError());
    } else if (isPaused()) {
        // A paused operation has no load to stop; it ends here with the cancel.
        error_ = cancellationError();
        outputStream()->close();
        finish();
    }
}

void AFURLConnectionOperation::pause()
{
    std::lock_guard guard(lock_);
    if (isPaused() || isFinished() || isCancelled())
        return;
    if (isExecuting()) {
        // The connection stops being current at once, so that nothing it still delivers
        // lands in the stream after a quick resume. Paused before the network thread made
        // it, there is none: that thread finds the operation paused and makes none.
        if (connection_) {
            std::shared_ptr<URLConnection> retired(connection_.release(), ConnectionDeleter());
            networkRequestThread().perform([retired] { retired->cancel(); });
        }
        postNotification(AFNetworkingOperationDidFinishNotification);
    }
    setState(AFOperationPausedState);
}

void AFURLConnectionOperation::resume()
{
    std::lock_guard guard(lock_);
    if (!isPaused())
        return;
    setState(AFOperationReadyState);
    start();
}

void AFURLConnectionOperation::setCompletionBlock(std::function<void()> block)
{
    std::lock_guard guard(lock_);
    if (!block) {
        Operation::setCompletionBlock(nullptr);
        return;
    }
    std::weak_ptr<Operation> weakSelf = weak_from_this();
    Operation::setCompletionBlock([weakSelf, block = std::move(block)] {
        block();
        if (auto self = weakSelf.lock())
            self->setCompletionBlock(nullptr);
    });
}

URLRequest AFURLConnectionOperation::request() const
{
    std::lock_guard guard(lock_);
    return request_;
}

void AFURLConnectionOperation::setRequest(const URLRequest& request)
{
    std::lock_guard guard(lock_);
    request_ = request;
}

std::optional<URLResponse> AFURLConnectionOperation::response() const
{
    std::lock_guard guard(lock_);
    return response_;
}

Error AFURLConnectionOperation::error() const
{
    std::lock_guard guard(lock_);
    return error_;
}

QByteArray AFURLConnectionOperation::responseData() const
{
    std::lock_guard guard(lock_);
    return responseData_.value_or(QByteArray());
}

bool AFURLConnectionOperation::hasResponseData() const
{
    std::lock_guard guard(lock_);
    return responseData_.has_value();
}

QByteArray AFURLConnectionOperation::responseStringEncoding()
{
    std::lock_guard guard(lock_);
    if (responseStringEncoding_.isEmpty() && response_) {
        const QByteArray named = response_->textEncodingName().toLatin1();
        responseStringEncoding_ = !named.isEmpty() && QStringDecoder(named.constData()).isValid() ? named : "UTF-8";
    }
    return responseStringEncoding_;
}

QString AFURLConnectionOperation::responseString()
{
    std::lock_guard guard(lock_);
    if (!responseString_ && response_ && responseData_) {
        const QByteArray encoding = responseStringEncoding();
        QStringDecoder decoder(encoding.constData());
        const QString text = decoder.decode(*responseData_);
        // Bytes that do not survive the way back were not valid in the encoding.
        QStringEncoder encoder(encoding.constData());
        const QByteArray again = encoder.encode(text);
        responseString_ = again != *responseData_ ? QString() : (text.isNull() ? QStringLiteral("") : text);
    }
    return responseString_.value_or(QString());
}

std::shared_ptr<InputStream> AFURLConnectionOperation::inputStream() const
{
    std::lock_guard guard(lock_);
    return request_.HTTPBodyStream;
}

void AFURLConnectionOperation::setInputStream(std::shared_ptr<InputStream> stream)
{
    std::lock_guard guard(lock_);
    request_.HTTPBodyStream = std::move(stream);
    request_.HTTPBody.clear();
}

std::shared_ptr<OutputStream> AFURLConnectionOperation::outputStream()
{
    std::lock_guard guard(lock_);
    if (!outputStream_)
        outputStream_ = std::make_shared<MemoryOutputStream>();
    return outputStream_;
}

void AFURLConnectionOperation::setOutputStream(std::shared_ptr<OutputStream> stream)
{
    std::lock_guard guard(lock_);
    if (stream == outputStream_)
        return;
    if (outputStream_)
        outputStream_->close();
    outputStream_ = std::move(stream);
}

void AFURLConnectionOperation::setUploadProgressBlock(ProgressBlock block)
{
    std::lock_guard guard(lock_);
    uploadProgress_ = std::move(block);
}

void AFURLConnectionOperation::setDownloadProgressBlock(ProgressBlock block)
{
    std::lock_guard guard(lock_);
    downloadProgress_ = std::move(block);
}

void AFURLConnectionOperation::setWillSendRequestForAuthenticationChallengeBlock(AuthenticationChallengeBlock block)
{
    std::lock_guard guard(lock_);
    authenticationChallenge_ = std::move(block);
}

void AFURLConnectionOperation::setRedirectResponseBlock(RedirectResponseBlock block)
{
    std::lock_guard guard(lock_);
    redirectResponse_ = std::move(block);
}

bool AFURLConnectionOperation::allowsInvalidSSLCertificate() const
{
    std::lock_guard guard(lock_);
    return allowsInvalidSSLCertificate_;
}

void AFURLConnectionOperation::setAllowsInvalidSSLCertificate(bool allows)
{
    std::lock_guard guard(lock_);
    allowsInvalidSSLCertificate_ = allows;
}

bool AFURLConnectionOperation::shouldUseCredentialStorage() const
{
    std::lock_guard guard(lock_);
    return shouldUseCredentialStorage_;
}

void AFURLConnectionOperation::setShouldUseCredentialStorage(bool use)
{
    std::lock_guard guard(lock_);
    shouldUseCredentialStorage_ = use;
}

std::optional<URLCredential> AFURLConnectionOperation::credential() const
{
    std::lock_guard guard(lock_);
    return credential_;
}

void AFURLConnectionOperation::setCredential(std::optional<URLCredential> credential)
{
    std::lock_guard guard(lock_);
    credential_ = std::move(credential);
}

AFPinningMode AFURLConnectionOperation::SSLPinningMode() const
{
    std::lock_guard guard(lock_);
    return SSLPinningMode_;
}

void AFURLConnectionOperation::setSSLPinningMode(AFPinningMode mode)
{
    std::lock_guard guard(lock_);
    SSLPinningMode_ = mode;
}

QVariantMap AFURLConnectionOperation::userInfo() const
{
    std::lock_guard guard(lock_);
    return userInfo_;
}

void AFURLConnectionOperation::setUserInfo(const QVariantMap& userInfo)
{
    std::lock_guard guard(lock_);
    userInfo_ = userInfo;
}

namespace {

struct Pins {
    QList<QSslCertificate> certificates;
    QList<QByteArray> publicKeys;
};

Pins readPins(const QString& folder)
{
    Pins pins;
    const QDir bundle(folder);
    for (const QString& name : bundle.entryList({QStringLiteral("*.cer")}, QDir::Files, QDir::Name)) {
        QFile file(bundle.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QSslCertificate certificate(file.readAll(), QSsl::Der);
        if (certificate.isNull())
            continue;
        pins.certificates.append(certificate);
        if (const QSslKey key = certificate.publicKey(); !key.isNull())
            pins.publicKeys.append(key.toPem());
    }
    return pins;
}

// The bundle does not change while the program runs; the folder is checked so that a
// process that points at another bundle (as each test does) reads that one's pins.
Pins bundlePins()
{
    static std::mutex mutex;
    static QString folder;
    static Pins pins;
    std::lock_guard lock(mutex);
    if (const QString current = Paths::resourcesFolder(); folder.isNull() || current != folder) {
        folder = current;
        pins = readPins(current);
    }
    return pins;
}

} // namespace

QList<QSslCertificate> AFURLConnectionOperation::pinnedCertificates()
{
    return bundlePins().certificates;
}

QList<QByteArray> AFURLConnectionOperation::pinnedPublicKeys()
{
    return bundlePins().publicKeys;
}

std::shared_ptr<AFURLConnectionOperation> AFURLConnectionOperation::makeWithRequest(const URLRequest& request) const
{
    return std::make_shared<AFURLConnectionOperation>(request);
}

std::shared_ptr<AFURLConnectionOperation> AFURLConnectionOperation::copy() const
{
    std::lock_guard guard(lock_);
    auto operation = makeWithRequest(request_);
    operation->uploadProgress_ = uploadProgress_;
    operation->downloadProgress_ = downloadProgress_;
    operation->authenticationChallenge_ = authenticationChallenge_;
    operation->redirectResponse_ = redirectResponse_;
    operation->allowsInvalidSSLCertificate_ = allowsInvalidSSLCertificate_;
    return operation;
}

QString AFURLConnectionOperation::description() const
{
    std::lock_guard guard(lock_);
    return QStringLiteral("<%1: %2, state: %3, cancelled: %4 request: %5, response: %6>")
        .arg(className(), QStringLiteral("0x%1").arg(quintptr(this), 0, 16), keyPathFromOperationState(state()),
             isCancelled() ? QStringLiteral("YES") : QStringLiteral("NO"), request_.description(),
             response_ ? response_->description() : QStringLiteral("(null)"));
}

bool AFURLConnectionOperation::isCurrent(const URLConnection& connection) const
{
    return connection_.get() == &connection;
}

void AFURLConnectionOperation::failConnection(URLConnection& connection, const Error& error)
{
    connection.cancel();
    didFailWithError(connection, error);
}

std::optional<URLRequest> AFURLConnectionOperation::willSendRequest(URLConnection& connection, const URLRequest& request,
                                                                    const URLResponse& redirectResponse)
{
    RedirectResponseBlock block;
    {
        std::lock_guard guard(lock_);
        block = redirectResponse_;
    }
    return block ? block(connection, request, redirectResponse) : std::optional<URLRequest>(request);
}

void AFURLConnectionOperation::willSendRequestForAuthenticationChallenge(URLConnection& connection,
                                                                         AuthenticationChallenge& challenge)
{
    std::unique_lock guard(lock_);
    if (authenticationChallenge_) {
        const auto block = authenticationChallenge_;
        guard.unlock();
        block(connection, challenge);
        return;
    }
    const ProtectionSpace& space = challenge.protectionSpace();
    if (!space.serverTrust) {
        if (challenge.previousFailureCount() > 0 || !credential_)
            challenge.continueWithoutCredential();
        else
            challenge.useCredential(*credential_);
        return;
    }
    const ServerTrust& trust = *space.serverTrust;
    bool accepted = false;
    switch (SSLPinningMode_) {
    case AFSSLPinningModeNone:
        accepted = allowsInvalidSSLCertificate_ || trust.evaluate();
        break;
    case AFSSLPinningModePublicKey: {
        // Certificates of the chain that carry a pinned key are the anchors the chain
        // must verify up to; a pinned key appended to someone else's chain is no anchor.
        QList<QSslCertificate> anchors;
        for (const QSslCertificate& certificate : trust.certificates())
            if (pinnedPublicKeys().contains(certificate.publicKey().toPem()))
                anchors.append(certificate);
        accepted = trust.verifiesUpTo(anchors);
        break;
    }
    case AFSSLPinningModeCertificate:
        accepted = trust.verifiesUpTo(pinnedCertificates());
        break;
    }
    if (accepted)
        challenge.useCredential(URLCredential::forTrust(trust));
    else
        challenge.cancel();
}

void AFURLConnectionOperation::didReceiveResponse(URLConnection& connection, const URLResponse& response)
{
    std::lock_guard guard(lock_);
    if (!isCurrent(connection))
        return;
    response_ = response;
    outputStream()->open();
}

void AFURLConnectionOperation::didReceiveData(URLConnection& connection, const QByteArray& data)
{
    qint64 expected = -1;
    {
        std::lock_guard guard(lock_);
        if (!isCurrent(connection))
            return;
        OutputStream& stream = *outputStream();
        qint64 written = 0;
        while (written < data.size()) {
            const qint64 count = stream.write(data.constData() + written, data.size() - written);
            if (count < 0) {
                failConnection(connection, stream.streamError());
                return;
            }
            written += count;
        }
        if (response_)
            expected = response_->expectedContentLength();
    }
    const qint64 length = data.size();
    auto self = std::static_pointer_cast<AFURLConnectionOperation>(shared_from_this());
    MainQueue::async([self, length, expected] {
        const qint64 total = self->totalBytesRead_ += length;
        if (const ProgressBlock progress = self->progressBlock(&AFURLConnectionOperation::downloadProgress_))
            progress(length, total, expected);
    });
}

void AFURLConnectionOperation::didSendBodyData(URLConnection&, qint64 bytesWritten, qint64 totalBytesWritten,
                                               qint64 totalBytesExpectedToWrite)
{
    auto self = std::static_pointer_cast<AFURLConnectionOperation>(shared_from_this());
    MainQueue::async([self, bytesWritten, totalBytesWritten, totalBytesExpectedToWrite] {
        if (const ProgressBlock progress = self->progressBlock(&AFURLConnectionOperation::uploadProgress_))
            progress(bytesWritten, totalBytesWritten, totalBytesExpectedToWrite);
    });
}

AFURLConnectionOperation::ProgressBlock AFURLConnectionOperation::progressBlock(ProgressBlock AFURLConnectionOperation::*which) const
{
    std::lock_guard guard(lock_);
    return this->*which;
}

void AFURLConnectionOperation::didFinishLoading(URLConnection& connection)
{
    std::lock_guard guard(lock_);
    if (!isCurrent(connection))
        return;
    responseData_ = outputStream()->dataWrittenToMemory();
    outputStream_->close();
    finish();
    connection_.reset();
}

void AFURLConnectionOperation::didFailWithError(URLConnection& connection, const Error& error)
{
    std::lock_guard guard(lock_);
    if (!isCurrent(connection) || isFinished())
        return;
    error_ = error;
    outputStream()->close();
    finish();
    connection_.reset();
}
