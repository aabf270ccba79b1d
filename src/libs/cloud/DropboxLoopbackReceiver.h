#pragma once

#include "MainQueue.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <list>
#include <memory>

class QTcpServer;
class QTcpSocket;

// The head of one request to the loopback listener, as far as its bytes have arrived. Lines
// may end in CRLF or in a bare LF; an empty line ends the head.
struct LoopbackRequest {
    // A browser's request line and headers fit well within this; more is not a browser.
    static constexpr qsizetype kMaxSize = 16 * 1024;

    enum class Status {
        Incomplete, // the head has not ended yet: wait for more
        Complete,   // the head has ended: answer it
        TooLarge,   // no end within kMaxSize: answer and close
    };
    Status status = Status::Incomplete;
    // The address a complete "GET" asks for on 127.0.0.1; invalid for anything else.
    QUrl target;

    static LoopbackRequest read(const QByteArray& received);
};

// Where the browser comes back after the Dropbox sign-in page: a small HTTP listener on
// 127.0.0.1 that hands each request for the callback path to the handler and answers with
// the page the handler returns; anything else gets 404. Any local program can connect, so
// what one connection may hold is bounded: a few connections at once (a new one beyond them
// closes the one open longest), each closed a few seconds after it was made, answered or not
// (a browser sends its request at once). Main thread.
class DropboxLoopbackReceiver : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 6;
    static constexpr double kConnectionLifetime = 5;

    // The redirect address's query, and the page text to answer with.
    using Handler = std::function<QString(const QUrl& redirect)>;

    explicit DropboxLoopbackReceiver(Handler handler);
    ~DropboxLoopbackReceiver() override;

    // False, with the reason, when nothing can listen on the port.
    bool listen(quint16 port, QString* error);
    QString redirectUri() const;
    int connectionCount() const { return int(connections_.size()); }

private:
    struct Connection {
        QTcpSocket* socket = nullptr;
        DelayedCall deadline;
        bool answered = false;
    };

    void accept(QTcpSocket* socket);
    void serve(Connection& connection);
    // Closes the connection at once and forgets it.
    void drop(QTcpSocket* socket);
    void forget(QTcpSocket* socket);

    Handler handler_;
    std::unique_ptr<QTcpServer> server_;
    std::list<Connection> connections_; // oldest first
};
