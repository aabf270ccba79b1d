#include "NetworkReachability.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1)
        : fd_(fd)
    {
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

socklen_t addressLength(const sockaddr_storage& address)
{
    return address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

bool isAnyAddress(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return reinterpret_cast<const sockaddr_in&>(address).sin_addr.s_addr == htonl(INADDR_ANY);
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    return IN6_IS_ADDR_UNSPECIFIED(&v6.sin6_addr);
}

bool isLoopback(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return (ntohl(reinterpret_cast<const sockaddr_in&>(address).sin_addr.s_addr) >> 24) == 127;
    return IN6_IS_ADDR_LOOPBACK(&reinterpret_cast<const sockaddr_in6&>(address).sin6_addr);
}

// The bytes of an IPv4 or IPv6 address, for comparisons under a netmask.
std::pair<const unsigned char*, int> addressBytes(const sockaddr* address)
{
    if (address->sa_family == AF_INET)
        return {reinterpret_cast<const unsigned char*>(&reinterpret_cast<const sockaddr_in*>(address)->sin_addr), 4};
    return {reinterpret_cast<const unsigned char*>(&reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr), 16};
}

// IsLocalAddress when the address is one of this machine's, IsDirect when it lies on the
// network of an interface that is up (no gateway between).
std::uint32_t localityFlags(const sockaddr_storage& target)
{
    if (isLoopback(target))
        return ReachabilityFlag::IsLocalAddress | ReachabilityFlag::IsDirect;
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return 0;
    std::uint32_t flags = 0;
    const auto [targetBytes, length] = addressBytes(reinterpret_cast<const sockaddr*>(&target));
    for (ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != target.ss_family || !(entry->ifa_flags & IFF_UP))
            continue;
        const auto [own, ownLength] = addressBytes(entry->ifa_addr);
        if (std::memcmp(own, targetBytes, size_t(length)) == 0)
            flags |= ReachabilityFlag::IsLocalAddress | ReachabilityFlag::IsDirect;
        if (entry->ifa_netmask) {
            const auto [mask, maskLength] = addressBytes(entry->ifa_netmask);
            bool sameNetwork = true;
            for (int i = 0; i < length && sameNetwork; ++i)
                sameNetwork = (own[i] & mask[i]) == (targetBytes[i] & mask[i]);
            if (sameNetwork)
                flags |= ReachabilityFlag::IsDirect;
        }
    }
    freeifaddrs(interfaces);
    return flags;
}

// True when the interface that owns the address is up (an address no interface owns
// passes).
bool ownerIsUp(const sockaddr_storage& address)
{
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return true;
    bool up = true;
    const auto [bytes, length] = addressBytes(reinterpret_cast<const sockaddr*>(&address));
    for (ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != address.ss_family)
            continue;
        const auto [own, ownLength] = addressBytes(entry->ifa_addr);
        if (std::memcmp(own, bytes, size_t(length)) == 0)
            up = entry->ifa_flags & IFF_UP;
    }
    freeifaddrs(interfaces);
    return up;
}

