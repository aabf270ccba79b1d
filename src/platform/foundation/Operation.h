#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// A unit of work with readiness from its dependencies, a cancelled flag and a completion
// block that runs once, on a pool thread, when the operation reports finished. A plain
// operation runs main() inside start(); a concurrent one overrides start() and the state
// queries and calls stateDidChange() whenever one of their answers changes.
// Thread-safe: any thread may start, cancel or query an operation.
class Operation : public std::enable_shared_from_this<Operation> {
public:
    Operation() = default;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;
    virtual ~Operation() = default;

    virtual void start();
    virtual void cancel();
    bool isCancelled() const;
    // Ready when every dependency has finished (or the operation was cancelled).
    virtual bool isReady() const;
    virtual bool isExecuting() const;
    virtual bool isFinished() const;
    virtual bool isConcurrent() const { return false; }

    void addDependency(const std::shared_ptr<Operation>& operation);

    // Null clears it. The block is dropped once it has run.
    virtual void setCompletionBlock(std::function<void()> block);
    std::function<void()> completionBlock() const;

    // Blocks the calling thread until the operation has finished.
    void waitUntilFinished();

    // Called (on the changing thread) after readiness, executing or finished changed.
    using StateObserver = std::function<void()>;
    void addStateObserver(StateObserver observer);

protected:
    virtual void main() {}
    // Announces a change of isReady / isExecuting / isFinished to the queue, dependents,
    // waiters, and runs the completion block the first time the operation is finished.
    void stateDidChange();

private:
    mutable std::mutex mutex_;
    std::condition_variable finishedCondition_;
    bool cancelled_ = false;
    bool executing_ = false;
    bool finished_ = false;
    bool completionDelivered_ = false;
    std::function<void()> completionBlock_;
    std::vector<std::shared_ptr<Operation>> dependencies_;
    std::vector<std::weak_ptr<Operation>> dependents_;
    std::vector<StateObserver> observers_;
};

// An operation whose work is a block.
class BlockOperation : public Operation {
public:
    static std::shared_ptr<BlockOperation> operationWithBlock(std::function<void()> block);
    explicit BlockOperation(std::function<void()> block);

protected:
    void main() override;

private:
    std::function<void()> block_;
};
