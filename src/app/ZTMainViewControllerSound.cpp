// The sound devices: when the output cannot open a sound device, or loses it, training goes
// on in silence and sound returns by itself once a device is there. The user is told once
// of each device, and of both at once when the sound server takes both with it.
#include "ZTMainViewController.h"

#include "Alert.h"
#include "AudioOutput.h"
#include "Localization.h"

#include <utility>

namespace {

QString outputAdvice()
{
    return localized(
        QStringLiteral("Check that speakers or headphones are connected and that the sound server is running, "
                       "or choose an output device in the system's sound settings. Melvora goes on without sound "
                       "and plays again once an output is there."));
}

} // namespace

void ZTMainViewController::audioOutputUnavailableNotification(const Notification& notification)
{
    if (toldSoundUnavailable_)
        return;
    toldSoundUnavailable_ = true;
    const bool lost = notification.userInfo.value(QStringLiteral("lost")).toBool();
    gatherSoundTrouble(lost ? OutputTrouble::Lost : OutputTrouble::Missing, false);
}

void ZTMainViewController::gatherSoundTrouble(OutputTrouble output, bool microphoneLost)
{
    if (output != OutputTrouble::None)
        untoldOutputTrouble_ = output;
    untoldMicrophoneLoss_ = untoldMicrophoneLoss_ || microphoneLost;
    if (microphoneLost) {
        // A resting output hears of a server that went away only when it plays again: it
        // looks now, so that the alert can tell of both.
        AudioOutput::sharedOutput()->wake();
    }
    // An alert on screen tells what came meanwhile after it.
    if (!tellingSoundTrouble_ && !soundTroubleAlert_.isValid()) {
        QPointer<ZTMainViewController> self(this);
        soundTroubleAlert_ = MainQueue::after(kSoundTroubleGatherSeconds, [self] {
            if (self)
                self->tellSoundTrouble();
        });
    }
}

void ZTMainViewController::tellSoundTrouble()
{
    tellingSoundTrouble_ = true;
    while (untoldOutputTrouble_ != OutputTrouble::None || untoldMicrophoneLoss_) {
        const OutputTrouble output = std::exchange(untoldOutputTrouble_, OutputTrouble::None);
        const bool microphone = std::exchange(untoldMicrophoneLoss_, false);
        if (output == OutputTrouble::None) {
            showMicrophoneAlert(localized(QStringLiteral("The microphone was lost")));
            continue;
        }
        Alert::Request request;
        if (microphone) {
            request.message = localized(QStringLiteral("The sound output and the microphone were lost"));
            request.informativeText = localized(QStringLiteral(
                "Check that the sound server is running and that speakers or headphones and a microphone are "
                "connected, or choose the devices in the system's sound settings. Melvora goes on without sound "
                "and plays again once an output is there; it listens at the next question once a microphone is "
                "there."));
        } else {
            request.message = output == OutputTrouble::Lost ? localized(QStringLiteral("The sound output was lost"))
                                                            : localized(QStringLiteral("No sound output could be opened"));
            request.informativeText = outputAdvice();
        }
        request.buttons = {localized(QStringLiteral("OK"))};
        request.cancelButton = 0;
        Alert::runModal(request, window());
    }
    tellingSoundTrouble_ = false;
}
