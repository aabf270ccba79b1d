#pragma once

#include <algorithm>
#include <chrono>

// When the audio output tries a missing device again: while idle after `firstRetry`, then
// after twice as long each time up to `longestRetry`; when something is to sound, at once
// unless the last try was less than `soundRetrySpacing` ago. A try costs a few milliseconds
// of looking for sound systems, so a server that comes back is heard within seconds.
struct AudioOutputRetryPolicy {
    std::chrono::milliseconds firstRetry{1000};
    std::chrono::milliseconds longestRetry{5000};
    std::chrono::milliseconds soundRetrySpacing{250};
};

// The tries of one stretch without a device, by the policy. The output's keeper thread only.
class AudioOutputRetrySchedule {
public:
    using Clock = std::chrono::steady_clock;

    explicit AudioOutputRetrySchedule(const AudioOutputRetryPolicy& policy) : policy_(policy) {}

    // The device was tried (and missed) just now: the first wait begins.
    void restart(Clock::time_point now)
    {
        wait_ = policy_.firstRetry;
        lastTry_ = now;
        nextTry_ = now + wait_;
    }
    // Whether to try now.
    bool isDue(Clock::time_point now, bool soundWanted) const
    {
        return now >= nextTry_ || (soundWanted && now - lastTry_ >= policy_.soundRetrySpacing);
    }
    // A try just now failed again: the next wait is twice as long, up to the longest.
    void failed(Clock::time_point now)
    {
        wait_ = std::min<Clock::duration>(wait_ * 2, policy_.longestRetry);
        lastTry_ = now;
        nextTry_ = now + wait_;
    }
    Clock::time_point nextTry() const { return nextTry_; }

private:
    const AudioOutputRetryPolicy policy_;
    Clock::duration wait_{};
    Clock::time_point lastTry_{};
    Clock::time_point nextTry_{};
};
