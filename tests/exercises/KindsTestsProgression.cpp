// Chord progressions: voicing in a key, titles, the chords in time, steps whose chord is gone,
// sidebar answers and chord-by-chord note entry with the step bar.
#include "EngineFixture.h"

#include "ZTChordProgression.h"
#include "ZTChordProgressionController.h"

#include <map>
#include <set>

namespace {

const QString kProgressions = QStringLiteral("Chord progressions");

QVariantMap progression(const QList<std::pair<int, QString>>& steps, bool minor = false)
{
    QVariantList definition;
    for (const auto& [semitones, chordId] : steps)
        definition.append(QVariantMap{{"step", semitones}, {"chordId", chordId}});
    return {{"name", "Test progression"}, {"isMinor", minor}, {"definition", definition}};
}

std::vector<qlonglong> numbers(const ZTNoteCollection& chord)
{
    std::vector<qlonglong> result;
    for (const QVNote& note : chord.notes())
        result.push_back(note.nr());
    return result;
}

using Chord = std::vector<qlonglong>;

} // namespace

using ProgressionTest = EngineTest;

TEST_F(ProgressionTest, ChordsStayNearTheFirstUnlessRootsKeepTheirOrder)
{
    auto question = ZTTest::create<ZTChordProgression>(progression({{0, ""}, {5, ""}, {7, ""}}));
    question->setRootNoteNr(60);
    QList<ZTNoteCollection> chords = question->noteCollectionObjects();
    ASSERT_EQ(chords.size(), 3);
    EXPECT_EQ(numbers(chords.at(0)), (Chord{60, 64, 67}));
    EXPECT_EQ(numbers(chords.at(1)), (Chord{65, 69, 72}));
    // G lies 7 above the first bass: the whole chord moves an octave down.
    EXPECT_EQ(numbers(chords.at(2)), (Chord{55, 59, 62}));
    EXPECT_EQ(chords.at(2).firstNote()->octave(), 2);
    EXPECT_EQ(question->spellingString(), "C - F - G");

    prefs()->setBool(true, "rootNoteNaturalOrder", kProgressions);
    question->resetNoteCollections();
    chords = question->noteCollectionObjects();
    EXPECT_EQ(numbers(chords.at(2)), (Chord{67, 71, 74}));

    // The key spells the chords: in F major the IV chord is B flat, not A sharp.
    auto inF = ZTTest::create<ZTChordProgression>(progression({{0, ""}, {5, ""}}));
    inF->setRootNoteNr(65);
    EXPECT_EQ(inF->noteCollectionObjects().at(1).firstNote()->letter(), "B");
    EXPECT_EQ(inF->noteCollectionObjects().at(1).firstNote()->offset(), -1);
}

TEST_F(ProgressionTest, ChordNamesAreSpelledFromTheKeyOverEveryRoot)
{
    // Triads on every degree of the key, by their quality there.
    const QList<std::pair<int, QString>> majorDegrees{{0, ""}, {2, "m"}, {4, "m"}, {5, ""}, {7, ""}, {9, "m"}, {11, "dim"}};
    const QList<std::pair<int, QString>> minorDegrees{{0, "m"}, {2, "dim"}, {3, ""}, {5, "m"}, {7, "m"}, {8, ""}, {10, ""}};
    const QString letters = QStringLiteral("CDEFGAB");
    auto ascii = [](QString name) {
        return name.replace(QStringLiteral(u"\U0001D12A"), "##").replace(QStringLiteral(u"\U0001D12B"), "bb")
            .replace(QChar(0x266F), "#").replace(QChar(0x266D), "b");
    };
    for (const bool minor : {false, true}) {
        for (qlonglong root = 48; root < 60; ++root) {
            auto question = ZTTest::create<ZTChordProgression>(progression(minor ? minorDegrees : majorDegrees, minor));
            question->setRootNoteNr(root);
            const QStringList titles = question->spellingArray();
            ASSERT_EQ(titles.size(), 7);
            const QString tonic = ascii(titles.first().section(' ', 0, 0));
            QString signs;
            for (int degree = 0; degree < 7; ++degree) {
                const QString name = ascii(titles[degree].section(' ', 0, 0));
                SCOPED_TRACE(qPrintable(titles.join(" - ")));
                // One letter per degree, climbing from the tonic's.
                EXPECT_EQ(letters.indexOf(name.at(0)), (letters.indexOf(tonic.at(0)) + degree) % 7);
                signs += name.mid(1);
            }
            // The key's signature: at most seven signs, never sharps and flats together.
            EXPECT_LE(signs.size(), 7) << qPrintable(titles.join(" - "));
            EXPECT_FALSE(signs.contains('#') && signs.contains('b')) << qPrintable(titles.join(" - "));
        }
    }

    auto titlesIn = [&](qlonglong root, bool minor, const QList<std::pair<int, QString>>& steps) {
        auto question = ZTTest::create<ZTChordProgression>(progression(steps, minor));
        question->setRootNoteNr(root);
        return ascii(question->spellingString());
    };
    EXPECT_EQ(titlesIn(49, true, {{0, "m"}, {8, ""}, {10, ""}, {0, "m"}}), "C# m - A - B - C# m");
    EXPECT_EQ(titlesIn(51, true, {{0, "m"}, {8, ""}}), "Eb m - Cb");
    EXPECT_EQ(titlesIn(54, false, {{11, "m7b5"}, {0, ""}}), "E# m7b5 - F#");
    // The chord's own tones follow its root: E sharp half-diminished is E# G# B D#.
    auto question = ZTTest::create<ZTChordProgression>(progression({{11, "m7b5"}}));
    question->setRootNoteNr(54);
    QStringList tones;
    for (const QVNote& note : question->noteCollectionObjects().first().notes())
        tones << note.letter() + note.signs();
    EXPECT_EQ(tones.join(' '), "E# G# B D#");
}

