// The exercise kinds: found by name, each one's answer check from the sidebar and from
// entered notes, chord inversions, music reading without sound, practice mode and the
// clicked item played before it is judged.
#include "EngineFixture.h"

#include "ZTChordController.h"
#include "ZTChordMusicReadController.h"
#include "ZTClassRegistry.h"
#include "ZTIntervalController.h"
#include "ZTIntervalMusicReadController.h"
#include "ZTMusicReadController.h"
#include "ZTPitchController.h"
#include "ZTScaleMusicReadController.h"

#include <set>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");
const QString kChords = QStringLiteral("Chord recognition");

} // namespace

TEST_F(EngineTest, ControllersAreFoundByTheCatalogueClassName)
{
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    ZTClassRegistry* registry = ZTClassRegistry::sharedRegistry();
    QStringList found;
    for (const QString& test : catalogue->testNames()) {
        const ZTControllerClass* entry = registry->controllerClass(catalogue->controllerClassNameForTestWithName(test));
        if (!entry)
            continue;
        auto made = entry->create(0, nullptr);
        ASSERT_TRUE(made);
        EXPECT_EQ(made->testName(), test);
        found << test;
    }
    for (const char* test : {"Interval recognition", "Scale recognition", "Chord recognition", "Pitch recognition",
                             "Music Reading", "Interval music reading", "Chord music reading", "Scale music reading"}) {
        EXPECT_TRUE(found.contains(test)) << test;
        const ZTControllerClass* entry = registry->controllerClass(catalogue->controllerClassNameForTestWithName(test));
        EXPECT_TRUE(entry && entry->create(0, nullptr)->hasList()) << test;
    }

    // The class-level translation names pitch items by their note.
    prefs()->setSpellingType("MIDI");
    prefs()->setNoteNamesTypes("International");
    const QVariantList pitches = registry->controllerClass("ZTPitchController")->translateItems(
        QVariantList{catalogue->itemForTest("Pitch recognition", "C3"), catalogue->itemForTest("Pitch recognition", "F#3")});
    EXPECT_EQ(pitches.at(0).toMap().value("translatedName"), "C3");
    EXPECT_EQ(pitches.at(1).toMap().value("translatedName"), QString("F\u266F3"));
}

TEST_F(EngineTest, IntervalAnswersFromSidebarAndNotesInOrder)
{
    prefs()->setString("60,60", "basenote", kIntervals);
    prefs()->setString("2", "numTryouts", kIntervals);
    auto* intervals = make<ZTIntervalController>(0);
    PostedNotifications posted({kRight, kWrong});

    intervals->nextTest();
    EXPECT_FALSE(intervals->isAnswerRightForItem(intervals->items().at(rowOf(otherItemName())).toMap(), {}));
    EXPECT_TRUE(intervals->isAnswerRightForItem(intervals->items().at(rowOf(currentName())).toMap(), {}));
    ASSERT_EQ(player->played.size(), 1u);
    EXPECT_EQ(player->played[0].tempoTrack().at(0).beatsPerMinute, 100) << "the exercise's tempo";

    // Notes must come in question order.
    auto notes = firstNoteNumbers();
    intervals->noteEnteredWithNr(notes[0]);
    EXPECT_TRUE(intervals->lastEnteredNoteWasRight());
    EXPECT_TRUE(intervals->testInProgress());
    intervals->noteEnteredWithNr(notes[1]);
    EXPECT_EQ(posted.count(kRight), 1);
    EXPECT_EQ(stats(kIntervals, currentName()), std::make_pair(1, 0));
    intervals->noteEnteredWithNr(notes[1]);
    EXPECT_EQ(posted.count(kRight), 1) << "no input after the answer";

    intervals->nextTest();
    notes = firstNoteNumbers();
    intervals->noteEnteredWithNr(notes[1]);
    EXPECT_FALSE(intervals->lastEnteredNoteWasRight());
    EXPECT_EQ(window.instrument.red, (std::vector<std::pair<qint64, qint64>>{{notes[1], 0}}));
    ASSERT_FALSE(staff.collections.isEmpty());
    EXPECT_TRUE(staff.collections.last().firstNote()->wasWrong());
    queue.advance(0.5);
    EXPECT_EQ(posted.count(kWrong), 1);
}

