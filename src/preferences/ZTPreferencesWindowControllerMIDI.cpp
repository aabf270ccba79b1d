// The Audio / MIDI tab: MIDI input, MIDI output with the parameters of each kind of output,
// the remote-control keys with their capture from a played note, and the microphone.
#include "ZTPreferencesWindowController.h"

#include "Alert.h"
#include "Localization.h"
#include "ZTMIDIController.h"
#include "ZTPreferences.h"
#include "ZTPreferencesControls.h"
#include "ZTPreferencesLists.h"
#include "ZTStringFormat.h"
#include "ZTVelocityFormatter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

namespace {

constexpr double kCaptureTick = 1.0; // seconds per count-down step
constexpr qint64 kCaptureTicks = 3;
constexpr double kMinMicThreshold = 0.01;
constexpr double kMaxMicThreshold = 0.5;

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

ZTMIDIController* midi()
{
    return ZTMIDIController::sharedInstance();
}

QString withColon(const QString& text)
{
    return ZTStringFormat::fill(QStringLiteral("%@:"), {localized(text)});
}

void setTexts(std::initializer_list<QLabel*> labels, const QString& text)
{
    for (QLabel* label : labels)
        label->setText(localized(text));
}

// Entries that stand for stored names: each shows the name the user knows and keeps the
// stored name as its data; the stored one is selected.
void fillWithNames(QComboBox* popup, const QStringList& names, const std::function<QString(const QString&)>& title,
                   const QString& stored)
{
    ZTPopups::fill(popup, {});
    for (const QString& name : names)
        popup->addItem(title(name), name);
    ZTPopups::select(popup, int(names.indexOf(stored)));
}

QString inputSourceTitle(const QString& name)
{
    if (name == ZTMIDIController::kNoInputSource)
        return localized(QStringLiteral("No MIDI in"));
    if (name == ZTMIDIController::kAutoInputSource)
        return localized(QStringLiteral("Auto select"));
    return name;
}

} // namespace

// ---- Fill ----

