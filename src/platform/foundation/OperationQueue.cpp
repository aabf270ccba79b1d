#include "OperationQueue.h"

#include <QThreadPool>

#include <algorithm>
#include <mutex>

struct OperationQueue::State {
    struct Entry {
        std::shared_ptr<Operation> operation;
        bool started = false;
    };

    mutable std::mutex mutex;
    std::vector<Entry> entries;
    int width = DefaultMaxConcurrentOperationCount;

    // Drops finished operations and starts ready ones while the width allows.
    void schedule()
    {
        std::vector<std::shared_ptr<Operation>> toStart;
        {
            std::lock_guard lock(mutex);
            std::erase_if(entries, [](const Entry& entry) { return entry.started && entry.operation->isFinished(); });
            int running = int(std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return e.started; }));
            for (Entry& entry : entries) {
                if (width >= 0 && running >= width)
                    break;
                if (!entry.started && entry.operation->isReady()) {
                    entry.started = true;
                    ++running;
                    toStart.push_back(entry.operation);
                }
            }
        }
        for (auto& operation : toStart)
            QThreadPool::globalInstance()->start([operation] { operation->start(); });
    }
};

OperationQueue::OperationQueue()
    : state_(std::make_shared<State>())
{
}

OperationQueue::~OperationQueue() = default;

void OperationQueue::addOperation(const std::shared_ptr<Operation>& operation)
{
    if (!operation)
        return;
    {
        std::lock_guard lock(state_->mutex);
        state_->entries.push_back({operation, false});
    }
    operation->addStateObserver([weakState = std::weak_ptr<State>(state_)] {
        if (auto state = weakState.lock())
            state->schedule();
    });
    state_->schedule();
}

void OperationQueue::addOperations(const std::vector<std::shared_ptr<Operation>>& operations, bool waitUntilFinished)
{
    for (const auto& operation : operations)
        addOperation(operation);
    if (waitUntilFinished)
        for (const auto& operation : operations)
            operation->waitUntilFinished();
}

std::vector<std::shared_ptr<Operation>> OperationQueue::operations() const
{
    std::lock_guard lock(state_->mutex);
    std::vector<std::shared_ptr<Operation>> result;
    for (const auto& entry : state_->entries)
        if (!entry.operation->isFinished())
            result.push_back(entry.operation);
    return result;
}

std::size_t OperationQueue::operationCount() const
{
    return operations().size();
}

int OperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard lock(state_->mutex);
    return state_->width;
}

void OperationQueue::setMaxConcurrentOperationCount(int count)
{
    {
        std::lock_guard lock(state_->mutex);
        state_->width = count;
    }
    state_->schedule();
}
