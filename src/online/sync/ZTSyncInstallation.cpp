#include "ZTSyncInstallation.h"

#include "ZTAppDelegate.h"
#include "ZTDropboxConflictResolverWindowController.h"
#include "ZTDropboxController.h"
#include "ZTMainViewController.h"
#include "ZTSyncAlerts.h"

#include <QCoreApplication>

#include <memory>

namespace ZTSyncInstallation {

void install()
{
    auto engine = [] { return ZTDropboxController::sharedInstance(); };
    ZTAppDelegate::setSyncService({[engine](QWidget* controller) { engine()->startSyncWithController(controller); },
                                   [engine] { return engine()->isLinked(); }, [engine] { engine()->unlink(); },
                                   [engine] { return engine()->hasUnsyncedChanges(); }});
    ZTMainViewController::setConflictResolverFactory(&ZTDropboxConflictResolverWindowController::make);

    // Registered before the delegate's own observer, so a failed "Sync and Quit" is told once.
    auto alerts = std::make_shared<ZTSyncAlerts>();
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [alerts]() mutable {
        alerts.reset();
        ZTDropboxController::releaseShared();
    });
}

} // namespace ZTSyncInstallation
