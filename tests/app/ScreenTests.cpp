// The exercise screen's flow and state rules.
#include "AppTestSupport.h"

#include "Localization.h"
#include "NotificationCenter.h"
#include "ZTAbstractTestController.h"
#include "ZTDataProvider.h"
#include "ZTMainViewController.h"
#include "ZTNoteView.h"
#include "ZTPopupButton.h"
#include "ZTPreferences.h"
#include "ZTSidebarTableView.h"
#include "ZTTest.h"
#include "ZTToolbarInfoView.h"
#include "ZTCountDownView.h"
#include "ZTTableViewBackView.h"

#include "Fonts.h"
#include "ImageButton.h"

#include <QAction>
#include <QMenu>
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QFontMetricsF>
#include <QTest>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");

class ScreenTest : public AppTest {
protected:
    ZTAbstractTestController* controller() const { return screen()->currentLessonController(); }
    ZTPreferences* prefs() const { return ZTPreferences::sharedPreferences(); }

    // Starts a question and lets it play to its end.
    void nextQuestion()
    {
        screen()->nextAction(ZTMainViewController::Sender::MenuItem);
        finishPlaying();
    }

    void answerRight()
    {
        const QString name = controller()->currentTest()->name();
        const QVariantList rows = controller()->arrayForTableView();
        for (qsizetype row = 0; row < rows.size(); ++row)
            if (rows[row].toMap().value(QStringLiteral("name")).toString() == name)
                screen()->tableView()->clickRow(row);
    }
};

} // namespace

TEST_F(ScreenTest, AnUnknownStoredExerciseFallsBackToTheFirst)
{
    prefs()->setCurrentExercise(QStringLiteral("A deleted custom exercise"));
    launch();
    const QString first = ZTDataProvider::sharedDataProvider()->testNames().first();
    ASSERT_NE(controller(), nullptr);
    EXPECT_EQ(controller()->testName(), first);
    EXPECT_TRUE(delegate()->exerciseMenu()->actions().first()->isChecked());
    EXPECT_EQ(screen()->exercisePopupButton()->indexOfSelectedItem(), 0);
    // The user's setting is left as it was.
    EXPECT_EQ(prefs()->currentExercise(), QStringLiteral("A deleted custom exercise"));
}

TEST_F(ScreenTest, TheNextButtonDuringAutoAdvanceOnlyCancelsIt)
{
    launch();
    nextQuestion();
    QWidget* info = screen()->toolbarInfoView();
    QApplication::processEvents();
    const QRect infoPlace = info->geometry();
    answerRight();
    ASSERT_TRUE(controller()->autoTimerIsValid());
    ASSERT_FALSE(screen()->countDownViewWidget()->isHidden());
    QApplication::processEvents();
    EXPECT_EQ(info->geometry(), infoPlace); // the info panel keeps its place beside the count-down
    const std::shared_ptr<ZTTest> answered = controller()->currentTest();
    EXPECT_EQ(screen()->nextButtonView()->imageName(), QStringLiteral("stopButton"));

    QTest::mouseClick(screen()->nextButtonView(), Qt::LeftButton);
    EXPECT_FALSE(controller()->autoTimerIsValid());
    EXPECT_FALSE(controller()->testInProgress());
    EXPECT_EQ(controller()->currentTest(), answered);
    EXPECT_EQ(screen()->nextButtonView()->imageName(), QStringLiteral("playButton"));
    EXPECT_TRUE(screen()->countDownViewWidget()->isHidden());
    advance(5);
    EXPECT_FALSE(controller()->testInProgress()); // the cancelled advance never comes

    // The auto-advance itself starts the next question.
    nextQuestion();
    answerRight();
    advance(prefs()->autoPlayTime() + 0.2);
    EXPECT_TRUE(controller()->testInProgress());
}