TEST_F(EngineTest, FirstNoteShownIsNotEnteredTwice)
{
    prefs()->setString("60,60", "basenote", kIntervals);
    prefs()->setBool(true, "showfirstnote", kIntervals);
    auto* intervals = make<ZTIntervalController>(0);
    PostedNotifications posted({kRight, kWrong});
    intervals->nextTest();
    const auto notes = firstNoteNumbers();
    ASSERT_EQ(notes[0], 60);
    EXPECT_EQ(window.instrument.green, (std::vector<std::pair<qint64, qint64>>{{60, 0}}));
    ASSERT_EQ(staff.collections.size(), 1);
    EXPECT_EQ(staff.collections.first().name(), "");

    intervals->noteEnteredWithNr(60);
    EXPECT_EQ(intervals->enteredNotes().size(), 1);
    intervals->noteEnteredWithNr(notes[1]);
    EXPECT_EQ(posted.count(kRight), 1);
    EXPECT_EQ(posted.count(kWrong), 0);
}

class ChordTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        prefs()->setString("60,60", "basenote", kChords);
        prefs()->setInteger(0, "descending", kChords);
    }
    // Asks "Major" (level 0 holds Major and Minor) over C.
    ZTChordController* askMajor()
    {
        auto* chords = make<ZTChordController>(0);
        for (int i = 0; i < 30 && (i == 0 || currentName() != "Major"); ++i)
            chords->nextTest();
        EXPECT_EQ(currentName(), "Major");
        return chords;
    }
};

TEST_F(ChordTest, TonesInAnyOrderAndEachOnlyOnce)
{
    PostedNotifications posted({kRight, kWrong});
    auto* chords = askMajor();
    chords->noteEnteredWithNr(67);
    chords->noteEnteredWithNr(60);
    chords->noteEnteredWithNr(64);
    EXPECT_EQ(posted.count(kRight), 1);

    // C, E, E is no complete C major; the missing G completes it.
    prefs()->setIgnoreOctaves(true);
    askMajor();
    controller->noteEnteredWithNr(60);
    controller->noteEnteredWithNr(64);
    controller->noteEnteredWithNr(64);
    EXPECT_EQ(posted.count(kRight), 1);
    EXPECT_TRUE(controller->testInProgress());
    controller->noteEnteredWithNr(79); // G an octave higher counts with "ignoreOctaves"
    EXPECT_EQ(posted.count(kRight), 2);

    askMajor();
    controller->noteEnteredWithNr(60);
    controller->noteEnteredWithNr(61);
    queue.advance(0.5);
    EXPECT_EQ(posted.count(kWrong), 1);
    EXPECT_EQ(window.instrument.red.size(), 1u);
}