TEST_F(ProgressionTest, InversionsChooseTheBassAndNameIt)
{
    auto question = ZTTest::create<ZTChordProgression>(progression({{0, ""}, {0, "7"}}));
    question->setRootNoteNr(60);
    question->setInversions({1, 2});
    const QList<ZTNoteCollection> chords = question->noteCollectionObjects();
    EXPECT_EQ(numbers(chords.at(0)), (Chord{64, 67, 72}));
    EXPECT_EQ(chords.at(0).name(), "C / E");
    EXPECT_EQ(chords.at(1).name(), "C 7 / G");
    // The instruments get every tone of a chord, one chord per step.
    const auto steps = question->notesForInstrumentView();
    ASSERT_EQ(steps.size(), 2);
    EXPECT_EQ(steps.at(1).size(), 4);

    prefs()->setNoteNamesTypes("Solomisation");
    question->resetNoteCollections();
    EXPECT_EQ(question->noteCollectionObjects().at(0).name(), "do / mi");

    // Inversions are drawn only when asked for, and never beyond a chord's tones.
    EXPECT_EQ(ZTTest::create<ZTChordProgression>(progression({{0, ""}, {7, "7"}}))->inversions(),
              (QList<qlonglong>{0, 0}));
    prefs()->setBool(true, "useChordInversions", kProgressions);
    std::set<qlonglong> drawn;
    for (int i = 0; i < 60; ++i) {
        const QList<qlonglong> inversions =
            ZTTest::create<ZTChordProgression>(progression({{0, ""}, {7, "7"}}))->inversions();
        EXPECT_LT(inversions.at(0), 3);
        EXPECT_LT(inversions.at(1), 4);
        drawn.insert(inversions.at(1));
    }
    EXPECT_EQ(drawn.size(), 4u);
}

TEST_F(ProgressionTest, ChordsSoundTogetherForWholeBeats)
{
    auto question = ZTTest::create<ZTChordProgression>(progression({{0, ""}, {5, ""}, {7, "7"}}));
    question->setRootNoteNr(60);
    prefs()->setFloat(2.7f, "length", kProgressions);
    MusicSequence sequence = question->newMusicSequenceWithTempo(90);
    const auto& events = sequence.tracks().at(0).notes();
    ASSERT_EQ(events.size(), 10u);
    std::map<double, int> tonesAtBeat;
    for (const MusicNoteEvent& event : events) {
        ++tonesAtBeat[event.beat];
        EXPECT_DOUBLE_EQ(event.duration, 2.0);
    }
    EXPECT_EQ(tonesAtBeat, (std::map<double, int>{{0.0, 3}, {2.0, 3}, {4.0, 4}}));
    ASSERT_EQ(sequence.tempoTrack().size(), 1u);
    EXPECT_DOUBLE_EQ(sequence.tempoTrack().front().beatsPerMinute, 90.0);

    prefs()->setFloat(0.5f, "length", kProgressions);
    EXPECT_TRUE(question->newMusicSequence().tracks().at(0).notes().empty());
}

TEST_F(ProgressionTest, StepWhoseChordIsGoneIsLeftOut)
{
    // With inversions on, a step without tones would be drawn modulo zero.
    prefs()->setBool(true, "useChordInversions", kProgressions);
    auto question = ZTTest::create<ZTChordProgression>(progression({{0, ""}, {5, "deleted"}, {7, ""}}));
    EXPECT_EQ(question->inversions().at(1), 0);
    EXPECT_EQ(question->toneCountsOfSteps(), (QList<qlonglong>{3, 0, 3}));
    question->setRootNoteNr(60);
    question->setInversions({0, 0, 0});
    const QList<ZTNoteCollection> chords = question->noteCollectionObjects();
    ASSERT_EQ(chords.size(), 2);
    EXPECT_EQ(numbers(chords.at(1)), (Chord{55, 59, 62}));
    EXPECT_EQ(question->newMusicSequenceWithTempo(100).tracks().at(0).notes().size(), 6u);
}

