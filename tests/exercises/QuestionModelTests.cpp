#include "QuestionFixture.h"

#include "ZTChord.h"
#include "ZTException.h"
#include "ZTInterval.h"
#include "ZTMusicRead.h"
#include "ZTPitch.h"
#include "ZTScale.h"

#include <QSet>

#include <algorithm>

namespace {

struct Placement {
    double beat;
    double duration;
};

std::vector<Placement> placements(const MusicSequence& sequence)
{
    std::vector<Placement> result;
    for (const MusicNoteEvent& e : sequence.tracks().at(0).notes())
        result.push_back({e.beat, e.duration});
    return result;
}

QVariantMap scaleOfSteps(int count)
{
    QVariantList steps;
    for (int i = 1; i <= count; ++i)
        steps.append(noteStep(i));
    return fixtureItem("Steps", steps);
}

} // namespace

using QuestionModel = QuestionTestBase;

TEST_F(QuestionModel, CreationSetsTheDefaultsAndCopiesTheItem)
{
    QVariantMap item = fixtureItem("Minor third", {noteStep(1), noteStep(3)}, true);
    item.insert("translatedName", "kleine Terz");
    auto question = ZTTest::create<ZTInterval>(item);

    EXPECT_EQ(question->translatedName(), "kleine Terz");
    EXPECT_TRUE(question->isMinor());
    EXPECT_TRUE(question->hasAudio());
    EXPECT_EQ(question->playMode(), ZTMusicalTest::Legato);
    EXPECT_EQ(question->rootNoteRange(), (ZTNoteRange{60, 1}));
    EXPECT_EQ(ZTMusicalTest::playModeForString("Chord"), ZTMusicalTest::Together);

    // A plain question has no audio and answers nothing.
    auto plain = ZTTest::create<ZTTest>(item);
    EXPECT_FALSE(plain->hasAudio());
    EXPECT_FALSE(plain->isEqualTo(*plain));
}

TEST_F(QuestionModel, NotesComeFromTheDefinitionOverTheRoot)
{
    // Degrees 1, 3 and 5 with a raised fifth, a step without notes in between.
    auto question = ZTTest::create<ZTInterval>(
        fixtureItem("Aug", {noteStep(1), emptyStep(), noteStep(3), noteStep(5, 1), noteStep(8)}));
    question->setRootNoteNr(62);
    const QList<ZTNoteCollection> up = question->noteCollectionObjects();
    EXPECT_EQ(firstNotes(up), (std::vector<qlonglong>{62, 66, 70, 74}));
    EXPECT_EQ(up.at(1).firstNote()->letter(), "F");
    EXPECT_EQ(up.at(1).firstNote()->offset(), 1);
    EXPECT_EQ(up.at(2).firstNote()->letter(), "A"); // the raised fifth keeps its letter
    EXPECT_EQ(up.at(2).firstNote()->offset(), 1);
    EXPECT_EQ(up.at(0).name(), "D3"); // a collection is named after its note

    // Descending walks the steps backwards; the notes follow later root changes.
    question->setDescending(true);
    question->setRootNoteNr(60);
    EXPECT_EQ(firstNotes(question->noteCollectionObjects()), (std::vector<qlonglong>{72, 68, 64, 60}));

    // Minor items use the natural-minor steps: the third of A minor is C.
    auto minor = ZTTest::create<ZTInterval>(fixtureItem("m3", {noteStep(1), noteStep(3)}, true));
    minor->setRootNoteNr(57);
    EXPECT_EQ(firstNotes(minor->noteCollectionObjects()), (std::vector<qlonglong>{57, 60}));
    EXPECT_EQ(minor->noteCollectionObjects().at(1).firstNote()->letter(), "C");
}

TEST_F(QuestionModel, MalformedDefinitionsGiveNoNotes)
{
    auto none = ZTTest::create<ZTScale>(QVariantMap{});
    EXPECT_TRUE(none->noteCollectionObjects().isEmpty());
    auto number = ZTTest::create<ZTScale>(QVariantMap{{"definition", 120}});
    EXPECT_TRUE(number->noteCollectionObjects().isEmpty());
    auto noDegree = ZTTest::create<ZTScale>(
        fixtureItem("x", {QVariantMap{{"notes", QVariantList{QVariantMap{{"off", 1}}}}}}));
    EXPECT_TRUE(noDegree->noteCollectionObjects().isEmpty());
}

