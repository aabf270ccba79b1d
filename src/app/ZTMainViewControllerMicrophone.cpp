// Answers sung or played into the microphone: the tuner hears the notes, which are entered
// like keys; the microphone button and its level light show whether the screen listens.
#include "ZTMainViewController.h"

#include "Alert.h"
#include "ImageButton.h"
#include "ImageView.h"
#include "Localization.h"
#include "MainQueue.h"
#include "ZTAbstractTestController.h"
#include "ZTPreferences.h"
#include "ZTTest.h"
#include "ZTTuner.h"

namespace {

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

const QString kLedOff = QStringLiteral("ledOff");
const QString kLedQuiet = QStringLiteral("ledYellowLight");

} // namespace

void ZTMainViewController::micAction()
{
    prefs()->setUseMicrophone(micButton_->isOn());
    tellMissingMicrophone_ = micButton_->isOn();
    _handleTuner();
}

void ZTMainViewController::useMicrophoneChangedNotification()
{
    const bool on = prefs()->useMicrophone();
    // Switched on elsewhere (the menu command): a missing microphone is worth telling.
    if (on && !micButton_->isOn())
        tellMissingMicrophone_ = true;
    micButton_->setOn(on);
    _handleTuner();
}

void ZTMainViewController::micThresholdChanged()
{
    tuner_->setThreshold(prefs()->micThreshold());
}

bool ZTMainViewController::wantsMicrophone() const
{
    const auto test = currentLessonController_ ? currentLessonController_->currentTest() : nullptr;
    return micButton_->isOn() && micButton_->tag() == 1 && test && test->canBeAnsweredByNoteInput();
}

void ZTMainViewController::_handleTuner()
{
    if (wantsMicrophone() && startTunerIfAuthorized())
        return;
    tuner_->stop();
    ledImageView_->setImageName(kLedOff);
}

bool ZTMainViewController::startTunerIfAuthorized()
{
    if (tuner_->start())
        return true;
    if (tellMissingMicrophone_) {
        tellMissingMicrophone_ = false;
        // Once the change of state under way has settled.
        QPointer<ZTMainViewController> self(this);
        MainQueue::async([self] {
            if (self)
                self->showMicrophoneAlert(localized(QStringLiteral("No microphone found")));
        });
    }
    return false;
}

void ZTMainViewController::showMicrophoneAlert(const QString& message)
{
    Alert::Request request;
    request.message = message;
    request.informativeText = localized(
        QStringLiteral("Connect a microphone or choose an input device in the system's sound settings. "
                       "Melvora listens at the next question once one is there."));
    request.buttons = {localized(QStringLiteral("OK"))};
    request.cancelButton = 0;
    Alert::runModal(request, window());
}

void ZTMainViewController::setMicEnabled(bool enabled)
{
    micButton_->setTag(enabled ? 1 : 0);
    if (wantsMicrophone() && startTunerIfAuthorized()) {
        micButton_->setAlternateImageName(QStringLiteral("micButtonRed"));
        ledImageView_->setImageName(kLedQuiet);
        return;
    }
    stopListening();
}

void ZTMainViewController::stopListening()
{
    tuner_->stop();
    micButton_->setAlternateImageName(QStringLiteral("micButtonHighlighted"));
    ledImageView_->setImageName(kLedOff);
}

void ZTMainViewController::audioInputLostNotification()
{
    // The button keeps its tag: the next question, or the next try, opens the microphone
    // anew (unless one already has since).
    if (!tuner_->isListening())
        stopListening();
    // This is what the user hears of the microphone; that it stays missing is no news.
    tellMissingMicrophone_ = false;
    if (toldMicrophoneLost_)
        return;
    toldMicrophoneLost_ = true;
    gatherSoundTrouble(OutputTrouble::None, true);
}

void ZTMainViewController::tunerDidUpdate(ZTTuner*, const ZTTunerOutput& output)
{
    if (output.amplitude() < kMinAnswerAmplitude || !currentLessonController_)
        return;
    // Spelled in the key of the question, as a MIDI key would be.
    currentLessonController_->noteEnteredWithNr(output.midiNoteNr());
    ledImageView_->setImageName(currentLessonController_->lastEnteredNoteWasRight() ? QStringLiteral("ledGreen")
                                                                                    : QStringLiteral("ledRed"));
    ledImageView_->setTag(LedResult);
    QPointer<ZTMainViewController> self(this);
    MainQueue::afterDetached(kLedResultSeconds, [self] {
        if (!self)
            return;
        self->ledImageView_->setTag(LedIdle);
        // Listening again (another try) shows the quiet light; an answered question has
        // stopped the tuner, which the light then shows.
        self->ledImageView_->setImageName(self->tuner_->isRunning() ? kLedQuiet : kLedOff);
    });
}

void ZTMainViewController::tuner(ZTTuner*, double amplitude, bool isGreaterThenThreshold)
{
    // A level queued before the tuner stopped must not light a light that says "listening".
    if (ledImageView_->tag() == LedResult || !tuner_->isRunning())
        return;
    if (amplitude < kMinAnswerAmplitude) {
        ledImageView_->setImageName(kLedQuiet);
        ledImageView_->setTag(LedIdle);
    } else if (isGreaterThenThreshold) {
        ledImageView_->setImageName(QStringLiteral("ledYellow"));
        ledImageView_->setTag(LedLoud);
    } else {
        ledImageView_->setImageName(kLedQuiet);
        ledImageView_->setTag(LedHeard);
    }
}
