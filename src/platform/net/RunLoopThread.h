#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <functional>

// A thread of its own that runs a Qt event loop; work handed to it is queued without
// waiting. The loop ends, and the thread is waited for, when the application object starts
// to go (or this object does, whichever is first): objects living on the thread are then
// deleted on it while Qt and the libraries they use are still whole. Work handed over
// after that is dropped.
class RunLoopThread {
public:
    explicit RunLoopThread(const QString& name);
    ~RunLoopThread();
    RunLoopThread(const RunLoopThread&) = delete;
    RunLoopThread& operator=(const RunLoopThread&) = delete;

    // Any thread; never blocks.
    void perform(std::function<void()> task);
    bool isCurrent() const;
    QThread* thread() { return &thread_; }

    // Ends the loop and waits for the thread to finish (from any other thread).
    void stop();

private:
    QThread thread_;
    QObject context_;
};
