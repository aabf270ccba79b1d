// Ending a question: the rows written per try, skip, count-down end and wrong-note report
// (in every order), sounds, auto-advance, the graph's data, and a replaced controller.
#include "EngineFixture.h"

#include "ZTIntervalController.h"

#include <QRegularExpression>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");

// A note that is not the question's next one.
qlonglong wrongNoteFor(ZTAbstractTestController& c)
{
    auto musical = std::dynamic_pointer_cast<ZTMusicalTest>(c.currentTest());
    return musical->noteCollectionObjects().first().firstNote()->nr() + 1;
}

} // namespace

class ScoringTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        prefs()->setString("3", "numTryouts", kIntervals);
        intervals = make<ZTIntervalController>(0);
        intervals->nextTest();
        ASSERT_TRUE(intervals->testInProgress());
        question = currentName();
    }
    ZTIntervalController* intervals = nullptr;
    QString question;
};

TEST_F(ScoringTest, RightAnswerAfterTwoWrongTriesWritesOneRow)
{
    PostedNotifications posted({kRight, kWrong});
    click(otherItemName());
    EXPECT_EQ(sidebar.tag(), 1) << "tries remain: the gate opens again";
    click(otherItemName());
    EXPECT_TRUE(results(kIntervals).empty()) << "earlier tries write nothing";
    EXPECT_EQ(intervals->numTryouts(), 2);
    click(question);

    const auto rows = results(kIntervals);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].itemName, question);
    EXPECT_EQ(rows[0].result, 1);
    EXPECT_EQ(rows[0].numTryouts, 3) << "a right answer files the allowed tries";
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(rows[0].date).hasMatch());
    EXPECT_EQ(stats(kIntervals, question), std::make_pair(1, 0));
    EXPECT_EQ(posted.count(kWrong), 2);
    EXPECT_EQ(posted.count(kRight), 1);
    EXPECT_EQ(posted.posted.back().object.toMap().value("name"), question);
    EXPECT_FALSE(intervals->testInProgress());
    EXPECT_EQ(sidebar.tag(), 0);
    EXPECT_EQ(intervals->rightItem(), localized(question));
    EXPECT_TRUE(window.instrument.revealedAtStep.has_value());

    // A second report for the same question scores nothing.
    intervals->reportAnswerRight(intervals->currentTest()->item());
    EXPECT_EQ(results(kIntervals).size(), 1u);
    EXPECT_EQ(stats(kIntervals, question), std::make_pair(1, 0));

    // The next right answer to the same item updates its row.
    for (int i = 0; i < 20 && (i == 0 || currentName() != question); ++i)
        intervals->nextTest();
    ASSERT_EQ(currentName(), question);
    click(question);
    EXPECT_EQ(stats(kIntervals, question), std::make_pair(2, 0));
}

