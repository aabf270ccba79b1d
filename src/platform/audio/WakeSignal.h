#pragma once

#include <semaphore.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>

// Lets one thread sleep until others wake it, where a waker may be an audio thread: wake()
// never locks, allocates or waits. A wake that finds nobody asleep is kept, so the next
// sleep returns at once: a waker first changes what the sleeper looks at, then wakes, and
// the sleeper looks after every return.
//
// A POSIX semaphore: its timed wait sleeps in the kernel until woken or timed out, where
// the standard library's timed semaphore wait polls every few tens of milliseconds.
class WakeSignal {
public:
    WakeSignal() { sem_init(&permit_, 0, 0); }
    ~WakeSignal() { sem_destroy(&permit_); }
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Any thread, lock-free.
    void wake() noexcept
    {
        // Only the first wake since the sleeper last woke gives a permit, so there is never
        // more than one.
        if (!pending_.exchange(true))
            sem_post(&permit_);
    }

    // The sleeping thread.
    void wait()
    {
        while (sem_wait(&permit_) != 0 && errno == EINTR) {
        }
        pending_.store(false);
    }

    // The sleeping thread: false when the time came first.
    bool waitUntil(std::chrono::steady_clock::time_point deadline)
    {
        // The steady clock is the monotonic one.
        const auto sinceEpoch = deadline.time_since_epoch();
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
        timespec until{};
        until.tv_sec = std::time_t(seconds.count());
        until.tv_nsec = long(std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds).count());
        int result = 0;
        while ((result = sem_clockwait(&permit_, CLOCK_MONOTONIC, &until)) != 0 && errno == EINTR) {
        }
        if (result != 0)
            return false;
        pending_.store(false);
        return true;
    }

private:
    std::atomic<bool> pending_{false};
    sem_t permit_;
};
