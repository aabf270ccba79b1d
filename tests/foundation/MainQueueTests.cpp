#include "MainQueue.h"
#include "NotificationCenter.h"
#include "QtScheduler.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(ManualScheduler, RunsDelayedWorkInTimeOrderAndCancels)
{
    ManualMainQueue queue;
    QStringList order;
    DelayedCall late = MainQueue::after(1.0, [&] { order << "late"; });
    DelayedCall early = MainQueue::after(0.5, [&] { order << "early"; });
    DelayedCall cancelled = MainQueue::after(0.2, [&] { order << "cancelled"; });
    MainQueue::async([&] { order << "now"; });
    cancelled.cancel();
    queue.advance(0.4);
    EXPECT_EQ(order, QStringList({"now"}));
    EXPECT_TRUE(early.isValid());
    queue.advance(0.6);
    EXPECT_EQ(order, QStringList({"now", "early", "late"}));
    EXPECT_FALSE(early.isValid());
}

TEST(ManualScheduler, DestroyedDelayedCallNeverRunsAndRepeatingRuns)
{
    ManualMainQueue queue;
    int fired = 0;
    { DelayedCall gone = MainQueue::after(0.1, [&] { ++fired; }); }
    int ticks = 0;
    DelayedCall ticker = MainQueue::every(1.0, [&] { ++ticks; });
    queue.advance(3.5);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(ticks, 3);
    ticker.cancel();
    queue.advance(3);
    EXPECT_EQ(ticks, 3);
}

TEST(ManualScheduler, ACallThatOutlivesItsSchedulerLeavesTheNextOneAlone)
{
    // A shared object keeps its timer from one test into the next.
    DelayedCall stale;
    {
        ManualMainQueue first;
        stale = MainQueue::every(0.5, [] {});
        EXPECT_TRUE(stale.isValid());
    }
    EXPECT_FALSE(stale.isValid());

    ManualMainQueue second;
    int fired = 0;
    DelayedCall fresh = MainQueue::after(1.0, [&] { ++fired; }); // same id as the stale one
    stale.cancel();
    second.advance(1.0);
    EXPECT_EQ(fired, 1);
}

TEST(QtScheduler, RunsWorkFromOtherThreadsOnTheMainThreadInOrder)
{
    QStringList order;
    std::thread worker([&] {
        for (int i = 0; i < 5; ++i)
            MainQueue::async([&order, i] {
                EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
                order << QString::number(i);
            });
    });
    worker.join();
    bool delayedRan = false;
    DelayedCall delayed = MainQueue::after(0.02, [&] { delayedRan = true; });
    QElapsedTimer timer;
    timer.start();
    while ((!delayedRan || order.size() < 5) && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(order, QStringList({"0", "1", "2", "3", "4"}));
    EXPECT_TRUE(delayedRan);
}

TEST(QtScheduler, CancelWorksFromEitherThreadBeforeAndAfterTheTimerStarts)
{
    QtScheduler& scheduler = QtScheduler::instance();
    std::atomic<int> queuedThenCancelledHere{0};
    std::atomic<int> queuedThenCancelledThere{0};
    std::atomic<int> ticks{0};
    Scheduler::TimerId queued = 0;
    Scheduler::TimerId ticker = 0;
    std::thread([&] {
        scheduler.cancel(scheduler.schedule(0, false, [&] { ++queuedThenCancelledThere; }));
        queued = scheduler.schedule(0, false, [&] { ++queuedThenCancelledHere; });
        ticker = scheduler.schedule(0.002, true, [&] { ++ticks; });
    }).join();
    scheduler.cancel(queued); // its start is still waiting in the event queue

    auto spin = [](int milliseconds) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    };
    spin(50);
    EXPECT_GT(ticks.load(), 0);
    std::thread([&] { scheduler.cancel(ticker); }).join();
    spin(10);
    const int stopped = ticks.load();
    spin(30);
    EXPECT_EQ(ticks.load(), stopped);
    EXPECT_EQ(queuedThenCancelledHere.load(), 0);
    EXPECT_EQ(queuedThenCancelledThere.load(), 0);
}

TEST(NotificationCenter, DeliversByNameAndSenderAndStopsWhenRemoved)
{
    NotificationCenter center;
    int any = 0;
    int fromA = 0;
    const int a = 0;
    const int b = 0;
    NotificationObserver anyObserver = center.addObserver("Ping", [&](const Notification&) { ++any; });
    NotificationObserver aObserver = center.addObserver(
        "Ping", [&](const Notification& n) { ++fromA; EXPECT_EQ(n.object.toInt(), 7); },
        NotificationCenter::Delivery::PostingThread, &a);
    center.post("Ping", &a, 7);
    center.post("Ping", &b, 7);
    center.post("Pong", &a, 7);
    EXPECT_EQ(any, 2);
    EXPECT_EQ(fromA, 1);
    anyObserver.remove();
    center.post("Ping", &b);
    EXPECT_EQ(any, 2);
}

TEST(NotificationCenter, ObserverRemovedDuringDeliveryIsNotCalledAgain)
{
    NotificationCenter center;
    int second = 0;
    NotificationObserver secondObserver;
    NotificationObserver first = center.addObserver("N", [&](const Notification&) { secondObserver.remove(); });
    secondObserver = center.addObserver("N", [&](const Notification&) { ++second; });
    center.post("N");
    EXPECT_EQ(second, 0);
}

TEST(NotificationCenter, MainQueueDeliveryKeepsOrderAndSkipsDestroyedObservers)
{
    ManualMainQueue queue;
    NotificationCenter center;
    QStringList seen;
    auto observer = std::make_unique<NotificationObserver>(center.addObserver(
        "Note", [&](const Notification& n) { seen << n.userInfo.value("n").toString(); },
        NotificationCenter::Delivery::MainQueue));
    std::thread midi([&] {
        for (int i = 0; i < 3; ++i)
            center.post("Note", nullptr, {}, {{"n", QString::number(i)}});
    });
    midi.join();
    EXPECT_TRUE(seen.isEmpty());
    queue.runPending();
    EXPECT_EQ(seen, QStringList({"0", "1", "2"}));
    center.post("Note", nullptr, {}, {{"n", "late"}});
    observer.reset();
    queue.runPending();
    EXPECT_EQ(seen.size(), 3);
}

TEST(NotificationCenter, DelayedPostingArrivesAfterTheDelay)
{
    ManualMainQueue queue;
    NotificationCenter center;
    int count = 0;
    NotificationObserver observer = center.addObserver("Later", [&](const Notification&) { ++count; });
    center.postAfter(0.5, Notification{"Later"});
    queue.advance(0.49);
    EXPECT_EQ(count, 0);
    queue.advance(0.02);
    EXPECT_EQ(count, 1);
}
