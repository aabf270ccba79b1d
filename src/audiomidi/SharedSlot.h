#pragma once

#include <memory>
#include <mutex>
#include <utility>

// A shared_ptr that one thread may replace while others take copies of it (the current
// instrument, read by the MIDI thread). The lock covers only the pointer copy, so it is
// never held while the object is used; it must not be used on an audio render path.
template <typename T>
class SharedSlot {
public:
    std::shared_ptr<T> load() const
    {
        std::lock_guard lock(mutex_);
        return pointer_;
    }
    // The previous object is released after the lock is let go (its teardown may take time).
    void store(std::shared_ptr<T> pointer) { exchange(std::move(pointer)).reset(); }
    std::shared_ptr<T> exchange(std::shared_ptr<T> pointer)
    {
        std::lock_guard lock(mutex_);
        return std::exchange(pointer_, std::move(pointer));
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<T> pointer_;
};
