#pragma once

#include <QString>

class QNetworkAccessManager;

// The calling thread's access managers, one per named pool of connections, kept for the
// thread's life and deleted on it as it finishes (on the main thread, with the application
// object), never by thread-exit or static destructors: closing their sockets needs Qt whole.
//
// A manager's connection to one server can be left stuck by Qt (a reply whose body ends at
// the connection's close, aborted while it is read): every later request to that server then
// waits on it until it times out. So a pool whose manager saw a time-out gets a new manager,
// with connections of its own, and the old one goes once its last reply has.
namespace AccessManagerPool {

// The pool's manager on the calling thread, made on first use. The pool name is not empty.
QNetworkAccessManager* current(const QString& pool);

// Takes a manager out of its pool after a load on it timed out: later loads of the pool get a
// new manager. Replies still running on the old one keep it until they are gone. A manager
// that was taken out already, or that belongs to no pool, stays as it is. Its own thread.
void replace(QNetworkAccessManager* manager);

} // namespace AccessManagerPool