TEST_F(ScreenTest, SkippingScoresAFinalWrongAnswerSilentlyAndAsksTheNext)
{
    launch();
    nextQuestion();
    const std::shared_ptr<ZTTest> skipped = controller()->currentTest();
    sounds_->played.clear();
    screen()->nextAction(ZTMainViewController::Sender::Button);
    const QString allowed = prefs()->stringForKey(QStringLiteral("numTryouts"), kIntervals);
    EXPECT_EQ(rows(QStringLiteral("SELECT itemName, result, numTryouts FROM results"), 3),
              (QList<QStringList>{{skipped->name(), "0", allowed}}));
    EXPECT_EQ(rows(QStringLiteral("SELECT right, wrong FROM stats"), 2), (QList<QStringList>{{"0", "1"}}));
    EXPECT_TRUE(sounds_->played.isEmpty());
    EXPECT_TRUE(controller()->testInProgress());
    EXPECT_NE(controller()->currentTest(), skipped);
    EXPECT_FALSE(controller()->autoTimerIsValid());
}

TEST_F(ScreenTest, FeedbackCountsTheTriesLeft)
{
    launch();
    for (const int allowed : {3, 1}) {
        prefs()->setString(QString::number(allowed), QStringLiteral("numTryouts"), kIntervals);
        nextQuestion();
        const QString right = controller()->currentTest()->name();
        for (int attempt = 1; attempt <= allowed; ++attempt) {
            const QVariantList rowsShown = controller()->arrayForTableView();
            for (qsizetype row = 0; row < rowsShown.size(); ++row) {
                const QString name = rowsShown[row].toMap().value(QStringLiteral("name")).toString();
                if (!name.isEmpty() && name != right) {
                    screen()->tableView()->clickRow(row);
                    break;
                }
            }
            EXPECT_EQ(screen()->toolbarInfoView()->title(), QStringLiteral("Wrong!"));
            EXPECT_EQ(screen()->toolbarInfoView()->image(), QStringLiteral("wrongIconSmall"));
            if (attempt < allowed)
                EXPECT_EQ(screen()->toolbarInfoView()->subTitle(), QStringLiteral("Try again!")) << allowed;
            else
                EXPECT_TRUE(screen()->toolbarInfoView()->subTitle().startsWith(QStringLiteral("Right result is: ")))
                    << allowed;
        }
        EXPECT_FALSE(controller()->testInProgress());
        screen()->nextButtonView()->click(); // cancels the pending auto-advance
    }
}

TEST_F(ScreenTest, LearningModeListensToClicksOnlyAndHidesTheGraph)
{
    launch();
    QTest::mouseClick(screen()->learnButton(), Qt::LeftButton);
    EXPECT_TRUE(prefs()->practiceMode());
    EXPECT_TRUE(delegate()->learnModeMenuItem()->isChecked());
    EXPECT_FALSE(delegate()->testModeMenuItem()->isChecked());
    EXPECT_FALSE(screen()->nextButtonView()->isEnabled());
    EXPECT_FALSE(screen()->graphScrollView()->isVisibleTo(screen()));
    EXPECT_EQ(screen()->toolbarInfoView()->title(), QStringLiteral("Learning Mode"));
    EXPECT_EQ(screen()->tableView()->tag(), 1);

    // A click plays the item and names it; nothing is scored.
    screen()->tableView()->clickRow(0);
    EXPECT_FALSE(screen()->toolbarInfoView()->title().isEmpty());
    EXPECT_TRUE(screen()->toolbarInfoView()->image().isEmpty());
    finishPlaying();
    EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM results"), 1).isEmpty());

    // The MIDI next key does what the disabled next button does: nothing, even right after
    // the switch, before the MIDI hub has heard of the mode.
    for (int press = 0; press < 2; ++press) {
        NotificationCenter::defaultCenter().post(QStringLiteral("ZTMIDIRemoteNextNotification"), nullptr);
        advance(0.1);
    }
    EXPECT_FALSE(controller()->testInProgress());
    EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM results"), 1).isEmpty());
    EXPECT_EQ(screen()->toolbarInfoView()->image(), QString());

    // The same mode again changes nothing; the button stays on.
    QTest::mouseClick(screen()->learnButton(), Qt::LeftButton);
    EXPECT_TRUE(screen()->learnButton()->isOn());

    delegate()->testModeMenuItem()->trigger();
    EXPECT_FALSE(prefs()->practiceMode());
    EXPECT_TRUE(screen()->graphScrollView()->isVisibleTo(screen()));
    EXPECT_TRUE(screen()->nextButtonView()->isEnabled());
    EXPECT_EQ(screen()->toolbarInfoView()->title(), controller()->startTestString());
    // In Training mode the key asks the next question.
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTMIDIRemoteNextNotification"), nullptr);
    advance(0.1);
    EXPECT_TRUE(controller()->testInProgress());
}