TEST_F(ScoringTest, AnAnswerIsFiledInBothTablesOrInNeither)
{
    // The results insert fails (as on a full disk): the stats row must not count the answer.
    ASSERT_TRUE(db()->executeUpdate("CREATE TRIGGER full BEFORE INSERT ON results BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    LogCapture log;
    click(question);
    EXPECT_FALSE(stats(kIntervals, question).has_value());
    EXPECT_TRUE(results(kIntervals).empty());
    EXPECT_TRUE(log.contains("could not be recorded")) << log.lines().join('\n').toStdString();

    // With a row present the update is taken back as well.
    intervals->nextTest();
    question = currentName();
    if (!stats(kIntervals, question))
        addStats(kIntervals, question, 5, 5);
    const auto kept = stats(kIntervals, question);
    click(question);
    EXPECT_EQ(stats(kIntervals, question), kept);
    EXPECT_TRUE(results(kIntervals).empty());

    // Once the insert works again, answers are filed in both tables.
    ASSERT_TRUE(db()->executeUpdate("DROP TRIGGER full"));
    intervals->nextTest();
    question = currentName();
    const int rightBefore = stats(kIntervals, question).value_or(std::make_pair(0, 0)).first;
    click(question);
    EXPECT_EQ(results(kIntervals).size(), 1u);
    EXPECT_EQ(stats(kIntervals, question).value_or(std::make_pair(0, 0)).first, rightBefore + 1);
}

TEST_F(ScoringTest, OnlyTheLastWrongTryIsFiled)
{
    prefs()->setSoundWrongAnswer("buzz");
    const QString wrong = otherItemName();
    click(wrong);
    click(wrong);
    EXPECT_TRUE(results(kIntervals).empty());
    EXPECT_FALSE(stats(kIntervals, question));
    EXPECT_TRUE(intervals->waitingForKeyboardInput());
    click(wrong);

    const auto rows = results(kIntervals);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].result, 0);
    EXPECT_EQ(rows[0].numTryouts, 2) << "the tries used before the last one";
    EXPECT_EQ(stats(kIntervals, question), std::make_pair(0, 1));
    EXPECT_FALSE(stats(kIntervals, wrong)) << "the question's item is filed, not the answer";
    EXPECT_EQ(sounds->sounds.size(), 3u);
    EXPECT_TRUE(sounds->sounds.front().first.endsWith("sounds/buzz.wav"));
    EXPECT_FLOAT_EQ(sounds->sounds.front().second, 0.7f);
    EXPECT_FALSE(intervals->testInProgress());
    EXPECT_FALSE(intervals->waitingForKeyboardInput());
    EXPECT_EQ(sidebar.tag(), 0);
    EXPECT_EQ(intervals->rightItem(), localized(question));
    EXPECT_EQ(intervals->wrongItem(), localized(wrong));
    EXPECT_EQ(staff.shownFromTest, 1) << "the answer is revealed on the staff";
}

namespace {

// Rows the sidebar shows in red.
QStringList redRows(const ZTAbstractTestController& c)
{
    QStringList red;
    for (qlonglong row = 0; row < c.numberOfRowsInTableView(); ++row) {
        const ZTSidebarCell cell = c.tableViewViewForRow(row);
        if (cell.titleColor == ZTColor::redColor())
            red << cell.title;
    }
    return red;
}

} // namespace

TEST_F(ScoringTest, AWrongTryMarksOnlyTheClickedRowNeverTheAnswer)
{
    // A wrong note: the panel says "Try again!", and no row may tell the answer meanwhile.
    intervals->noteEnteredWithNr(wrongNoteFor(*intervals));
    queue.advance(1);
    ASSERT_EQ(intervals->numTryouts(), 1);
    EXPECT_TRUE(redRows(*intervals).isEmpty());
    EXPECT_TRUE(intervals->wrongItem().isEmpty());

    // A wrong click marks the row clicked, and only it.
    const QString wrong = otherItemName();
    click(wrong);
    EXPECT_EQ(redRows(*intervals), QStringList{localized(wrong)});

    // The last try, by a note again: the answer is revealed green, the clicked row stays red.
    intervals->noteEnteredWithNr(wrongNoteFor(*intervals));
    queue.advance(1);
    ASSERT_FALSE(intervals->testInProgress());
    EXPECT_EQ(redRows(*intervals), QStringList{localized(wrong)});
    EXPECT_EQ(intervals->tableViewViewForRow(rowOf(question)).titleColor,
              (ZTColor{119 / 255.0, 167 / 255.0, 94 / 255.0, 1.0}));
}

TEST_F(ScoringTest, SkipFilesAllowedTriesSilentlyWithoutAutoAdvance)
{
    prefs()->setSoundWrongAnswer("buzz");
    prefs()->setAutoPlay(true);
    skip();
    const auto rows = results(kIntervals);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].result, 0);
    EXPECT_EQ(rows[0].numTryouts, 3);
    EXPECT_TRUE(sounds->sounds.empty());
    EXPECT_FALSE(intervals->autoTimerIsValid());
    EXPECT_FALSE(intervals->wasAutowrong());

    // The next wrong answer plays its sound again.
    intervals->nextTest();
    click(otherItemName());
    EXPECT_EQ(sounds->sounds.size(), 1u);
}

