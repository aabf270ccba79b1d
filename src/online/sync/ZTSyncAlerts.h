#pragma once

#include "NotificationCenter.h"

#include <QString>

#include <vector>

// Tells the user when a sync pass could not do everything, or signing in to Dropbox failed,
// with an alert sheet on the main window. The same failures are told once until a pass
// succeeds, so an unreachable service does not bring an alert every pull. While the
// application waits on a sync to quit, the application shell tells the user itself.
class ZTSyncAlerts {
public:
    ZTSyncAlerts();

private:
    void syncFinished(const Notification& notification);
    void notLinked(const Notification& notification);

    QString lastTold_;
    std::vector<NotificationObserver> observers_;
};
