// Tempo and key signatures: the click track, tempo answers, signatures on the staff, key
// names in the note-name languages; and every exercise of the bundle asking a question.
#include "EngineFixture.h"

#include "ZTBPM.h"
#include "ZTBPMController.h"
#include "ZTClassRegistry.h"
#include "ZTKeySignature.h"
#include "ZTKeySignatureController.h"

namespace {

const QString kTempo = QStringLiteral("Tempo recognition");
const QString kKeys = QStringLiteral("Key Signature recognition");

QVariantMap tempoItem(const QString& name, int bpm)
{
    return {{"name", name}, {"definition", bpm}};
}

QVariantMap keyItem(const QString& name, int picture)
{
    return {{"name", name}, {"definition", picture}};
}

struct SignatureStaff : FakeStaff {
    void showSignatureWithNr(qint64 number) override { signatures.push_back(number); }
    std::vector<qint64> signatures;
};

} // namespace

class TempoTest : public EngineTest {
protected:
    // The clicks of one question as the controller plays them.
    std::vector<MusicNoteEvent> clicksFor(const QVariantMap& item, MusicSequence* played = nullptr)
    {
        auto* tempo = controller ? dynamic_cast<ZTBPMController*>(controller.get()) : make<ZTBPMController>();
        tempo->playTest(tempo->testForItem(item));
        if (player->played.empty())
            return {};
        if (played)
            *played = player->played.back();
        return player->played.back().tracks().at(0).notes();
    }
};

TEST_F(TempoTest, ClickTrackOnTheRhythmChannel)
{
    ZTPreferences::setMIDIEndpointLookup([](const QString&) { return true; });
    prefs()->setMIDIOutEndpoint("USB drum module");
    prefs()->setMIDIOutRhythmChannel(10);
    prefs()->setMIDIOutRhythmNote(39);
    prefs()->setMIDIOutRhythmVelocity(90);
    prefs()->setInteger(4, "numberOfBeats", kTempo);

    MusicSequence sequence;
    const auto clicks = clicksFor(tempoItem("90 BPM", 90), &sequence);
    ASSERT_EQ(clicks.size(), 4u);
    for (size_t i = 0; i < clicks.size(); ++i) {
        EXPECT_DOUBLE_EQ(clicks[i].beat, double(i));
        EXPECT_DOUBLE_EQ(clicks[i].duration, 0.3);
        EXPECT_EQ(clicks[i].channel, 9);
        EXPECT_EQ(clicks[i].note, 39);
        EXPECT_EQ(clicks[i].velocity, 90);
    }
    ASSERT_EQ(sequence.tempoTrack().size(), 1u);
    EXPECT_DOUBLE_EQ(sequence.tempoTrack().front().beatsPerMinute, 90.0);

    // The built-in synthesizer plays its own click sounds, above the MIDI range.
    prefs()->setMIDIOutEndpoint("Melvora SoftSynth");
    prefs()->setMIDIOutRhythmInstrumentMVSoftSynth(1);
    prefs()->setMIDIOutRhythmVelocityMVSoftSynth(70);
    for (const MusicNoteEvent& click : clicksFor(tempoItem("90 BPM", 90))) {
        EXPECT_EQ(click.note, 129);
        EXPECT_EQ(click.velocity, 70);
    }
    prefs()->setMIDIOutRhythmInstrumentMVSoftSynth(0);
    EXPECT_EQ(clicksFor(tempoItem("90 BPM", 90)).front().note, 128);
}

TEST_F(TempoTest, RhythmChannelStaysInTheMidiRange)
{
    prefs()->setMIDIOutRhythmChannel(0);
    EXPECT_EQ(clicksFor(tempoItem("60 BPM", 60)).front().channel, 0);
    prefs()->setMIDIOutRhythmChannel(17);
    EXPECT_EQ(clicksFor(tempoItem("60 BPM", 60)).front().channel, 15);

    // No beats: the tempo alone.
    prefs()->setInteger(0, "numberOfBeats", kTempo);
    MusicSequence sequence;
    EXPECT_TRUE(clicksFor(tempoItem("60 BPM", 60), &sequence).empty());
    EXPECT_EQ(sequence.tempoTrack().size(), 1u);
    EXPECT_TRUE(ZTTest::create<ZTBPM>(tempoItem("60 BPM", 60))->noteCollectionObjects().isEmpty());
}

TEST_F(TempoTest, AnswerIsTheTempoNotTheName)
{
    auto* tempo = make<ZTBPMController>();
    tempo->nextTest();
    ASSERT_TRUE(tempo->currentTest());
    EXPECT_FALSE(tempo->waitingForKeyboardInput());
    EXPECT_FALSE(tempo->currentTest()->canBeAnsweredByNoteInput());
    const int bpm = tempo->currentTest()->definition().toInt();
    EXPECT_TRUE(tempo->isAnswerRightForItem(tempoItem("Some other name", bpm), {}));
    EXPECT_FALSE(tempo->isAnswerRightForItem(tempoItem(tempo->currentTest()->name(), bpm + 2), {}));
    EXPECT_EQ(tempo->rightResultString(), localized(tempo->currentTest()->name()));
    EXPECT_EQ(tempo->spellingString(), "");
}

