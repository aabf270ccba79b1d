#include "RunLoopThread.h"

#include <QCoreApplication>

#include <mutex>
#include <set>

namespace {

// The threads still running, so that the application's end can stop them. Never destroyed:
// the application object may go after static destruction has begun.
struct RunningThreads {
    std::mutex mutex;
    std::set<RunLoopThread*> threads;
};

RunningThreads& runningThreads()
{
    static auto* running = new RunningThreads;
    return *running;
}

// Called first thing by the application object's destructor. Threads left running past it
// would tear down their objects while the main thread unloads the libraries under them.
void stopRunningThreads()
{
    RunningThreads& running = runningThreads();
    std::lock_guard guard(running.mutex);
    for (RunLoopThread* thread : running.threads)
        thread->stop();
    running.threads.clear();
}

} // namespace

RunLoopThread::RunLoopThread(const QString& name)
{
    thread_.setObjectName(name);
    context_.moveToThread(&thread_);
    thread_.start();
    static std::once_flag registered;
    std::call_once(registered, [] { qAddPostRoutine(stopRunningThreads); });
    RunningThreads& running = runningThreads();
    std::lock_guard guard(running.mutex);
    running.threads.insert(this);
}

RunLoopThread::~RunLoopThread()
{
    {
        RunningThreads& running = runningThreads();
        std::lock_guard guard(running.mutex);
        running.threads.erase(this);
    }
    stop();
}

void RunLoopThread::perform(std::function<void()> task)
{
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

bool RunLoopThread::isCurrent() const
{
    return QThread::currentThread() == &thread_;
}

void RunLoopThread::stop()
{
    thread_.quit();
    if (!isCurrent())
        thread_.wait();
}