TEST_F(QuestionModel, SequenceLayoutPerPlayMode)
{
    struct Case {
        qlonglong mode;
        int steps;
        std::vector<Placement> expected;
    };
    const std::vector<Case> cases = {
        {ZTMusicalTest::Legato, 3, {{0, 1.0}, {1, 1.0}, {2, 1.0}}},
        {ZTMusicalTest::Staccato, 3, {{0, 0.3}, {1, 0.3}, {2, 0.3}}},
        {ZTMusicalTest::Arpeggio, 4, {{0, 5}, {1, 4}, {2, 3}, {3, 2}}},
        {ZTMusicalTest::Together, 3, {{0, 3.0}, {0, 3.0}, {0, 3.0}}},
        {7, 3, {}},
        {-1, 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        auto question = ZTTest::create<ZTScale>(scaleOfSteps(c.steps));
        question->setRootNoteNr(60);
        question->setPlayMode(c.mode);
        const MusicSequence sequence = question->newMusicSequenceWithTempo(90);

        ASSERT_EQ(sequence.tracks().size(), 1u);
        const std::vector<Placement> got = placements(sequence);
        ASSERT_EQ(got.size(), c.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_DOUBLE_EQ(got[i].beat, c.expected[i].beat) << i;
            EXPECT_DOUBLE_EQ(got[i].duration, c.expected[i].duration) << i;
        }
        ASSERT_EQ(sequence.tempoTrack().size(), 1u);
        EXPECT_DOUBLE_EQ(sequence.tempoTrack().at(0).beat, 0);
        EXPECT_DOUBLE_EQ(sequence.tempoTrack().at(0).beatsPerMinute, 90);
        EXPECT_FLOAT_EQ(question->tempo(), 90.0f);
    }
}

TEST_F(QuestionModel, SequenceCarriesNotesChannelAndVelocityInStepOrder)
{
    auto question = ZTTest::create<ZTScale>(scaleOfSteps(3));
    question->setRootNoteNr(60);
    question->setDescending(true);
    question->setMIDIChannel(4);
    question->setVelocity(90);
    const MusicSequence sequence = question->newMusicSequence();
    const auto& events = sequence.tracks().at(0).notes();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].note, 64);
    EXPECT_EQ(events[1].note, 62);
    EXPECT_EQ(events[2].note, 60);
    for (const MusicNoteEvent& e : events) {
        EXPECT_EQ(e.channel, 4);
        EXPECT_EQ(e.velocity, 90);
        EXPECT_EQ(e.releaseVelocity, 0);
    }
    EXPECT_DOUBLE_EQ(sequence.tempoTrack().at(0).beatsPerMinute, 120);
}

TEST_F(QuestionModel, VelocityAndChannelStayInTheMIDIRange)
{
    struct Case {
        qlonglong velocity, channel;
        int expectedVelocity, expectedChannel;
    };
    // 256 would be 0 (a note-off) if only its low byte were kept.
    const std::vector<Case> cases = {
        {256, 0, 127, 0}, {300, 0, 127, 0}, {0, 0, 1, 0}, {-5, -1, 1, 0}, {127, 15, 127, 15}, {1, 16, 1, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.velocity);
        auto question = ZTTest::create<ZTInterval>(fixtureItem("P5", {noteStep(1), noteStep(5)}));
        question->setVelocity(c.velocity);
        question->setMIDIChannel(c.channel);
        const MusicSequence sequence = question->newMusicSequence();
        for (const MusicNoteEvent& e : sequence.tracks().at(0).notes()) {
            EXPECT_EQ(e.velocity, c.expectedVelocity);
            EXPECT_EQ(e.channel, c.expectedChannel);
        }
    }
}

TEST_F(QuestionModel, QuestionWithoutNotesGivesOnlyTheTempoEvent)
{
    for (const QVariantMap& item : {fixtureItem("empty", {}), fixtureItem("hollow", {emptyStep(), emptyStep()})}) {
        std::vector<std::unique_ptr<ZTMusicalTest>> questions;
        questions.push_back(ZTTest::create<ZTScale>(item));
        questions.push_back(ZTTest::create<ZTChord>(item));
        for (const auto& question : questions) {
            SCOPED_TRACE(question->className().toStdString());
            question->setPlayMode(ZTMusicalTest::Arpeggio);
            question->setUserInfo(2);
            const MusicSequence sequence = question->newMusicSequence();
            EXPECT_TRUE(sequence.isEmpty());
            EXPECT_EQ(sequence.tempoTrack().size(), 1u);
        }
    }
}

TEST_F(QuestionModel, TempoThatCannotBeSetAbandonsTheSequence)
{
    auto question = ZTTest::create<ZTInterval>(fixtureItem("P5", {noteStep(1), noteStep(5)}));
    try {
        question->newMusicSequenceWithTempo(0);
        FAIL() << "a tempo of 0 was accepted";
    } catch (const ZTException& e) {
        EXPECT_EQ(e.name(), "main");
        EXPECT_EQ(e.reason(), "Cannot add tempo event.");
    }
}

