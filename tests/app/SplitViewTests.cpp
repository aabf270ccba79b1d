// The main area's split view: the divider's stages, the View menu's pane commands, the hover
// buttons.
#include "AppTestSupport.h"

#include "ImageButton.h"
#include "ZTMainViewController.h"
#include "ZTSplitView.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QTest>

namespace {

class SplitViewTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        launch();
        delegate()->window()->resize(1280, 900);
        QApplication::processEvents();
    }
    ZTSplitView* split() const { return screen()->splitView(); }
    double H() const { return split()->height() - split()->dividerThickness(); }
    double upper() const { return split()->paneHeight(0); }
    double lower() const { return split()->paneHeight(1); }
    bool enabled(const QString& action) const { return delegate()->validateMenuItem(delegate()->menuItemWithAction(action)); }
};

} // namespace

TEST_F(SplitViewTest, OneStepFromAnEndGoesToTheMiddleAndFromNearTheMiddleToTheOtherEnd)
{
    delegate()->menuItemWithAction(QStringLiteral("showStatsAction"))->trigger();
    EXPECT_EQ(upper(), 0);
    EXPECT_FALSE(enabled(QStringLiteral("showStatsAction")));
    EXPECT_TRUE(enabled(QStringLiteral("showStuffAction")));
    EXPECT_TRUE(enabled(QStringLiteral("showBothAction")));

    screen()->splitViewDownAction();
    EXPECT_NEAR(upper(), H() / 2, 1);
    EXPECT_FALSE(enabled(QStringLiteral("showBothAction")));
    screen()->splitViewDownAction();
    EXPECT_EQ(lower(), 0);
    EXPECT_FALSE(enabled(QStringLiteral("showStuffAction")));
    screen()->splitViewUpAction();
    EXPECT_NEAR(upper(), H() / 2, 1);
    screen()->splitViewUpAction();
    EXPECT_EQ(upper(), 0);

    // Ten points below the middle is near enough: down closes the lower pane, up the upper.
    split()->setPosition(H() / 2 + 10, 0);
    screen()->splitViewDownAction();
    EXPECT_EQ(lower(), 0);
    split()->setPosition(H() / 2 + 10, 0);
    screen()->splitViewUpAction();
    EXPECT_EQ(upper(), 0);

    delegate()->menuItemWithAction(QStringLiteral("showStuffAction"))->trigger();
    EXPECT_EQ(lower(), 0);
    delegate()->menuItemWithAction(QStringLiteral("showBothAction"))->trigger();
    EXPECT_NEAR(upper(), lower(), 2);
}

TEST_F(SplitViewTest, TheHoverButtonsShowOverThePanesAndGoWhenThePointerLeaves)
{
    ImageButton* up = split()->upButton();
    ImageButton* down = split()->downButton();
    EXPECT_TRUE(up->isHidden());
    EXPECT_TRUE(down->isHidden());

    QEnterEvent enter(QPointF(50, 50), QPointF(50, 50), QPointF(50, 50));
    QApplication::sendEvent(split(), &enter);
    EXPECT_TRUE(split()->mouseInView());
    EXPECT_FALSE(up->isHidden());
    EXPECT_EQ(up->parentWidget(), split()->upperView());
    EXPECT_EQ(down->parentWidget(), split()->lowerView());
    // Each sits at its pane's edge next to the divider.
    EXPECT_EQ(up->geometry().bottom(), split()->upperView()->height() - 5);
    EXPECT_EQ(down->geometry().top(), 4);

    screen()->showBothAction();
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(lower(), 0);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_NEAR(upper(), H() / 2, 1);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(split(), &leave);
    EXPECT_FALSE(split()->mouseInView());
    EXPECT_TRUE(up->isHidden());
    EXPECT_FALSE(split()->hasMouseTracking());

    // After a resize the buttons still come, and the mouse tracking the view had stays.
    delegate()->window()->resize(1100, 760);
    QApplication::processEvents();
    split()->setMouseTracking(true);
    split()->mouseEntered();
    EXPECT_FALSE(down->isHidden());
    EXPECT_EQ(up->geometry().bottom(), split()->upperView()->height() - 5);
    split()->mouseExited();
    EXPECT_TRUE(split()->hasMouseTracking());
}
