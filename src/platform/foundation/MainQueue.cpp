#include "MainQueue.h"

#include "QtScheduler.h"

namespace {
std::atomic<Scheduler*> installedScheduler{nullptr};
}

DelayedCall::DelayedCall(Scheduler* scheduler, Scheduler::TimerId id, const std::shared_ptr<std::atomic<bool>>& pending)
    : scheduler_(scheduler)
    , id_(id)
    , pending_(pending)
{
}

DelayedCall::DelayedCall(DelayedCall&& other) noexcept
    : scheduler_(other.scheduler_)
    , id_(other.id_)
    , pending_(std::move(other.pending_))
{
    other.scheduler_ = nullptr;
    other.id_ = 0;
}

DelayedCall& DelayedCall::operator=(DelayedCall&& other) noexcept
{
    if (this != &other) {
        cancel();
        scheduler_ = other.scheduler_;
        id_ = other.id_;
        pending_ = std::move(other.pending_);
        other.scheduler_ = nullptr;
        other.id_ = 0;
    }
    return *this;
}

DelayedCall::~DelayedCall()
{
    cancel();
}

bool DelayedCall::isValid() const
{
    const auto pending = pending_.lock();
    return pending && pending->load();
}

void DelayedCall::cancel()
{
    // A live flag means the scheduler that holds the task is still there to cancel it.
    if (const auto pending = pending_.lock(); pending && pending->exchange(false))
        scheduler_->cancel(id_);
    detach();
}

void DelayedCall::detach()
{
    pending_.reset();
    scheduler_ = nullptr;
    id_ = 0;
}

Scheduler& MainQueue::scheduler()
{
    if (Scheduler* installed = installedScheduler.load())
        return *installed;
    return QtScheduler::instance();
}

void MainQueue::setScheduler(Scheduler* scheduler)
{
    installedScheduler.store(scheduler);
}

void MainQueue::async(Scheduler::Task task)
{
    scheduler().post(std::move(task));
}

DelayedCall MainQueue::after(double seconds, Scheduler::Task task)
{
    Scheduler& target = scheduler();
    auto pending = std::make_shared<std::atomic<bool>>(true);
    const auto id = target.schedule(seconds, false, [pending, task = std::move(task)] {
        if (pending->exchange(false))
            task();
    });
    return DelayedCall(&target, id, pending);
}

void MainQueue::afterDetached(double seconds, Scheduler::Task task)
{
    scheduler().schedule(seconds, false, std::move(task));
}

DelayedCall MainQueue::every(double seconds, Scheduler::Task task)
{
    Scheduler& target = scheduler();
    auto pending = std::make_shared<std::atomic<bool>>(true);
    const auto id = target.schedule(seconds, true, [pending, task = std::move(task)] {
        if (pending->load())
            task();
    });
    return DelayedCall(&target, id, pending);
}

double MainQueue::now()
{
    return scheduler().now();
}
