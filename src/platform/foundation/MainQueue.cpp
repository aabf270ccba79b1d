#include "MainQueue.h"

#include "QtScheduler.h"

namespace {
std::atomic<Scheduler*> installedScheduler{nullptr};
}

DelayedCall::DelayedCall(Scheduler::TimerId id, std::shared_ptr<std::atomic<bool>> pending)
    : id_(id)
    , pending_(std::move(pending))
{
}

DelayedCall::DelayedCall(DelayedCall&& other) noexcept
    : id_(other.id_)
    , pending_(std::move(other.pending_))
{
    other.id_ = 0;
}

DelayedCall& DelayedCall::operator=(DelayedCall&& other) noexcept
{
    if (this != &other) {
        cancel();
        id_ = other.id_;
        pending_ = std::move(other.pending_);
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
    return pending_ && pending_->load();
}

void DelayedCall::cancel()
{
    if (pending_ && pending_->exchange(false))
        MainQueue::scheduler().cancel(id_);
    pending_.reset();
    id_ = 0;
}

void DelayedCall::detach()
{
    pending_.reset();
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
    auto pending = std::make_shared<std::atomic<bool>>(true);
    const auto id = scheduler().schedule(seconds, false, [pending, task = std::move(task)] {
        if (pending->exchange(false))
            task();
    });
    return DelayedCall(id, std::move(pending));
}

void MainQueue::afterDetached(double seconds, Scheduler::Task task)
{
    scheduler().schedule(seconds, false, std::move(task));
}

DelayedCall MainQueue::every(double seconds, Scheduler::Task task)
{
    auto pending = std::make_shared<std::atomic<bool>>(true);
    const auto id = scheduler().schedule(seconds, true, [pending, task = std::move(task)] {
        if (pending->load())
            task();
    });
    return DelayedCall(id, std::move(pending));
}

double MainQueue::now()
{
    return scheduler().now();
}
