// The main window on the screens people own: it opens inside the screen's available area,
// every control can be reached down to a 1024 x 600 netbook screen, and it comes back where it
// stood, onto a screen that is still there.
#include "AppTestSupport.h"

#include "ImageButton.h"
#include "ImageView.h"
#include "Fonts.h"
#include "ZTMainViewController.h"
#include "ZTMainWindow.h"
#include "ZTNoteView.h"
#include "ZTPopupButton.h"
#include "ZTPreferences.h"
#include "ZTSidebarTableView.h"
#include "ZTToolbarInfoView.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QScrollArea>

namespace {

struct Screen {
    const char* name;
    QRect area;
};

void PrintTo(const Screen& screen, std::ostream* out)
{
    *out << screen.name;
}

// Whether the whole widget shows: inside its parent, and that inside its own, up to the window.
::testing::AssertionResult wholeInWindow(const char* name, QWidget* widget)
{
    if (!widget->isVisible() || widget->width() <= 0 || widget->height() <= 0)
        return ::testing::AssertionFailure() << name << " is not shown";
    for (QWidget* part = widget; !part->isWindow(); part = part->parentWidget()) {
        if (!part->parentWidget()->rect().contains(part->geometry()))
            return ::testing::AssertionFailure() << name << " is cut off: " << part->objectName().toStdString() << " at "
                                                 << part->x() << "," << part->y() << " " << part->width() << "x"
                                                 << part->height() << " in " << part->parentWidget()->width() << "x"
                                                 << part->parentWidget()->height();
    }
    return ::testing::AssertionSuccess();
}

class ScreenFitTest : public AppTest, public ::testing::WithParamInterface<Screen> {
protected:
    QWidget* window() const { return delegate()->window(); }
};

} // namespace

TEST_P(ScreenFitTest, TheWindowOpensInsideTheScreenWithEveryControlWithinReach)
{
    const QRect area = GetParam().area;
    useScreens({area});
    launch();
    QApplication::processEvents();
    const QRect frame = window()->frameGeometry();
    const QRect content = window()->geometry();
    const QMargins borders(content.left() - frame.left(), content.top() - frame.top(), frame.right() - content.right(),
                           frame.bottom() - content.bottom());
    EXPECT_TRUE(area.contains(frame));
    EXPECT_EQ(frame.size(), ZTMainWindow::kPreferredSize.grownBy(borders).boundedTo(area.size()));

    ZTMainViewController* s = screen();
    const std::pair<const char*, QWidget*> controls[] = {
        {"exercise pop-up", s->exercisePopupButton()}, {"level pop-up", s->levelPopupButton()},
        {"repeat", s->playButton()}, {"next", s->nextButtonView()}, {"info panel", s->toolbarInfoView()},
        {"up", s->playDirectionUpButton()}, {"down", s->playDirectionDownButton()},
        {"random", s->playDirectionRandomButton()}, {"Training", s->testButton()}, {"Learning", s->learnButton()},
        {"sidebar", s->tableView()}, {"graph", s->graphScrollView()},
        {"Keyboard", s->keyboardSegment()}, {"Fretboard", s->fretboardSegment()},
        {"instrument pop-up", s->instrumentPopUpButton()}, {"microphone", s->micButton()}, {"LED", s->ledImageView()},
        {"keyboard", s->instrumentScrollView()}, {"octave left", s->keyboardScrollLeftButton()},
        {"page left", s->keyboardScrollLeftPageButton()}, {"octave right", s->keyboardScrollRightButton()},
        {"page right", s->keyboardScrollRightPageButton()}};
    for (const auto& [name, control] : controls)
        EXPECT_TRUE(wholeInWindow(name, control));

    // The staff keeps most of its size (in the lowest windows it gives up some to stay above
    // the divider's up button), the graph room for its bars over their labels.
    EXPECT_GE(s->noteView()->height(), 140);
    EXPECT_GE(s->noteView()->drawingScale(), 0.75);
    EXPECT_GE(s->graphScrollView()->height(), 100);

    // The longest prompt shows whole, on two lines where one is too short.
    ZTPreferences::sharedPreferences()->setCurrentExercise(QStringLiteral("Chord progressions"));
    advance(0.6);
    ZTToolbarInfoView* info = s->toolbarInfoView();
    info->grab();
    const QFontMetricsF smallest(Fonts::system(9, true));
    const bool oneLine = info->titleRect().width() >= smallest.horizontalAdvance(info->title()) - 1;
    const bool twoLines = info->titleRect().height() >= 2 * smallest.height() - 1;
    EXPECT_TRUE(oneLine || twoLines) << info->title().toStdString() << " is shortened";
    s->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    saveShot(QStringLiteral("fit-%1").arg(QLatin1String(GetParam().name)));
}

// The netbook with a panel has about 30 points less for a title bar.
INSTANTIATE_TEST_SUITE_P(CommonScreens, ScreenFitTest,
                         ::testing::Values(Screen{"Laptop1366x768WithAPanel", QRect(0, 0, 1366, 741)},
                                           Screen{"Laptop1280x800", QRect(0, 0, 1280, 800)},
                                           Screen{"Netbook1024x600", QRect(0, 0, 1024, 600)},
                                           Screen{"Netbook1024x600WithAPanel", QRect(0, 30, 1024, 540)}),
                         [](const ::testing::TestParamInfo<Screen>& info) { return std::string(info.param.name); });

namespace {
using RememberedPlaceTest = AppTest;
}

TEST_F(RememberedPlaceTest, TheWindowComesBackWhereItStoodOrOntoAScreenThatIsStillThere)
{
    const QRect left(0, 0, 1920, 1080);
    const QRect right(1920, 0, 2560, 1440);
    useScreens({left, right});
    launch();
    const QRect onTheRight(2100, 150, 1100, 700);
    delegate()->window()->setGeometry(onTheRight);
    restart();
    EXPECT_EQ(delegate()->window()->geometry(), onTheRight);
    EXPECT_FALSE(delegate()->window()->isMaximized());

    // Maximised, it comes back maximised, and un-maximises to where it stood.
    delegate()->window()->showMaximized();
    restart();
    EXPECT_TRUE(delegate()->window()->isMaximized());
    EXPECT_EQ(delegate()->window()->normalGeometry(), onTheRight);
    delegate()->window()->showNormal();

    // The right-hand monitor unplugged: on the left-hand one, as large as before.
    useScreens({left});
    restart();
    EXPECT_TRUE(left.contains(delegate()->window()->frameGeometry()));
    EXPECT_EQ(delegate()->window()->size(), onTheRight.size());

    // A smaller screen: shrunk to it.
    const QRect netbook(0, 0, 1024, 600);
    useScreens({netbook});
    restart();
    EXPECT_EQ(delegate()->window()->frameGeometry(), netbook);
}
