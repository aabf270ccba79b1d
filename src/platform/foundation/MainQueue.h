#pragma once

#include "Scheduler.h"

#include <atomic>
#include <memory>

// A pending delayed call. It cancels itself when destroyed, so an owner that goes away
// is never called back; detach() leaves it to run on its own. The call belongs to the
// scheduler it was made on: once that scheduler has dropped the task (run, cancelled, or
// the scheduler itself gone), the call is no longer valid and cancelling it touches no
// other scheduler's timers.
class [[nodiscard]] DelayedCall {
public:
    DelayedCall() = default;
    DelayedCall(DelayedCall&& other) noexcept;
    DelayedCall& operator=(DelayedCall&& other) noexcept;
    DelayedCall(const DelayedCall&) = delete;
    DelayedCall& operator=(const DelayedCall&) = delete;
    ~DelayedCall();

    // True until a one-shot call has run or the call was cancelled.
    bool isValid() const;
    void cancel();
    void detach();

private:
    friend class MainQueue;
    DelayedCall(Scheduler* scheduler, Scheduler::TimerId id, const std::shared_ptr<std::atomic<bool>>& pending);

    Scheduler* scheduler_ = nullptr;
    Scheduler::TimerId id_ = 0;
    // Owned by the scheduled task, so it expires when the scheduler lets go of the task.
    std::weak_ptr<std::atomic<bool>> pending_;
};

class MainQueue {
public:
    static void async(Scheduler::Task task);
    static DelayedCall after(double seconds, Scheduler::Task task);
    static void afterDetached(double seconds, Scheduler::Task task);
    static DelayedCall every(double seconds, Scheduler::Task task);
    static double now();

    static Scheduler& scheduler();
    // Replaces the scheduler (tests); nullptr restores the event-loop scheduler.
    static void setScheduler(Scheduler* scheduler);
};
