#include "ZTExamTransport.h"

#include "MainQueue.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QSslSocket>
#include <QStringList>

namespace {

bool sameName(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

void ZTExamRequest::setHeader(const QByteArray& name, const QByteArray& value)
{
    for (auto& header : headers) {
        if (sameName(header.first, name)) {
            header.second = value;
            return;
        }
    }
    headers.append({name, value});
}

QByteArray ZTExamRequest::header(const QByteArray& name) const
{
    for (const auto& header : headers)
        if (sameName(header.first, name))
            return header.second;
    return {};
}

// Lives on the transport's thread and owns the network access manager there.
class ZTExamTransport::Worker : public QObject {
public:
    void start(const ZTExamRequest& request, const QSslConfiguration& ssl, Completion completion,
               std::shared_ptr<std::atomic<bool>> alive)
    {
        if (!manager_)
            manager_ = std::make_unique<QNetworkAccessManager>();
        QNetworkRequest networkRequest(request.url);
        for (const auto& [name, value] : request.headers)
            networkRequest.setRawHeader(name, value);
        networkRequest.setTransferTimeout(request.timeoutSeconds * 1000);
        networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        networkRequest.setSslConfiguration(ssl);

        QNetworkReply* reply = manager_->sendCustomRequest(networkRequest, request.method, request.body);
        auto trouble = std::make_shared<Trouble>();
        connect(reply, &QNetworkReply::downloadProgress, reply, [reply, trouble](qint64 received, qint64 total) {
            if (received > kMaxReplyBytes || total > kMaxReplyBytes) {
                trouble->tooLarge = true;
                reply->abort();
            }
        });
        // Left unanswered, so the handshake fails and nothing is sent; kept to say why.
        connect(reply, &QNetworkReply::sslErrors, reply, [trouble](const QList<QSslError>& errors) {
            for (const QSslError& error : errors)
                trouble->sslErrors << error.errorString();
        });
        connect(reply, &QNetworkReply::finished, this,
                [reply, trouble, completion = std::move(completion), alive = std::move(alive)] {
                    ZTExamReply result = replyOf(*reply, *trouble);
                    reply->deleteLater();
                    MainQueue::async([completion, alive, result = std::move(result)] {
                        if (alive->load())
                            completion(result);
                    });
                });
    }

    // Ends every request without a completion; runs on the worker's thread.
    void shutDown()
    {
        if (!manager_)
            return;
        for (QNetworkReply* reply : manager_->findChildren<QNetworkReply*>()) {
            reply->disconnect(this);
            reply->abort();
        }
        manager_.reset();
    }

private:
    // What went wrong on the way that the reply itself does not say well.
    struct Trouble {
        bool tooLarge = false;
        QStringList sslErrors;
    };

    static ZTExamReply replyOf(QNetworkReply& reply, const Trouble& trouble)
    {
        ZTExamReply result;
        result.url = reply.url();
        const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
        result.statusCode = status.isValid() ? status.toInt() : 0;
        for (const auto& [name, value] : reply.rawHeaderPairs())
            result.headers.append({name, value});
        const QString contentType = QString::fromLatin1(reply.rawHeader("Content-Type"));
        result.mimeType = contentType.section(QLatin1Char(';'), 0, 0).trimmed();
        for (const QString& parameter : contentType.split(QLatin1Char(';')).mid(1)) {
            const QString trimmed = parameter.trimmed();
            if (trimmed.startsWith(QLatin1String("charset="), Qt::CaseInsensitive))
                result.textEncodingName = trimmed.mid(8).remove(QLatin1Char('"'));
        }
        if (trouble.tooLarge) {
            result.transferError = QStringLiteral("The reply is larger than %1 bytes.").arg(kMaxReplyBytes);
            return result;
        }
        result.body = reply.readAll();
        // An HTTP status that is not 2xx is the server's answer, not a failed transfer.
        if (reply.error() == QNetworkReply::SslHandshakeFailedError && !trouble.sslErrors.isEmpty())
            result.transferError = QStringLiteral("The server's certificate is not trusted, so nothing was sent (%1).")
                                       .arg(trouble.sslErrors.join(QStringLiteral("; ")));
        else if (reply.error() != QNetworkReply::NoError && !result.hasResponse())
            result.transferError = reply.errorString();
        return result;
    }

    std::unique_ptr<QNetworkAccessManager> manager_;
};

ZTExamTransport::ZTExamTransport()
    : worker_(std::make_unique<Worker>())
{
    thread_.setObjectName(QStringLiteral("Exam server"));
    // Its queued work waits until the first request starts the thread.
    worker_->moveToThread(&thread_);
}

ZTExamTransport::~ZTExamTransport()
{
    alive_->store(false);
    if (thread_.isRunning()) {
        QMetaObject::invokeMethod(worker_.get(), [worker = worker_.get()] { worker->shutDown(); },
                                  Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
}

void ZTExamTransport::setSslConfiguration(const QSslConfiguration& configuration)
{
    std::lock_guard lock(mutex_);
    sslConfiguration_ = configuration;
    // The token must never go to a server that could not prove who it is.
    sslConfiguration_.setPeerVerifyMode(QSslSocket::VerifyPeer);
}

void ZTExamTransport::send(const ZTExamRequest& request, Completion completion)
{
    QSslConfiguration ssl;
    {
        std::lock_guard lock(mutex_);
        if (!thread_.isRunning())
            thread_.start();
        ssl = sslConfiguration_;
    }
    QMetaObject::invokeMethod(
        worker_.get(),
        [worker = worker_.get(), request, ssl, completion = std::move(completion), alive = alive_]() mutable {
            worker->start(request, ssl, std::move(completion), std::move(alive));
        },
        Qt::QueuedConnection);
}
