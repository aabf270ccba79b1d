#pragma once

#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// Queues of work in the manner the layers above expect: the main queue (the main thread's
// event loop through MainQueue), serial queues with a worker thread of their own, and
// concurrent queues on the shared thread pool. Any thread may submit work.
class DispatchQueue {
public:
    using Task = std::function<void()>;

    static std::shared_ptr<DispatchQueue> main();
    // The worker thread is made by the calling thread (and so shares its namespaces).
    static std::shared_ptr<DispatchQueue> serial(const QString& label);
    static std::shared_ptr<DispatchQueue> concurrent(const QString& label);

    virtual ~DispatchQueue() = default;
    virtual void async(Task task) = 0;
    // True when the calling thread is running work of this queue.
    virtual bool isCurrent() const = 0;
    const QString& label() const { return label_; }

protected:
    explicit DispatchQueue(QString label);

private:
    QString label_;
};

// Tracks a set of pending work items and runs notify blocks when the last one leaves.
class DispatchGroup {
public:
    void enter();
    void leave();
    // Runs the task on the queue once the group is empty (at once when it already is).
    void notify(const std::shared_ptr<DispatchQueue>& queue, DispatchQueue::Task task);
    // Runs the task on the queue as a member of the group.
    void async(const std::shared_ptr<DispatchQueue>& queue, DispatchQueue::Task task);
    // Blocks until the group is empty or the time has passed; true when empty.
    bool wait(double seconds);

private:
    struct Waiter {
        std::shared_ptr<DispatchQueue> queue;
        DispatchQueue::Task task;
    };
    std::mutex mutex_;
    std::condition_variable emptied_;
    int count_ = 0;
    std::vector<Waiter> waiters_;
};
