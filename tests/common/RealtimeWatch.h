#pragma once

#include <ostream>
#include <utility>

// Counts, on the calling thread only, what audio render code must never do: take or give
// back memory (the C allocator, which operator new and every library below us use) and
// take a lock (pthread mutexes, which std::mutex uses, and GLib mutexes, which FluidSynth
// uses). Log lines and Qt containers allocate, so they show up as allocations.
//
// A suite that links this file has the allocator and those lock functions replaced by
// counting ones that forward to the real ones. Under a sanitizer, which replaces the
// allocator itself, nothing is counted and available() is false.
namespace RealtimeWatch {

struct Counts {
    int allocations = 0;
    int releases = 0;
    int locks = 0;

    Counts& operator+=(const Counts& other)
    {
        allocations += other.allocations;
        releases += other.releases;
        locks += other.locks;
        return *this;
    }
    bool operator==(const Counts&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Counts& counts)
{
    return out << counts.allocations << " allocations, " << counts.releases << " releases, " << counts.locks
               << " locks";
}

bool available();

// Counting on this thread from begin() to end(); end() answers what happened in between.
void begin();
Counts end();

// What `render` did on this thread.
template <typename Render>
Counts during(Render&& render)
{
    begin();
    std::forward<Render>(render)();
    return end();
}

} // namespace RealtimeWatch