void ZTPreferencesWindowController::_setupMIDI()
{
    const ZTPreferencesOutlets& o = outlets_;

    // MIDI in: none, every source, then each source by name. A chosen device that is not
    // plugged in keeps its entry: the choice stands until it comes back.
    const QString input = prefs()->MIDIInSource();
    QStringList inputs{ZTMIDIController::kNoInputSource, ZTMIDIController::kAutoInputSource};
    for (const MIDIEndpoint& source : midi()->inputSources())
        if (!inputs.contains(source.name))
            inputs << source.name;
    if (!inputs.contains(input))
        inputs << input;
    fillWithNames(o.midiInPopupButton, inputs, inputSourceTitle, input);
    ZTPopups::fill(o.midiInChannelPopup, ZTPreferencesLists::inputChannelTitles());
    ZTPopups::select(o.midiInChannelPopup, prefs()->MIDIInChannel());
    o.midiThroughCheckbox->setChecked(prefs()->MIDIThrough());
    o.midiThroughCheckbox->setText(localized(QStringLiteral("MIDI through")));

    // MIDI out: the two software synthesizers, then every destination.
    QStringList outputs{ZTMIDIController::kSampleSynthesizerName, ZTMIDIController::kSystemSynthesizerName};
    for (const MIDIEndpoint& destination : midi()->endpoints())
        outputs << destination.name;
    fillWithNames(o.midiOutPopupButton, outputs, ZTMIDIController::displayNameForEndpoint, prefs()->MIDIOutEndpoint());
    _setupDynMIDIOutParam();
    ZTPopups::fill(o.midiOutChannelPopup, ZTPreferencesLists::channelTitles());
    ZTPopups::select(o.midiOutChannelPopup, prefs()->MIDIOutChannel() - 1);
    for (const VelocityControl& control : velocityControls()) {
        const int velocity = (prefs()->*control.read)();
        control.field->setText(ZTVelocityFormatter::stringForValue(velocity));
        control.stepper->setLimits(0, 127);
        control.stepper->setIntegerValue(velocity);
    }

    // Rhythm
    ZTPopups::fill(o.midiOutRhythmChannelPopup, ZTPreferencesLists::channelTitles());
    ZTPopups::select(o.midiOutRhythmChannelPopup, prefs()->MIDIOutRhythmChannel() - 1);
    setTexts({o.midiInChannelLabel, o.midiOutChannelLabel, o.midiOutRhythmCHannelLabel}, QStringLiteral("Channel:"));
    setTexts({o.midiOutVelocityLabel, o.midiOutRhythmVelocityLabel, o.midiOutVelocityLabelMVSoftSynth,
              o.midiOutRhythmVelocityLabelMVSoftSynth},
             QStringLiteral("Velocity:"));
    setTexts({o.normalExercisesLabel, o.normalExerciseLabelMVSoftSynth}, QStringLiteral("Tonal exercises"));
    setTexts({o.rhythmExerciseLabel, o.rythmExerciseLabelMVSoftSynth}, QStringLiteral("Rhythm exercises"));
    setTexts({o.midiOutRhythmNoteLabel}, QStringLiteral("Note:"));
    setTexts({o.midiOutRhythmInstrumentMVSoftSynth}, QStringLiteral("Instrument"));
    ZTPopups::fill(o.midiOutRhythmNotePopup, ZTPreferencesLists::rhythmNoteTitles());
    ZTPopups::select(o.midiOutRhythmNotePopup, prefs()->MIDIOutRhythmNote());
    ZTPopups::fill(o.midiOutRhythmInstrumentPopupMVSoftSynth, ZTPreferencesLists::clickNames());
    ZTPopups::select(o.midiOutRhythmInstrumentPopupMVSoftSynth, prefs()->MIDIOutRhythmInstrumentMVSoftSynth());

    // MIDI Remote
    const QStringList keys = ZTPreferencesLists::remoteKeyTitles();
    ZTPopups::fill(o.remoteNextPopup, keys);
    ZTPopups::select(o.remoteNextPopup, prefs()->MIDIRemoteNextKey() + 1);
    ZTPopups::fill(o.remoteRepeatPopup, keys);
    ZTPopups::select(o.remoteRepeatPopup, prefs()->MIDIRemotePlayKey() + 1);
    setTexts({o.midiRemoteNextLabel}, QStringLiteral("New Question"));
    setTexts({o.midiRemoteRepeatLabel}, QStringLiteral("Repeat Question"));
    // A running capture keeps its count-down on its button.
    for (QPushButton* button : {o.remoteCaptureNextButton, o.remoteCaptureRepeatButton})
        if (button != _captureButton)
            button->setText(localized(QStringLiteral("Capture")));

    // Microphone
    o.micThresholdSlider->setDoubleRange(kMinMicThreshold, kMaxMicThreshold);
    o.micThresholdSlider->setDoubleValue(prefs()->micThreshold());
    ZTPopups::fill(o.micRecognitionPopupButton, {localized(QStringLiteral("Instrument (e.g. Piano, Acousic Guitar)")),
                                                 localized(QStringLiteral("Voice"))});
    ZTPopups::select(o.micRecognitionPopupButton, prefs()->micType());
    o.midiInBox->setTitle(localized(QStringLiteral("MIDI in")));
    o.midiOutBox->setTitle(localized(QStringLiteral("MIDI out")));
    o.midiRemoteBox->setTitle(localized(QStringLiteral("MIDI Remote")));
    o.microphoneBox->setTitle(localized(QStringLiteral("Microphone / Pitch detection")));
    o.micThresholdLabel->setText(withColon(QStringLiteral("Threshold")));
    o.micRecognitionMethodTimeLabel->setText(withColon(QStringLiteral("Recognition method")));
    o.ignoreOctaveCHeckbox->setText(localized(QStringLiteral("Ignore octave when entering notes")));
}

void ZTPreferencesWindowController::_setupDynMIDIOutParam()
{
    const bool sampleSynthesizer = prefs()->MIDIOutEndpoint() == ZTMIDIController::kSampleSynthesizerName;
    outlets_.MVSoftSynthParamView->setVisible(sampleSynthesizer);
    outlets_.GMMIDIParamView->setVisible(!sampleSynthesizer);
}

// ---- MIDI in and out ----

void ZTPreferencesWindowController::midiInPopupAction()
{
    const QString chosen = outlets_.midiInPopupButton->currentData().toString();
    prefs()->setMIDIInSource(chosen.isEmpty() ? ZTMIDIController::kNoInputSource : chosen);
}

