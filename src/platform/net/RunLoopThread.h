#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <functional>

// A thread of its own that runs a Qt event loop for the rest of the process; work handed
// to it is queued without waiting. The loop is ended when the application object goes.
class RunLoopThread {
public:
    explicit RunLoopThread(const QString& name);
    RunLoopThread(const RunLoopThread&) = delete;
    RunLoopThread& operator=(const RunLoopThread&) = delete;

    // Any thread; never blocks.
    void perform(std::function<void()> task);
    bool isCurrent() const;
    QThread* thread() { return &thread_; }

private:
    QThread thread_;
    QObject context_;
};
