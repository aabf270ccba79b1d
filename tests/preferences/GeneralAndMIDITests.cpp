// The General and Audio / MIDI tabs, the remote-key capture included.
#include "PreferencesTestSupport.h"

#include "FakeMIDIBackend.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "PropertyList.h"
#include "ZTMIDIController.h"
#include "ZTPreferences.h"
#include "ZTPreferencesControls.h"
#include "ZTPreferencesLists.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace {

class GeneralAndMIDITest : public PreferencesTest {
protected:
    // A bundle copy whose file `name` holds `value`, in use from now on.
    void useBundleWith(const QString& name, const QVariant& value)
    {
        const QString folder = environment_->copyOfResources();
        ASSERT_TRUE(PropertyList::writeFileAtomically(folder + QLatin1Char('/') + name, value));
        environment_->useResources(folder);
    }

    static void type(QLineEdit* field, const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(field, c.toLatin1());
    }

    // A note-on from the MIDI keyboard, delivered as the MIDI system would.
    void play(int note, int velocity = 100)
    {
        midiSystem()->receive({0x90, std::uint8_t(note), std::uint8_t(velocity)});
        queue_->runPending();
    }

    static ZTMIDIController* midi() { return ZTMIDIController::sharedInstance(); }
};

TEST_F(GeneralAndMIDITest, AutoPlaySettings)
{
    const ZTPreferencesOutlets& o = outlets();
    const QStringList delays = titles(o.autoPlayAfterPopupButton);
    ASSERT_EQ(delays.size(), 10);
    EXPECT_EQ(delays.at(0), QStringLiteral("After 1 second"));
    EXPECT_EQ(delays.at(1), QStringLiteral("After 2 seconds"));
    EXPECT_EQ(delays.at(9), QStringLiteral("After 10 seconds"));
    EXPECT_EQ(o.autoPlayAfterPopupButton->currentIndex(), 2); // 3 s by default
    choose(o.autoPlayAfterPopupButton, 3);
    EXPECT_EQ(prefs()->autoPlayTime(), 4);

    // A delay no entry has leaves the shown choice.
    prefs()->setAutoPlayTime(25);
    controller()->_setupGeneralSettings();
    EXPECT_EQ(o.autoPlayAfterPopupButton->currentIndex(), 3);

    EXPECT_TRUE(o.alwaysRadioButton->isChecked()); // "autoplayCorrectAnswer" is off at first
    o.afterCorrectAnswerRadioButton->click();
    EXPECT_TRUE(prefs()->autoplayCorrectAnswer());
    o.alwaysRadioButton->click();
    EXPECT_FALSE(prefs()->autoplayCorrectAnswer());
    o.autoPlayCheckbox->click();
    EXPECT_FALSE(prefs()->autoPlay());
    o.ignoreOctaveCHeckbox->click();
    EXPECT_TRUE(prefs()->ignoreOctaves());
}

TEST_F(GeneralAndMIDITest, AnswerSoundsArePreviewedAndStoredById)
{
    const ZTPreferencesOutlets& o = outlets();
    const QStringList sounds = titles(o.soundRightAnswerPopup);
    ASSERT_GE(sounds.size(), 3);
    EXPECT_EQ(sounds.first(), QStringLiteral("No Sound"));
    EXPECT_EQ(sounds.at(1), QStringLiteral("Chime"));
    EXPECT_EQ(o.soundRightAnswerPopup->currentIndex(), 0);

    choose(o.soundRightAnswerPopup, 1);
    EXPECT_EQ(prefs()->soundRightAnswer(), QStringLiteral("chime"));
    ASSERT_EQ(sounds_->played.size(), 1);
    EXPECT_TRUE(sounds_->played.first().endsWith(QStringLiteral("chime.wav")));

    choose(o.soundWrongAnswerPopup, 2);
    EXPECT_EQ(prefs()->soundWrongAnswer(), QStringLiteral("ding"));
    choose(o.soundWrongAnswerPopup, 0);
    EXPECT_EQ(prefs()->soundWrongAnswer(), QString());
    EXPECT_FALSE(prefs()->soundWrongAnswer().isNull()); // stored as "no sound", not as unset
    EXPECT_EQ(sounds_->played.size(), 2);

    // An id the bundle does not know shows "No Sound".
    prefs()->setSoundRightAnswer(QStringLiteral("gong"));
    controller()->_setupGeneralSettings();
    EXPECT_EQ(o.soundRightAnswerPopup->currentIndex(), 0);
}

