#pragma once

#include "Operation.h"

#include <memory>
#include <vector>

// Runs operations once they are ready, each started on a pool thread, at most
// maxConcurrentOperationCount at a time (-1: as many as are ready). Finished operations
// leave the queue. Thread-safe.
class OperationQueue {
public:
    static constexpr int DefaultMaxConcurrentOperationCount = -1;

    OperationQueue();
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    void addOperation(const std::shared_ptr<Operation>& operation);
    void addOperations(const std::vector<std::shared_ptr<Operation>>& operations, bool waitUntilFinished);
    // The operations not yet finished, in the order they were added.
    std::vector<std::shared_ptr<Operation>> operations() const;
    std::size_t operationCount() const;

    int maxConcurrentOperationCount() const;
    void setMaxConcurrentOperationCount(int count);

private:
    struct State;
    std::shared_ptr<State> state_;
};