void ZTPreferencesWindowController::midiInChannelAction()
{
    storeChosenIndex(outlets_.midiInChannelPopup, &ZTPreferences::setMIDIInChannel);
}

void ZTPreferencesWindowController::midiThroughAction()
{
    prefs()->setMIDIThrough(outlets_.midiThroughCheckbox->isChecked());
}

void ZTPreferencesWindowController::midiOutPopupAction()
{
    const QString chosen = outlets_.midiOutPopupButton->currentData().toString();
    if (chosen.isEmpty())
        return;
    // The controller goes back to the output in use when the new one fails.
    midi()->setLastEndpoint(prefs()->MIDIOutEndpoint());
    prefs()->setMIDIOutEndpoint(chosen);
    _setupDynMIDIOutParam();
}

void ZTPreferencesWindowController::midiOutChannelAction()
{
    storeChosenIndex(outlets_.midiOutChannelPopup, &ZTPreferences::setMIDIOutChannel, 1);
}

void ZTPreferencesWindowController::midiOutRhythmChannelAction()
{
    storeChosenIndex(outlets_.midiOutRhythmChannelPopup, &ZTPreferences::setMIDIOutRhythmChannel, 1);
}

void ZTPreferencesWindowController::midiOutRhythmNoteAction()
{
    storeChosenIndex(outlets_.midiOutRhythmNotePopup, &ZTPreferences::setMIDIOutRhythmNote);
}

void ZTPreferencesWindowController::midiOutRhythmInstrumentMVSoftSynthAction()
{
    storeChosenIndex(outlets_.midiOutRhythmInstrumentPopupMVSoftSynth, &ZTPreferences::setMIDIOutRhythmInstrumentMVSoftSynth);
}

void ZTPreferencesWindowController::MIDIOutEndpointChangedNotification()
{
    ZTPopups::select(outlets_.midiOutPopupButton, outlets_.midiOutPopupButton->findData(prefs()->MIDIOutEndpoint()));
    _setupDynMIDIOutParam();
}

void ZTPreferencesWindowController::_endpointChangedNotification()
{
    _setupMIDI();
}

// ---- Velocities ----

std::vector<ZTPreferencesWindowController::VelocityControl> ZTPreferencesWindowController::velocityControls() const
{
    const ZTPreferencesOutlets& o = outlets_;
    return {
        {o.midiOutVelocityTextInput, o.midiOutVelocityStepper, &ZTPreferences::MIDIOutVelocity,
         &ZTPreferences::setMIDIOutVelocity},
        {o.midiOutRhythmVelocityTextInput, o.midiOutRhythmVelocityStepper, &ZTPreferences::MIDIOutRhythmVelocity,
         &ZTPreferences::setMIDIOutRhythmVelocity},
        {o.midiOutVelocityTextInputMVSoftSynth, o.midiOutVelocityStepperMVSoftSynth,
         &ZTPreferences::MIDIOutVelocityMVSoftSynth, &ZTPreferences::setMIDIOutVelocityMVSoftSynth},
        {o.midiOutRhythmVelocityTextInputMVSoftSynth, o.midiOutRhythmVelocityStepperMVSoftSynth,
         &ZTPreferences::MIDIOutRhythmVelocityMVSoftSynth, &ZTPreferences::setMIDIOutRhythmVelocityMVSoftSynth},
    };
}

void ZTPreferencesWindowController::stepperAction(const VelocityControl& control)
{
    control.field->setText(ZTVelocityFormatter::stringForValue(control.stepper->integerValue()));
    (prefs()->*control.write)(control.field->text().toInt());
}

void ZTPreferencesWindowController::textDidChange(QLineEdit* field)
{
    for (const VelocityControl& control : velocityControls()) {
        if (control.field != field)
            continue;
        // The field's validator lets only 0-127 stand.
        const int velocity = field->text().toInt();
        control.stepper->setIntegerValue(velocity);
        (prefs()->*control.write)(velocity);
    }
}

// ---- Remote keys ----

void ZTPreferencesWindowController::remoteNextPopupAction()
{
    remotePopupAction(true);
}

