#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSslConfiguration>
#include <QString>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

using ZTHeaderList = QList<QPair<QByteArray, QByteArray>>;

// One request to the exam server.
struct ZTExamRequest {
    QByteArray method = "GET";
    QUrl url;
    ZTHeaderList headers; // in the order set
    QByteArray body;
    int timeoutSeconds = 60;

    // Replaces a header of the same name (names compare without regard to case).
    void setHeader(const QByteArray& name, const QByteArray& value);
    QByteArray header(const QByteArray& name) const;
};

// What came back: the HTTP response, when one arrived, and what went wrong on the way.
struct ZTExamReply {
    int statusCode = 0; // 0 when no HTTP response arrived
    QUrl url;
    QString mimeType;
    QString textEncodingName;
    ZTHeaderList headers;
    QByteArray body;
    // Empty when the transfer went through (whatever the status); otherwise why it did not,
    // also for a response cut off because it was too large.
    QString transferError;

    bool hasResponse() const { return statusCode > 0; }
};

// Sends the exam client's requests with Qt Network on a thread of its own (started with the
// first request) and hands every reply to the main queue. TLS peers are verified against
// the configured trust store; redirects are not followed, so the token never travels to
// another host. Replies larger than kMaxReplyBytes are cut off and fail.
class ZTExamTransport {
public:
    static constexpr qint64 kMaxReplyBytes = 8 * 1024 * 1024;
    using Completion = std::function<void(const ZTExamReply&)>;

    ZTExamTransport();
    // Aborts what is still running; no completion runs afterwards. Main thread.
    virtual ~ZTExamTransport();
    ZTExamTransport(const ZTExamTransport&) = delete;
    ZTExamTransport& operator=(const ZTExamTransport&) = delete;

    // TLS settings (such as the trusted authorities) for requests sent from now on; the peer
    // is verified whatever the configuration says. Any thread.
    void setSslConfiguration(const QSslConfiguration& configuration);
    // Any thread, does not block; the completion runs on the main queue. A stand-in for the
    // server (the exam fuzz target's) answers here instead.
    virtual void send(const ZTExamRequest& request, Completion completion);

private:
    class Worker;

    std::mutex mutex_; // guards the configuration and the start of the thread
    QSslConfiguration sslConfiguration_ = QSslConfiguration::defaultConfiguration();
    QThread thread_;
    std::unique_ptr<Worker> worker_;
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};
