#pragma once

#include <atomic>
#include <chrono>
#include <semaphore>

// Lets one thread sleep until others wake it, where a waker may be an audio thread: wake()
// never locks, allocates or waits. A wake that finds nobody asleep is kept, so the next
// sleep returns at once: a waker first changes what the sleeper looks at, then wakes, and
// the sleeper looks after every return.
class WakeSignal {
public:
    // Any thread, lock-free.
    void wake() noexcept
    {
        // Only the first wake since the sleeper last woke gives a permit, so there is never
        // more than one.
        if (!pending_.exchange(true))
            permit_.release();
    }

    // The sleeping thread.
    void wait()
    {
        permit_.acquire();
        pending_.store(false);
    }

    // The sleeping thread: false when the time came first.
    template <typename Clock, typename Duration>
    bool waitUntil(const std::chrono::time_point<Clock, Duration>& deadline)
    {
        if (!permit_.try_acquire_until(deadline))
            return false;
        pending_.store(false);
        return true;
    }

private:
    std::atomic<bool> pending_{false};
    std::binary_semaphore permit_{0};
};
