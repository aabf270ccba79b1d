// The Preferences on small screens: the window opens inside the area that windows may take,
// and every control in it can be reached.
#include "PreferencesTestSupport.h"

#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTRowTableView.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

namespace {

const QRect kSmallScreen(0, 0, 1024, 600);
const QRect kLaptopScreen(0, 0, 1366, 768);

// The controls of a page the user works with; the page's own scroll bars aside.
QList<QWidget*> controlsOf(QWidget* page)
{
    QList<QWidget*> controls;
    for (QWidget* widget : page->findChildren<QWidget*>()) {
        const bool isControl = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget) ||
                               qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractItemView*>(widget) ||
                               (qobject_cast<QAbstractSlider*>(widget) && !qobject_cast<QScrollBar*>(widget));
        if (isControl && widget->isVisibleTo(page))
            controls << widget;
    }
    return controls;
}

QRect rectIn(const QWidget* widget, const QWidget* ancestor)
{
    return QRect(widget->mapTo(ancestor, QPoint()), widget->size());
}

class SmallScreenTest : public PreferencesTest {
protected:
    // The window as it opens on a screen with that area.
    QWidget* openOn(const QRect& area)
    {
        useScreens({area});
        ZTPreferencesWindowController::showWindowOnTab({});
        QWidget* window = controller()->window();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return window;
    }

    // Shows the tab and lays it out.
    QWidget* showTab(int tab)
    {
        outlets().tabView->setCurrentIndex(tab);
        QCoreApplication::sendPostedEvents();
        return outlets().tabView->widget(tab);
    }
};

TEST_F(SmallScreenTest, TheWindowOpensInsideTheScreenAtItsSizeWhereItFits)
{
    QWidget* window = openOn(kLaptopScreen);
    EXPECT_TRUE(kLaptopScreen.contains(window->frameGeometry())) << window->frameGeometry().height();
    EXPECT_EQ(window->size(), ZTPreferencesWindowController::kPreferredSize);

    ZTPreferencesWindowController::releaseShared();
    window = openOn(kSmallScreen);
    // Borders included: the window is as much shorter as they need.
    EXPECT_TRUE(kSmallScreen.contains(window->frameGeometry())) << window->frameGeometry().height();
    EXPECT_EQ(window->frameGeometry().height(), kSmallScreen.height());
    EXPECT_EQ(window->width(), ZTPreferencesWindowController::kPreferredSize.width());
    saveWindowShot(window, QStringLiteral("preferences-1024x600"));
}

TEST_F(SmallScreenTest, EveryControlCanBeReachedAt1024By600)
{
    QWidget* window = openOn(kSmallScreen);
    for (int tab = 0; tab < outlets().tabView->count(); ++tab) {
        QWidget* page = showTab(tab);
        auto* scroller = qobject_cast<QScrollArea*>(page);
        for (QWidget* control : controlsOf(page)) {
            const std::string where = page->objectName().toStdString() + " " + control->metaObject()->className();
            // A control in the settings outline comes into view as the outline scrolls.
            if (control->parentWidget() && qobject_cast<QAbstractItemView*>(control->parentWidget()->parentWidget()))
                continue;
            if (scroller) {
                scroller->ensureWidgetVisible(control, 0, 0);
                EXPECT_TRUE(rectIn(scroller->viewport(), window).contains(rectIn(control, window))) << where;
            }
            EXPECT_TRUE(window->rect().contains(rectIn(control, window))) << where;
        }
    }
}

TEST_F(SmallScreenTest, TheCustomLevelListsAndTheirButtonsShowWholeAt1024By600)
{
    QWidget* window = openOn(kSmallScreen);
    // A melody level shows its tones and octaves above the items.
    controller()->levelPlusAction(ZTDataProvider::sharedDataProvider()->indexForTestWithName(QStringLiteral("Melodies")));
    auto* page = qobject_cast<QScrollArea*>(showTab(3));
    ASSERT_NE(page, nullptr);
    const ZTPreferencesOutlets& o = outlets();
    ASSERT_TRUE(o.melodyLevelView->isVisibleTo(window));
    // Whole without scrolling.
    EXPECT_EQ(page->verticalScrollBar()->maximum(), 0);
    for (QWidget* part : QList<QWidget*>{o.levelsTableView, o.levelTestsTableView, o.levelPlusPopupButton,
                                         o.levelMinusButton, o.numNotesPopupButton, o.numNotesOctacesButton})
        EXPECT_TRUE(rectIn(page->viewport(), window).contains(rectIn(part, window))) << part->metaObject()->className();
    saveWindowShot(window, QStringLiteral("preferences-customlevels-1024x600"));
}

} // namespace
