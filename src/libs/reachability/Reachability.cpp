#include "Reachability.h"

#include "Localization.h"
#include "MainQueue.h"
#include "NotificationCenter.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace {
std::shared_ptr<Reachability> monitorFor(std::shared_ptr<NetworkReachability> reference)
{
    return reference ? std::make_shared<Reachability>(std::move(reference)) : nullptr;
}

std::shared_ptr<Reachability> monitorForIPv4(const char* address)
{
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    inet_pton(AF_INET, address, &v4.sin_addr);
    return Reachability::reachabilityWithAddress(reinterpret_cast<const sockaddr*>(&v4));
}
} // namespace

std::shared_ptr<Reachability> Reachability::reachabilityWithHostname(const QString& hostname)
{
    return monitorFor(NetworkReachability::withHostName(hostname));
}

std::shared_ptr<Reachability> Reachability::reachabilityWithAddress(const sockaddr* address)
{
    return monitorFor(NetworkReachability::withAddress(address));
}

std::shared_ptr<Reachability> Reachability::reachabilityForInternetConnection()
{
    return monitorForIPv4("0.0.0.0");
}

std::shared_ptr<Reachability> Reachability::reachabilityForLocalWiFi()
{
    return monitorForIPv4("169.254.0.0");
}

Reachability::Reachability(std::shared_ptr<NetworkReachability> reachabilityRef)
    : reachabilityRef_(std::move(reachabilityRef))
{
}

Reachability::~Reachability()
{
    stopNotifier();
}

bool Reachability::startNotifier()
{
    std::lock_guard guard(mutex_);
    reachabilityObject_ = shared_from_this();
    reachabilitySerialQueue_ = DispatchQueue::serial(QStringLiteral("com.brennfold.reachability"));
    std::weak_ptr<Reachability> weakSelf = reachabilityObject_;
    const bool installed = reachabilityRef_->setCallback(
        [weakSelf](std::uint32_t flags) {
            if (auto self = weakSelf.lock())
                self->reachabilityChanged(flags);
        },
        reachabilitySerialQueue_);
    if (!installed) {
        reachabilitySerialQueue_.reset();
        reachabilityObject_.reset();
    }
    return installed;
}

void Reachability::stopNotifier()
{
    std::shared_ptr<Reachability> keptAlive;
    std::shared_ptr<DispatchQueue> queue;
    {
        std::lock_guard guard(mutex_);
        reachabilityRef_->clearCallback();
        queue = std::move(reachabilitySerialQueue_);
        keptAlive = std::move(reachabilityObject_);
    }
    // Released outside the lock: the last owner may be the notifier's own reference.
}

bool Reachability::isNotifying() const
{
    std::lock_guard guard(mutex_);
    return reachabilityObject_ != nullptr;
}

bool Reachability::isReachableWithFlags(std::uint32_t flags)
{
    if (!(flags & ReachabilityFlag::Reachable))
        return false;
    const std::uint32_t both = ReachabilityFlag::TransientConnection | ReachabilityFlag::ConnectionRequired;
    return (flags & both) != both;
}

void Reachability::reachabilityChanged(std::uint32_t flags)
{
    Block block;
    {
        std::lock_guard guard(mutex_);
        block = isReachableWithFlags(flags) ? reachableBlock_ : unreachableBlock_;
    }
    if (block)
        block(*this);
    const void* sender = this;
    MainQueue::async([sender] { NotificationCenter::defaultCenter().post(kReachabilityChangedNotification, sender); });
}

std::optional<std::uint32_t> Reachability::currentFlags()
{
    return reachabilityRef_->flags();
}

std::uint32_t Reachability::reachabilityFlags()
{
    return currentFlags().value_or(0);
}

bool Reachability::isReachable()
{
    const auto flags = currentFlags();
    return flags && isReachableWithFlags(*flags);
}

bool Reachability::isReachableViaWiFi()
{
    return reachabilityFlags() & ReachabilityFlag::Reachable;
}

bool Reachability::connectionRequired()
{
    return reachabilityFlags() & ReachabilityFlag::ConnectionRequired;
}

bool Reachability::isConnectionOnDemand()
{
    const std::uint32_t flags = reachabilityFlags();
    return (flags & ReachabilityFlag::ConnectionRequired)
        && (flags & (ReachabilityFlag::ConnectionOnTraffic | ReachabilityFlag::ConnectionOnDemand));
}

bool Reachability::isInterventionRequired()
{
    const std::uint32_t flags = reachabilityFlags();
    return (flags & ReachabilityFlag::ConnectionRequired) && (flags & ReachabilityFlag::InterventionRequired);
}

ReachabilityStatus Reachability::currentReachabilityStatus()
{
    const auto flags = currentFlags();
    if (flags && isReachableWithFlags(*flags) && (*flags & ReachabilityFlag::Reachable))
        return ReachableViaWiFi;
    return NotReachable;
}

QString Reachability::currentReachabilityString()
{
    switch (currentReachabilityStatus()) {
    case ReachableViaWiFi:
        return localized(QStringLiteral("WiFi"));
    case ReachableViaWWAN:
        return localized(QStringLiteral("Cellular"));
    default:
        return localized(QStringLiteral("No Connection"));
    }
}

QString Reachability::flagsString(std::uint32_t flags)
{
    const auto letter = [flags](std::uint32_t flag, char set) { return QLatin1Char((flags & flag) ? set : '-'); };
    return QStringLiteral("X") + letter(ReachabilityFlag::Reachable, 'R') + QLatin1Char(' ')
        + letter(ReachabilityFlag::ConnectionRequired, 'c') + letter(ReachabilityFlag::TransientConnection, 't')
        + letter(ReachabilityFlag::InterventionRequired, 'i') + letter(ReachabilityFlag::ConnectionOnTraffic, 'C')
        + letter(ReachabilityFlag::ConnectionOnDemand, 'D') + letter(ReachabilityFlag::IsLocalAddress, 'l')
        + letter(ReachabilityFlag::IsDirect, 'd');
}

QString Reachability::currentReachabilityFlags()
{
    return flagsString(reachabilityFlags());
}

void Reachability::setReachableBlock(Block block)
{
    std::lock_guard guard(mutex_);
    reachableBlock_ = std::move(block);
}

void Reachability::setUnreachableBlock(Block block)
{
    std::lock_guard guard(mutex_);
    unreachableBlock_ = std::move(block);
}
