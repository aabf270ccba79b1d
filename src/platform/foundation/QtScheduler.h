#pragma once

#include "Scheduler.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QSet>

class QTimer;

// The scheduler of the running application: Qt's event loop on the main thread.
class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    static QtScheduler& instance();

    double now() const override;
    void post(Task task) override;
    TimerId schedule(double delaySeconds, bool repeating, Task task) override;
    void cancel(TimerId id) override;

private:
    QtScheduler();
    void startTimer(TimerId id, double delaySeconds, bool repeating, Task task);
    void stopTimer(TimerId id);
    bool onMainThread() const;

    QElapsedTimer clock_;
    QMutex mutex_;
    TimerId lastId_ = 0;
    QHash<TimerId, QTimer*> timers_;
    // Scheduled from another thread, their start still queued for the main thread.
    QSet<TimerId> waitingToStart_;
};
