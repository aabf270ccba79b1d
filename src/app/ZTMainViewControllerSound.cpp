// The sound output: when it cannot open a sound device, or loses it, training goes on in
// silence and sound returns by itself once a device is there; the user is told once.
#include "ZTMainViewController.h"

#include "Alert.h"
#include "Localization.h"

void ZTMainViewController::audioOutputUnavailableNotification(const Notification& notification)
{
    if (toldSoundUnavailable_)
        return;
    toldSoundUnavailable_ = true;
    const bool lost = notification.userInfo.value(QStringLiteral("lost")).toBool();
    Alert::Request request;
    request.message = lost ? localized(QStringLiteral("The sound output was lost"))
                           : localized(QStringLiteral("No sound output could be opened"));
    request.informativeText = localized(
        QStringLiteral("Check that speakers or headphones are connected and that the sound server is running, "
                       "or choose an output device in the system's sound settings. Melvora goes on without sound "
                       "and plays again once an output is there."));
    request.buttons = {localized(QStringLiteral("OK"))};
    request.cancelButton = 0;
    Alert::runModal(request, window());
}
