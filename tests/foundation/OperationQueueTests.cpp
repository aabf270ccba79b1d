#include "DispatchQueue.h"
#include "OperationQueue.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

TEST(OperationQueue, RunsDependentsAfterTheirDependenciesAndCompletionOnce)
{
    OperationQueue queue;
    std::mutex mutex;
    QStringList order;
    const auto step = [&](const QString& name) {
        return BlockOperation::operationWithBlock([&, name] {
            std::lock_guard guard(mutex);
            order << name;
        });
    };
    auto first = step("first");
    auto second = step("second");
    auto last = step("last");
    last->addDependency(first);
    last->addDependency(second);
    std::atomic<int> completions{0};
    last->setCompletionBlock([&] { ++completions; });
    EXPECT_FALSE(last->isReady());
    queue.addOperations({last, second, first}, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(order.size(), 3);
    EXPECT_EQ(order.last(), QStringLiteral("last"));
    EXPECT_EQ(completions.load(), 1);
    EXPECT_EQ(queue.operationCount(), 0u);
}

TEST(OperationQueue, KeepsToItsWidth)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    std::vector<std::shared_ptr<Operation>> operations;
    for (int i = 0; i < 6; ++i)
        operations.push_back(BlockOperation::operationWithBlock([&] {
            most = std::max(most.load(), ++running);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            --running;
        }));
    queue.addOperations(operations, true);
    EXPECT_EQ(most.load(), 1);
}

TEST(DispatchQueue, ASerialQueueRunsInOrderOnOneThreadAndAGroupNotifiesWhenEmpty)
{
    auto queue = DispatchQueue::serial(QStringLiteral("test.serial"));
    DispatchGroup group;
    std::vector<int> seen;
    std::atomic<bool> notified{false};
    for (int i = 0; i < 50; ++i)
        group.async(queue, [&, i] { seen.push_back(i); });
    group.notify(queue, [&] { notified = queue->isCurrent(); });
    ASSERT_TRUE(group.wait(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(notified.load());
    ASSERT_EQ(seen.size(), 50u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST(DispatchQueue, AQueueReleasedFromItsOwnTaskFinishesThatTask)
{
    auto queue = DispatchQueue::serial(QStringLiteral("test.self"));
    std::atomic<bool> finished{false};
    auto* raw = queue.get();
    raw->async([&queue, &finished] {
        queue.reset();
        finished = true;
    });
    for (int i = 0; i < 200 && !finished; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(finished.load());
}

} // namespace
