#include "URLConnection.h"

#include "AccessManagerPool.h"
#include "Log.h"
#include "Streams.h"
#include "URLError.h"

#include <QAuthenticator>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>

#include <cmath>

// Feeds a body stream to Qt Network. A throttled stream is asked again when it says it
// may be read, so the connection's thread never sleeps for it.
class InputStreamDevice final : public QIODevice {
public:
    InputStreamDevice(std::shared_ptr<InputStream> stream, std::function<void(const Error&)> onError,
                      QObject* parent)
        : QIODevice(parent)
        , stream_(std::move(stream))
        , onError_(std::move(onError))
    {
        stream_->open();
        QIODevice::open(QIODevice::ReadOnly);
        retry_.setSingleShot(true);
        connect(&retry_, &QTimer::timeout, this, [this] { emit readyRead(); });
    }
    ~InputStreamDevice() override { stream_->close(); }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxLength) override
    {
        const double wait = stream_->secondsUntilReadable();
        if (wait > 0) {
            if (!retry_.isActive())
                retry_.start(std::max(1, int(std::ceil(wait * 1000))));
            return 0;
        }
        const qint64 count = stream_->read(data, maxLength);
        if (count < 0) {
            const Error error = stream_->streamError();
            setErrorString(error.localizedDescription());
            QMetaObject::invokeMethod(this, [this, error] { onError_(error); }, Qt::QueuedConnection);
            return -1;
        }
        if (count == 0) {
            const StreamStatus status = stream_->streamStatus();
            if (status == StreamStatus::AtEnd || status == StreamStatus::Closed || status == StreamStatus::Error)
                return -1;
            if (stream_->secondsUntilReadable() > 0)
                return readData(data, maxLength);
        }
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<InputStream> stream_;
    std::function<void(const Error&)> onError_;
    QTimer retry_;
};

namespace {

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool sameOrigin(const QUrl& a, const QUrl& b)
{
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0
        && a.port(-1) == b.port(-1);
}

// Errors after which the HTTP response itself is the outcome (4xx/5xx answers).
bool isStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError)
        || error == QNetworkReply::ProtocolInvalidOperationError;
}

qint64 urlErrorCode(QNetworkReply::NetworkError error, bool trustRefused)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return URLError::CannotConnectToHost;
    case QNetworkReply::RemoteHostClosedError:
        return URLError::NetworkConnectionLost;
    case QNetworkReply::HostNotFoundError:
        return URLError::CannotFindHost;
    case QNetworkReply::TimeoutError:
        return URLError::TimedOut;
    case QNetworkReply::OperationCanceledError:
        return URLError::Cancelled;
    case QNetworkReply::SslHandshakeFailedError:
        return trustRefused ? URLError::ServerCertificateUntrusted : URLError::SecureConnectionFailed;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return URLError::NotConnectedToInternet;
    case QNetworkReply::ProtocolUnknownError:
        return URLError::UnsupportedURL;
    case QNetworkReply::ProtocolFailure:
        return URLError::BadServerResponse;
    default:
        return URLError::Unknown;
    }
}

} // namespace

void URLConnectionDelegate::willSendRequestForAuthenticationChallenge(URLConnection&, AuthenticationChallenge& challenge)
{
    const auto& trust = challenge.protectionSpace().serverTrust;
    if (trust && trust->evaluate())
        challenge.useCredential(URLCredential::forTrust(*trust));
    else if (trust)
        challenge.cancel();
    else
        challenge.continueWithoutCredential();
}

URLConnection::URLConnection(const URLRequest& request, std::shared_ptr<URLConnectionDelegate> delegate,
                             QString poolName)
    : originalRequest_(request)
    , currentRequest_(request)
    , delegate_(std::move(delegate))
    , poolName_(std::move(poolName))
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &URLConnection::onTimeout);
    if (poolName_.isEmpty())
        ownManager_ = new QNetworkAccessManager(this);
}

URLConnection::~URLConnection()
{
    detachReply();
}

