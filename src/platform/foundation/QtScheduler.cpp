#include "QtScheduler.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

#include <cmath>

QtScheduler& QtScheduler::instance()
{
    static QtScheduler* scheduler = new QtScheduler(); // lives for the process
    return *scheduler;
}

QtScheduler::QtScheduler()
{
    clock_.start();
    if (QCoreApplication* app = QCoreApplication::instance())
        moveToThread(app->thread());
}

bool QtScheduler::onMainThread() const
{
    return QThread::currentThread() == thread();
}

double QtScheduler::now() const
{
    return static_cast<double>(clock_.nsecsElapsed()) / 1e9;
}

void QtScheduler::post(Task task)
{
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

Scheduler::TimerId QtScheduler::schedule(double delaySeconds, bool repeating, Task task)
{
    TimerId id;
    {
        QMutexLocker lock(&mutex_);
        id = ++lastId_;
        if (!onMainThread())
            waitingToStart_.insert(id);
    }
    if (onMainThread()) {
        startTimer(id, delaySeconds, repeating, std::move(task));
        return id;
    }
    QMetaObject::invokeMethod(
        this, [this, id, delaySeconds, repeating, task = std::move(task)]() mutable {
            {
                QMutexLocker lock(&mutex_);
                if (!waitingToStart_.remove(id))
                    return; // cancelled before it could start
            }
            startTimer(id, delaySeconds, repeating, std::move(task));
        },
        Qt::QueuedConnection);
    return id;
}

void QtScheduler::startTimer(TimerId id, double delaySeconds, bool repeating, Task task)
{
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeating);
    timer->setInterval(static_cast<int>(std::lround(std::max(0.0, delaySeconds) * 1000.0)));
    connect(timer, &QTimer::timeout, this, [this, id, repeating, task = std::move(task)] {
        if (!repeating)
            stopTimer(id);
        task();
    });
    {
        QMutexLocker lock(&mutex_);
        timers_.insert(id, timer);
    }
    timer->start();
}

void QtScheduler::stopTimer(TimerId id)
{
    QTimer* timer = nullptr;
    {
        QMutexLocker lock(&mutex_);
        timer = timers_.take(id);
    }
    if (timer) {
        timer->stop();
        timer->deleteLater();
    }
}

void QtScheduler::cancel(TimerId id)
{
    {
        QMutexLocker lock(&mutex_);
        if (waitingToStart_.remove(id))
            return;
    }
    // The timer lives on the main thread and is stopped there; one that has already fired
    // and ended is simply not found.
    if (onMainThread())
        stopTimer(id);
    else
        QMetaObject::invokeMethod(this, [this, id] { stopTimer(id); }, Qt::QueuedConnection);
}