TEST_F(ScoringTest, CountDownStartsAfterPlaybackAndScoresItsEnd)
{
    prefs()->setString("1 min", "answerTime", kIntervals);
    prefs()->setSoundWrongAnswer("buzz");
    intervals->nextTest();
    question = currentName();
    EXPECT_EQ(window.countDown.shown, 60);
    EXPECT_EQ(window.countDown.color, ZTColor::redColor());
    EXPECT_FALSE(window.countDown.running) << "the answer time starts when playback ends";
    finishPlayback();
    EXPECT_TRUE(window.countDown.running);
    EXPECT_FALSE(window.countDown.autoplay);
    finishPlayback();
    EXPECT_EQ(window.countDown.starts, 1);

    NotificationCenter::defaultCenter().post("ZTCountdownViewFinishedNotification", &window.countDown);
    const auto rows = results(kIntervals);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].itemName, question);
    EXPECT_EQ(rows[0].numTryouts, 3);
    EXPECT_EQ(sounds->sounds.size(), 1u);
    // A second end (or one of the auto-advance pause) scores nothing more.
    NotificationCenter::defaultCenter().post("ZTCountdownViewFinishedNotification", &window.countDown);
    EXPECT_EQ(results(kIntervals).size(), 1u);

    // "Unlimited" shows no count-down at all.
    prefs()->setString("Unlimited", "answerTime", kIntervals);
    window.countDown.hidden = true;
    intervals->nextTest();
    finishPlayback();
    EXPECT_EQ(window.countDown.starts, 1);
}

TEST_F(ScoringTest, AutoplayCountDownEndIsNoAnswer)
{
    window.countDown.autoplay = true;
    NotificationCenter::defaultCenter().post("ZTCountdownViewFinishedNotification", &window.countDown);
    EXPECT_TRUE(intervals->testInProgress());
    EXPECT_EQ(intervals->numTryouts(), 0);
}

// What ends the question (or not) while a wrong-note report waits its 0.5 s.
enum class Meanwhile { Nothing, MoreWrongNotes, CountDownEnd, Skip, RightClick, NextQuestion, Reset, LastTry };

class WrongNoteReportTest : public ScoringTest, public ::testing::WithParamInterface<Meanwhile> {};