TEST_F(ChordTest, InversionsComeFromThePopUp)
{
    // Off: root position only, pop-ups closed.
    auto* chords = askMajor();
    EXPECT_EQ(chords->currentTest()->userInfo().toLongLong(), 0);
    ZTSidebarCell cell = chords->tableViewViewForRow(rowOf("Major"));
    EXPECT_EQ(cell.popupTitles, (QStringList{"Root position", "1. Inversion", "2. Inversion"}));
    EXPECT_FALSE(cell.popupEnabled);

    prefs()->setBool(true, "useChordInversions", kChords);
    std::set<qlonglong> inversions;
    for (int i = 0; i < 40; ++i) {
        chords->nextTest();
        inversions.insert(chords->currentTest()->userInfo().toLongLong());
    }
    EXPECT_EQ(inversions, (std::set<qlonglong>{0, 1, 2}));
    EXPECT_TRUE(chords->tableViewViewForRow(rowOf("Major")).popupEnabled);
    sidebar.tag_ = 0;
    EXPECT_FALSE(chords->tableViewViewForRow(rowOf("Major")).popupEnabled);
    sidebar.tag_ = 1;

    // The pop-up's index is the answer's inversion.
    chords = askMajor();
    const qlonglong asked = chords->currentTest()->userInfo().toLongLong();
    EXPECT_FALSE(chords->isAnswerRightForItem(chords->items().at(0).toMap(), qlonglong((asked + 1) % 3)));
    PostedNotifications posted({kRight});
    chords->tableViewCellPopupClicked(rowOf("Major"), asked);
    EXPECT_EQ(posted.count(kRight), 1);

    // Symmetric chords offer none.
    sidebar.tag_ = 1; // the main window opens the gate for each question
    const qlonglong level = addCustomLevel(kChords, {"Augmented", "Diminished 7th", "Major 7th"});
    chords = make<ZTChordController>(level);
    EXPECT_FALSE(chords->tableViewViewForRow(rowOf("Augmented")).popupEnabled);
    EXPECT_FALSE(chords->tableViewViewForRow(rowOf("Diminished 7th")).popupEnabled);
    EXPECT_TRUE(chords->tableViewViewForRow(rowOf("Major 7th")).popupEnabled);
}