TEST_F(QuestionModel, ChordInversionsAndVoicing)
{
    struct Case {
        qlonglong inversion;
        bool descending;
        std::vector<std::vector<qlonglong>> voiced;
    };
    const std::vector<Case> cases = {
        {0, false, {{60, 64, 67}, {64, 67, 72}, {67, 72, 76}}},
        {1, false, {{64, 67, 72}, {67, 72, 76}, {72, 76, 79}}},
        {2, false, {{67, 72, 76}, {72, 76, 79}, {76, 79, 84}}},
        // Descending reverses the single tones before voicing.
        {0, true, {{67, 64, 60}, {64, 60, 79}, {60, 79, 76}}},
        {1, true, {{72, 67, 64}, {67, 64, 84}, {64, 84, 79}}},
        // Past the last inversion every tone has wrapped once.
        {3, false, {{72, 76, 79}, {76, 79, 84}, {79, 84, 88}}},
        // A negative number is no inversion.
        {-1, false, {{60, 64, 67}, {64, 67, 72}, {67, 72, 76}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "inversion " << c.inversion << " descending " << c.descending);
        auto chord = ZTTest::create<ZTChord>(majorTriad());
        chord->setRootNoteNr(60);
        chord->setUserInfo(c.inversion);
        chord->setDescending(c.descending);
        const QList<ZTNoteCollection> collections = chord->noteCollectionObjects();
        ASSERT_EQ(collections.size(), qsizetype(c.voiced.size()));
        for (qsizetype i = 0; i < collections.size(); ++i)
            EXPECT_EQ(numbersOf(collections.at(i)), c.voiced.at(i)) << "collection " << i;
    }

    // A raised tone keeps its spelling an octave up.
    auto chord = ZTTest::create<ZTChord>(majorTriad());
    chord->setRootNoteNr(60);
    chord->setUserInfo(1);
    const QVNote top = chord->noteCollectionObjects().at(0).notes().at(2);
    EXPECT_EQ(top.letter(), "C");
    EXPECT_EQ(top.octave(), 4);
    EXPECT_EQ(chord->chordId(), "M");
}

TEST_F(QuestionModel, WideChordsKeepTheirBassLowestInEveryVoicing)
{
    // Dominant 9th on C: C E G Bb D spans more than an octave. With D in the bass, C must go
    // up two octaves to lie above it, not one (D C E G Bb); the steps then climb D E G Bb C.
    auto ninth = ZTTest::create<ZTChord>(
        fixtureItem("Dominant 9th", {noteStep(1), noteStep(3), noteStep(5), noteStep(7, -1), noteStep(9)}, false, "9"));
    ninth->setRootNoteNr(60);
    ninth->setUserInfo(4);
    const QList<ZTNoteCollection> voiced = ninth->noteCollectionObjects();
    EXPECT_EQ(numbersOf(voiced.at(0)), (std::vector<qlonglong>{74, 76, 79, 82, 84}));
    EXPECT_EQ(voiced.at(0).notes().at(4).octave(), 5) << "the raised C is written where it sounds";
    // Every voicing stands on its first tone: collection i is the chord upward from tone i.
    for (const ZTNoteCollection& collection : voiced) {
        const std::vector<qlonglong> numbers = numbersOf(collection);
        EXPECT_EQ(*std::min_element(numbers.begin(), numbers.end()), numbers.front());
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), numbers.front()), 1);
    }
}

TEST_F(QuestionModel, ChordNotesAreCachedUntilReset)
{
    auto chord = ZTTest::create<ZTChord>(majorTriad());
    chord->setRootNoteNr(60);
    EXPECT_EQ(firstNotes(chord->noteCollectionObjects()), (std::vector<qlonglong>{60, 64, 67}));
    chord->setRootNoteNr(62);
    EXPECT_EQ(firstNotes(chord->noteCollectionObjects()), (std::vector<qlonglong>{60, 64, 67}));
    chord->resetNoteCollections();
    EXPECT_EQ(firstNotes(chord->noteCollectionObjects()), (std::vector<qlonglong>{62, 66, 69}));

    // Only the first note of each collection sounds: a chord plays tone by tone.
    chord->setPlayMode(ZTMusicalTest::Together);
    const MusicSequence sequence = chord->newMusicSequence();
    ASSERT_EQ(sequence.tracks().at(0).notes().size(), 3u);
    EXPECT_EQ(sequence.tracks().at(0).notes().at(2).note, 69);
}

