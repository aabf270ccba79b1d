#include "ZTMainWindowServices.h"

#include <atomic>

namespace {

std::atomic<ZTMainWindowServices*>& sharedServices()
{
    static std::atomic<ZTMainWindowServices*> services{nullptr};
    return services;
}

} // namespace

ZTMainWindowServices* ZTMainWindowServices::shared()
{
    return sharedServices().load();
}

void ZTMainWindowServices::setShared(ZTMainWindowServices* services)
{
    sharedServices().store(services);
}
