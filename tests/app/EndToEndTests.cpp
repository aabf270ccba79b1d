// A new user's first session, in process: choose Interval recognition, play a question,
// answer it from the sidebar, see the feedback and the graph, quit, start again.
#include "AppTestSupport.h"

#include "Localization.h"
#include "ZTAbstractTestController.h"
#include "ZTBarGraph.h"
#include "ZTMIDIController.h"
#include "ZTMainViewController.h"
#include "ZTPopupButton.h"
#include "ZTPreferences.h"
#include "ZTSidebarTableView.h"
#include "ZTTest.h"
#include "ZTToolbarInfoView.h"

#include "ImageButton.h"

#include <QAction>
#include <QMenu>
#include <QTest>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");

class EndToEndTest : public AppTest {
protected:
    QAction* exerciseItem(const QString& name) const
    {
        for (QAction* item : delegate()->exerciseMenu()->actions())
            if (item->text() == localized(name))
                return item;
        return nullptr;
    }

    ZTAbstractTestController* controller() const { return screen()->currentLessonController(); }

    // The sidebar row showing the item of that name (-1 when none).
    qlonglong rowOfItem(const QString& name) const
    {
        const QVariantList rows = controller()->arrayForTableView();
        for (qsizetype row = 0; row < rows.size(); ++row)
            if (rows[row].toMap().value(QStringLiteral("name")).toString() == name)
                return row;
        return -1;
    }

    qlonglong indexOfItem(const QString& name) const
    {
        const QVariantList items = controller()->items();
        for (qsizetype i = 0; i < items.size(); ++i)
            if (items[i].toMap().value(QStringLiteral("name")).toString() == name)
                return i;
        return -1;
    }

    void clickRow(qlonglong row) const
    {
        ZTSidebarTableView* table = screen()->tableView();
        ASSERT_GE(row, 0);
        QTest::mouseClick(table->contentWidget(), Qt::LeftButton, {}, table->rectOfRow(row).center());
    }

    // An item of the level other than the question's.
    QString wrongAnswer() const
    {
        const QString right = controller()->currentTest()->name();
        for (const QVariant& item : controller()->items())
            if (item.toMap().value(QStringLiteral("name")).toString() != right)
                return item.toMap().value(QStringLiteral("name")).toString();
        return {};
    }

    double barValue(const QString& plot, qlonglong record) const
    {
        const ZTBarPlot* bars = screen()->graph()->plotWithIdentifier(plot);
        if (!bars || record >= bars->bars().size() || !bars->bars()[record].value)
            return -1;
        return *bars->bars()[record].value;
    }

    QString infoTitle() const { return screen()->toolbarInfoView()->title(); }
    QString infoSubTitle() const { return screen()->toolbarInfoView()->subTitle(); }
};

} // namespace

