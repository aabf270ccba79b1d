// Sync conflicts: each conflict the sync engine announces becomes a row of the one conflict
// window, which runs modal to the application until the user has settled them or closed it.
#include "ZTMainViewController.h"

#include "Log.h"
#include "ZTConflictResolver.h"

namespace {

std::function<std::unique_ptr<ZTConflictResolver>()>& resolverFactory()
{
    static std::function<std::unique_ptr<ZTConflictResolver>()> factory;
    return factory;
}

enum SyncConflictArea { Statistics = 1, LevelsAndExercises = 2, Preferences = 3 };

} // namespace

void ZTMainViewController::setConflictResolverFactory(std::function<std::unique_ptr<ZTConflictResolver>()> factory)
{
    resolverFactory() = std::move(factory);
}

void ZTMainViewController::_registerSyncConflictNotifications()
{
    observe(QStringLiteral("ZTDropboxControllerServerStatDidChangedNotification"),
            [this](const Notification&) { dropboxServerStatDidChanged(); });
    observe(QStringLiteral("ZTDropboxControllerServerLevelsDidChangedNotification"),
            [this](const Notification&) { dropboxServerLevelsOrExercisesDidChanged(); });
    observe(QStringLiteral("ZTDropboxControllerServerExercisesDidChangedNotification"),
            [this](const Notification&) { dropboxServerLevelsOrExercisesDidChanged(); });
    observe(QStringLiteral("ZTDropboxControllerServerPrefsDidChangedNotification"),
            [this](const Notification&) { dropboxServerPrefsDidChanged(); });
}

void ZTMainViewController::dropboxServerStatDidChanged()
{
    _createResolverIfNeededWithConflict(Statistics);
}

void ZTMainViewController::dropboxServerLevelsOrExercisesDidChanged()
{
    _createResolverIfNeededWithConflict(LevelsAndExercises);
}

void ZTMainViewController::dropboxServerPrefsDidChanged()
{
    _createResolverIfNeededWithConflict(Preferences);
}

void ZTMainViewController::_createResolverIfNeededWithConflict(int area)
{
    if (resolver_) {
        resolver_->addConflict(area);
        return;
    }
    if (!resolverFactory()) {
        Log::line(QStringLiteral("A sync conflict (area %1) has no window to be settled in").arg(area));
        return;
    }
    // Another modal window that is open stays open: the conflict window comes on top of it.
    const std::unique_ptr<ZTConflictResolver> resolver = resolverFactory()();
    resolver_ = resolver.get();
    resolver->addConflict(area);
    resolver->runModalSession();
    resolver_ = nullptr;
}
