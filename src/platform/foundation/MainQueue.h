#pragma once

#include "Scheduler.h"

#include <atomic>
#include <memory>

// A pending delayed call. It cancels itself when destroyed, so an owner that goes away
// is never called back; detach() leaves it to run on its own.
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
    DelayedCall(Scheduler::TimerId id, std::shared_ptr<std::atomic<bool>> pending);

    Scheduler::TimerId id_ = 0;
    std::shared_ptr<std::atomic<bool>> pending_;
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
