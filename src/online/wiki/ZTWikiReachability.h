#pragma once

#include <QString>

namespace ZTWikiReachability {

// Whether the host can be reached now, as the network configuration sees it (nothing is
// sent to the host). Blocks while the name is resolved: call it off the main thread.
bool isHostReachable(const QString& host);

} // namespace ZTWikiReachability