TEST_F(ChordTest, CustomChordOfAnySizeCanBeAnsweredInEveryInversion)
{
    QVariantList steps;
    for (int pos : {1, 3, 5, 7, 9, 11})
        steps.append(QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", pos}, {"off", 0}}}}});
    prefs()->addCustomExercise({{"name", "Six"}, {"group", "0"}, {"definition", steps}, {"chordId", "6"}}, kChords);
    prefs()->setBool(true, "useChordInversions", kChords);
    const qlonglong level = addCustomLevel(kChords, {"Six", "Major"});
    auto* chords = make<ZTChordController>(level);
    PostedNotifications posted({kRight});
    for (int round = 0; round < 6; ++round) {
        for (int i = 0; i < 30 && (i == 0 || currentName() != "Six"); ++i)
            chords->nextTest();
        ASSERT_EQ(currentName(), "Six");
        sidebar.tag_ = 1; // the main window opens the gate for each question
        const ZTSidebarCell cell = chords->tableViewViewForRow(rowOf("Six"));
        ASSERT_EQ(cell.popupTitles.size(), 6);
        EXPECT_EQ(cell.popupTitles.last(), "5. Inversion");
        EXPECT_TRUE(cell.popupEnabled);
        chords->tableViewCellPopupClicked(rowOf("Six"), chords->currentTest()->userInfo().toLongLong());
        EXPECT_EQ(posted.count(kRight), round + 1);
    }
}

TEST_F(ChordTest, AChordWithoutItsThirdIsTitledByTheToneInItsBass)
{
    prefs()->setBool(true, "useChordInversions", kChords);
    auto* chords = make<ZTChordController>(addCustomLevel(kChords, {"Dominant 11th", "Major"}));
    // 1 5 b7 9 11: no third, so no first inversion; the fifth in the bass is the second.
    EXPECT_EQ(chords->tableViewViewForRow(rowOf("Dominant 11th")).popupTitles,
              (QStringList{"Root position", "2. Inversion", "3. Inversion", "4. Inversion", "5. Inversion"}));
    for (int i = 0; i < 60 && (i == 0 || currentName() != "Dominant 11th"
                               || chords->currentTest()->userInfo().toLongLong() != 1); ++i)
        chords->nextTest();
    ASSERT_EQ(chords->currentTest()->userInfo().toLongLong(), 1);
    EXPECT_TRUE(chords->rightResultString().startsWith("Dominant 11th - 2. Inversion ("))
        << qPrintable(chords->rightResultString());
}

TEST_F(EngineTest, PitchPlaysAtFixedTempoAndJudgesTheNote)
{
    prefs()->setString("2", "numTryouts", "Pitch recognition");
    auto* pitches = make<ZTPitchController>(0);
    pitches->nextTest();
    ASSERT_EQ(player->played.size(), 1u);
    EXPECT_EQ(player->played[0].tempoTrack().at(0).beatsPerMinute, 120);
    const qlonglong asked = firstNoteNumbers().front();
    EXPECT_EQ(player->played[0].tracks().at(0).notes().at(0).note, asked);
    EXPECT_EQ(pitches->spellingString(), "");

    PostedNotifications posted({kRight, kWrong});
    click(otherItemName());
    click(currentName());
    EXPECT_EQ(posted.count(kWrong), 1);
    EXPECT_EQ(posted.count(kRight), 1);
    EXPECT_EQ(results("Pitch recognition").at(0).itemName, currentName());
}

TEST_F(EngineTest, MusicReadingShowsWithoutSound)
{
    prefs()->setString("5 sec", "answerTime", "Music Reading");
    auto* reading = make<ZTMusicReadController>(0);
    reading->nextTest();
    EXPECT_TRUE(player->played.empty());
    EXPECT_TRUE(window.countDown.running) << "nothing to wait for: the answer time runs at once";
    EXPECT_GE(staff.shownFromTest, 1);

    prefs()->setString("5 sec", "answerTime", "Interval music reading");
    auto* intervals = make<ZTIntervalMusicReadController>(0);
    window.countDown.running = false;
    intervals->nextTest();
    ASSERT_TRUE(intervals->currentTest());
    EXPECT_FALSE(intervals->currentTest()->hasAudio()) << "the repeat control stays off";
    EXPECT_TRUE(player->played.empty());
    EXPECT_TRUE(window.countDown.running);
    EXPECT_EQ(staff.test, intervals->currentTest());
    intervals->repeatTest();
    EXPECT_TRUE(player->played.empty());
    // The article of the item in the recognition exercise, or that exercise's own.
    auto recognitionArticle = [](const QString& exercise, const QString& item) {
        const QString itemKey = QStringLiteral("WIKI_%1_%2").arg(exercise, item);
        const QString address = localized(itemKey);
        return QUrl(address != itemKey ? address : localized(QStringLiteral("WIKI_") + exercise));
    };
    EXPECT_EQ(intervals->getWikiURLForCurrentTest(), recognitionArticle("Interval recognition", intervals->currentTest()->name()));

    // The other reading kinds likewise stay silent and lead to their recognition article.
    const std::pair<std::function<ZTAbstractTestController*()>, QString> others[] = {
        {[this] { return make<ZTChordMusicReadController>(0); }, "Chord recognition"},
        {[this] { return make<ZTScaleMusicReadController>(0); }, "Scale recognition"},
    };
    for (const auto& [makeReader, recognition] : others) {
        const QByteArray article = recognition.toUtf8();
        ZTAbstractTestController* reader = makeReader();
        reader->nextTest();
        ASSERT_TRUE(reader->currentTest()) << article.constData();
        EXPECT_FALSE(reader->currentTest()->hasAudio()) << article.constData();
        EXPECT_EQ(reader->getWikiURLForCurrentTest(), recognitionArticle(recognition, reader->currentTest()->name()))
            << article.constData();
        EXPECT_TRUE(reader->getWikiURLForCurrentTest().toString().startsWith(QLatin1String("https://en.wikipedia.org/wiki/")));
        EXPECT_EQ(reader->practiceMessage(), localized("Click on any item in the sidebar to see it"));
    }
    EXPECT_TRUE(player->played.empty());
}

TEST_F(EngineTest, PracticeModePlaysClickedItemsWithoutScoring)
{
    prefs()->setPracticeMode(true);
    auto* intervals = make<ZTIntervalController>(0);
    PostedNotifications posted({kRight, kWrong, "ZTDisplayInfoNotification"});
    click("Perfect fifth");
    EXPECT_EQ(player->played.size(), 1u);
    EXPECT_EQ(intervals->currentItem(), localized("Perfect fifth"));
    ASSERT_EQ(posted.posted.size(), 1u);
    EXPECT_EQ(posted.posted[0].object.toMap().value("title"), localized("Perfect fifth"));
    EXPECT_EQ(window.webLoads, 1);
    EXPECT_TRUE(window.instrument.revealedAtStep.has_value());
    EXPECT_EQ(statsRowCount(), 0);
}

TEST_F(EngineTest, ClickedItemIsPlayedBeforeItIsJudged)
{
    prefs()->setBool(true, "shouldPlaySelectedItem", kIntervals);
    auto* intervals = make<ZTIntervalController>(0);
    PostedNotifications posted({kRight, kWrong});

    // A selection made in practice mode is no answer to a later question.
    prefs()->setPracticeMode(true);
    click("Octave");
    prefs()->setPracticeMode(false);
    intervals->nextTest();
    finishPlayback();
    EXPECT_TRUE(posted.posted.empty());

    const qlonglong root = std::dynamic_pointer_cast<ZTMusicalTest>(intervals->currentTest())->rootNoteNr();
    const std::size_t before = player->played.size();
    click(otherItemName());
    ASSERT_EQ(player->played.size(), before + 1);
    EXPECT_EQ(player->played.back().tracks().at(0).notes().at(0).note, root) << "played on the question's root";
    EXPECT_FALSE(intervals->waitingForKeyboardInput());
    click(currentName());
    EXPECT_EQ(player->played.size(), before + 1) << "clicks wait for the playback";
    EXPECT_TRUE(posted.posted.empty());

    finishPlayback();
    EXPECT_EQ(posted.count(kWrong), 1);
    EXPECT_TRUE(intervals->waitingForKeyboardInput());
    finishPlayback();
    EXPECT_EQ(posted.count(kWrong), 1);
}

TEST_F(EngineTest, QuestionThatCannotSoundIsOverAtOnce)
{
    // A tempo the sequence refuses: the question is asked without a sound, and everything
    // that waits for the end of playback goes on at once.
    prefs()->setNumber(0, "tempo", kIntervals);
    prefs()->setString("5 sec", "answerTime", kIntervals);
    prefs()->setString("3", "numTryouts", kIntervals);
    prefs()->setBool(true, "shouldPlaySelectedItem", kIntervals);
    LogCapture log;
    auto* intervals = make<ZTIntervalController>(0);
    PostedNotifications posted({kRight, kWrong});
    intervals->nextTest();
    EXPECT_TRUE(player->played.empty());
    EXPECT_TRUE(log.contains("Cannot add tempo event.")) << qPrintable(log.lines().join('\n'));
    EXPECT_TRUE(window.countDown.running) << "the answer time runs at once";

    // A clicked item is judged at once; the sidebar takes further answers.
    const QString other = otherItemName();
    click(other);
    EXPECT_EQ(posted.count(kWrong), 1);
    EXPECT_EQ(intervals->wrongItem(), localized(other));
    click(currentName());
    EXPECT_EQ(posted.count(kRight), 1);
    EXPECT_FALSE(intervals->testInProgress());

    // Without a player, or with a player that has no instrument, it is the same.
    prefs()->setNumber(100, "tempo", kIntervals);
    player->hasInstrument = false;
    intervals->nextTest();
    click(currentName());
    EXPECT_EQ(posted.count(kRight), 2);
    ZTQuestionPlayer::setCurrent(nullptr);
    intervals->nextTest();
    click(currentName());
    EXPECT_EQ(posted.count(kRight), 3);
}
