#pragma once

#include "Error.h"
#include "Operation.h"
#include "RunLoopThread.h"
#include "Streams.h"
#include "URLConnection.h"
#include "URLRequest.h"

#include <QSslCertificate>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

enum AFConnectionOperationState : std::int16_t {
    AFOperationPausedState = -1,
    AFOperationReadyState = 1,
    AFOperationExecutingState = 2,
    AFOperationFinishedState = 3,
};

enum AFPinningMode : std::int32_t {
    AFSSLPinningModeNone = 0,
    AFSSLPinningModePublicKey = 1,
    AFSSLPinningModeCertificate = 2,
};

inline const QString AFNetworkingOperationDidStartNotification = QStringLiteral("com.alamofire.networking.operation.start");
inline const QString AFNetworkingOperationDidFinishNotification = QStringLiteral("com.alamofire.networking.operation.finish");

// One URL load run as an operation. Every connection of every operation runs on the one
// network thread; progress blocks and the start and finish notifications (sender = the
// operation) arrive on the main queue. Callers start, cancel, pause and resume from any
// thread; none of these blocks on the network thread. Make operations with
// std::make_shared; a running operation keeps itself alive until it finishes.
class AFURLConnectionOperation : public Operation, public URLConnectionDelegate {
public:
    // Bytes in this chunk, total so far, total expected (-1 when unknown).
    using ProgressBlock = std::function<void(qint64 bytes, qint64 totalBytes, qint64 totalBytesExpected)>;
    using AuthenticationChallengeBlock = std::function<void(URLConnection&, AuthenticationChallenge&)>;
    using RedirectResponseBlock =
        std::function<std::optional<URLRequest>(URLConnection&, const URLRequest&, const URLResponse&)>;

    explicit AFURLConnectionOperation(const URLRequest& urlRequest);
    ~AFURLConnectionOperation() override;

    // The network thread, named "AFNetworking", made on the first call.
    static RunLoopThread& networkRequestThread();

    virtual QString className() const { return QStringLiteral("AFURLConnectionOperation"); }

    // Operation. Any thread, never blocks.
    void start() override;
    void cancel() override;
    virtual void pause();
    void resume();
    bool isPaused() const { return state() == AFOperationPausedState; }
    bool isReady() const override;
    bool isExecuting() const override { return state() == AFOperationExecutingState; }
    bool isFinished() const override { return state() == AFOperationFinishedState; }
    bool isConcurrent() const override { return true; }
    // The block runs once; the operation lets go of it (and what it holds) afterwards.
    void setCompletionBlock(std::function<void()> block) override;

    AFConnectionOperationState state() const { return state_.load(); }
    // The guarded state change; a change the transitions do not allow is dropped.
    void setState(AFConnectionOperationState newState);

    URLRequest request() const;
    std::optional<URLResponse> response() const;
    // The connection's, the output stream's or the cancellation error.
    virtual Error error() const;
    // The whole body once loading finished into an in-memory stream.
    QByteArray responseData() const;
    bool hasResponseData() const;
    // The body decoded once, on first use; null when it does not decode.
    QString responseString();
    // The IANA name of the encoding the body is decoded with; empty before a response.
    virtual QByteArray responseStringEncoding();
    qint64 totalBytesRead() const { return totalBytesRead_.load(); }

    std::shared_ptr<InputStream> inputStream() const;
    void setInputStream(std::shared_ptr<InputStream> stream);
    // Where the body goes; an in-memory stream (holding at most 64 MB) unless set.
    std::shared_ptr<OutputStream> outputStream();
    void setOutputStream(std::shared_ptr<OutputStream> stream);

    // A progress block is looked up when its call runs on the main queue: one set or
    // cleared there applies to every call not yet made, also to chunks already sent or received.
    void setUploadProgressBlock(ProgressBlock block);
    void setDownloadProgressBlock(ProgressBlock block);
    // When set, it answers every challenge itself.
    void setWillSendRequestForAuthenticationChallengeBlock(AuthenticationChallengeBlock block);
    void setRedirectResponseBlock(RedirectResponseBlock block);