TEST_P(WrongNoteReportTest, OneReportPerQuestionAndNoneAfterItsEnd)
{
    PostedNotifications posted({kRight, kWrong});
    if (GetParam() == Meanwhile::LastTry)
        intervals->setNumTryouts(2);
    intervals->noteEnteredWithNr(wrongNoteFor(*intervals));
    EXPECT_EQ(window.instrument.red.size(), 1u);
    EXPECT_FALSE(intervals->lastEnteredNoteWasRight());
    EXPECT_TRUE(intervals->hasPendingWrongNoteReport());
    EXPECT_TRUE(posted.posted.empty()) << "the report waits 0.5 s";

    switch (GetParam()) {
    case Meanwhile::Nothing:
    case Meanwhile::LastTry:
        break;
    case Meanwhile::MoreWrongNotes:
        queue.advance(0.2);
        intervals->noteEnteredWithNr(wrongNoteFor(*intervals) + 1);
        intervals->noteEnteredWithNr(wrongNoteFor(*intervals) + 2);
        break;
    case Meanwhile::CountDownEnd:
        NotificationCenter::defaultCenter().post("ZTCountdownViewFinishedNotification", &window.countDown);
        break;
    case Meanwhile::Skip:
        skip();
        break;
    case Meanwhile::RightClick:
        click(question);
        break;
    case Meanwhile::NextQuestion:
        intervals->nextTest();
        break;
    case Meanwhile::Reset:
        intervals->reset();
        break;
    }
    queue.advance(2);

    const auto rows = results(kIntervals);
    switch (GetParam()) {
    case Meanwhile::Nothing:
    case Meanwhile::MoreWrongNotes:
        EXPECT_EQ(posted.count(kWrong), 1);
        EXPECT_EQ(intervals->numTryouts(), 1);
        EXPECT_TRUE(rows.empty());
        EXPECT_TRUE(intervals->testInProgress());
        EXPECT_TRUE(intervals->enteredNotes().isEmpty()) << "the next try starts afresh";
        break;
    case Meanwhile::LastTry:
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].numTryouts, 2);
        EXPECT_FALSE(intervals->testInProgress());
        break;
    case Meanwhile::CountDownEnd:
    case Meanwhile::Skip:
        EXPECT_EQ(posted.count(kWrong), 1);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].result, 0);
        EXPECT_EQ(rows[0].numTryouts, 3);
        break;
    case Meanwhile::RightClick:
        EXPECT_EQ(posted.count(kWrong), 0);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].result, 1);
        break;
    case Meanwhile::NextQuestion:
        EXPECT_EQ(posted.count(kWrong), 0);
        EXPECT_EQ(intervals->numTryouts(), 0) << "no report lands on the next question";
        EXPECT_TRUE(intervals->testInProgress());
        EXPECT_TRUE(rows.empty());
        break;
    case Meanwhile::Reset:
        EXPECT_TRUE(posted.posted.empty());
        EXPECT_TRUE(rows.empty());
        break;
    }
    EXPECT_FALSE(intervals->hasPendingWrongNoteReport());
}

std::string meanwhileName(const ::testing::TestParamInfo<Meanwhile>& info)
{
    static const char* const names[] = {"Nothing", "MoreWrongNotes", "CountDownEnd", "Skip",
                                        "RightClick", "NextQuestion", "Reset", "LastTry"};
    return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Orders, WrongNoteReportTest,
                         ::testing::Values(Meanwhile::Nothing, Meanwhile::MoreWrongNotes, Meanwhile::CountDownEnd,
                                           Meanwhile::Skip, Meanwhile::RightClick, Meanwhile::NextQuestion,
                                           Meanwhile::Reset, Meanwhile::LastTry),
                         meanwhileName);

TEST_F(ScoringTest, AutoAdvanceAfterAnswers)
{
    prefs()->setAutoPlay(true);
    prefs()->setAutoPlayTime(2);
    PostedNotifications posted({kTrigger});
    click(question);
    EXPECT_TRUE(intervals->autoTimerIsValid());
    EXPECT_EQ(window.next.image, "stopButton");
    EXPECT_EQ(window.next.alternateImage, "stopButtonHighlighted");
    EXPECT_EQ(window.touchBar.image, "stopButIcon");
    EXPECT_TRUE(window.countDown.running);
    EXPECT_TRUE(window.countDown.autoplay);
    EXPECT_EQ(window.countDown.color, ZTColor::whiteColor());
    EXPECT_EQ(window.countDown.shown, 2);
    queue.advance(1.9);
    EXPECT_EQ(posted.count(kTrigger), 0);
    queue.advance(0.2);
    EXPECT_EQ(posted.count(kTrigger), 1);
    EXPECT_FALSE(window.countDown.running);

    // With "autoplayCorrectAnswer" a final wrong answer waits for the user; a right one never does.
    prefs()->setAutoplayCorrectAnswer(true);
    intervals->nextTest();
    EXPECT_EQ(window.next.image, "playButton");
    intervals->setNumTryouts(2);
    click(otherItemName());
    EXPECT_FALSE(intervals->testInProgress());
    EXPECT_FALSE(intervals->autoTimerIsValid());
    intervals->nextTest();
    click(currentName());
    EXPECT_TRUE(intervals->autoTimerIsValid());

    // Repeating the question, or another exercise, cancels the pause.
    intervals->repeatTest();
    EXPECT_FALSE(intervals->autoTimerIsValid());
    EXPECT_FALSE(window.countDown.running);
    queue.advance(5);
    EXPECT_EQ(posted.count(kTrigger), 1);
}

