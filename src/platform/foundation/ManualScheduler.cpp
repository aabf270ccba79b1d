#include "ManualScheduler.h"

#include <algorithm>

ManualScheduler::~ManualScheduler()
{
    // Dropping the tasks lets go of what they hold, whose own delayed calls may cancel
    // here: they must find an empty queue, not one half destroyed.
    std::map<Key, Entry> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(queue_);
    }
}

double ManualScheduler::now() const
{
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualScheduler::post(Task task)
{
    schedule(0, false, std::move(task));
}

Scheduler::TimerId ManualScheduler::schedule(double delaySeconds, bool repeating, Task task)
{
    std::lock_guard lock(mutex_);
    const TimerId id = ++lastId_;
    const double interval = std::max(0.0, delaySeconds);
    queue_.emplace(Key{now_ + interval, id}, Entry{std::move(task), interval, repeating});
    return id;
}

void ManualScheduler::cancel(TimerId id)
{
    std::lock_guard lock(mutex_);
    std::erase_if(queue_, [id](const auto& item) { return item.first.second == id; });
}

bool ManualScheduler::runNextDueBy(double time)
{
    Entry entry;
    TimerId id;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty() || queue_.begin()->first.first > time)
            return false;
        auto first = queue_.begin();
        now_ = std::max(now_, first->first.first);
        id = first->first.second;
        entry = std::move(first->second);
        queue_.erase(first);
        if (entry.repeating) // keeps its id, so cancel still finds it
            queue_.emplace(Key{now_ + std::max(entry.interval, 1e-6), id}, entry);
    }
    entry.task();
    return true;
}

void ManualScheduler::advance(double seconds)
{
    double target;
    {
        std::lock_guard lock(mutex_);
        target = now_ + seconds;
    }
    while (runNextDueBy(target)) {
    }
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, target);
}

void ManualScheduler::runPending()
{
    advance(0);
}