TEST_F(GeneralAndMIDITest, NamingPopupsKeepTheirOrderWhenTwoTitlesReadAlike)
{
    // A language in which two octave numberings read the same.
    const QString folder = environment_->copyOfResources();
    QFile strings(folder + QStringLiteral("/strings/en.json"));
    ASSERT_TRUE(strings.open(QIODevice::ReadOnly));
    QJsonObject table = QJsonDocument::fromJson(strings.readAll()).object();
    strings.close();
    table.insert(QStringLiteral("MIDI"), QStringLiteral("C3"));
    table.insert(QStringLiteral("French"), QStringLiteral("C3"));
    ASSERT_TRUE(strings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    strings.write(QJsonDocument(table).toJson());
    strings.close();
    environment_->useResources(folder);
    Localization::reload();

    prefs()->setSpellingType(QStringLiteral("Helmholtz"));
    const ZTPreferencesOutlets& o = outlets();
    ASSERT_EQ(o.spellingTypePopupButton->count(), 5);
    EXPECT_EQ(o.spellingTypePopupButton->currentIndex(), 4);
    choose(o.spellingTypePopupButton, 3);
    EXPECT_EQ(prefs()->spellingType(), QStringLiteral("French"));
    choose(o.spellingTypePopupButton, 2);
    EXPECT_EQ(prefs()->spellingType(), QStringLiteral("MIDI"));

    choose(o.noteNamesPopupButton, 2);
    EXPECT_EQ(prefs()->noteNamesType(), QStringLiteral("Solomisation"));
    Localization::reload();
}

TEST_F(GeneralAndMIDITest, RhythmNotesAreNamedOnlyAsFarAsTheListGoes)
{
    useBundleWith(QStringLiteral("RhythmInstrumentNames.plist"),
                  QVariantList{QString(), QStringLiteral("Kick"), 7, QVariantMap{}});
    const QStringList notes = ZTPreferencesLists::rhythmNoteTitles();
    ASSERT_EQ(notes.size(), 128);
    EXPECT_EQ(notes.at(0), QStringLiteral("0"));
    EXPECT_EQ(notes.at(1), QStringLiteral("1 - Kick"));
    EXPECT_EQ(notes.at(2), QStringLiteral("2 - 7"));
    EXPECT_EQ(notes.at(3), QStringLiteral("3"));
    EXPECT_EQ(notes.at(127), QStringLiteral("127"));

    // A file that is no list names nothing.
    useBundleWith(QStringLiteral("RhythmInstrumentNames.plist"), QVariantMap{{QStringLiteral("a"), 1}});
    EXPECT_EQ(ZTPreferencesLists::rhythmNoteTitles().at(39), QStringLiteral("39"));

    const ZTPreferencesOutlets& o = outlets();
    EXPECT_EQ(o.midiOutRhythmNotePopup->currentIndex(), 39);
    choose(o.midiOutRhythmNotePopup, 42);
    EXPECT_EQ(prefs()->MIDIOutRhythmNote(), 42);
}

TEST_F(GeneralAndMIDITest, EachOutputShowsItsOwnParameters)
{
    const ZTPreferencesOutlets& o = outlets();
    const QStringList outputs = titles(o.midiOutPopupButton);
    ASSERT_EQ(outputs.size(), 3);
    EXPECT_EQ(outputs.at(1), localized(QStringLiteral("Apple DLS SoftSynth")));
    EXPECT_EQ(outputs.at(2), kExternalSynthName);
    EXPECT_EQ(o.midiOutPopupButton->currentIndex(), 1);
    EXPECT_TRUE(o.MVSoftSynthParamView->isHidden());
    EXPECT_FALSE(o.GMMIDIParamView->isHidden());

    choose(o.midiOutPopupButton, 0);
    EXPECT_EQ(prefs()->MIDIOutEndpoint(), QStringLiteral("Melvora SoftSynth"));
    EXPECT_EQ(midi()->lastEndpoint(), QStringLiteral("Apple DLS SoftSynth"));
    EXPECT_FALSE(o.MVSoftSynthParamView->isHidden());
    EXPECT_TRUE(o.GMMIDIParamView->isHidden());
    EXPECT_EQ(titles(o.midiOutRhythmInstrumentPopupMVSoftSynth),
              (QStringList{QStringLiteral("Sticks"), QStringLiteral("Clap")}));
    choose(o.midiOutRhythmInstrumentPopupMVSoftSynth, 1);
    EXPECT_EQ(prefs()->MIDIOutRhythmInstrumentMVSoftSynth(), 1);

    choose(o.midiOutPopupButton, 2);
    EXPECT_EQ(prefs()->MIDIOutEndpoint(), kExternalSynthName);
    EXPECT_EQ(midi()->lastEndpoint(), QStringLiteral("Melvora SoftSynth"));
    EXPECT_FALSE(o.GMMIDIParamView->isHidden());

    choose(o.midiOutChannelPopup, 3);
    choose(o.midiOutRhythmChannelPopup, 8);
    choose(o.midiInChannelPopup, 16);
    choose(o.midiInPopupButton, 0);
    o.midiThroughCheckbox->click();
    EXPECT_EQ(prefs()->MIDIOutChannel(), 4);
    EXPECT_EQ(prefs()->MIDIOutRhythmChannel(), 9);
    EXPECT_EQ(prefs()->MIDIInChannel(), 16);
    EXPECT_EQ(prefs()->MIDIInSource(), QString());
    EXPECT_FALSE(prefs()->MIDIThrough()); // on at first

    // A device plugged in while the window is open: the tab is filled again and keeps the choices.
    midiSystem()->addDestination({QStringLiteral("Stage Piano"), QStringLiteral("external-2")});
    settle();
    EXPECT_EQ(titles(o.midiOutPopupButton).last(), QStringLiteral("Stage Piano"));
    EXPECT_EQ(o.midiOutPopupButton->currentIndex(), 2);
    EXPECT_EQ(o.midiOutChannelPopup->currentIndex(), 3);
    EXPECT_EQ(o.midiInChannelPopup->currentIndex(), 16);
}

TEST_F(GeneralAndMIDITest, TheMIDIInputOffersEachSourceAndHoldsTheChoice)
{
    const MIDIEndpoint keyboard{QStringLiteral("Keyboard"), QStringLiteral("in-1")};
    const MIDIEndpoint pads{QStringLiteral("Pads"), QStringLiteral("in-2")};
    midiSystem()->addSource(keyboard);
    midiSystem()->addSource(pads);
    settle();
    const ZTPreferencesOutlets& o = outlets();
    EXPECT_EQ(titles(o.midiInPopupButton), (QStringList{"No MIDI in", "Auto select", "Keyboard", "Pads"}));
    EXPECT_EQ(o.midiInPopupButton->currentIndex(), 1);
    int notes = 0;
    NotificationObserver counter = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZTMIDINoteOnNotification"), [&](const Notification&) { ++notes; });
    auto playOnEach = [&] {
        notes = 0;
        midiSystem()->receive({0x90, 60, 100}, keyboard.uniqueID);
        midiSystem()->receive({0x90, 61, 100}, pads.uniqueID);
        return notes;
    };

    choose(o.midiInPopupButton, 3);
    EXPECT_EQ(prefs()->MIDIInSource(), pads.name);
    settle();
    EXPECT_EQ(playOnEach(), 1);

    // Unplugged, the device keeps its entry and stays chosen.
    midiSystem()->removeSource(pads.uniqueID);
    settle();
    EXPECT_EQ(titles(o.midiInPopupButton).last(), pads.name);
    EXPECT_EQ(o.midiInPopupButton->currentText(), pads.name);

    choose(o.midiInPopupButton, 0);
    EXPECT_EQ(prefs()->MIDIInSource(), QString());
    settle();
    midiSystem()->addSource(pads);
    settle();
    EXPECT_EQ(playOnEach(), 0);
    EXPECT_EQ(o.midiInPopupButton->currentIndex(), 0);
}

TEST_F(GeneralAndMIDITest, VelocitiesFromTheStepperOrTyped)
{
    const ZTPreferencesOutlets& o = outlets();
    QLineEdit* field = o.midiOutVelocityTextInput;
    EXPECT_EQ(field->text(), QStringLiteral("110"));
    o.midiOutVelocityStepper->step(1);
    EXPECT_EQ(field->text(), QStringLiteral("111"));
    EXPECT_EQ(prefs()->MIDIOutVelocity(), 111);
    o.midiOutVelocityStepper->step(40);
    EXPECT_EQ(prefs()->MIDIOutVelocity(), 127);

    field->selectAll();
    type(field, QStringLiteral("64"));
    EXPECT_EQ(field->text(), QStringLiteral("64"));
    EXPECT_EQ(prefs()->MIDIOutVelocity(), 64);
    EXPECT_EQ(o.midiOutVelocityStepper->integerValue(), 64);
    type(field, QStringLiteral("9")); // 649
    type(field, QStringLiteral("x"));
    EXPECT_EQ(field->text(), QStringLiteral("64"));
    EXPECT_EQ(prefs()->MIDIOutVelocity(), 64);

    o.midiOutRhythmVelocityStepperMVSoftSynth->step(-10);
    EXPECT_EQ(prefs()->MIDIOutRhythmVelocityMVSoftSynth(), 100);
    EXPECT_EQ(o.midiOutRhythmVelocityTextInputMVSoftSynth->text(), QStringLiteral("100"));
    EXPECT_EQ(prefs()->MIDIOutRhythmVelocity(), 110);
}

TEST_F(GeneralAndMIDITest, RemoteKeyPopupsRefuseOneNoteForBothCommands)
{
    const ZTPreferencesOutlets& o = outlets();
    ASSERT_EQ(o.remoteNextPopup->count(), 129);
    EXPECT_EQ(o.remoteNextPopup->itemText(0), QStringLiteral("Off"));
    EXPECT_EQ(o.remoteNextPopup->currentIndex(), 38 + 1);
    EXPECT_EQ(o.remoteRepeatPopup->currentIndex(), 36 + 1);

    choose(o.remoteNextPopup, 36 + 1);
    EXPECT_EQ(prefs()->MIDIRemoteNextKey(), 38);
    EXPECT_EQ(o.remoteNextPopup->currentIndex(), 38 + 1);

    choose(o.remoteNextPopup, 0);
    choose(o.remoteRepeatPopup, 0);
    EXPECT_EQ(prefs()->MIDIRemoteNextKey(), -1);
    EXPECT_EQ(prefs()->MIDIRemotePlayKey(), -1);
    choose(o.remoteRepeatPopup, 61);
    EXPECT_EQ(prefs()->MIDIRemotePlayKey(), 60);
}

TEST_F(GeneralAndMIDITest, ACapturedKeyIsLearnedFromTheMIDIKeyboard)
{
    const ZTPreferencesOutlets& o = outlets();
    o.remoteCaptureNextButton->click();
    EXPECT_EQ(o.remoteCaptureNextButton->text(), QStringLiteral("3"));
    EXPECT_TRUE(o.remoteCaptureNextButton->isChecked());
    EXPECT_EQ(midi()->midiConnector(), controller());

    int plainNotes = 0;
    NotificationObserver notes = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZTMIDINoteOnNotification"), [&](const Notification&) { ++plainNotes; });
    play(45);
    EXPECT_EQ(prefs()->MIDIRemoteNextKey(), 45);
    EXPECT_EQ(o.remoteNextPopup->currentIndex(), 46);
    EXPECT_EQ(o.remoteCaptureNextButton->text(), QStringLiteral("Capture"));
    EXPECT_FALSE(o.remoteCaptureNextButton->isChecked());
    EXPECT_EQ(midi()->midiConnector(), nullptr);
    EXPECT_EQ(plainNotes, 0); // the captured note did not reach the exercise

    // From now on the key asks for the next question.
    settle();
    int nextCommands = 0;
    NotificationObserver next = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZTMIDIRemoteNextNotification"), [&](const Notification&) { ++nextCommands; });
    play(45);
    play(50);
    EXPECT_EQ(nextCommands, 1);
    EXPECT_EQ(plainNotes, 1);
}

TEST_F(GeneralAndMIDITest, CaptureWithTheOtherCommandsKeyEndsWithoutStoring)
{
    const ZTPreferencesOutlets& o = outlets();
    o.remoteCaptureRepeatButton->click();
    play(38); // the "New Question" key
    EXPECT_EQ(prefs()->MIDIRemotePlayKey(), 36);
    EXPECT_EQ(o.remoteRepeatPopup->currentIndex(), 37);
    EXPECT_EQ(o.remoteCaptureRepeatButton->text(), QStringLiteral("Capture"));
    EXPECT_EQ(midi()->midiConnector(), nullptr);

    // A note-off alone changes nothing.
    o.remoteCaptureRepeatButton->click();
    midiSystem()->receive({0x80, 50, 0});
    queue_->runPending();
    EXPECT_EQ(controller()->captureButton(), o.remoteCaptureRepeatButton);
}

TEST_F(GeneralAndMIDITest, CaptureCountsDownAndGivesTheNotesBack)
{
    const ZTPreferencesOutlets& o = outlets();
    QPushButton* button = o.remoteCaptureNextButton;
    button->click();
    EXPECT_EQ(button->text(), QStringLiteral("3"));
    queue_->advance(1.0);
    EXPECT_EQ(button->text(), QStringLiteral("2"));

    // Pressed again, it starts over; the other command's capture takes over.
    button->click();
    EXPECT_EQ(button->text(), QStringLiteral("3"));
    EXPECT_TRUE(button->isChecked());
    o.remoteCaptureRepeatButton->click();
    EXPECT_EQ(button->text(), QStringLiteral("Capture"));
    EXPECT_FALSE(button->isChecked());
    EXPECT_EQ(o.remoteCaptureRepeatButton->text(), QStringLiteral("3"));
    queue_->advance(1.0);
    EXPECT_EQ(o.remoteCaptureRepeatButton->text(), QStringLiteral("2"));
    queue_->advance(1.0);
    EXPECT_EQ(o.remoteCaptureRepeatButton->text(), QStringLiteral("1"));
    queue_->advance(1.0);
    EXPECT_EQ(o.remoteCaptureRepeatButton->text(), QStringLiteral("Capture"));
    EXPECT_EQ(controller()->captureButton(), nullptr);
    EXPECT_EQ(midi()->midiConnector(), nullptr);

    // A pop-up choice ends a running capture; so does closing the window.
    button->click();
    choose(o.remoteNextPopup, 71);
    EXPECT_EQ(prefs()->MIDIRemoteNextKey(), 70);
    EXPECT_EQ(button->text(), QStringLiteral("Capture"));
    EXPECT_EQ(midi()->midiConnector(), nullptr);
    button->click();
    controller()->window()->show();
    controller()->window()->close();
    EXPECT_EQ(midi()->midiConnector(), nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Capture"));
    play(60);
    EXPECT_EQ(prefs()->MIDIRemoteNextKey(), 70);
}

TEST_F(GeneralAndMIDITest, MicrophoneSettingsAndHelp)
{
    const ZTPreferencesOutlets& o = outlets();
    EXPECT_EQ(o.microphoneBox->title(), QStringLiteral("Microphone / Pitch detection"));
    EXPECT_EQ(o.micThresholdLabel->text(), QStringLiteral("Threshold:"));
    EXPECT_NEAR(o.micThresholdSlider->doubleValue(), 0.1, 1e-6);
    o.micThresholdSlider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_NEAR(prefs()->micThreshold(), 0.11, 1e-6);

    choose(o.micRecognitionPopupButton, 1);
    EXPECT_EQ(prefs()->micType(), 1);

    o.micHelpButton->click();
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_.first().message, QStringLiteral("Microphone / Pitch detection"));
    EXPECT_EQ(alerts_.first().buttons, QStringList{QStringLiteral("OK")});
    EXPECT_NE(alerts_.first().informativeText, QStringLiteral("MIC_HELP_TEXT"));
}

} // namespace