TEST_F(ScreenTest, LevelAndDirectionFollowTheirStoredSettings)
{
    launch();
    const qsizetype firstCount = controller()->items().size();
    QList<QAction*> levels = delegate()->levelMenu()->actions();
    ASSERT_GE(levels.size(), 3);
    levels[1]->trigger();
    EXPECT_EQ(controller()->level(), 0);
    EXPECT_FALSE(levels[1]->isChecked()); // the check follows the setting, not the click
    advance(0.6);
    EXPECT_EQ(controller()->level(), 1);
    EXPECT_GT(controller()->items().size(), firstCount); // levels are cumulative
    EXPECT_EQ(screen()->levelPopupButton()->indexOfSelectedItem(), 1);
    EXPECT_EQ(screen()->levelPopupButton()->labelText(), screen()->levelPopupButton()->itemTitleAtIndex(1));
    EXPECT_TRUE(delegate()->levelMenu()->actions()[1]->isChecked());
    EXPECT_EQ(screen()->graphWidthConstraint(),
              std::max(screen()->graphClipWidth(), double(controller()->items().size()) * 30.0 + 100.0));

    int posted = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        kIntervals + QStringLiteral(".descendingChangedNotification"), [&](const Notification&) { ++posted; });
    screen()->playDirectionAction(2);
    EXPECT_TRUE(screen()->playDirectionDownButton()->isOn());
    EXPECT_FALSE(screen()->playDirectionUpButton()->isOn());
    advance(0.6);
    EXPECT_EQ(prefs()->integerForKey(QStringLiteral("descending"), kIntervals), 1);
    EXPECT_TRUE(delegate()->descendingMenuItem()->isChecked());
    EXPECT_EQ(screen()->playDirectionDownButton()->imageName(), QStringLiteral("pfeilRunterButtonHighlighted"));
    screen()->playDirectionAction(2);
    advance(0.6);
    EXPECT_EQ(posted, 1);
}

TEST_F(ScreenTest, PopUpsShowTheirLongestEntriesInTheDefaultWindow)
{
    launch();
    QApplication::processEvents();
    ZTPopupButton* exercises = screen()->exercisePopupButton();
    ZTPopupButton* levels = screen()->levelPopupButton();
    QStringList levelNames;
    for (const QVariant& exerciseLevels : ZTDataProvider::sharedDataProvider()->levels())
        for (const QVariant& level : exerciseLevels.toList())
            levelNames << level.toMap().value(QStringLiteral("name")).toString();
    QStringList exerciseNames;
    for (int i = 0; i < exercises->numberOfItems(); ++i)
        exerciseNames << exercises->itemTitleAtIndex(i);
    // "Key Signature recognition", "All intervals up to two octaves": whole, beside the arrows.
    for (const auto& [button, names] : {std::pair{exercises, exerciseNames}, std::pair{levels, levelNames}}) {
        const QFontMetricsF metrics(button->font());
        double widest = 0;
        for (const QString& name : names)
            widest = std::max(widest, metrics.horizontalAdvance(name));
        EXPECT_GE(button->width(), widest + 30);
        EXPECT_LE(button->width(), ZTMainViewController::kPopupMaximumWidth);
    }
    // The level pop-up keeps its width from one exercise to the next.
    const int levelWidth = levels->width();
    prefs()->setCurrentExercise(QStringLiteral("Key Signature recognition"));
    advance(0.6);
    QApplication::processEvents();
    EXPECT_EQ(levels->width(), levelWidth);

    // Beside them the info panel still shows the longest question whole, and its two-line
    // prompt inside its edges.
    prefs()->setCurrentExercise(QStringLiteral("Chord progressions"));
    advance(0.6);
    nextQuestion();
    ZTToolbarInfoView* info = screen()->toolbarInfoView();
    info->grab();
    const QString question = info->title();
    ASSERT_TRUE(question.startsWith(QStringLiteral("Which chord progression")));
    EXPECT_GE(info->titleRect().width(), QFontMetricsF(Fonts::system(9, true)).horizontalAdvance(question) - 1)
        << "the question is shortened";
    EXPECT_GE(info->subTitleRect().top(), ZTToolbarInfoView::kVerticalMargin - 1);
    EXPECT_LE(info->titleRect().bottom(), info->height() - ZTToolbarInfoView::kVerticalMargin + 1);
}

