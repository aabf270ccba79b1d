#include "ViewTestSupport.h"

#include "ImageButton.h"
#include "NotificationCenter.h"
#include "YUp.h"
#include "ZTChordProgressionStepView.h"
#include "ZTCountDownView.h"

#include <QTest>

namespace {

class CountingStepDelegate : public ZTChordProgressionStepViewDelegate {
public:
    void chordProgressionStepViewButtonClicked(ZTChordProgressionStepView* bar) override { steps.append(bar->currentStep()); }
    QList<qint64> steps;
};

QList<bool> states(const ZTChordProgressionStepView& bar)
{
    QList<bool> on;
    for (const ImageButton* button : bar.buttons())
        on.append(button->isOn());
    return on;
}

class StepBarTest : public ViewTest {
protected:
    ZTChordProgressionStepView bar;
};

} // namespace

TEST_F(StepBarTest, ButtonsAreLaidOutInARow)
{
    bar.setNumSteps(4);
    ASSERT_EQ(bar.buttons().size(), 5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(YUp::frameOf(bar.buttons()[i]), QRectF(25 * i, 5, 18, 18));
        EXPECT_EQ(bar.buttons()[i]->text(), QString::number(i + 1));
    }
    EXPECT_EQ(YUp::frameOf(bar.buttons()[4]), QRectF(100, 5, 35, 18));
    EXPECT_EQ(bar.buttons()[4]->tag(), -1);
    EXPECT_EQ(bar.width(), 135);

    bar.setNumSteps(0);
    EXPECT_TRUE(bar.buttons().isEmpty());
    EXPECT_EQ(bar.width(), 35);
}

TEST_F(StepBarTest, CurrentStepSurvivesOnlyWithinTheNewCount)
{
    bar.setNumSteps(6);
    bar.setCurrentStep(5);
    bar.setNumSteps(3);
    EXPECT_EQ(bar.currentStep(), 0);
    EXPECT_EQ(states(bar), (QList<bool>{true, false, false, false}));

    bar.setCurrentStep(-1);
    bar.setNumSteps(3);
    EXPECT_EQ(bar.currentStep(), -1);
    EXPECT_EQ(states(bar), (QList<bool>{false, false, false, false}));
}

TEST_F(StepBarTest, ExactlyTheChosenStepIsOn)
{
    bar.setNumSteps(4);
    bar.setCurrentStep(2);
    EXPECT_EQ(states(bar), (QList<bool>{false, false, true, false, false}));
    bar.setCurrentStep(-1);
    EXPECT_EQ(states(bar), (QList<bool>{false, false, false, false, true}));
    bar.setCurrentStep(4); // beyond the chords: ignored
    bar.setCurrentStep(-3);
    EXPECT_EQ(bar.currentStep(), -1);
}

TEST_F(StepBarTest, DisabledBarKeepsOnlyTheChosenButton)
{
    bar.setNumSteps(4);
    bar.setCurrentStep(1);
    bar.setEnabled(false);
    QList<bool> enabled;
    for (const ImageButton* button : bar.buttons())
        enabled.append(button->isEnabled());
    EXPECT_EQ(enabled, (QList<bool>{false, true, false, false, false}));
}

TEST_F(StepBarTest, ClicksChooseAStepAndKeepTheButtonsHonest)
{
    CountingStepDelegate delegate;
    bar.setDelegate(&delegate);
    bar.setNumSteps(3);
    bar.resize(bar.width(), 28);

    QTest::mouseClick(bar.buttons()[2], Qt::LeftButton);
    EXPECT_EQ(bar.currentStep(), 2);
    QTest::mouseClick(bar.buttons()[2], Qt::LeftButton); // the chosen step again stays on
    EXPECT_EQ(states(bar), (QList<bool>{false, false, true, false}));
    QTest::mouseClick(bar.buttons()[3], Qt::LeftButton);
    EXPECT_EQ(bar.currentStep(), -1);
    EXPECT_EQ(states(bar), (QList<bool>{false, false, false, true}));
    EXPECT_EQ(delegate.steps, (QList<qint64>{2, 2, -1}));

    bar.setLastButtonHidden(true);
    EXPECT_TRUE(bar.buttons().last()->isHidden());
    bar.setNumSteps(2);
    EXPECT_TRUE(bar.buttons().last()->isHidden());
}

namespace {

class CountDownTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        queue = std::make_unique<ManualMainQueue>();
        view = new ZTCountDownView(&window);
        observer = NotificationCenter::defaultCenter().addObserver(
            QString::fromLatin1(ZTCountdownViewFinishedNotification),
            [this](const Notification& n) { finished.append(n.sender); });
    }
    void TearDown() override
    {
        observer.remove();
        delete view;
        queue.reset();
        ViewTest::TearDown();
    }
    std::unique_ptr<ManualMainQueue> queue;
    QWidget window;
    ZTCountDownView* view = nullptr;
    NotificationObserver observer;
    QList<const void*> finished;
};

} // namespace

TEST_F(CountDownTest, NothingToCountMeansNothingHappens)
{
    view->setValue(0);
    view->start();
    queue->advance(2);
    EXPECT_TRUE(view->isHidden());
    EXPECT_TRUE(finished.isEmpty());
}

TEST_F(CountDownTest, CountsDownByTheClockAndAnnouncesTheEndOnce)
{
    view->setValue(5);
    view->start();
    EXPECT_FALSE(view->isHidden());
    EXPECT_EQ(view->value(), 5);
    queue->advance(1.05);
    EXPECT_EQ(view->value(), 4);
    queue->advance(3.0);
    EXPECT_EQ(view->value(), 1);
    EXPECT_TRUE(finished.isEmpty());
    queue->advance(1.0);
    EXPECT_EQ(view->value(), 0);
    EXPECT_TRUE(view->isHidden());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0], view);
    queue->advance(3.0);
    EXPECT_EQ(finished.size(), 1);
    EXPECT_FALSE(view->timer().isValid());
}

TEST_F(CountDownTest, StopHidesSilentlyAndStartRestartsFromTheShownValue)
{
    view->setValue(10);
    view->start();
    queue->advance(3.05);
    view->start(); // restart from 7
    queue->advance(6.05);
    EXPECT_EQ(view->value(), 1);
    view->stop();
    EXPECT_TRUE(view->isHidden());
    queue->advance(5);
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_EQ(view->value(), 1);
}
