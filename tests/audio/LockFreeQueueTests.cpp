#include "LockFreeQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(LockFreeQueue, RefusesWhenFullAndWhenEmptyAndKeepsTheOrder)
{
    LockFreeQueue<int, 4> queue;
    int value = 0;
    EXPECT_FALSE(queue.pop(value));
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(queue.push(i));
    EXPECT_FALSE(queue.push(99));
    for (int round = 0; round < 10; ++round) { // around the ring many times
        ASSERT_TRUE(queue.pop(value));
        EXPECT_EQ(value, round);
        EXPECT_TRUE(queue.push(round + 4));
    }
}

TEST(LockFreeQueue, SeveralProducersLoseNothingAndEachKeepsItsOrder)
{
    struct Event {
        int producer;
        int sequence;
    };
    constexpr int kProducers = 4;
    constexpr int kEach = 20000;
    LockFreeQueue<Event, 256> queue;
    std::atomic<bool> go{false};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back([&, p] {
            while (!go.load()) {
            }
            for (int i = 0; i < kEach; ++i)
                while (!queue.push({p, i}))
                    std::this_thread::yield();
        });
    go = true;
    std::vector<int> next(kProducers, 0);
    int received = 0;
    Event event{};
    while (received < kProducers * kEach) {
        if (!queue.pop(event))
            continue;
        ASSERT_EQ(event.sequence, next[std::size_t(event.producer)]) << "producer " << event.producer;
        ++next[std::size_t(event.producer)];
        ++received;
    }
    for (std::thread& producer : producers)
        producer.join();
    EXPECT_FALSE(queue.pop(event));
}
