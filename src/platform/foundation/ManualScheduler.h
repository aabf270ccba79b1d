#pragma once

#include "Scheduler.h"

#include <map>
#include <mutex>
#include <utility>

// A scheduler whose clock only moves when told to: tests install it with
// MainQueue::setScheduler and advance time to run delayed work deterministically.
class ManualScheduler final : public Scheduler {
public:
    ManualScheduler() = default;
    ~ManualScheduler() override;
    ManualScheduler(const ManualScheduler&) = delete;
    ManualScheduler& operator=(const ManualScheduler&) = delete;

    double now() const override;
    void post(Task task) override;
    TimerId schedule(double delaySeconds, bool repeating, Task task) override;
    void cancel(TimerId id) override;

    // Runs, in time order, every task due up to now + seconds; the clock ends there.
    void advance(double seconds);
    // Runs the work due now, including work that this work queues for now.
    void runPending();

private:
    struct Entry {
        Task task;
        double interval = 0;
        bool repeating = false;
    };
    using Key = std::pair<double, TimerId>; // due time, then order of scheduling
    bool runNextDueBy(double time);

    mutable std::mutex mutex_;
    double now_ = 1000.0;
    TimerId lastId_ = 0;
    std::map<Key, Entry> queue_;
};