using KeySignatureTest = EngineTest;

TEST_F(KeySignatureTest, SignatureIsShownAndEitherModeOfItAnswers)
{
    SignatureStaff signatureStaff;
    prefs()->setString("5 sec", "answerTime", kKeys);
    PostedNotifications posted({kRight});
    auto* keys = make<ZTKeySignatureController>();
    keys->setNoteView(&signatureStaff);
    keys->nextTest();
    ASSERT_TRUE(keys->currentTest());
    EXPECT_FALSE(keys->currentTest()->hasAudio());
    EXPECT_TRUE(player->played.empty());
    const int picture = keys->currentTest()->definition().toInt();
    // Shown when played, and again after the marks are reset.
    EXPECT_EQ(signatureStaff.signatures, (std::vector<qint64>{picture, picture}));
    // Nothing sounds, so the answer time runs at once.
    EXPECT_TRUE(window.countDown.running);

    // The relative key shares the signature; another signature does not answer.
    EXPECT_TRUE(keys->isAnswerRightForItem(keyItem("Relative key", picture), {}));
    EXPECT_FALSE(keys->isAnswerRightForItem(keyItem(keys->currentTest()->name(), (picture + 1) % 15), {}));
    QString relative;
    for (const QVariant& entry : keys->items()) {
        const QVariantMap item = entry.toMap();
        if (item.value("definition").toInt() == picture && item.value("name") != keys->currentTest()->name())
            relative = item.value("name").toString();
    }
    ASSERT_FALSE(relative.isEmpty());
    click(relative);
    EXPECT_EQ(posted.count(kRight), 1);

    // The key without accidentals is named without an empty pair of brackets.
    for (int i = 0; i < 500 && keys->currentTest()->definition().toInt() != 0; ++i)
        keys->nextTest();
    ASSERT_EQ(keys->currentTest()->definition().toInt(), 0);
    EXPECT_EQ(keys->rightResultString(), localized(keys->currentTest()->name()));
}

TEST_F(KeySignatureTest, KeyNamesFollowTheNoteNameType)
{
    const QVariantList items{keyItem("Eb minor", 13), keyItem("G major", 1), keyItem("F# major", 6),
                             keyItem("Custom key", 0)};
    auto translatedNames = [&] {
        QStringList names;
        for (const QVariant& item : ZTKeySignatureController::classTranslateItems(items))
            names.append(item.toMap().value("translatedName").toString());
        return names;
    };
    const QString minor = localized(" minor");
    const QString major = localized(" major");

    prefs()->setNoteNamesTypes("Solomisation");
    EXPECT_EQ(translatedNames(),
              (QStringList{"mi\u266D" + minor, "Sol" + major, "fa\u266F" + major, "Custom key"}));
    prefs()->setNoteNamesTypes("International");
    EXPECT_EQ(translatedNames(), (QStringList{"E\u266D" + minor, "G" + major, "F\u266F" + major, "Custom key"}));
    prefs()->setNoteNamesTypes("Translated");
    EXPECT_EQ(translatedNames().at(2), QVNote::replaceSignsFromNoteName(localized("F#")) + major);

    // The preferences window reaches the same through the class registry.
    const ZTControllerClass* keysClass = ZTClassRegistry::sharedRegistry()->controllerClass("ZTKeySignatureController");
    ASSERT_TRUE(keysClass && keysClass->translateItems);
    EXPECT_EQ(keysClass->translateItems(items), ZTKeySignatureController::classTranslateItems(items));
}

TEST_F(EngineTest, EveryExerciseOfTheBundleAsksAQuestion)
{
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    ASSERT_EQ(catalogue->testNames().size(), 13);
    for (const QString& name : catalogue->testNames()) {
        SCOPED_TRACE(name.toStdString());
        const ZTControllerClass* entry =
            ZTClassRegistry::sharedRegistry()->controllerClass(catalogue->controllerClassNameForTestWithName(name));
        ASSERT_TRUE(entry && entry->create);
        controller.reset();
        controller = entry->create(0, nullptr);
        controller->setTableView(&sidebar);
        controller->setNoteView(&staff);
        controller->setInstrumentView(&window.instrument);
        EXPECT_EQ(controller->testName(), name);
        controller->nextTest();
        ASSERT_TRUE(controller->currentTest());
        // (Note reading asks plain pitch questions; every other exercise its own class.)
        if (name != "Music Reading") {
            EXPECT_EQ(controller->currentTest()->className(), catalogue->testWithName(name).value("class").toString());
        }
        EXPECT_TRUE(controller->testInProgress());
    }
}
