#include "DropboxLoopbackReceiver.h"

#include "Localization.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

namespace {

const QString kCallbackPath = QStringLiteral("/dropbox-auth");

// Where the head ends: the first empty line, whether lines end in CRLF or in a bare LF.
qsizetype endOfHead(const QByteArray& bytes)
{
    const qsizetype bareLF = bytes.indexOf("\n\n");
    const qsizetype CRLF = bytes.indexOf("\n\r\n");
    if (bareLF < 0 || CRLF < 0)
        return std::max(bareLF, CRLF);
    return std::min(bareLF, CRLF);
}

QString page(const QString& message)
{
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Melvora</title></head>"
                          "<body style=\"font-family: sans-serif; margin: 3em\"><p>%1</p></body></html>")
        .arg(message.toHtmlEscaped());
}

} // namespace

// ---- Request ----

LoopbackRequest LoopbackRequest::read(const QByteArray& received)
{
    LoopbackRequest request;
    const QByteArray head = received.left(kMaxSize);
    const qsizetype end = endOfHead(head);
    if (end < 0) {
        if (head.size() >= kMaxSize)
            request.status = Status::TooLarge;
        return request;
    }
    request.status = Status::Complete;

    // "GET /dropbox-auth?code=...&state=... HTTP/1.1"
    QByteArray line = head.left(head.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() == 3 && parts[0] == "GET" && parts[1].startsWith('/') && parts[2].startsWith("HTTP/"))
        request.target = QUrl(QStringLiteral("http://127.0.0.1") + QString::fromLatin1(parts[1]), QUrl::StrictMode);
    return request;
}

// ---- Receiver ----

DropboxLoopbackReceiver::DropboxLoopbackReceiver(Handler handler)
    : handler_(std::move(handler))
{
}

DropboxLoopbackReceiver::~DropboxLoopbackReceiver() = default;

bool DropboxLoopbackReceiver::listen(quint16 port, QString* error)
{
    server_ = std::make_unique<QTcpServer>();
    if (!server_->listen(QHostAddress::LocalHost, port)) {
        *error = QStringLiteral("cannot listen on 127.0.0.1:%1 (%2)").arg(port).arg(server_->errorString());
        server_.reset();
        return false;
    }
    connect(server_.get(), &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_->nextPendingConnection())
            accept(socket);
    });
    return true;
}

QString DropboxLoopbackReceiver::redirectUri() const
{
    return server_ ? QStringLiteral("http://127.0.0.1:%1%2").arg(server_->serverPort()).arg(kCallbackPath) : QString();
}

void DropboxLoopbackReceiver::accept(QTcpSocket* socket)
{
    socket->setParent(this);
    // Beyond the bound a request is answered anyway: more need not be read meanwhile.
    socket->setReadBufferSize(LoopbackRequest::kMaxSize);
    if (int(connections_.size()) >= kMaxConnections)
        drop(connections_.front().socket);
    Connection& connection = connections_.emplace_back();
    connection.socket = socket;
    connection.deadline = MainQueue::after(kConnectionLifetime, [this, socket] { drop(socket); });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        const auto found = std::find_if(connections_.begin(), connections_.end(),
                                        [socket](const Connection& open) { return open.socket == socket; });
        if (found != connections_.end())
            serve(*found);
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
    if (socket->bytesAvailable() > 0)
        serve(connection);
}

void DropboxLoopbackReceiver::serve(Connection& connection)
{
    QTcpSocket* socket = connection.socket;
    if (connection.answered) {
        socket->readAll(); // one request per connection: the rest is not read
        return;
    }
    const LoopbackRequest request = LoopbackRequest::read(socket->peek(LoopbackRequest::kMaxSize));
    if (request.status == LoopbackRequest::Status::Incomplete)
        return; // the rest of the request is still on its way
    connection.answered = true;

    QByteArray status = "404 Not Found";
    QString body = page(localized(QStringLiteral("Not found.")));
    if (request.status == LoopbackRequest::Status::Complete && request.target.isValid()
        && request.target.path() == kCallbackPath) {
        status = "200 OK";
        body = page(handler_(request.target));
    }
    const QByteArray content = body.toUtf8();
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
                  "Connection: close\r\nContent-Length: " + QByteArray::number(content.size()) + "\r\n\r\n" + content);
    // Handed to the system now: the owner may drop the receiver, and its sockets, on the next turn.
    socket->flush();
    socket->disconnectFromHost();
}

void DropboxLoopbackReceiver::drop(QTcpSocket* socket)
{
    disconnect(socket, nullptr, this, nullptr);
    forget(socket);
    socket->abort();
}

void DropboxLoopbackReceiver::forget(QTcpSocket* socket)
{
    connections_.remove_if([socket](const Connection& open) { return open.socket == socket; });
    socket->deleteLater();
}
