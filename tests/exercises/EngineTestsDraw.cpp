// Choosing the next question: weights from the statistics, the no-repeat rule, item names
// that are SQL-unfriendly, empty levels, and the sectioned sidebar.
#include "EngineFixture.h"

#include "ZTChordController.h"
#include "ZTIntervalController.h"
#include "ZTScaleController.h"

#include <map>
#include <set>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");
const QString kChords = QStringLiteral("Chord recognition");

QVariantMap customChord(const QString& name, int tones)
{
    QVariantList steps;
    for (int i = 0; i < tones; ++i)
        steps.append(QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 1 + 2 * i}, {"off", 0}}}}});
    return {{"name", name}, {"group", "0"}, {"definition", steps}, {"chordId", name}, {"level", 0}};
}

// Share of each item name over many weighted draws.
std::map<QString, double> drawShares(ZTAbstractTestController& controller, int draws)
{
    std::map<QString, double> shares;
    for (int i = 0; i < draws; ++i) {
        const qlonglong index = controller._newIndex();
        shares[controller.items().at(index).toMap().value("name").toString()] += 1.0 / draws;
    }
    return shares;
}

} // namespace

TEST_F(EngineTest, DrawFollowsTheShareOfWrongAnswers)
{
    // Never asked: weight 5; 50 % wrong: 3; 12.5 % wrong: 2; never wrong: 1.
    const qlonglong level = addCustomLevel(kIntervals, {"Minor second", "Major second", "Minor third", "Major third"});
    addStats(kIntervals, "Major second", 1, 1);
    addStats(kIntervals, "Minor third", 7, 1);
    addStats(kIntervals, "Major third", 10, 0);
    auto* intervals = make<ZTIntervalController>(level);
    ASSERT_EQ(intervals->items().size(), 4);

    const auto shares = drawShares(*intervals, 22000);
    EXPECT_NEAR(shares.at("Minor second"), 5.0 / 11, 0.015);
    EXPECT_NEAR(shares.at("Major second"), 3.0 / 11, 0.015);
    EXPECT_NEAR(shares.at("Minor third"), 2.0 / 11, 0.015);
    EXPECT_NEAR(shares.at("Major third"), 1.0 / 11, 0.015);
}

TEST_F(EngineTest, CountsFromADamagedFileWeighNoMoreThanAlwaysWrong)
{
    // Negative and huge counts from an edited or damaged file: each weighs like never asked.
    const qlonglong level = addCustomLevel(kIntervals, {"Minor second", "Major second", "Minor third"});
    ASSERT_TRUE(db()->executeUpdate("INSERT INTO stats VALUES (?, 'Major second', -999999999, 1000000000)", {kIntervals}));
    ASSERT_TRUE(db()->executeUpdate("INSERT INTO stats VALUES (?, 'Minor third', 1e308, 1e308)", {kIntervals}));
    auto* intervals = make<ZTIntervalController>(level);
    const auto shares = drawShares(*intervals, 15000);
    EXPECT_NEAR(shares.at("Minor second"), 5.0 / 11, 0.015);
    EXPECT_NEAR(shares.at("Major second"), 5.0 / 11, 0.015);
    EXPECT_NEAR(shares.at("Minor third"), 1.0 / 11, 0.015);
}

TEST_F(EngineTest, ItemNamesReachTheQueryAsParameters)
{
    // A quote in a custom item's name still finds its row (weight 1 against 5); were the name
    // pasted into the SQL, the query would fail and both items would weigh 5.
    prefs()->addCustomExercise(customChord("Bob's chord", 3), kChords);
    const qlonglong level = addCustomLevel(kChords, {"Bob's chord", "Major"});
    addStats(kChords, "Bob's chord", 10, 0);
    auto* chords = make<ZTChordController>(level);
    ASSERT_EQ(chords->items().size(), 2);
    EXPECT_NEAR(drawShares(*chords, 12000).at("Bob's chord"), 1.0 / 6, 0.015);
}

TEST_F(EngineTest, NoImmediateRepeatFromThreeItemsOn)
{
    auto* intervals = make<ZTIntervalController>(0); // Perfect fourth, Perfect fifth, Octave
    ASSERT_EQ(intervals->items().size(), 3);
    qlonglong previous = intervals->createNextTestIndex();
    EXPECT_NE(previous, 0) << "the first question of a controller is never the first item";
    for (int i = 0; i < 300; ++i) {
        const qlonglong next = intervals->createNextTestIndex();
        ASSERT_NE(next, previous);
        previous = next;
    }
    for (std::uint32_t seed = 1; seed < 40; ++seed) {
        RandomSource::shared().seed(seed);
        EXPECT_NE(make<ZTIntervalController>(0)->createNextTestIndex(), 0);
    }

    // Two items may repeat.
    const qlonglong pair = addCustomLevel(kIntervals, {"Minor second", "Major second"}, "Pair");
    auto* two = make<ZTIntervalController>(pair);
    bool repeated = false;
    previous = two->createNextTestIndex();
    for (int i = 0; i < 100 && !repeated; ++i) {
        const qlonglong next = two->createNextTestIndex();
        repeated = next == previous;
        previous = next;
    }
    EXPECT_TRUE(repeated);
}