void URLConnection::start()
{
    if (done_ || reply_)
        return;
    if (!currentRequest_.bodyError.isNull()) {
        // Reported from the event loop, so the starter is not called back inside start().
        QMetaObject::invokeMethod(this, [this] { fail(currentRequest_.bodyError); }, Qt::QueuedConnection);
        return;
    }
    send();
}

void URLConnection::cancel()
{
    done_ = true;
    timer_.stop();
    detachReply();
    // Nothing more is said to the delegate, so the connection lets go of it.
    delegate_.reset();
}

std::shared_ptr<URLConnectionDelegate> URLConnection::delegate() const
{
    static const auto idle = std::make_shared<URLConnectionDelegate>();
    return delegate_ ? delegate_ : idle;
}

void URLConnection::send()
{
    QNetworkRequest request(currentRequest_.url);
    for (const auto& [name, value] : currentRequest_.headers.fields())
        request.setRawHeader(name.toLatin1(), value.toUtf8());
    // Bodies come as sent: Qt's own decompression turns a damaged compressed body into an
    // empty success, which would be taken for the server's answer.
    if (!currentRequest_.headers.contains(QStringLiteral("Accept-Encoding")))
        request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (!delegate()->shouldUseCredentialStorage(*this))
        request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    if (currentRequest_.url.scheme() == QLatin1String("https"))
        request.setSslConfiguration(QSslConfiguration::defaultConfiguration());

    responseDelivered_ = false;
    trustDecided_ = false;
    trustRefused_ = false;
    lastBytesSent_ = 0;
    // A redirect may be sent after the pool's manager was replaced: it goes by the new one.
    QNetworkAccessManager* manager = ownManager_ ? ownManager_ : AccessManagerPool::current(poolName_);
    if (manager != manager_) {
        manager_ = manager;
        connect(manager, &QNetworkAccessManager::authenticationRequired, this,
                [this](QNetworkReply* reply, QAuthenticator* authenticator) {
                    if (reply == reply_)
                        onAuthenticationRequired(authenticator);
                });
    }
    const QByteArray method = currentRequest_.HTTPMethod.toLatin1();
    if (currentRequest_.HTTPBodyStream) {
        bodyDevice_ = new InputStreamDevice(currentRequest_.HTTPBodyStream,
                                            [this](const Error& error) { fail(error); }, this);
        reply_ = manager->sendCustomRequest(request, method, bodyDevice_);
    } else if (!currentRequest_.HTTPBody.isEmpty()) {
        reply_ = manager->sendCustomRequest(request, method, currentRequest_.HTTPBody);
    } else {
        reply_ = manager->sendCustomRequest(request, method);
    }

    QNetworkReply* reply = reply_;
    const auto progress = [this] { restartTimer(currentRequest_.timeoutInterval); };
    connect(reply, &QNetworkReply::requestSent, this, progress);
    connect(reply, &QNetworkReply::downloadProgress, this, progress);
    connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64 total) {
        restartTimer(currentRequest_.timeoutInterval);
        if (sent > lastBytesSent_) {
            const qint64 written = sent - lastBytesSent_;
            lastBytesSent_ = sent;
            delegate()->didSendBodyData(*this, written, sent, total);
        }
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, &URLConnection::onMetaData);
    connect(reply, &QNetworkReply::readyRead, this, &URLConnection::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &URLConnection::onFinished);
    connect(reply, &QNetworkReply::sslErrors, this, &URLConnection::onSslErrors);
    connect(reply, &QNetworkReply::encrypted, this, &URLConnection::onEncrypted);
    restartTimer(currentRequest_.connectTimeout);
}

