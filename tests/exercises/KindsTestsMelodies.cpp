// Generated melodies: degrees never repeated side by side, chromatic fall-backs, levels
// without data or scales, answers in order and the silent reading variant.
#include "EngineFixture.h"

#include "ZTMelodies.h"
#include "ZTMelodiesController.h"
#include "ZTMelodiesMusicReadController.h"

#include <set>

namespace {

const QString kMelodies = QStringLiteral("Melodies");

std::vector<qlonglong> melodyNumbers(const ZTTest& melody)
{
    std::vector<qlonglong> numbers;
    for (const ZTNoteCollection& note : melody.noteCollectionObjects())
        numbers.push_back(note.firstNote()->nr());
    return numbers;
}

std::unique_ptr<ZTMelodies> melodyOf(const QString& scale, qlonglong tones, qlonglong octaves, qlonglong root = 60)
{
    auto melody = ZTTest::create<ZTMelodies>();
    melody->setScaleName(scale);
    melody->setNumTones(tones);
    melody->setOctaves(octaves);
    melody->setRootNoteNr(root);
    melody->createNotes();
    return melody;
}

bool neighboursDiffer(const std::vector<qlonglong>& numbers)
{
    for (size_t i = 1; i < numbers.size(); ++i)
        if (numbers[i] == numbers[i - 1])
            return false;
    return true;
}

} // namespace

using MelodyTest = EngineTest;

TEST_F(MelodyTest, NeighbouringNotesNeverShareADegree)
{
    const std::set<qlonglong> cMajor{60, 62, 64, 65, 67, 69, 71, 72};
    for (quint32 seed = 1; seed <= 25; ++seed) {
        RandomSource::shared().seed(seed);
        const auto inScale = melodyNumbers(*melodyOf("Major", 40, 1));
        ASSERT_EQ(inScale.size(), 40u);
        EXPECT_TRUE(neighboursDiffer(inScale));
        for (qlonglong nr : inScale)
            EXPECT_TRUE(cMajor.count(nr)) << nr;

        // Not a scale of the catalogue: chromatic over the octaves, at least one.
        const auto oneOctave = melodyNumbers(*melodyOf("No such scale", 40, 0));
        EXPECT_TRUE(neighboursDiffer(oneOctave));
        EXPECT_GE(*std::min_element(oneOctave.begin(), oneOctave.end()), 60);
        EXPECT_LE(*std::max_element(oneOctave.begin(), oneOctave.end()), 71);
        const auto threeOctaves = melodyNumbers(*melodyOf("No such scale", 40, 3));
        EXPECT_TRUE(neighboursDiffer(threeOctaves));
        EXPECT_LE(*std::max_element(threeOctaves.begin(), threeOctaves.end()), 95);
    }
    // Over two octaves the scale's notes may also lie an octave up.
    const auto twoOctaves = melodyNumbers(*melodyOf("Major", 60, 2));
    EXPECT_GT(*std::max_element(twoOctaves.begin(), twoOctaves.end()), 72);
    EXPECT_LE(*std::max_element(twoOctaves.begin(), twoOctaves.end()), 84);
}

TEST_F(MelodyTest, EmptyAndSingleDegreeMelodiesEnd)
{
    EXPECT_TRUE(melodyOf("Major", 0, 1)->noteCollectionObjects().isEmpty());
    // A scale of one degree can only repeat it.
    prefs()->addCustomExercise(QVariantMap{{"name", "Drone"}, {"group", "0"}, {"level", 0},
                                           {"definition", QVariantList{QVariantMap{
                                                              {"notes", QVariantList{QVariantMap{{"pos", 1}, {"off", 0}}}}}}}},
                               "Scale recognition");
    ZTDataProvider::sharedDataProvider()->setup();
    EXPECT_EQ(melodyNumbers(*melodyOf("Drone", 5, 1)), (std::vector<qlonglong>(5, 60)));

    auto melody = melodyOf("Major", 3, 1);
    EXPECT_EQ(melody->name(), "Melody");
    EXPECT_FALSE(melody->definition().isValid());
}

TEST_F(MelodyTest, LevelWithoutDataAsksNothing)
{
    const qlonglong level = addCustomLevel(kMelodies, {"Major"});
    prefs()->setString("custom_Mine", "level", kMelodies);
    auto* melodies = make<ZTMelodiesController>(level);
    EXPECT_TRUE(melodies->hasItems());
    melodies->nextTest();
    EXPECT_FALSE(melodies->currentTest());
    EXPECT_TRUE(player->played.empty());
    melodies->noteEnteredWithNr(60);
    EXPECT_TRUE(melodies->enteredNotes().isEmpty());
}

TEST_F(MelodyTest, LevelWithoutScalesIsChromatic)
{
    prefs()->addCustomLevel(QVariantMap{{"name", "Empty"}, {"items", QVariantList{}},
                                        {"additionalData", QVariantMap{{"numTones", 4}, {"octaves", 1}}}},
                            kMelodies);
    ZTDataProvider::sharedDataProvider()->setup();
    prefs()->setString("custom_Empty", "level", kMelodies);
    prefs()->setString("60,60", "basenote", kMelodies);
    auto* melodies = make<ZTMelodiesController>(
        ZTDataProvider::sharedDataProvider()->levelIndexForName("custom_Empty", kMelodies));
    melodies->nextTest();
    ASSERT_TRUE(melodies->currentTest());
    const auto numbers = melodyNumbers(*melodies->currentTest());
    ASSERT_EQ(numbers.size(), 4u);
    for (qlonglong nr : numbers) {
        EXPECT_GE(nr, 60);
        EXPECT_LE(nr, 71);
    }
    EXPECT_EQ(player->played.size(), 1u);
}

TEST_F(MelodyTest, NotesAnswerInMelodyOrderUnderTheNameMelody)
{
    prefs()->setBool(false, "showfirstnote", kMelodies);
    PostedNotifications posted({kRight, kWrong});
    auto* melodies = make<ZTMelodiesController>();
    melodies->nextTest();
    ASSERT_TRUE(melodies->currentTest());
    const auto numbers = melodyNumbers(*melodies->currentTest());
    ASSERT_EQ(numbers.size(), 3u);
    EXPECT_EQ(dynamic_cast<ZTMelodies*>(melodies->currentTest().get())->playMode(), ZTMusicalTest::Legato);

    // A note beside the first is wrong; the melody may be tried again.
    melodies->noteEnteredWithNr(numbers[0] + 1);
    queue.advance(0.5);
    EXPECT_EQ(posted.count(kWrong), 1);

    for (qlonglong nr : numbers)
        melodies->noteEnteredWithNr(nr);
    ASSERT_EQ(posted.count(kRight), 1);
    EXPECT_FALSE(posted.posted.back().object.isValid());
    EXPECT_EQ(stats(kMelodies, "Melody"), (std::pair<int, int>{1, 0}));
    EXPECT_EQ(melodies->rightResultString(), melodies->currentTest()->result());
}

TEST_F(MelodyTest, ReadingMelodyIsShownNotPlayed)
{
    auto* reading = make<ZTMelodiesMusicReadController>();
    reading->nextTest();
    ASSERT_TRUE(reading->currentTest());
    EXPECT_FALSE(reading->currentTest()->hasAudio());
    EXPECT_TRUE(player->played.empty());
    EXPECT_EQ(reading->currentTest()->className(), "ZTMelodiesMusicRead");
    EXPECT_EQ(reading->currentTest()->noteCollectionObjects().size(), 3);
    EXPECT_GE(staff.shownFromTest, 1);
}