TEST_F(ScoringTest, HeldCountdownsStandStillAndGoOnFromTheirSeconds)
{
    PostedNotifications posted({kTrigger, kWrong});
    prefs()->setAutoPlay(true);
    prefs()->setAutoPlayTime(3);
    prefs()->setString("5 sec", "answerTime", kIntervals);

    // A running answer time stands still in view, and goes on from the seconds it showed.
    intervals->nextTest();
    finishPlayback();
    ASSERT_TRUE(window.countDown.running);
    window.countDown.shown = 4;
    intervals->holdCountdowns();
    EXPECT_FALSE(window.countDown.running);
    EXPECT_FALSE(window.countDown.hidden);
    intervals->releaseCountdowns();
    EXPECT_TRUE(window.countDown.running);
    EXPECT_FALSE(window.countDown.autoplay);
    EXPECT_EQ(window.countDown.shown, 4);

    // An answer given behind the hold: its auto-advance shows its seconds and waits for the
    // release, then takes its whole pause.
    intervals->holdCountdowns();
    click(currentName());
    EXPECT_TRUE(intervals->autoTimerIsValid());
    EXPECT_FALSE(window.countDown.running);
    EXPECT_FALSE(window.countDown.hidden);
    EXPECT_TRUE(window.countDown.autoplay);
    EXPECT_EQ(window.countDown.shown, 3);
    queue.advance(10);
    EXPECT_EQ(posted.count(kTrigger), 0);
    intervals->releaseCountdowns();
    EXPECT_TRUE(window.countDown.running);
    queue.advance(2.9);
    EXPECT_EQ(posted.count(kTrigger), 0);

    // Held with one second on its digits, the pause goes on for one second.
    window.countDown.shown = 1;
    intervals->holdCountdowns();
    queue.advance(10);
    EXPECT_EQ(posted.count(kTrigger), 0);
    intervals->releaseCountdowns();
    queue.advance(0.9);
    EXPECT_EQ(posted.count(kTrigger), 0);
    queue.advance(0.2);
    EXPECT_EQ(posted.count(kTrigger), 1);

    // A question that plays to its end behind the hold starts its answer time at the release.
    intervals->holdCountdowns();
    intervals->nextTest();
    finishPlayback();
    EXPECT_FALSE(window.countDown.running);
    EXPECT_FALSE(window.countDown.hidden);
    intervals->releaseCountdowns();
    EXPECT_TRUE(window.countDown.running);
    EXPECT_EQ(window.countDown.shown, 5);

    // What ends behind the hold stays ended: a question reset, a pause cancelled.
    intervals->holdCountdowns();
    intervals->reset();
    intervals->releaseCountdowns();
    EXPECT_FALSE(window.countDown.running);
    intervals->nextTest();
    click(currentName());
    intervals->holdCountdowns();
    intervals->repeatTest();
    EXPECT_FALSE(intervals->autoTimerIsValid());
    intervals->releaseCountdowns();
    EXPECT_FALSE(window.countDown.running);
    queue.advance(10);
    EXPECT_EQ(posted.count(kTrigger), 1);
    EXPECT_EQ(posted.count(kWrong), 0);
}

