#include "DispatchQueue.h"

#include "MainQueue.h"

#include <QRunnable>
#include <QThreadPool>

#include <chrono>
#include <deque>
#include <thread>

#include <pthread.h>

namespace {

thread_local const DispatchQueue* runningQueue = nullptr;

// Marks the calling thread as running work of the queue for the duration of a task.
class RunningScope {
public:
    explicit RunningScope(const DispatchQueue* queue)
        : previous_(runningQueue)
    {
        runningQueue = queue;
    }
    ~RunningScope() { runningQueue = previous_; }

private:
    const DispatchQueue* previous_;
};

class MainDispatchQueue final : public DispatchQueue {
public:
    MainDispatchQueue()
        : DispatchQueue(QStringLiteral("main"))
    {
    }
    void async(Task task) override
    {
        MainQueue::async([this, task = std::move(task)] {
            RunningScope scope(this);
            task();
        });
    }
    bool isCurrent() const override { return runningQueue == this; }
};

// One worker thread runs the tasks in order. The worker keeps the shared state alive, so a
// queue released from inside one of its own tasks finishes that task and then stops.
class SerialDispatchQueue final : public DispatchQueue {
public:
    explicit SerialDispatchQueue(const QString& label)
        : DispatchQueue(label)
        , state_(std::make_shared<State>())
    {
        state_->owner = this;
        state_->worker = std::thread([state = state_, name = label.left(15).toUtf8()] {
            pthread_setname_np(pthread_self(), name.constData());
            run(state);
        });
    }

    ~SerialDispatchQueue() override
    {
        {
            std::lock_guard lock(state_->mutex);
            state_->stopping = true;
        }
        state_->wake.notify_all();
        if (state_->worker.get_id() == std::this_thread::get_id())
            state_->worker.detach();
        else
            state_->worker.join();
    }

    void async(Task task) override
    {
        {
            std::lock_guard lock(state_->mutex);
            state_->tasks.push_back(std::move(task));
        }
        state_->wake.notify_one();
    }

    bool isCurrent() const override { return runningQueue == this; }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<Task> tasks;
        bool stopping = false;
        const DispatchQueue* owner = nullptr;
        std::thread worker;
    };

    static void run(const std::shared_ptr<State>& state)
    {
        RunningScope scope(state->owner);
        std::unique_lock lock(state->mutex);
        for (;;) {
            state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
            if (state->tasks.empty())
                return;
            Task task = std::move(state->tasks.front());
            state->tasks.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::shared_ptr<State> state_;
};

class ConcurrentDispatchQueue final : public DispatchQueue {
public:
    explicit ConcurrentDispatchQueue(const QString& label)
        : DispatchQueue(label)
    {
    }
    void async(Task task) override
    {
        QThreadPool::globalInstance()->start([this, task = std::move(task)] {
            RunningScope scope(this);
            task();
        });
    }
    bool isCurrent() const override { return runningQueue == this; }
};

} // namespace

DispatchQueue::DispatchQueue(QString label)
    : label_(std::move(label))
{
}

std::shared_ptr<DispatchQueue> DispatchQueue::main()
{
    static const auto queue = std::make_shared<MainDispatchQueue>();
    return queue;
}

std::shared_ptr<DispatchQueue> DispatchQueue::serial(const QString& label)
{
    return std::make_shared<SerialDispatchQueue>(label);
}

std::shared_ptr<DispatchQueue> DispatchQueue::concurrent(const QString& label)
{
    return std::make_shared<ConcurrentDispatchQueue>(label);
}

void DispatchGroup::enter()
{
    std::lock_guard lock(mutex_);
    ++count_;
}

void DispatchGroup::leave()
{
    std::vector<Waiter> ready;
    {
        std::lock_guard lock(mutex_);
        if (count_ > 0 && --count_ == 0)
            ready.swap(waiters_);
    }
    emptied_.notify_all();
    for (Waiter& waiter : ready)
        waiter.queue->async(std::move(waiter.task));
}

void DispatchGroup::notify(const std::shared_ptr<DispatchQueue>& queue, DispatchQueue::Task task)
{
    {
        std::lock_guard lock(mutex_);
        if (count_ > 0) {
            waiters_.push_back({queue, std::move(task)});
            return;
        }
    }
    queue->async(std::move(task));
}

void DispatchGroup::async(const std::shared_ptr<DispatchQueue>& queue, DispatchQueue::Task task)
{
    enter();
    queue->async([this, task = std::move(task)] {
        task();
        leave();
    });
}

bool DispatchGroup::wait(double seconds)
{
    std::unique_lock lock(mutex_);
    return emptied_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return count_ == 0; });
}