// True when the kernel has a route to the address through an interface that is up. (A
// local route can outlive its interface going down, so the source address's owner is
// checked as well.)
bool hasRouteTo(const sockaddr_storage& address)
{
    FileDescriptor udp(::socket(address.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!udp.valid())
        return false;
    sockaddr_storage target = address;
    // Any port will do: connecting a UDP socket only looks the route up.
    if (target.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in&>(target).sin_port = htons(9);
    else
        reinterpret_cast<sockaddr_in6&>(target).sin6_port = htons(9);
    if (::connect(udp.get(), reinterpret_cast<const sockaddr*>(&target), addressLength(target)) != 0)
        return false;
    sockaddr_storage source{};
    socklen_t sourceLength = sizeof source;
    if (::getsockname(udp.get(), reinterpret_cast<sockaddr*>(&source), &sourceLength) != 0)
        return true;
    return ownerIsUp(source);
}

// True while the main routing table holds a default route of the family.
bool hasDefaultRoute(int family)
{
    FileDescriptor netlink(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (!netlink.valid())
        return false;
    struct {
        nlmsghdr header;
        rtmsg route;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.route.rtm_family = std::uint8_t(family);
    if (::send(netlink.get(), &request, request.header.nlmsg_len, 0) < 0)
        return false;
    alignas(nlmsghdr) char buffer[16384];
    for (;;) {
        const ssize_t received = ::recv(netlink.get(), buffer, sizeof buffer, 0);
        if (received <= 0)
            return false;
        int remaining = int(received);
        for (auto* message = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(message, remaining);
             message = NLMSG_NEXT(message, remaining)) {
            if (message->nlmsg_type == NLMSG_DONE || message->nlmsg_type == NLMSG_ERROR)
                return false;
            if (message->nlmsg_type != RTM_NEWROUTE)
                continue;
            const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(message));
            if (route->rtm_dst_len == 0 && route->rtm_table == RT_TABLE_MAIN && route->rtm_type == RTN_UNICAST)
                return true;
        }
    }
}

bool onMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

} // namespace

std::uint32_t ReachabilityProbe::flagsForAddresses(const std::vector<sockaddr_storage>& addresses)
{
    for (const sockaddr_storage& address : addresses) {
        if (isAnyAddress(address)) {
            if (hasDefaultRoute(address.ss_family))
                return ReachabilityFlag::Reachable;
        } else if (hasRouteTo(address)) {
            return ReachabilityFlag::Reachable | localityFlags(address);
        }
    }
    return 0;
}

std::vector<sockaddr_storage> ReachabilityProbe::resolve(const QString& hostName)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* results = nullptr;
    std::vector<sockaddr_storage> addresses;
    if (getaddrinfo(hostName.toUtf8().constData(), nullptr, &hints, &results) != 0)
        return addresses;
    for (addrinfo* entry = results; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6)
            continue;
        sockaddr_storage address{};
        std::memcpy(&address, entry->ai_addr, entry->ai_addrlen);
        addresses.push_back(address);
    }
    freeaddrinfo(results);
    return addresses;
}

// The addresses of the target: fixed for an address, resolved for a host name.
struct NetworkReachability::Resolution {
    std::mutex mutex;
    std::condition_variable resolved;
    std::vector<sockaddr_storage> addresses;
    bool done = false;
    bool running = false;
};

// The watch thread: first state, then a new look after every burst of route changes.
struct NetworkReachability::Watch {
    FileDescriptor wake{::eventfd(0, EFD_CLOEXEC)};
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> enabled = std::make_shared<std::atomic<bool>>(true);

    ~Watch()
    {
        enabled->store(false);
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wake.get(), &one, sizeof one);
        if (thread.joinable()) {
            if (thread.get_id() == std::this_thread::get_id())
                thread.detach();
            else
                thread.join();
        }
    }
};

NetworkReachability::NetworkReachability(QString hostName, std::vector<sockaddr_storage> addresses, bool numeric)
    : hostName_(std::move(hostName))
    , numeric_(numeric)
    , resolution_(std::make_shared<Resolution>())
{
    if (numeric_) {
        resolution_->addresses = std::move(addresses);
        resolution_->done = true;
    }
}

NetworkReachability::~NetworkReachability()
{
    clearCallback();
}