TEST_F(ScoringTest, ReplacedControllerIsNeverCalledAgain)
{
    prefs()->setAutoPlay(true);
    prefs()->setAutoPlayTime(1);
    click(question);
    ASSERT_TRUE(intervals->autoTimerIsValid());
    // The first controller goes away with its auto-advance pending; the second with a
    // question in progress and a wrong-note report pending.
    auto* second = make<ZTIntervalController>(0);
    intervals = nullptr;
    second->nextTest();
    second->noteEnteredWithNr(wrongNoteFor(*second));
    ASSERT_TRUE(second->hasPendingWrongNoteReport());
    PostedNotifications posted({kTrigger, kWrong, kRight});
    controller.reset();

    queue.advance(3);
    NotificationCenter::defaultCenter().post("ZTCountdownViewFinishedNotification", &window.countDown);
    finishPlayback();
    NotificationCenter::defaultCenter().post("ZTStatsChangedNotification");
    EXPECT_TRUE(posted.posted.empty());
    EXPECT_TRUE(results(kIntervals).size() == 1u) << "only the first controller's right answer";
}

TEST_F(ScoringTest, GraphDataFromTheStatistics)
{
    // No statistics: every bar and label is 0, also the "All" bar (no 0 / 0).
    const qlonglong records = intervals->numberOfRecordsForPlot();
    EXPECT_EQ(records, 5);
    for (const QString plot : {"Right", "Wrong"}) {
        EXPECT_EQ(intervals->numberForPlot(plot, 1, 0).toFloat(), 0.0f);
        EXPECT_EQ(intervals->numberForPlot(plot, 1, 2).toLongLong(), 0);
        EXPECT_EQ(intervals->dataLabelForPlot(plot, 0).text, "0");
        EXPECT_EQ(intervals->dataLabelForPlot(plot, 3).text, "0");
    }
    EXPECT_EQ(intervals->numberForPlot("Right", 0, 3).toLongLong(), 3) << "field 0 is the bar location";
    EXPECT_FALSE(intervals->numberForPlot("Right", 1, 1).isValid()) << "record 1 is a gap";

    const QString a = intervals->items().at(0).toMap().value("name").toString();
    const QString b = intervals->items().at(1).toMap().value("name").toString();
    addStats(kIntervals, a, 4, 1);
    addStats(kIntervals, b, 2, 3);
    NotificationCenter::defaultCenter().post("ZTStatsChangedNotification");
    EXPECT_GE(graph.reloads, 1);
    EXPECT_TRUE(prefs()->statWasChangedDuringLastSync());
    EXPECT_EQ(intervals->numberForPlot("Right", 1, 2).toLongLong(), 4);
    EXPECT_EQ(intervals->numberForPlot("Wrong", 1, 3).toLongLong(), 3);
    // Totals 6 right, 4 wrong: the larger is drawn as tall as the tallest item bar (4).
    EXPECT_FLOAT_EQ(intervals->numberForPlot("Right", 1, 0).toFloat(), 4.0f);
    EXPECT_FLOAT_EQ(intervals->numberForPlot("Wrong", 1, 0).toFloat(), 4.0f * 4 / 6);
    EXPECT_EQ(intervals->dataLabelForPlot("Right", 0).text, "6");
    EXPECT_EQ(intervals->dataLabelForPlot("Wrong", 2).text, "1");
    EXPECT_EQ(intervals->dataLabelForPlot("Right", 1).text, "0");
    EXPECT_EQ(intervals->dataLabelForPlot("Right", 0).fontName, "Helvetica");
    EXPECT_FALSE(intervals->barFillForBarPlot("Right", 2).has_value());
    intervals->setupPlotSpace(&graph);
    EXPECT_EQ(graph.ranges, (std::vector<double>{-0.75, 5.5, 0.0, 4 * 1.4}));

    // Counts stored as numbers beyond any integer are shown at the largest one.
    ASSERT_TRUE(db()->executeUpdate("UPDATE stats SET right=1e300, wrong=-1e300 WHERE itemName=?", {a}));
    EXPECT_EQ(intervals->dataLabelForPlot("Right", 2).text, "9223372036854775807");
    EXPECT_EQ(intervals->dataLabelForPlot("Wrong", 2).text, "-9223372036854775808");

    intervals->resetStats();
    EXPECT_EQ(statsRowCount(), 0);
    EXPECT_EQ(intervals->_getMaxValForPlot(), 0.0);
}
