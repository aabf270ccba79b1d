#include "Operation.h"

#include <QThreadPool>

void Operation::start()
{
    {
        std::lock_guard lock(mutex_);
        if (executing_ || finished_)
            return;
        executing_ = true;
    }
    stateDidChange();
    if (!isCancelled())
        main();
    {
        std::lock_guard lock(mutex_);
        executing_ = false;
        finished_ = true;
    }
    stateDidChange();
}

void Operation::cancel()
{
    {
        std::lock_guard lock(mutex_);
        if (cancelled_)
            return;
        cancelled_ = true;
    }
    stateDidChange();
}

bool Operation::isCancelled() const
{
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool Operation::isReady() const
{
    std::vector<std::shared_ptr<Operation>> dependencies;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_)
            return true;
        dependencies = dependencies_;
    }
    for (const auto& dependency : dependencies)
        if (!dependency->isFinished())
            return false;
    return true;
}

bool Operation::isExecuting() const
{
    std::lock_guard lock(mutex_);
    return executing_;
}

bool Operation::isFinished() const
{
    std::lock_guard lock(mutex_);
    return finished_;
}

void Operation::addDependency(const std::shared_ptr<Operation>& operation)
{
    if (!operation || operation.get() == this)
        return;
    {
        std::lock_guard lock(mutex_);
        dependencies_.push_back(operation);
    }
    std::lock_guard lock(operation->mutex_);
    operation->dependents_.push_back(weak_from_this());
}

void Operation::setCompletionBlock(std::function<void()> block)
{
    std::lock_guard lock(mutex_);
    completionBlock_ = std::move(block);
}

std::function<void()> Operation::completionBlock() const
{
    std::lock_guard lock(mutex_);
    return completionBlock_;
}

void Operation::waitUntilFinished()
{
    std::unique_lock lock(mutex_);
    finishedCondition_.wait(lock, [this] { return completionDelivered_; });
}

void Operation::addStateObserver(StateObserver observer)
{
    std::lock_guard lock(mutex_);
    observers_.push_back(std::move(observer));
}

void Operation::stateDidChange()
{
    const bool finished = isFinished();
    std::function<void()> completion;
    std::vector<std::weak_ptr<Operation>> dependents;
    std::vector<StateObserver> observers;
    {
        std::lock_guard lock(mutex_);
        if (finished && !completionDelivered_) {
            completionDelivered_ = true;
            completion = completionBlock_;
            dependents = dependents_;
        }
        observers = observers_;
    }
    if (finished)
        finishedCondition_.notify_all();
    // The operation stays alive while its completion block runs, whoever else lets go.
    if (completion)
        QThreadPool::globalInstance()->start([self = weak_from_this().lock(), completion] { completion(); });
    for (const auto& weakDependent : dependents)
        if (auto dependent = weakDependent.lock())
            dependent->stateDidChange();
    for (const auto& observer : observers)
        observer();
}

std::shared_ptr<BlockOperation> BlockOperation::operationWithBlock(std::function<void()> block)
{
    return std::make_shared<BlockOperation>(std::move(block));
}

BlockOperation::BlockOperation(std::function<void()> block)
    : block_(std::move(block))
{
}

void BlockOperation::main()
{
    if (block_)
        block_();
}