TEST_F(ScreenTest, TheSidebarRowsLetItsDarkPanelShowThrough)
{
    launch();
    QApplication::processEvents();
    ZTSidebarTableView* table = screen()->tableView();
    ASSERT_GT(table->numberOfRows(), 0);
    const QRect row = table->rectOfRow(0);
    // Right of the title, where only the row's background is drawn.
    const QPoint spot = table->contentWidget()->mapTo(screen()->tableViewBack(), QPoint(row.right() - 3, row.center().y()));
    const QImage picture = screen()->tableViewBack()->grab().toImage();
    EXPECT_LT(picture.pixelColor(spot).lightness(), 100);
}

TEST_F(ScreenTest, AnEmptyCustomLevelShowsAnEmptyExercise)
{
    ZTDataProvider::sharedDataProvider()->setup(); // custom levels are stored per catalogue exercise
    prefs()->addCustomLevel({{QStringLiteral("name"), QStringLiteral("Nothing ticked")}, {QStringLiteral("items"), QVariantList{}}},
                            kIntervals);
    prefs()->setString(QStringLiteral("custom_Nothing ticked"), QStringLiteral("level"), kIntervals);
    launch();
    ASSERT_NE(controller(), nullptr);
    EXPECT_TRUE(controller()->items().isEmpty());
    EXPECT_EQ(screen()->tableLeftConstraint(), ZTMainViewController::kTableLeftHidden);
    EXPECT_FALSE(screen()->tableViewBack()->isVisibleTo(screen()));
    EXPECT_FALSE(screen()->nextButtonView()->isEnabled());
    EXPECT_FALSE(delegate()->nextQuestionMenuItem()->isEnabled());

    const ZTBarGraph* graph = screen()->graph();
    ASSERT_EQ(graph->axes().size(), 1);
    const QList<ZTAxisLabel>& labels = graph->axes().first().axisLabels;
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.first().text, QStringLiteral("All"));
    EXPECT_EQ(labels.first().tickLocation, 0.0);
    const double allWidth = QFontMetricsF(graph->axes().first().labelTextStyle).horizontalAdvance(QStringLiteral("All"));
    EXPECT_DOUBLE_EQ(graph->plotAreaPadding().bottom, allWidth + 11.0);
    // Without the list the graph may use the whole width.
    screen()->sizeGraphView();
    EXPECT_EQ(screen()->graphClipWidth(), std::max(0.0, screen()->width() - 40.0));
}

TEST_F(ScreenTest, TheKeyboardStartsAtTheLowCAndKeepsTheUsersPlaceOnResize)
{
    launch();
    delegate()->window()->resize(1200, 780);
    QApplication::processEvents();
    QScrollBar* scroller = screen()->instrumentScrollView()->horizontalScrollBar();
    EXPECT_EQ(scroller->value(), 3 * 210); // MIDI 36 at the left edge
    scroller->setValue(4 * 210);
    delegate()->window()->resize(1300, 800);
    QApplication::processEvents();
    EXPECT_EQ(scroller->value(), 4 * 210);
}