void ZTPreferencesWindowController::remoteRepeatPopupAction()
{
    remotePopupAction(false);
}

void ZTPreferencesWindowController::remotePopupAction(bool next)
{
    QComboBox* popup = next ? outlets_.remoteNextPopup : outlets_.remoteRepeatPopup;
    QComboBox* other = next ? outlets_.remoteRepeatPopup : outlets_.remoteNextPopup;
    const int index = popup->currentIndex();
    // One note cannot command both; "Off" may stand for both.
    if (index > 0 && index == other->currentIndex()) {
        ZTPopups::select(popup, (next ? prefs()->MIDIRemoteNextKey() : prefs()->MIDIRemotePlayKey()) + 1);
        return;
    }
    if (next)
        prefs()->setMIDIRemoteNextKey(index - 1);
    else
        prefs()->setMIDIRemotePlayKey(index - 1);
    endCapture();
}

void ZTPreferencesWindowController::remoteCaptureNextAction()
{
    remoteCaptureAction(outlets_.remoteCaptureNextButton);
}

void ZTPreferencesWindowController::remoteCaptureRepeatAction()
{
    remoteCaptureAction(outlets_.remoteCaptureRepeatButton);
}

void ZTPreferencesWindowController::remoteCaptureAction(QAbstractButton* button)
{
    midi()->setMidiConnector(this);
    captureTimer.cancel();
    _captureButton = button;
    _captureCount = 0;
    button->setChecked(true);
    captureTimer = MainQueue::every(kCaptureTick, [this] { handleCaptureTimer(); });
    QAbstractButton* other =
        button == outlets_.remoteCaptureNextButton ? outlets_.remoteCaptureRepeatButton : outlets_.remoteCaptureNextButton;
    other->setText(localized(QStringLiteral("Capture")));
    other->setChecked(false);
    handleCaptureTimer();
}

void ZTPreferencesWindowController::handleCaptureTimer()
{
    if (!_captureButton)
        return;
    if (_captureCount == kCaptureTicks) {
        endCapture();
        return;
    }
    _captureButton->setText(QString::number(kCaptureTicks - _captureCount));
    ++_captureCount;
}

void ZTPreferencesWindowController::endCapture()
{
    captureTimer.cancel();
    if (_captureButton)
        _captureButton->setText(localized(QStringLiteral("Capture")));
    _resetCaptureButtons();
}

void ZTPreferencesWindowController::_resetCaptureButtons()
{
    for (QAbstractButton* button : {outlets_.remoteCaptureNextButton, outlets_.remoteCaptureRepeatButton})
        if (button)
            button->setChecked(false);
    _captureButton = nullptr;
    // Played notes reach the instrument again.
    if (midi()->midiConnector() == this)
        midi()->setMidiConnector(nullptr);
}

void ZTPreferencesWindowController::noteOn(std::uint8_t note, std::uint8_t)
{
    if (!_captureButton)
        return;
    const int key = note;
    if (_captureButton == outlets_.remoteCaptureNextButton) {
        if (key != prefs()->MIDIRemotePlayKey()) {
            ZTPopups::select(outlets_.remoteNextPopup, key + 1);
            prefs()->setMIDIRemoteNextKey(key);
        }
    } else if (key != prefs()->MIDIRemoteNextKey()) {
        ZTPopups::select(outlets_.remoteRepeatPopup, key + 1);
        prefs()->setMIDIRemotePlayKey(key);
    }
    endCapture();
}

void ZTPreferencesWindowController::noteOff(std::uint8_t) {}

// ---- Microphone ----

void ZTPreferencesWindowController::micThresholdSliderAction()
{
    prefs()->setMicThreshold(float(outlets_.micThresholdSlider->doubleValue()));
}

void ZTPreferencesWindowController::micRecognitionAction()
{
    storeChosenIndex(outlets_.micRecognitionPopupButton, &ZTPreferences::setMicType);
}

void ZTPreferencesWindowController::micHelpAction()
{
    Alert::Request request;
    request.message = localized(QStringLiteral("Microphone / Pitch detection"));
    request.informativeText = localized(QStringLiteral("MIC_HELP_TEXT"));
    request.buttons = {localized(QStringLiteral("OK"))};
    Alert::runModal(request, window_);
}