TEST_F(QuestionModel, SameChordInAnyTransposition)
{
    auto c = ZTTest::create<ZTChord>(majorTriad());
    c->setRootNoteNr(60);
    auto d = ZTTest::create<ZTChord>(majorTriad());
    d->setRootNoteNr(62);
    auto minor = ZTTest::create<ZTChord>(fixtureItem("Minor", {noteStep(1), noteStep(3), noteStep(5)}, true));
    minor->setRootNoteNr(60);
    auto firstInversion = ZTTest::create<ZTChord>(majorTriad());
    firstInversion->setRootNoteNr(60);
    firstInversion->setUserInfo(1);
    auto dyad = ZTTest::create<ZTChord>(fixtureItem("Fifth", {noteStep(1), noteStep(5)}));
    auto single = ZTTest::create<ZTChord>(fixtureItem("One", {noteStep(1)}));
    auto otherSingle = ZTTest::create<ZTChord>(fixtureItem("One", {noteStep(3)}));
    auto empty = ZTTest::create<ZTChord>(fixtureItem("None", {}));

    EXPECT_TRUE(c->isSameChord(*d));
    EXPECT_FALSE(c->isSameChord(*minor));
    EXPECT_FALSE(c->isSameChord(*firstInversion));
    EXPECT_FALSE(c->isSameChord(*dyad));
    EXPECT_TRUE(single->isSameChord(*otherSingle));
    EXPECT_FALSE(empty->isSameChord(*single));
    EXPECT_TRUE(empty->isSameChord(*empty));
    // Equality, unlike sameness, needs the same notes.
    EXPECT_FALSE(c->isEqualTo(*d));
}

TEST_F(QuestionModel, RootIsDrawnWithinTheRange)
{
    auto question = ZTTest::create<ZTInterval>(fixtureItem("P5", {noteStep(1), noteStep(5)}));
    question->setRootNoteRange({48, 24});
    QSet<qlonglong> seen;
    for (int i = 0; i < 2000; ++i) {
        question->updateRootNote();
        ASSERT_GE(question->rootNoteNr(), 48);
        ASSERT_LE(question->rootNoteNr(), 72);
        seen.insert(question->rootNoteNr());
    }
    EXPECT_EQ(seen.size(), 25); // both ends included

    question->setRootNoteRange({55, 0});
    question->updateRootNote();
    EXPECT_EQ(question->rootNoteNr(), 55);

    // The draw follows the shared random source.
    question->setRootNoteRange({40, 40});
    RandomSource::shared().seed(99);
    question->updateRootNote();
    const qlonglong first = question->rootNoteNr();
    RandomSource::shared().seed(99);
    question->updateRootNote();
    EXPECT_EQ(question->rootNoteNr(), first);
}

TEST_F(QuestionModel, ChannelFollowsTheOutput)
{
    prefs()->setMIDIOutChannel(10);
    // The internal player always takes channel 0.
    ZTMusicalTest::setMIDIOutputEndpointCheck([] { return true; });
    EXPECT_TRUE(prefs()->isInternalPlayer());
    EXPECT_EQ(ZTMusicalTest::MIDIChannelForOutput(), 0);

    ZTPreferences::setMIDIEndpointLookup([](const QString&) { return true; });
    prefs()->setMIDIOutEndpoint("USB Synth");
    ASSERT_FALSE(prefs()->isInternalPlayer());
    EXPECT_EQ(ZTMusicalTest::MIDIChannelForOutput(), 9);
    auto question = ZTTest::create<ZTInterval>(fixtureItem("P5", {noteStep(1), noteStep(5)}));
    EXPECT_EQ(question->MIDIChannel(), 9);
    EXPECT_EQ(question->newMusicSequence().tracks().at(0).notes().at(0).channel, 9);

    prefs()->setMIDIOutChannel(1);
    EXPECT_EQ(ZTMusicalTest::MIDIChannelForOutput(), 0);
    prefs()->setMIDIOutChannel(0);
    EXPECT_EQ(ZTMusicalTest::MIDIChannelForOutput(), 0);

    // Without a MIDI controller endpoint nothing goes out externally.
    prefs()->setMIDIOutChannel(10);
    ZTMusicalTest::setMIDIOutputEndpointCheck([] { return false; });
    EXPECT_EQ(ZTMusicalTest::MIDIChannelForOutput(), 0);
}

