#include "RunLoopThread.h"

#include <QCoreApplication>

RunLoopThread::RunLoopThread(const QString& name)
{
    thread_.setObjectName(name);
    context_.moveToThread(&thread_);
    thread_.start();
    // The thread must not outlive the application object, whose end tears down what its
    // objects use; it stops with it.
    if (QCoreApplication* application = QCoreApplication::instance())
        QObject::connect(application, &QObject::destroyed, &context_, [this] { thread_.quit(); }, Qt::DirectConnection);
}

void RunLoopThread::perform(std::function<void()> task)
{
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

bool RunLoopThread::isCurrent() const
{
    return QThread::currentThread() == &thread_;
}