TEST_F(EndToEndTest, NewUserTrainsIntervalsAndFindsTheStatisticsAfterARestart)
{
    launch();
    ASSERT_NE(controller(), nullptr);

    // Choosing an exercise takes effect when the settings store announces it, 0.5 s later.
    exerciseItem(QStringLiteral("Scale recognition"))->trigger();
    EXPECT_EQ(controller()->testName(), kIntervals);
    advance(0.6);
    EXPECT_EQ(controller()->testName(), QStringLiteral("Scale recognition"));
    exerciseItem(kIntervals)->trigger();
    advance(0.6);
    ASSERT_EQ(controller()->testName(), kIntervals);
    EXPECT_TRUE(exerciseItem(kIntervals)->isChecked());
    EXPECT_FALSE(exerciseItem(QStringLiteral("Scale recognition"))->isChecked());
    EXPECT_EQ(screen()->exercisePopupButton()->labelText(), localized(kIntervals));
    EXPECT_EQ(infoTitle(), controller()->startTestString());
    saveShot(QStringLiteral("1-interval-recognition"));

    // Next: the question plays; play and next wait for the end of playback.
    QTest::mouseClick(screen()->nextButtonView(), Qt::LeftButton);
    ASSERT_TRUE(controller()->testInProgress());
    ASSERT_NE(controller()->currentTest(), nullptr);
    const auto instrument = ZTMIDIController::sharedInstance()->instrument();
    ASSERT_NE(instrument, nullptr);
    EXPECT_TRUE(instrument->isPlaying());
    EXPECT_FALSE(screen()->nextButtonView()->isEnabled());
    EXPECT_EQ(infoTitle(), controller()->questionString());
    saveShot(QStringLiteral("2-question"));
    finishPlaying();
    EXPECT_FALSE(instrument->isPlaying());
    EXPECT_TRUE(screen()->nextButtonView()->isEnabled());
    EXPECT_TRUE(screen()->playButton()->isEnabled());

    // The right answer from the sidebar.
    const QString answer = controller()->currentTest()->name();
    const qlonglong answerIndex = indexOfItem(answer);
    ASSERT_GE(answerIndex, 0);
    EXPECT_EQ(barValue(QStringLiteral("Right"), 2 + answerIndex), 0.0);
    clickRow(rowOfItem(answer));
    EXPECT_EQ(infoTitle(), localized(QStringLiteral("Right!")));
    EXPECT_EQ(infoSubTitle(), controller()->rightResultString());
    EXPECT_EQ(barValue(QStringLiteral("Right"), 2 + answerIndex), 1.0);
    EXPECT_EQ(barValue(QStringLiteral("Wrong"), 2 + answerIndex), 0.0);
    const QString allowed = ZTPreferences::sharedPreferences()->stringForKey(QStringLiteral("numTryouts"), kIntervals);
    EXPECT_EQ(rows(QStringLiteral("SELECT itemName, right, wrong FROM stats WHERE testName=?"), 3, {kIntervals}),
              (QList<QStringList>{{answer, QStringLiteral("1"), QStringLiteral("0")}}));
    EXPECT_EQ(rows(QStringLiteral("SELECT itemName, result, numTryouts FROM results WHERE testName=?"), 3, {kIntervals}),
              (QList<QStringList>{{answer, QStringLiteral("1"), allowed}}));
    saveShot(QStringLiteral("3-right"));

    // The next question from the menu (auto-advance is pending; the menu does not wait for it).
    ASSERT_TRUE(controller()->autoTimerIsValid());
    delegate()->nextQuestionMenuItem()->trigger();
    ASSERT_TRUE(controller()->testInProgress());
    finishPlaying();
    const QString second = controller()->currentTest()->name();
    const int tries = allowed.toInt();
    for (int i = 1; i <= tries; ++i) {
        clickRow(rowOfItem(wrongAnswer()));
        EXPECT_EQ(infoTitle(), localized(QStringLiteral("Wrong!")));
        if (i < tries) {
            EXPECT_EQ(infoSubTitle(), localized(QStringLiteral("Try again!")));
        }
    }
    EXPECT_EQ(infoSubTitle(), QStringLiteral("%1: %2").arg(localized(QStringLiteral("Right result is")),
                                                          controller()->rightResultString()));
    EXPECT_FALSE(controller()->testInProgress());
    EXPECT_EQ(barValue(QStringLiteral("Wrong"), 2 + indexOfItem(second)), 1.0);
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM results WHERE testName=? AND result=0"), 1, {kIntervals}),
              (QList<QStringList>{{QStringLiteral("1")}}));
    saveShot(QStringLiteral("4-wrong"));

    const QList<QStringList> stats =
        rows(QStringLiteral("SELECT itemName, right, wrong FROM stats WHERE testName=? ORDER BY itemName"), 3, {kIntervals});
    restart();
    ASSERT_NE(controller(), nullptr);
    EXPECT_EQ(controller()->testName(), kIntervals);
    EXPECT_EQ(rows(QStringLiteral("SELECT itemName, right, wrong FROM stats WHERE testName=? ORDER BY itemName"), 3,
                   {kIntervals}),
              stats);
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM results WHERE testName=?"), 1, {kIntervals}),
              (QList<QStringList>{{QStringLiteral("2")}}));
    EXPECT_EQ(barValue(QStringLiteral("Right"), 2 + indexOfItem(answer)), answer == second ? 1.0 : 1.0);
    EXPECT_GE(barValue(QStringLiteral("Wrong"), 2 + indexOfItem(second)), 1.0);
    saveShot(QStringLiteral("5-restarted"));
}