std::shared_ptr<NetworkReachability> NetworkReachability::withHostName(const QString& hostName)
{
    if (hostName.isEmpty())
        return nullptr;
    // A numeric host needs no resolver.
    sockaddr_storage address{};
    const QByteArray text = hostName.toUtf8();
    auto& v4 = reinterpret_cast<sockaddr_in&>(address);
    auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
    if (inet_pton(AF_INET, text.constData(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
    } else if (inet_pton(AF_INET6, text.constData(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
    } else {
        return std::shared_ptr<NetworkReachability>(new NetworkReachability(hostName, {}, false));
    }
    return std::shared_ptr<NetworkReachability>(new NetworkReachability(hostName, {address}, true));
}

std::shared_ptr<NetworkReachability> NetworkReachability::withAddress(const sockaddr* address)
{
    if (!address || (address->sa_family != AF_INET && address->sa_family != AF_INET6))
        return nullptr;
    sockaddr_storage copy{};
    std::memcpy(&copy, address, address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in));
    return std::shared_ptr<NetworkReachability>(new NetworkReachability({}, {copy}, true));
}

void NetworkReachability::startResolving()
{
    std::lock_guard lock(resolution_->mutex);
    if (resolution_->done || resolution_->running)
        return;
    resolution_->running = true;
    std::thread([resolution = resolution_, host = hostName_] {
        auto addresses = ReachabilityProbe::resolve(host);
        std::lock_guard lock(resolution->mutex);
        resolution->addresses = std::move(addresses);
        resolution->done = true;
        resolution->running = false;
        resolution->resolved.notify_all();
    }).detach();
}

std::vector<sockaddr_storage> NetworkReachability::resolvedAddresses()
{
    startResolving();
    std::unique_lock lock(resolution_->mutex);
    resolution_->resolved.wait(lock, [&] { return resolution_->done; });
    return resolution_->addresses;
}

std::optional<std::uint32_t> NetworkReachability::flags()
{
    if (!numeric_ && onMainThread()) {
        startResolving();
        std::lock_guard lock(resolution_->mutex);
        if (!resolution_->done)
            return std::nullopt;
    }
    return ReachabilityProbe::flagsForAddresses(resolvedAddresses());
}

bool NetworkReachability::setCallback(Callback callback, std::shared_ptr<DispatchQueue> queue)
{
    clearCallback();
    if (!callback || !queue)
        return false;
    auto watch = std::make_unique<Watch>();
    FileDescriptor* wake = &watch->wake;
    auto netlink = std::make_shared<FileDescriptor>(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE));
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (!wake->valid() || !netlink->valid()
        || ::bind(netlink->get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return false;

    const bool numeric = numeric_;
    const QString host = hostName_;
    std::vector<sockaddr_storage> fixedAddresses;
    if (numeric)
        fixedAddresses = resolution_->addresses;
    auto resolution = resolution_;
    auto enabled = watch->enabled;
    const int wakeFd = wake->get();
    // A fixed address's first state is taken now, so that a change right after this call
    // is reported.
    const std::uint32_t first = numeric ? ReachabilityProbe::flagsForAddresses(fixedAddresses) : 0;
    watch->thread = std::thread([=] {
        pthread_setname_np(pthread_self(), "reachability");
        const auto addresses = [&] {
            if (numeric)
                return fixedAddresses;
            auto found = ReachabilityProbe::resolve(host);
            std::lock_guard lock(resolution->mutex);
            resolution->addresses = found;
            resolution->done = true;
            resolution->resolved.notify_all();
            return found;
        };
        const auto report = [&](std::uint32_t flags) {
            queue->async([enabled, callback, flags] {
                if (enabled->load())
                    callback(flags);
            });
        };
        std::uint32_t last = first;
        if (!numeric) {
            last = ReachabilityProbe::flagsForAddresses(addresses());
            report(last);
        }
        pollfd watched[2] = {{netlink->get(), POLLIN, 0}, {wakeFd, POLLIN, 0}};
        char buffer[8192];
        while (enabled->load()) {
            if (::poll(watched, 2, -1) < 0 || (watched[1].revents & POLLIN))
                return;
            // Let a burst of changes settle before looking again.
            do {
                while (::recv(netlink->get(), buffer, sizeof buffer, 0) > 0) {
                }
            } while (::poll(watched, 1, 50) > 0 && !(watched[0].revents & (POLLERR | POLLHUP)));
            if (!enabled->load())
                return;
            const std::uint32_t now = ReachabilityProbe::flagsForAddresses(addresses());
            if (now != last) {
                last = now;
                report(now);
            }
        }
    });
    watch_ = std::move(watch);
    return true;
}

void NetworkReachability::clearCallback()
{
    watch_.reset();
}
