#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>

// A fixed set of pointers that control threads add and remove while one real-time thread
// walks them without locks (the sources of the output mix, the sinks of the microphone).
// Control threads serialise add() and remove() among themselves; only one thread walks.
template <typename T, std::size_t Capacity>
class RealtimeSlots {
public:
    RealtimeSlots()
    {
        for (auto& slot : slots_)
            slot.store(nullptr);
    }

    // Control thread. True when the item is (now or already) in the set; false when full.
    bool add(T* item)
    {
        if (contains(item))
            return true;
        for (auto& slot : slots_) {
            T* expected = nullptr;
            if (slot.compare_exchange_strong(expected, item))
                return true;
        }
        return false;
    }

    // Control thread; blocks for the rest of a walk in progress. On return the walking
    // thread no longer uses the item, so it may be destroyed. Never call it from a walk.
    void remove(T* item)
    {
        for (auto& slot : slots_) {
            T* expected = item;
            slot.compare_exchange_strong(expected, nullptr);
        }
        // A walk that began before the slot was cleared may still hold the item.
        const std::uint64_t cycle = walkCycle_.load();
        if ((cycle & 1) == 0)
            return;
        while (walkCycle_.load() == cycle)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }

    // Control thread: empties the set, with remove()'s guarantee for every item.
    void clear()
    {
        for (auto& slot : slots_)
            if (T* item = slot.load())
                remove(item);
    }

    // Any thread, lock-free.
    bool empty() const
    {
        for (const auto& slot : slots_)
            if (slot.load())
                return false;
        return true;
    }

    // Any thread, lock-free.
    bool contains(const T* item) const
    {
        for (const auto& slot : slots_)
            if (item && slot.load() == item)
                return true;
        return false;
    }

    // The walking thread, never blocks: calls visit(item) for every item in the set.
    template <typename Visit>
    void forEach(Visit&& visit) noexcept
    {
        walkCycle_.fetch_add(1); // odd while walking
        for (auto& slot : slots_) {
            // Sequentially consistent, like remove()'s clearing and its look at the cycle
            // count: either this walk sees the slot empty or the remover waits for it.
            if (T* item = slot.load())
                visit(item);
        }
        walkCycle_.fetch_add(1);
    }

private:
    std::array<std::atomic<T*>, Capacity> slots_;
    std::atomic<std::uint64_t> walkCycle_{0};
};
