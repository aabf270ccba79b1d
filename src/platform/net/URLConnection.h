#pragma once

#include "Error.h"
#include "URLAuthentication.h"
#include "URLRequest.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslError>
#include <QTimer>

#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class URLConnection;

// What a connection tells its delegate, on the connection's thread, in this order: any
// redirects and challenges, the response, the body in chunks, then finish or failure.
class URLConnectionDelegate {
public:
    virtual ~URLConnectionDelegate() = default;
    // The request to follow a redirect with; nothing takes the redirect response as final.
    virtual std::optional<URLRequest> willSendRequest(URLConnection&, const URLRequest& request,
                                                      const URLResponse& redirectResponse)
    {
        return request;
    }
    virtual void willSendRequestForAuthenticationChallenge(URLConnection&, AuthenticationChallenge& challenge);
    virtual bool shouldUseCredentialStorage(URLConnection&) { return true; }
    virtual void didReceiveResponse(URLConnection&, const URLResponse&) {}
    virtual void didReceiveData(URLConnection&, const QByteArray&) {}
    virtual void didSendBodyData(URLConnection&, qint64 bytesWritten, qint64 totalBytesWritten,
                                 qint64 totalBytesExpectedToWrite)
    {
    }
    virtual void didFinishLoading(URLConnection&) {}
    virtual void didFailWithError(URLConnection&, const Error&) {}
};

// One load of a request over Qt Network. Made, started and cancelled on one thread that
// runs an event loop; every delegate call arrives there. Connections with the same pool
// name may share sockets (and what was decided about their server's trust); give requests
// judged by different trust rules different pools. Redirects from https to http are
// refused, Basic credentials are never sent over plain http, and every load has a connect
// and a stall time-out, after which the pool's later loads use new connections.
class URLConnection final : public QObject {
    Q_OBJECT
public:
    // An empty pool name gives the connection an access manager of its own.
    URLConnection(const URLRequest& request, std::shared_ptr<URLConnectionDelegate> delegate,
                  QString poolName = {});
    ~URLConnection() override;

    void start();
    // Stops the load; the delegate hears nothing more.
    void cancel();

    const URLRequest& originalRequest() const { return originalRequest_; }
    const URLRequest& currentRequest() const { return currentRequest_; }

    static constexpr int MaximumRedirects = 16;

private:
    void send();
    void detachReply();
    void restartTimer(double seconds);
    void onMetaData();
    bool followRedirect(const URLResponse& response);
    void onReadyRead();
    void onFinished();
    void onTimeout();
    void onSslErrors(const QList<QSslError>& errors);
    void onEncrypted();
    bool answerServerTrust(const QList<QSslError>& errors);
    void onAuthenticationRequired(class QAuthenticator* authenticator);
    void fail(const Error& error);
    URLResponse responseFromReply() const;
    // The delegate for one call, kept alive through it (a stand-in once cancelled).
    std::shared_ptr<URLConnectionDelegate> delegate() const;

    URLRequest originalRequest_;
    URLRequest currentRequest_;
    std::shared_ptr<URLConnectionDelegate> delegate_;
    QString poolName_;
    // The connection's own manager when it has no pool, else null.
    QNetworkAccessManager* ownManager_ = nullptr;
    // The manager of the latest request.
    QPointer<QNetworkAccessManager> manager_;
    QPointer<QNetworkReply> reply_;
    class InputStreamDevice* bodyDevice_ = nullptr;
    QTimer timer_;
    bool responseDelivered_ = false;
    bool trustDecided_ = false;
    bool trustRefused_ = false;
    bool done_ = false;
    bool authenticationCancelled_ = false;
    int redirects_ = 0;
    int authenticationFailures_ = 0;
    qint64 lastBytesSent_ = 0;
};
