#include "Reachability.h"

#include "NotificationCenter.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <future>
#include <thread>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

using namespace ReachabilityFlag;

std::shared_ptr<Reachability> loopback()
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return Reachability::reachabilityWithAddress(reinterpret_cast<const sockaddr*>(&address));
}

TEST(ReachabilityRules, ATransientConnectionThatIsAlsoRequiredIsNotReachable)
{
    EXPECT_FALSE(Reachability::isReachableWithFlags(Reachable | TransientConnection | ConnectionRequired));
    EXPECT_TRUE(Reachability::isReachableWithFlags(Reachable | TransientConnection));
    EXPECT_TRUE(Reachability::isReachableWithFlags(Reachable | ConnectionRequired));
    EXPECT_FALSE(Reachability::isReachableWithFlags(IsDirect));
    EXPECT_EQ(Reachability::flagsString(Reachable | IsDirect), QStringLiteral("XR ------d"));
    EXPECT_EQ(Reachability::flagsString(0), QStringLiteral("X- -------"));
    EXPECT_FALSE(Reachability::reachabilityWithHostname(QString()));
}

TEST(Reachability, TheLoopbackAddressIsReachableLocallyAndDirectly)
{
    TestEnvironment environment;
    const auto monitor = loopback();
    ASSERT_TRUE(monitor);
    EXPECT_TRUE(monitor->isReachable());
    EXPECT_TRUE(monitor->isReachableViaWiFi());
    EXPECT_FALSE(monitor->isReachableViaWWAN());
    EXPECT_FALSE(monitor->connectionRequired());
    EXPECT_EQ(monitor->currentReachabilityStatus(), ReachableViaWiFi);
    EXPECT_EQ(monitor->currentReachabilityFlags(), QStringLiteral("XR -----ld"));
    EXPECT_EQ(monitor->currentReachabilityString(), QStringLiteral("WiFi"));
}

TEST(Reachability, AHostNameIsResolvedOffTheMainThreadAndReportedOnceKnown)
{
    TestEnvironment environment;
    const auto monitor = Reachability::reachabilityWithHostname(QStringLiteral("localhost"));
    ASSERT_TRUE(monitor);
    std::atomic<int> reachable{0};
    std::atomic<bool> onMonitorQueue{true};
    monitor->setReachableBlock([&](Reachability&) {
        onMonitorQueue = QThread::currentThread() != qApp->thread();
        ++reachable;
    });
    int notifications = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        kReachabilityChangedNotification, [&](const Notification& n) {
            EXPECT_EQ(n.sender, monitor.get());
            ++notifications;
        });
    ASSERT_TRUE(monitor->startNotifier());
    ASSERT_TRUE(waitUntil([&] { return notifications == 1; }));
    EXPECT_EQ(reachable.load(), 1);
    EXPECT_TRUE(onMonitorQueue.load());
    EXPECT_EQ(monitor->currentReachabilityStatus(), ReachableViaWiFi);
    monitor->stopNotifier();
}

TEST(Reachability, ARunningNotifierKeepsItsMonitorAliveUntilStopped)
{
    TestEnvironment environment;
    std::weak_ptr<Reachability> weak;
    {
        auto monitor = loopback();
        EXPECT_TRUE(monitor->startNotifier());
        EXPECT_TRUE(monitor->startNotifier()) << "a second start replaces the queue";
        weak = monitor;
    }
    auto stillThere = weak.lock();
    ASSERT_TRUE(stillThere);
    EXPECT_TRUE(stillThere->isNotifying());
    stillThere->stopNotifier();
    EXPECT_FALSE(stillThere->isNotifying());
    stillThere.reset();
    EXPECT_TRUE(weak.expired());
}

// Brings the loopback interface of the calling thread's network namespace up or down.
bool setLoopbackUp(bool up)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool done = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (done) {
        request.ifr_flags = short(up ? (request.ifr_flags | IFF_UP) : (request.ifr_flags & ~IFF_UP));
        done = ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    if (fd >= 0)
        ::close(fd);
    return done;
}

// In a network namespace of its own the test can take the network away and give it back.
TEST(Reachability, FollowsTheLinkInANetworkNamespaceOfItsOwn)
{
    TestEnvironment environment;
    struct Result {
        QString skipped;
        bool downAtFirst = true;
        bool reportedUp = false;
        bool reportedDown = false;
        std::uint32_t unresolvableFlags = 1;
        std::shared_ptr<Reachability> monitor;
    } result;
    int notifications = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        kReachabilityChangedNotification, [&](const Notification&) { ++notifications; });
    std::thread isolated([&] {
        // Only this thread (and the threads it makes) moves into the new namespace.
        if (::unshare(CLONE_NEWNET) != 0) {
            result.skipped = QStringLiteral("unshare(CLONE_NEWNET) is not allowed here: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        result.unresolvableFlags = Reachability::reachabilityWithHostname(QStringLiteral("melvora-test.invalid"))->reachabilityFlags();
        auto monitor = loopback();
        result.monitor = monitor;
        result.downAtFirst = !monitor->isReachable();
        std::promise<void> up;
        std::promise<void> down;
        monitor->setReachableBlock([&](Reachability&) { up.set_value(); });
        monitor->setUnreachableBlock([&](Reachability&) { down.set_value(); });
        if (!monitor->startNotifier())
            return;
        setLoopbackUp(true);
        result.reportedUp = up.get_future().wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        setLoopbackUp(false);
        result.reportedDown = down.get_future().wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        monitor->stopNotifier();
        monitor->setReachableBlock(nullptr);
        monitor->setUnreachableBlock(nullptr);
    });
    isolated.join();
    if (!result.skipped.isEmpty())
        GTEST_SKIP() << result.skipped.toStdString();
    EXPECT_EQ(result.unresolvableFlags, 0u) << "a name that does not resolve counts as unreachable";
    EXPECT_TRUE(result.downAtFirst) << "a new namespace starts with its loopback down";
    EXPECT_TRUE(result.reportedUp);
    EXPECT_TRUE(result.reportedDown);
    // Both changes are also told on the main thread; waiting for them here keeps them from
    // reaching the next test's observers.
    EXPECT_TRUE(waitUntil([&] { return notifications == 2; }));
}

TEST(Reachability, TheDefaultRouteAndLinkLocalMonitorsAnswerWithoutBlocking)
{
    TestEnvironment environment;
    const auto internet = Reachability::reachabilityForInternetConnection();
    const auto linkLocal = Reachability::reachabilityForLocalWiFi();
    ASSERT_TRUE(internet);
    ASSERT_TRUE(linkLocal);
    // The answers depend on the machine; they must be one of the two statuses.
    for (const auto& monitor : {internet, linkLocal}) {
        const ReachabilityStatus status = monitor->currentReachabilityStatus();
        EXPECT_TRUE(status == NotReachable || status == ReachableViaWiFi);
    }
}

} // namespace
