#pragma once

#include <cstdint>
#include <functional>

// Runs work on the main thread, now or after a delay. The application uses the Qt event
// loop; tests install a ManualScheduler whose clock they advance.
class Scheduler {
public:
    using Task = std::function<void()>;
    using TimerId = std::uint64_t;

    virtual ~Scheduler() = default;

    // Seconds on a monotonic clock.
    virtual double now() const = 0;
    // Queues the task behind the work already queued; callable from any thread.
    virtual void post(Task task) = 0;
    // Runs the task after the delay (and every delay when repeating) until cancelled.
    // Callable from any thread; the task always runs on the main thread.
    virtual TimerId schedule(double delaySeconds, bool repeating, Task task) = 0;
    virtual void cancel(TimerId id) = 0;
};
