#include "ZTWikiReachability.h"

#include "NetworkReachability.h"
#include "Reachability.h"

namespace ZTWikiReachability {

bool isHostReachable(const QString& host)
{
    const std::shared_ptr<NetworkReachability> probe = NetworkReachability::withHostName(host);
    if (!probe)
        return false;
    const std::optional<std::uint32_t> flags = probe->flags();
    return flags && Reachability::isReachableWithFlags(*flags);
}

} // namespace ZTWikiReachability