class ProgressionControllerTest : public EngineTest {
protected:
    // One question: I - vi - IV - V on C, i.e. C-E-G, A-C-E and F-A-C (below and above),
    // and G-B-D an octave down.
    ZTChordProgressionController* start(const QStringList& items = {"I - vi - IV - V"})
    {
        prefs()->setString("60,60", "basenote", kProgressions);
        auto* made = make<ZTChordProgressionController>(addCustomLevel(kProgressions, items));
        made->nextTest();
        return made;
    }
    void enter(std::initializer_list<qlonglong> notes)
    {
        for (qlonglong nr : notes)
            controller->noteEnteredWithNr(nr);
    }
    std::vector<qlonglong> entered() const
    {
        std::vector<qlonglong> result;
        for (const QVNote& note : controller->enteredNotes())
            result.push_back(note.nr());
        return result;
    }
};

TEST_F(ProgressionControllerTest, ChordsAreEnteredInOrderTheirTonesInAnyOrder)
{
    PostedNotifications posted({kRight, kWrong});
    start();
    EXPECT_EQ(window.steps.numSteps, 4);
    EXPECT_FALSE(window.steps.hidden);
    EXPECT_FALSE(window.steps.enabled);

    enter({67, 60, 64});
    // Every check marks the notes entered so far again.
    const std::set<std::pair<qint64, qint64>> green(window.instrument.green.begin(), window.instrument.green.end());
    EXPECT_EQ(green, (std::set<std::pair<qint64, qint64>>{{67, 0}, {60, 0}, {64, 0}}));
    EXPECT_EQ(window.steps.currentStep, 0);
    // C again now begins the second chord (A-C-E lies below C-E-G).
    enter({60});
    EXPECT_EQ(window.steps.currentStep, 1);
    EXPECT_EQ(window.instrument.step(), 1);
    enter({57, 64});
    ASSERT_EQ(staff.collections.size(), 2);
    EXPECT_EQ(staff.collections.at(1).name(), controller->currentTest()->noteCollectionObjects().at(1).name());
    EXPECT_EQ(staff.collections.at(1).numNotes(), 3);

    // B does not belong to F-A-C: red at the third position, reported half a second later.
    enter({71});
    EXPECT_EQ(window.instrument.red, (std::vector<std::pair<qint64, qint64>>{{71, 2}}));
    EXPECT_FALSE(controller->lastEnteredNoteWasRight());
    EXPECT_EQ(posted.count(kWrong), 0);
    queue.advance(0.5);
    EXPECT_EQ(posted.count(kWrong), 1);
    EXPECT_EQ(posted.count(kRight), 0);
}

TEST_F(ProgressionControllerTest, RepeatedToneDoesNotCompleteAChord)
{
    PostedNotifications posted({kRight});
    start();
    enter({60, 64, 64});
    EXPECT_EQ(entered(), (std::vector<qlonglong>{60, 64}));
    EXPECT_EQ(window.steps.currentStep, 0);
    enter({67, 57, 60, 64, 65, 69, 72, 55, 62});
    EXPECT_EQ(posted.count(kRight), 0);
    enter({59});
    EXPECT_EQ(posted.count(kRight), 1);
    EXPECT_EQ(stats(kProgressions, "I - vi - IV - V"), (std::pair<int, int>{1, 0}));
    EXPECT_GE(player->stops, 1);
}

TEST_F(ProgressionControllerTest, GivenBassIsNotTakenTwice)
{
    prefs()->setBool(true, "showfirstnote", kProgressions);
    start();
    EXPECT_EQ(window.instrument.green, (std::vector<std::pair<qint64, qint64>>{{60, 0}}));
    enter({60});
    EXPECT_EQ(entered(), (std::vector<qlonglong>{60}));
    enter({64, 60, 67});
    EXPECT_EQ(entered(), (std::vector<qlonglong>{60, 64, 67}));
    enter({60});
    EXPECT_EQ(entered(), (std::vector<qlonglong>{60, 64, 67, 60}));
    EXPECT_TRUE(controller->lastEnteredNoteWasRight());
}

TEST_F(ProgressionControllerTest, SidebarAnswerComparesChordsAndInversions)
{
    prefs()->setBool(true, "useChordInversions", kProgressions);
    const QStringList items{"I - vi - IV - V", "I - IV - vi - V", "I - V - vi - IV"};
    for (int round = 0; round < 4; ++round) {
        start(items);
        EXPECT_TRUE(controller->isAnswerRightForItem(controller->currentTest()->item(), {}));
        EXPECT_FALSE(controller->isAnswerRightForItem(
            ZTDataProvider::sharedDataProvider()->itemForTest(kProgressions, otherItemName()), {}));
        // Chords of other sizes cannot take the question's inversions: wrong without comparing.
        EXPECT_FALSE(controller->isAnswerRightForItem(
            ZTDataProvider::sharedDataProvider()->itemForTest(kProgressions, "Imaj7 - vi7 - ii7 - V7"), {}));
    }
}
