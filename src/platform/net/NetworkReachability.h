#pragma once

#include "DispatchQueue.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <sys/socket.h>

// The reachability flags, with the bit values callers compare against.
namespace ReachabilityFlag {
enum : std::uint32_t {
    TransientConnection = 1u << 0,
    Reachable = 1u << 1,
    ConnectionRequired = 1u << 2,
    ConnectionOnTraffic = 1u << 3,
    InterventionRequired = 1u << 4,
    ConnectionOnDemand = 1u << 5,
    IsLocalAddress = 1u << 16,
    IsDirect = 1u << 17,
};
}

// Whether a host (by name) or an address could be reached now. A host is reachable when
// the kernel has a route to one of its addresses (checked with an unconnected-then-
// connected UDP socket, which sends nothing); the zero address stands for "any network"
// and is reachable while a default route exists. Host names are resolved off the main
// thread; a name that does not resolve counts as unreachable. Changes are followed
// through a netlink route socket. Worker threads are made by the calling thread.
class NetworkReachability : public std::enable_shared_from_this<NetworkReachability> {
public:
    // Nothing for an empty host name.
    static std::shared_ptr<NetworkReachability> withHostName(const QString& hostName);
    // Nothing for an address that is neither IPv4 nor IPv6.
    static std::shared_ptr<NetworkReachability> withAddress(const sockaddr* address);
    ~NetworkReachability();

    // Made from an address or a numeric host: its first state is not reported by itself.
    bool isNumeric() const { return numeric_; }
    // The flags now. Nothing while a host name is still being resolved for a caller on
    // the main thread, which never waits for a resolver; other threads wait for it.
    std::optional<std::uint32_t> flags();

    using Callback = std::function<void(std::uint32_t flags)>;
    // Reports each change of the flags on the queue (for a host name, also its first state
    // once resolved). Replaces an earlier callback. False when the watch cannot be set up.
    bool setCallback(Callback callback, std::shared_ptr<DispatchQueue> queue);
    void clearCallback();

private:
    struct Watch;
    NetworkReachability(QString hostName, std::vector<sockaddr_storage> addresses, bool numeric);
    std::vector<sockaddr_storage> resolvedAddresses();
    void startResolving();

    const QString hostName_;
    const bool numeric_;
    struct Resolution;
    std::shared_ptr<Resolution> resolution_;
    std::unique_ptr<Watch> watch_;
};

namespace ReachabilityProbe {
// The flags for a set of addresses as the kernel sees them now.
std::uint32_t flagsForAddresses(const std::vector<sockaddr_storage>& addresses);
// The addresses of a host name; empty when it does not resolve.
std::vector<sockaddr_storage> resolve(const QString& hostName);
} // namespace ReachabilityProbe
