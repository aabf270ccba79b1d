// The scroll bars of the Preferences lists as the user sees and drags them: the knob is the
// part that stands out, it stands at the end of the list that is shown, and it follows the
// mouse.
#include "PreferencesTestSupport.h"

#include "ZTDataProvider.h"
#include "ZTSettingsOutlineView.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTabWidget>

#include <numeric>

namespace {

// How dark each row of the drawn bar is, averaged across it (0 white, 255 black).
QList<double> rowDarkness(QScrollBar* bar)
{
    const QImage image = bar->grab().toImage();
    QList<double> rows;
    for (int y = 0; y < image.height(); ++y) {
        double sum = 0;
        for (int x = 0; x < image.width(); ++x)
            sum += 255 - qGray(image.pixel(x, y));
        rows << sum / image.width();
    }
    return rows;
}

double mean(const QList<double>& values, qsizetype from, qsizetype to)
{
    return std::accumulate(values.begin() + from, values.begin() + to, 0.0) / double(to - from);
}

// Where the eye finds the knob: the middle of the rows darker than the bar on average.
int knobCentre(const QList<double>& rows)
{
    const double average = mean(rows, 0, rows.size());
    double sum = 0;
    int count = 0;
    for (int y = 0; y < rows.size(); ++y) {
        if (rows[y] > average) {
            sum += y;
            ++count;
        }
    }
    return count ? int(sum / count) : -1;
}

void sendMouse(QScrollBar* bar, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, bar->mapToGlobal(at), Qt::LeftButton, buttons, {});
    QApplication::sendEvent(bar, &event);
}

class ListScrollingTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        PreferencesTest::SetUp();
        controller()->window()->resize(760, 420);
        controller()->window()->show();
    }

    // Checks a list's vertical bar at both ends of the list and while its knob is dragged.
    static void expectKnobFollowsTheList(QScrollBar* bar)
    {
        QApplication::processEvents();
        ASSERT_GT(bar->maximum(), bar->minimum());
        const int half = bar->height() / 2;

        bar->setValue(bar->minimum());
        QList<double> rows = rowDarkness(bar);
        EXPECT_GT(mean(rows, 0, half), mean(rows, half, rows.size())) << "the knob stands at the top";
        const int top = knobCentre(rows);
        EXPECT_LT(top, half);

        // Dragged down, the list scrolls down; dragged back, it is at its top again.
        const int x = bar->width() / 2;
        sendMouse(bar, QEvent::MouseButtonPress, {x, top}, Qt::LeftButton);
        sendMouse(bar, QEvent::MouseMove, {x, top + 60}, Qt::LeftButton);
        EXPECT_GT(bar->value(), bar->minimum());
        sendMouse(bar, QEvent::MouseMove, {x, top}, Qt::LeftButton);
        EXPECT_EQ(bar->value(), bar->minimum());
        sendMouse(bar, QEvent::MouseButtonRelease, {x, top}, Qt::NoButton);

        bar->setValue(bar->maximum());
        rows = rowDarkness(bar);
        EXPECT_LT(mean(rows, 0, half), mean(rows, half, rows.size())) << "the knob stands at the bottom";
        EXPECT_GT(knobCentre(rows), half);
    }
};

TEST_F(ListScrollingTest, TheExercisesOutlineScrollsWithItsKnob)
{
    controller()->selectTabWithIdentifier(QStringLiteral("lessons"));
    expectKnobFollowsTheList(outlets().testsOutlineView->verticalScrollBar());
}

TEST_F(ListScrollingTest, TheCustomLevelItemsScrollWithTheirKnob)
{
    controller()->selectTabWithIdentifier(QStringLiteral("customlevels"));
    controller()->levelPlusAction(ZTDataProvider::sharedDataProvider()->indexForTestWithName("Interval recognition"));
    outlets().levelsTableView->setFocus();
    expectKnobFollowsTheList(outlets().levelTestsTableView->verticalScrollBar());
}

} // namespace