    bool allowsInvalidSSLCertificate() const;
    void setAllowsInvalidSSLCertificate(bool allows);
    bool shouldUseCredentialStorage() const;
    void setShouldUseCredentialStorage(bool use);
    std::optional<URLCredential> credential() const;
    void setCredential(std::optional<URLCredential> credential);
    AFPinningMode SSLPinningMode() const;
    void setSSLPinningMode(AFPinningMode mode);
    QVariantMap userInfo() const;
    void setUserInfo(const QVariantMap& userInfo);

    // The DER data of the bundle's ".cer" files and their public keys (PEM), read once per
    // bundle folder. Any thread.
    static QList<QSslCertificate> pinnedCertificates();
    static QList<QByteArray> pinnedPublicKeys();

    // A ready operation of the same class for the same request, with the same blocks and
    // invalid-certificate allowance.
    std::shared_ptr<AFURLConnectionOperation> copy() const;
    QString description() const;

    // The key path of a state: "isPaused", "isReady", "isExecuting", "isFinished", "state".
    static QString keyPathFromOperationState(int state);

protected:
    // Makes an empty operation of the concrete class (for copy()).
    virtual std::shared_ptr<AFURLConnectionOperation> makeWithRequest(const URLRequest& request) const;
    void setRequest(const URLRequest& request);
    std::recursive_mutex& lock() const { return lock_; }
    // Stops the running load from its own delegate call and fails with the error.
    void failConnection(URLConnection& connection, const Error& error);

    // URLConnectionDelegate, on the network thread.
    std::optional<URLRequest> willSendRequest(URLConnection&, const URLRequest& request,
                                              const URLResponse& redirectResponse) override;
    void willSendRequestForAuthenticationChallenge(URLConnection&, AuthenticationChallenge& challenge) override;
    bool shouldUseCredentialStorage(URLConnection&) override { return shouldUseCredentialStorage(); }
    void didReceiveResponse(URLConnection&, const URLResponse& response) override;
    void didReceiveData(URLConnection&, const QByteArray& data) override;
    void didSendBodyData(URLConnection&, qint64 bytesWritten, qint64 totalBytesWritten,
                         qint64 totalBytesExpectedToWrite) override;
    void didFinishLoading(URLConnection&) override;
    void didFailWithError(URLConnection&, const Error& error) override;

private:
    struct ConnectionDeleter {
        void operator()(URLConnection* connection) const;
    };

    void operationDidStart();
    void finish();
    void cancelConnection();
    bool isCurrent(const URLConnection& connection) const;
    ProgressBlock progressBlock(ProgressBlock AFURLConnectionOperation::*which) const;
    // Connections judged by the same trust rules share sockets.
    QString connectionPoolName() const;
    void postNotification(const QString& name) const;
    Error cancellationError() const;

    mutable std::recursive_mutex lock_;
    std::atomic<AFConnectionOperationState> state_{AFOperationReadyState};
    std::unique_ptr<URLConnection, ConnectionDeleter> connection_;
    URLRequest request_;
    std::optional<URLResponse> response_;
    Error error_;
    std::optional<QByteArray> responseData_;
    std::optional<QString> responseString_;
    QByteArray responseStringEncoding_;
    std::atomic<qint64> totalBytesRead_{0};
    std::shared_ptr<OutputStream> outputStream_;
    ProgressBlock uploadProgress_;
    ProgressBlock downloadProgress_;
    AuthenticationChallengeBlock authenticationChallenge_;
    RedirectResponseBlock redirectResponse_;
    bool allowsInvalidSSLCertificate_ = false;
    bool shouldUseCredentialStorage_ = true;
    std::optional<URLCredential> credential_;
    AFPinningMode SSLPinningMode_ = AFSSLPinningModeNone;
    QVariantMap userInfo_;
};
