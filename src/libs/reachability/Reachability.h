#pragma once

#include "DispatchQueue.h"
#include "NetworkReachability.h"

#include <QString>

#include <functional>
#include <memory>

enum ReachabilityStatus : std::int32_t {
    NotReachable = 0,
    ReachableViaWWAN = 1,
    ReachableViaWiFi = 2,
};

inline const QString kReachabilityChangedNotification = QStringLiteral("kReachabilityChangedNotification");

// Watches whether a host or an address can be reached. Questions read the current flags on
// the caller's thread; once the notifier runs, every change is handed to the blocks on a
// serial queue of the monitor's own and announced as "kReachabilityChangedNotification"
// (sender = the monitor) on the main queue. A running notifier keeps the monitor alive
// until stopNotifier. Make monitors with the factories.
class Reachability : public std::enable_shared_from_this<Reachability> {
public:
    using Block = std::function<void(Reachability&)>;

    static std::shared_ptr<Reachability> reachabilityWithHostname(const QString& hostname);
    static std::shared_ptr<Reachability> reachabilityWithAddress(const sockaddr* address);
    // The default route (0.0.0.0).
    static std::shared_ptr<Reachability> reachabilityForInternetConnection();
    // The link-local network (169.254.0.0).
    static std::shared_ptr<Reachability> reachabilityForLocalWiFi();

    explicit Reachability(std::shared_ptr<NetworkReachability> reachabilityRef);
    ~Reachability();
    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    // Any thread. False, with the monitor left idle, when the watch cannot be set up.
    bool startNotifier();
    void stopNotifier();

    bool isReachable();
    bool isReachableViaWWAN() { return false; }
    bool isReachableViaWiFi();
    bool connectionRequired();
    bool isConnectionRequired() { return connectionRequired(); }
    bool isConnectionOnDemand();
    bool isInterventionRequired();
    ReachabilityStatus currentReachabilityStatus();
    // The raw flags, 0 when they cannot be read.
    std::uint32_t reachabilityFlags();
    // "WiFi", "Cellular" or "No Connection", localised.
    QString currentReachabilityString();
    // "XR ct-iCDld" style: one letter per flag, "-" when clear.
    QString currentReachabilityFlags();
    static QString flagsString(std::uint32_t flags);

    static bool isReachableWithFlags(std::uint32_t flags);
    // The change step, on the serial queue.
    void reachabilityChanged(std::uint32_t flags);

    void setReachableBlock(Block block);
    void setUnreachableBlock(Block block);
    bool reachableOnWWAN() const { return reachableOnWWAN_; }
    void setReachableOnWWAN(bool value) { reachableOnWWAN_ = value; }
    bool isNotifying() const;

private:
    std::optional<std::uint32_t> currentFlags();

    std::shared_ptr<NetworkReachability> reachabilityRef_;
    std::shared_ptr<DispatchQueue> reachabilitySerialQueue_;
    std::shared_ptr<Reachability> reachabilityObject_;
    mutable std::mutex mutex_;
    Block reachableBlock_;
    Block unreachableBlock_;
    bool reachableOnWWAN_ = true;
};
