#include "ZTSyncAlerts.h"

#include "Alert.h"
#include "Localization.h"
#include "ZTAppDelegate.h"

#include <QPointer>
#include <QWidget>

namespace {

// The sheet hangs on the given window, else on the main window.
void tell(const QString& message, const QString& informativeText, QWidget* window = nullptr)
{
    Alert::Request request;
    request.style = Alert::Style::Warning;
    request.message = message;
    // Reasons come from the logs as sentence tails; the alert shows them as sentences.
    request.informativeText = informativeText.isEmpty()
        ? informativeText : informativeText.front().toUpper() + informativeText.sliced(1);
    request.buttons = {localized(QStringLiteral("OK"))};
    ZTAppDelegate* delegate = ZTAppDelegate::shared();
    if (!window && delegate)
        window = delegate->window();
    Alert::beginSheet(request, window, [](int) {});
}

} // namespace

ZTSyncAlerts::ZTSyncAlerts()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    observers_.push_back(center.addObserver(QStringLiteral("ZTDropboxControllerSyncFinishedNotification"),
                                            [this](const Notification& n) { syncFinished(n); }));
    observers_.push_back(center.addObserver(QStringLiteral("ZTDropboxControllerNotLinkedNotification"),
                                            [this](const Notification& n) { notLinked(n); }));
}

void ZTSyncAlerts::syncFinished(const Notification& notification)
{
    const QString failures =
        notification.userInfo.value(QStringLiteral("failures")).toStringList().join(QLatin1Char('\n'));
    if (failures.isEmpty()) {
        lastTold_.clear();
        return;
    }
    const ZTAppDelegate* delegate = ZTAppDelegate::shared();
    if (failures == lastTold_ || (delegate && delegate->isQuittingAfterSync()))
        return;
    lastTold_ = failures;
    tell(localized(QStringLiteral("Dropbox Sync could not complete.")), failures);
}

void ZTSyncAlerts::notLinked(const Notification& notification)
{
    // A sign-in the user cancelled needs no word.
    const QString reason = notification.userInfo.value(QStringLiteral("reason")).toString();
    // On the window the sign-in was asked for, which stays in front once the sheet is gone.
    const auto window = notification.userInfo.value(QStringLiteral("window")).value<QPointer<QWidget>>();
    if (!reason.isEmpty())
        tell(localized(QStringLiteral("Melvora could not sign in to Dropbox.")), reason, window);
}