TEST_F(EngineTest, LevelWithoutItemsShowsAnEmptyExercise)
{
    const qlonglong level = addCustomLevel(kIntervals, {});
    auto* intervals = make<ZTIntervalController>(level);
    prefs()->setString("5 sec", "answerTime", kIntervals);
    EXPECT_FALSE(intervals->hasList());
    EXPECT_EQ(intervals->createNextTestIndex(), -1);
    PostedNotifications posted({kRight, kWrong});

    intervals->nextTest();
    EXPECT_EQ(intervals->currentTest(), nullptr);
    EXPECT_FALSE(intervals->testInProgress());
    EXPECT_FALSE(intervals->waitingForKeyboardInput());
    EXPECT_TRUE(window.countDown.hidden);
    EXPECT_TRUE(player->played.empty());

    // Nothing to answer and nothing to score, whatever arrives.
    intervals->noteEnteredWithNr(60);
    NotificationCenter::defaultCenter().post("ZTCountdownViewFinishedNotification");
    intervals->reportAnswerRight({});
    intervals->reportAnswerWrong({});
    queue.advance(1);
    EXPECT_TRUE(posted.posted.empty());
    EXPECT_EQ(statsRowCount(), 0);
    EXPECT_EQ(intervals->numberOfRecordsForPlot(), 2);
}

TEST_F(EngineTest, SectionedSidebarListsGroupsInCatalogueOrder)
{
    auto* scales = make<ZTScaleController>(0);
    const QVariantList rows = scales->arrayForTableView();
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows.at(0).toString(), "Major and minor");
    EXPECT_EQ(rows.at(1).toMap().value("name"), "Major");
    EXPECT_EQ(rows.at(2).toMap().value("name"), "Natural minor");
    EXPECT_TRUE(scales->tableViewIsGroupRow(0));
    EXPECT_FALSE(scales->tableViewIsGroupRow(1));
    EXPECT_FALSE(scales->tableViewIsGroupRow(rows.size()));

    const ZTSidebarCell header = scales->tableViewViewForRow(0);
    EXPECT_TRUE(header.isGroupRow);
    EXPECT_EQ(header.backgroundImage, "tableViewSectionBackground");
    EXPECT_EQ(header.titleColor, ZTColor::blackColor());

    // Header rows cannot be selected; a closed gate keeps the selection as it is.
    EXPECT_EQ(scales->tableViewSelectionIndexesForProposedSelection({0, 1, 2}, {}), (QList<qlonglong>{1, 2}));
    sidebar.tag_ = 0;
    EXPECT_EQ(scales->tableViewSelectionIndexesForProposedSelection({1}, {2}), (QList<qlonglong>{2}));
    EXPECT_EQ(scales->tableViewViewForRow(1).titleColor, ZTColor::whiteColor(0.5));

    // A header click does nothing; a click through a closed gate does not answer.
    scales->nextTest();
    scales->tableViewClickedWithRow(0, {});
    sidebar.selected = rowOf(currentName());
    scales->tableViewSelectionDidChange();
    EXPECT_TRUE(scales->testInProgress());
    EXPECT_EQ(sidebar.selected, -1);
}

TEST_F(EngineTest, QuestionUsesRootRangeAndDirection)
{
    prefs()->setString("50,50", "basenote", kIntervals);
    prefs()->setInteger(1, "descending", kIntervals);
    auto* intervals = make<ZTIntervalController>(0);
    intervals->nextTest();
    auto musical = std::dynamic_pointer_cast<ZTMusicalTest>(intervals->currentTest());
    ASSERT_TRUE(musical);
    EXPECT_EQ(musical->rootNoteNr(), 50);
    EXPECT_TRUE(musical->descending());
    EXPECT_EQ(firstNoteNumbers().back(), 50);

    // A high end below the low one leaves the low end only.
    prefs()->setString("64,40", "basenote", kIntervals);
    prefs()->setInteger(0, "descending", kIntervals);
    for (int i = 0; i < 10; ++i) {
        intervals->nextTest();
        musical = std::dynamic_pointer_cast<ZTMusicalTest>(intervals->currentTest());
        EXPECT_EQ(musical->rootNoteNr(), 64);
        EXPECT_FALSE(musical->descending());
    }

    // Direction 2 draws both ways.
    prefs()->setInteger(2, "descending", kIntervals);
    std::set<bool> seen;
    for (int i = 0; i < 40; ++i)
        seen.insert(intervals->playDescending());
    EXPECT_EQ(seen.size(), 2u);
}