void URLConnection::detachReply()
{
    if (QNetworkReply* reply = reply_) {
        reply_ = nullptr;
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
    if (bodyDevice_) {
        bodyDevice_->deleteLater();
        bodyDevice_ = nullptr;
    }
}

void URLConnection::restartTimer(double seconds)
{
    if (!done_)
        timer_.start(std::max(1, int(std::lround(seconds * 1000))));
}

URLResponse URLConnection::responseFromReply() const
{
    URLResponse response;
    response.url = reply_->url();
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    response.isHTTP = status.isValid();
    response.statusCode = status.toInt();
    for (const auto& [name, value] : reply_->rawHeaderPairs())
        response.headers.set(QString::fromLatin1(name), QString::fromUtf8(value));
    return response;
}

void URLConnection::onMetaData()
{
    if (done_ || responseDelivered_ || !reply_)
        return;
    const URLResponse response = responseFromReply();
    if (isRedirect(response.statusCode) && followRedirect(response))
        return;
    const QString encoding = response.headers.value(QStringLiteral("Content-Encoding")).trimmed();
    if (!encoding.isEmpty() && encoding.compare(QLatin1String("identity"), Qt::CaseInsensitive) != 0
        && !currentRequest_.headers.contains(QStringLiteral("Accept-Encoding"))) {
        fail(URLError::make(URLError::CannotDecodeContentData, currentRequest_.url,
                            QStringLiteral("The server sent its reply in an encoding that was not asked for (%1).").arg(encoding)));
        return;
    }
    responseDelivered_ = true;
    restartTimer(currentRequest_.timeoutInterval);
    delegate()->didReceiveResponse(*this, response);
}

bool URLConnection::followRedirect(const URLResponse& response)
{
    const QString location = response.headers.value(QStringLiteral("Location"));
    const QUrl target = reply_->url().resolved(QUrl(location));
    if (location.isEmpty() || !target.isValid())
        return false;
    if (++redirects_ > MaximumRedirects) {
        fail(URLError::make(URLError::HTTPTooManyRedirects, currentRequest_.url, QStringLiteral("Too many HTTP redirects.")));
        return true;
    }
    URLRequest next = currentRequest_;
    next.url = target;
    const int status = response.statusCode;
    const QString method = next.HTTPMethod;
    const bool becomesGet = status == 303 ? method != QLatin1String("HEAD")
                                          : (status == 301 || status == 302) && method == QLatin1String("POST");
    if (becomesGet) {
        next.HTTPMethod = QStringLiteral("GET");
        next.HTTPBody.clear();
        next.HTTPBodyStream.reset();
        next.headers.remove(QStringLiteral("Content-Type"));
        next.headers.remove(QStringLiteral("Content-Length"));
    } else if (next.HTTPBodyStream) {
        fail(URLError::make(URLError::RequestBodyStreamExhausted, currentRequest_.url,
                            QStringLiteral("The request body stream cannot be sent again for a redirect.")));
        return true;
    }
    if (!sameOrigin(currentRequest_.url, target))
        next.headers.remove(QStringLiteral("Authorization"));

    const std::optional<URLRequest> chosen = delegate()->willSendRequest(*this, next, response);
    if (done_)
        return true;
    if (!chosen)
        return false;
    if (currentRequest_.url.scheme() == QLatin1String("https") && chosen->url.scheme() != QLatin1String("https")) {
        fail(URLError::make(URLError::InsecureRedirect, currentRequest_.url,
                            QStringLiteral("Refused to follow a redirect from a secure address to an insecure one (%1).")
                                .arg(chosen->url.toString())));
        return true;
    }
    detachReply();
    currentRequest_ = *chosen;
    send();
    return true;
}

void URLConnection::onReadyRead()
{
    if (done_ || !reply_ || !responseDelivered_)
        return;
    const QByteArray chunk = reply_->readAll();
    if (!chunk.isEmpty()) {
        restartTimer(currentRequest_.timeoutInterval);
        delegate()->didReceiveData(*this, chunk);
    }
}

void URLConnection::onFinished()
{
    if (done_ || !reply_)
        return;
    const QNetworkReply::NetworkError error = reply_->error();
    const bool answered = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (error == QNetworkReply::NoError || (answered && isStatusError(error))) {
        if (authenticationCancelled_) {
            fail(URLError::make(URLError::UserCancelledAuthentication, currentRequest_.url,
                                QStringLiteral("The authentication challenge was cancelled.")));
            return;
        }
        onMetaData();
        onReadyRead();
        if (done_)
            return;
        done_ = true;
        timer_.stop();
        detachReply();
        delegate()->didFinishLoading(*this);
        return;
    }
    fail(URLError::make(urlErrorCode(error, trustRefused_), currentRequest_.url,
                        trustRefused_ ? QStringLiteral("The certificate of %1 is not trusted.").arg(currentRequest_.url.host())
                                      : reply_->errorString()));
}

void URLConnection::onTimeout()
{
    // The server may be slow, or Qt's connection to it stuck: the next load of the pool, even
    // one the delegate starts at once, gets connections of its own.
    if (!ownManager_)
        AccessManagerPool::replace(manager_);
    fail(URLError::make(URLError::TimedOut, currentRequest_.url, QStringLiteral("The request timed out.")));
}

bool URLConnection::answerServerTrust(const QList<QSslError>& errors)
{
    trustDecided_ = true;
    ProtectionSpace space;
    space.host = currentRequest_.url.host();
    space.port = currentRequest_.url.port(443);
    space.protocol = currentRequest_.url.scheme();
    space.authenticationMethod = AuthenticationMethodServerTrust;
    space.serverTrust = ServerTrust(reply_->sslConfiguration().peerCertificateChain(), space.host, errors);
    AuthenticationChallenge challenge(space, 0);
    delegate()->willSendRequestForAuthenticationChallenge(*this, challenge);
    switch (challenge.disposition()) {
    case AuthenticationChallenge::Disposition::UseCredential:
        return challenge.credential()->isTrust();
    case AuthenticationChallenge::Disposition::Cancel:
        return false;
    default:
        return space.serverTrust->evaluate();
    }
}

void URLConnection::onSslErrors(const QList<QSslError>& errors)
{
    if (done_ || !reply_ || trustDecided_)
        return;
    if (answerServerTrust(errors))
        reply_->ignoreSslErrors(errors);
    else
        trustRefused_ = true;
}

void URLConnection::onEncrypted()
{
    if (done_ || !reply_ || trustDecided_)
        return;
    if (!answerServerTrust({})) {
        trustRefused_ = true;
        fail(URLError::make(URLError::ServerCertificateUntrusted, currentRequest_.url,
                            QStringLiteral("The certificate of %1 is not trusted.").arg(currentRequest_.url.host())));
    }
}

void URLConnection::onAuthenticationRequired(QAuthenticator* authenticator)
{
    if (done_)
        return;
    // Digest challenges carry a nonce; anything else is answered in the clear.
    const bool digest = authenticator->options().contains(QStringLiteral("nonce"));
    ProtectionSpace space;
    space.host = currentRequest_.url.host();
    space.port = currentRequest_.url.port(currentRequest_.url.scheme() == QLatin1String("https") ? 443 : 80);
    space.protocol = currentRequest_.url.scheme();
    space.realm = authenticator->realm();
    space.authenticationMethod = digest ? AuthenticationMethodHTTPDigest : AuthenticationMethodHTTPBasic;
    AuthenticationChallenge challenge(space, authenticationFailures_++);
    delegate()->willSendRequestForAuthenticationChallenge(*this, challenge);
    if (done_)
        return;
    if (challenge.disposition() == AuthenticationChallenge::Disposition::Cancel) {
        authenticationCancelled_ = true;
        return;
    }
    if (challenge.disposition() != AuthenticationChallenge::Disposition::UseCredential || challenge.credential()->isTrust())
        return;
    if (!digest && space.protocol != QLatin1String("https")) {
        Log::line(QStringLiteral("Refused to send a password in the clear to %1; use https.").arg(space.host));
        return;
    }
    authenticator->setUser(challenge.credential()->user());
    authenticator->setPassword(challenge.credential()->password());
}

void URLConnection::fail(const Error& error)
{
    if (done_)
        return;
    done_ = true;
    timer_.stop();
    detachReply();
    delegate()->didFailWithError(*this, error);
}