TEST_F(ScreenTest, ALevelChangeEndsTheQuestionUnscoredAndTheNextComesFromTheNewLevel)
{
    const QString reading = QStringLiteral("Music Reading");
    prefs()->setCurrentExercise(reading);
    launch();
    const QVariantList levels = ZTDataProvider::sharedDataProvider()->levels().value(reading).toList();
    auto levelIndex = [&](const QString& name) {
        for (qsizetype i = 0; i < levels.size(); ++i)
            if (levels[i].toMap().value(QStringLiteral("name")).toString() == name)
                return int(i);
        return -1;
    };
    const int accidentals = levelIndex(QStringLiteral("Sharps and flats"));
    const int treble = levelIndex(QStringLiteral("Treble staff"));
    ASSERT_GE(accidentals, 0);
    ASSERT_GE(treble, 0);
    const QStringList trebleItems = ZTDataProvider::sharedDataProvider()->itemsForTestWithName(reading, treble);
    auto staffNotes = [&] {
        qsizetype count = 0;
        for (const ZTNoteCollection& collection : screen()->noteView()->noteCollections())
            count += collection.numNotes();
        return count;
    };
    auto nothingScored = [&] {
        return rows(QStringLiteral("SELECT * FROM results"), 1).isEmpty() &&
               rows(QStringLiteral("SELECT * FROM stats"), 1).isEmpty();
    };

    // A question the treble level does not hold, on the staff.
    screen()->levelPopupButtonAction(accidentals);
    advance(0.6);
    for (int attempt = 0; attempt < 40; ++attempt) {
        nextQuestion();
        if (!trebleItems.contains(controller()->currentTest()->name()))
            break;
        controller()->reset();
    }
    ASSERT_FALSE(trebleItems.contains(controller()->currentTest()->name()));
    ASSERT_GT(staffNotes(), 0);

    // The change ends it at once: no answer or skip reaches it, then or once the level is in.
    screen()->levelPopupButtonAction(treble);
    EXPECT_FALSE(controller()->testInProgress());
    screen()->tableView()->clickRow(0);
    advance(0.6);
    EXPECT_EQ(controller()->level(), treble);
    EXPECT_EQ(controller()->currentTest(), nullptr);
    EXPECT_EQ(staffNotes(), 0);
    EXPECT_EQ(screen()->toolbarInfoView()->title(), controller()->startTestString());
    screen()->tableView()->clickRow(0);
    EXPECT_TRUE(nothingScored());

    // ▶ asks a question of the new level; the staff and the sidebar show it.
    screen()->nextAction(ZTMainViewController::Sender::Button);
    finishPlaying();
    EXPECT_TRUE(nothingScored());
    ASSERT_TRUE(controller()->testInProgress());
    EXPECT_TRUE(trebleItems.contains(controller()->currentTest()->name()));
    EXPECT_GT(staffNotes(), 0);
    QStringList shown;
    for (const QVariant& item : controller()->items())
        shown << item.toMap().value(QStringLiteral("name")).toString();
    EXPECT_TRUE(shown.contains(controller()->currentTest()->name()));

    // ▶ pressed before the change has reached the screen asks from the old level at the
    // latest; that question ends unscored too once the new level is in.
    screen()->levelPopupButtonAction(accidentals);
    screen()->nextAction(ZTMainViewController::Sender::Button);
    finishPlaying();
    advance(0.6);
    EXPECT_FALSE(controller()->testInProgress());
    EXPECT_EQ(controller()->currentTest(), nullptr);
    EXPECT_TRUE(nothingScored());
}

TEST_F(ScreenTest, AQuestionWhoseItemStandsAsAskedGoesOnWhenTheCustomListsChange)
{
    launch();
    for (const QString& exercise : ZTDataProvider::sharedDataProvider()->testNames()) {
        prefs()->setCurrentExercise(exercise);
        advance(0.6);
        ASSERT_EQ(controller()->testName(), exercise);
        nextQuestion();
        if (!controller()->testInProgress())
            continue; // an exercise without items asks nothing
        // What the settings store posts when it changed a custom list, at once and later.
        NotificationCenter::defaultCenter().post(QStringLiteral("ZTStatsChangedNotification"));
        NotificationCenter::defaultCenter().post(QStringLiteral("customExercisesChangedNotification"));
        EXPECT_TRUE(controller()->testInProgress()) << exercise.toStdString();
    }
}