TEST_F(QuestionModel, VelocityFollowsTheOutput)
{
    prefs()->setMIDIOutVelocity(80);
    prefs()->setMIDIOutVelocityMVSoftSynth(50);
    prefs()->setMIDIOutEndpoint("Melvora SoftSynth");
    EXPECT_EQ(ZTTest::create<ZTScale>(scaleOfSteps(2))->velocity(), 50);

    ZTPreferences::setMIDIEndpointLookup([](const QString&) { return true; });
    prefs()->setMIDIOutEndpoint("USB Synth");
    EXPECT_EQ(ZTTest::create<ZTScale>(scaleOfSteps(2))->velocity(), 80);
}

TEST_F(QuestionModel, NamesFollowTheSettingsAtEachCall)
{
    auto question = ZTTest::create<ZTInterval>(fixtureItem("M3", {noteStep(1), noteStep(3)}));
    question->setRootNoteNr(62);
    prefs()->setSpellingType("MIDI");
    prefs()->setNoteNamesTypes("International");
    EXPECT_EQ(question->spellingArray(), (QStringList{"D3", "F\u266F3"}));
    EXPECT_EQ(question->spellingString(), "D3 - F\u266F3");
    EXPECT_EQ(question->result(), question->spellingString());
    EXPECT_EQ(question->noteNameWithIndex(1), "F\u266F3");
    EXPECT_EQ(question->noteNameWithIndex(2), QString());

    prefs()->setSpellingType("Scientific");
    EXPECT_EQ(question->spellingString(), "D4 - F\u266F4");
    // A type without names still gives one (empty) entry per step.
    prefs()->setSpellingType("Numeral");
    EXPECT_EQ(question->spellingArray(), (QStringList{"", ""}));
    EXPECT_EQ(question->spellingString(), " - ");
}

TEST_F(QuestionModel, LookupsOverTheCollections)
{
    auto question = ZTTest::create<ZTScale>(fixtureItem("x", {noteStep(1), noteStep(3), noteStep(1)}));
    question->setRootNoteNr(60);
    EXPECT_EQ(question->indexForNoteNr(60), 0);
    EXPECT_EQ(question->indexForNoteNr(64), 1);
    EXPECT_EQ(question->indexForNoteNr(61), -1);

    auto same = ZTTest::create<ZTInterval>(fixtureItem("y", {noteStep(1), noteStep(3), noteStep(1)}));
    same->setRootNoteNr(60);
    EXPECT_TRUE(question->isEqualTo(*same));
    same->setDescending(true);
    EXPECT_TRUE(question->isEqualTo(*same)); // a palindrome reads the same backwards
    same->setRootNoteNr(61);
    EXPECT_FALSE(question->isEqualTo(*same));
}

TEST_F(QuestionModel, PitchQuestions)
{
    prefs()->setFloat(0.5f, "length", "Pitch recognition");
    auto pitch = ZTTest::create<ZTPitch>(fixtureItem("C#", {pitchStep(61)}));
    pitch->updateRootNote();
    EXPECT_EQ(pitch->rootNoteNr(), 61);
    const QList<ZTNoteCollection> collections = pitch->noteCollectionObjects();
    ASSERT_EQ(collections.size(), 1);
    EXPECT_EQ(collections.at(0).firstNote()->letter(), "D"); // the root of its own key, D flat
    EXPECT_EQ(collections.at(0).firstNote()->offset(), -1);

    // The play mode does not matter: one note at beat 0 for the "length" setting.
    for (qlonglong mode : {0, 2, 3, 9}) {
        pitch->setPlayMode(mode);
        const MusicSequence sequence = pitch->newMusicSequence();
        ASSERT_EQ(sequence.tracks().at(0).notes().size(), 1u);
        EXPECT_DOUBLE_EQ(sequence.tracks().at(0).notes().at(0).beat, 0);
        EXPECT_DOUBLE_EQ(sequence.tracks().at(0).notes().at(0).duration, 0.5);
        EXPECT_EQ(sequence.tracks().at(0).notes().at(0).note, 61);
    }

    auto same = ZTTest::create<ZTMusicRead>(fixtureItem("other name", {pitchStep(61)}));
    auto other = ZTTest::create<ZTPitch>(fixtureItem("D", {pitchStep(62)}));
    auto empty = ZTTest::create<ZTPitch>(fixtureItem("none", {}));
    EXPECT_TRUE(pitch->isEqualTo(*same));
    EXPECT_FALSE(pitch->isEqualTo(*other));
    EXPECT_FALSE(empty->isEqualTo(*empty));
    EXPECT_TRUE(empty->noteCollectionObjects().isEmpty());
    empty->setRootNoteNr(50);
    empty->updateRootNote();
    EXPECT_EQ(empty->rootNoteNr(), 50);
}
