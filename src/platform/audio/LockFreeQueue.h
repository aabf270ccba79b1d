#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// A bounded queue that any number of threads may push to and pop from without a lock
// (a ring of cells, each with a sequence number that says whether it is free or full).
// Built for handing events to an audio render thread: push and pop never allocate and
// never wait; a full queue refuses the push and an empty one the pop.
template <typename T, std::size_t Capacity>
class LockFreeQueue {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");
    static_assert(std::is_trivially_copyable_v<T>, "events are copied in and out of the cells");

public:
    LockFreeQueue()
    {
        for (std::size_t i = 0; i < Capacity; ++i)
            cells_[i].sequence.store(i, std::memory_order_relaxed);
    }
    LockFreeQueue(const LockFreeQueue&) = delete;
    LockFreeQueue& operator=(const LockFreeQueue&) = delete;

    // Any thread; false when the queue is full.
    bool push(const T& value) noexcept
    {
        std::size_t position = pushPosition_.load(std::memory_order_relaxed);
        for (;;) {
            Cell& cell = cells_[position & (Capacity - 1)];
            const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
            const auto lag = std::intptr_t(sequence) - std::intptr_t(position);
            if (lag == 0) {
                if (pushPosition_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
                    cell.value = value;
                    cell.sequence.store(position + 1, std::memory_order_release);
                    return true;
                }
            } else if (lag < 0) {
                return false;
            } else {
                position = pushPosition_.load(std::memory_order_relaxed);
            }
        }
    }

    // Any thread; false when nothing is waiting (or the next event is still being written).
    bool pop(T& value) noexcept
    {
        std::size_t position = popPosition_.load(std::memory_order_relaxed);
        for (;;) {
            Cell& cell = cells_[position & (Capacity - 1)];
            const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
            const auto lag = std::intptr_t(sequence) - std::intptr_t(position + 1);
            if (lag == 0) {
                if (popPosition_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
                    value = cell.value;
                    cell.sequence.store(position + Capacity, std::memory_order_release);
                    return true;
                }
            } else if (lag < 0) {
                return false;
            } else {
                position = popPosition_.load(std::memory_order_relaxed);
            }
        }
    }

    static constexpr std::size_t capacity() { return Capacity; }

private:
    struct Cell {
        std::atomic<std::size_t> sequence{0};
        T value{};
    };

    std::array<Cell, Capacity> cells_;
    alignas(64) std::atomic<std::size_t> pushPosition_{0};
    alignas(64) std::atomic<std::size_t> popPosition_{0};
};
