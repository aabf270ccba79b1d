// The wheel scrolls the page the pointer passes over: a pop-up, spin box or slider takes it only
// after the user clicked it (it has the focus), in the Preferences and anywhere else.
#include "PreferencesTestSupport.h"

#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTPreferencesControls.h"
#include "ZTSettingsOutlineView.h"
#include "ZTWheelGuard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");

// One notch of the wheel down the page, over the middle of the widget.
void turnWheel(QWidget* widget, int notches)
{
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

void turnWheelDown(QWidget* widget)
{
    turnWheel(widget, -1);
}

// The same notch as the window system delivers it: spontaneous, so that what the widget
// leaves goes on to its parents.
void turnWheelDownFromTheSystem(QWidget* widget)
{
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QApplication::sendEvent(widget, &wheel);
}

// What the wheel would change: a pop-up's entry, a spin box's or a slider's value.
int valueOf(const QWidget* control)
{
    if (const auto* popup = qobject_cast<const QComboBox*>(control))
        return popup->currentIndex();
    if (const auto* slider = qobject_cast<const QAbstractSlider*>(control))
        return slider->value();
    return qobject_cast<const QSpinBox*>(control)->value();
}

// The visible controls of a page whose value the wheel changes; the page's scroll bars aside.
QList<QWidget*> wheelControls(QWidget* page)
{
    QList<QWidget*> controls;
    for (QWidget* widget : page->findChildren<QWidget*>()) {
        const bool changesUnderWheel = qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
                                       (qobject_cast<QAbstractSlider*>(widget) && !qobject_cast<QScrollBar*>(widget));
        if (changesUnderWheel && widget->isVisibleTo(page))
            controls << widget;
    }
    return controls;
}

// Shows the window active, with no control focused as yet.
bool activate(QWidget* window)
{
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return false;
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    return true;
}

// A page taller than its scroll area with a pop-up, a spin box and a slider on it.
class WheelGuardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZTWheelGuard::install();
        auto* page = new QWidget;
        auto* column = new QVBoxLayout(page);
        popup_ = new QComboBox(page);
        popup_->addItems({QStringLiteral("Legato"), QStringLiteral("Staccato"), QStringLiteral("Arpeggio")});
        spinBox_ = new QSpinBox(page);
        spinBox_->setValue(50);
        slider_ = new QSlider(Qt::Horizontal, page);
        slider_->setValue(50);
        column->addWidget(popup_);
        column->addWidget(spinBox_);
        column->addWidget(slider_);
        column->addSpacing(2000);
        area_.setWidget(page);
        area_.resize(300, 200);
        ASSERT_TRUE(activate(&area_));
        QCoreApplication::sendPostedEvents(); // the page's layout
        ASSERT_GT(pageBar()->maximum(), 0);
    }

    QScrollBar* pageBar() { return area_.verticalScrollBar(); }

    QScrollArea area_;
    QComboBox* popup_ = nullptr;
    QSpinBox* spinBox_ = nullptr;
    QSlider* slider_ = nullptr;
};

TEST_F(WheelGuardTest, ControlsThatWereNotClickedLeaveTheWheelToThePage)
{
    for (QWidget* control : QList<QWidget*>{popup_, spinBox_, slider_}) {
        pageBar()->setValue(0);
        const int before = valueOf(control);
        turnWheelDown(control);
        EXPECT_EQ(valueOf(control), before) << control->metaObject()->className();
        EXPECT_GT(pageBar()->value(), 0) << control->metaObject()->className();
        // The wheel alone gives none of them the focus.
        EXPECT_NE(control->focusPolicy(), Qt::WheelFocus) << control->metaObject()->className();
    }
}

TEST_F(WheelGuardTest, AClickedControlTakesTheWheelAsBefore)
{
    for (QWidget* control : QList<QWidget*>{popup_, spinBox_, slider_}) {
        control->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(control->hasFocus());
        pageBar()->setValue(0);
        const int before = valueOf(control);
        turnWheelDown(control);
        EXPECT_NE(valueOf(control), before) << control->metaObject()->className();
        EXPECT_EQ(pageBar()->value(), 0) << control->metaObject()->className();
    }
}

TEST_F(WheelGuardTest, ScrollBarsKeepTheWheelAndAControlWithoutAPageTakesNothing)
{
    turnWheelDown(pageBar());
    EXPECT_GT(pageBar()->value(), 0);

    QWidget window;
    auto* lone = new QComboBox(&window);
    lone->addItems({QStringLiteral("Ascending"), QStringLiteral("Descending")});
    ASSERT_TRUE(activate(&window));
    turnWheelDown(lone);
    EXPECT_EQ(lone->currentIndex(), 0);
}

// A short list with a pop-up on it, inside a page that scrolls too, as a table of settings
// sits inside a scrolling tab.
class NestedPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZTWheelGuard::install();
        auto* outerPage = new QWidget;
        auto* outerColumn = new QVBoxLayout(outerPage);
        inner_ = new QScrollArea(outerPage);
        inner_->setFixedHeight(120);
        auto* innerPage = new QWidget;
        auto* innerColumn = new QVBoxLayout(innerPage);
        popup_ = new QComboBox(innerPage);
        popup_->addItems({QStringLiteral("Three notes"), QStringLiteral("Four notes")});
        innerColumn->addWidget(popup_);
        innerColumn->addSpacing(300);
        inner_->setWidget(innerPage);
        outerColumn->addWidget(inner_);
        outerColumn->addSpacing(2000);
        outer_.setWidget(outerPage);
        outer_.resize(300, 200);
        ASSERT_TRUE(activate(&outer_));
        QCoreApplication::sendPostedEvents();
        ASSERT_GT(innerBar()->maximum(), 0);
        ASSERT_GT(outerBar()->maximum(), 0);
    }

    QScrollBar* innerBar() { return inner_->verticalScrollBar(); }
    QScrollBar* outerBar() { return outer_.verticalScrollBar(); }

    QScrollArea outer_;
    QScrollArea* inner_ = nullptr;
    QComboBox* popup_ = nullptr;
};

TEST_F(NestedPagesTest, TheInnerPageScrollsUntilItsEndThenThePageAroundIt)
{
    turnWheelDown(popup_);
    EXPECT_GT(innerBar()->value(), 0);
    EXPECT_EQ(outerBar()->value(), 0);

    // At its end, down the page goes on with the outer page; up still moves the inner one.
    innerBar()->setValue(innerBar()->maximum());
    turnWheelDown(popup_);
    EXPECT_EQ(innerBar()->value(), innerBar()->maximum());
    const int outerScrolled = outerBar()->value();
    EXPECT_GT(outerScrolled, 0);
    turnWheel(popup_, 1);
    EXPECT_LT(innerBar()->value(), innerBar()->maximum());
    EXPECT_EQ(outerBar()->value(), outerScrolled);
    EXPECT_EQ(popup_->currentIndex(), 0);

    // A list with nothing to scroll leaves the wheel to the page at once.
    popup_->parentWidget()->setFixedHeight(inner_->viewport()->height());
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(innerBar()->maximum(), 0);
    outerBar()->setValue(0);
    turnWheelDown(popup_);
    EXPECT_GT(outerBar()->value(), 0);
    EXPECT_EQ(popup_->currentIndex(), 0);

    // Once clicked, the pop-up takes the wheel and neither page moves.
    outerBar()->setValue(0);
    popup_->setFocus(Qt::MouseFocusReason);
    turnWheelDown(popup_);
    EXPECT_EQ(popup_->currentIndex(), 1);
    EXPECT_EQ(outerBar()->value(), 0);
}

TEST_F(NestedPagesTest, TheWheelFromTheSystemMovesOnePageOnceAndNeverThePopUp)
{
    // Each notch moves exactly one page: the inner while it can, then the outer, by one step each.
    turnWheelDownFromTheSystem(popup_);
    const int innerStep = innerBar()->value();
    EXPECT_GT(innerStep, 0);
    EXPECT_EQ(outerBar()->value(), 0);
    innerBar()->setValue(innerBar()->maximum());
    turnWheelDownFromTheSystem(popup_);
    EXPECT_EQ(outerBar()->value(), outerBar()->singleStep() * QApplication::wheelScrollLines());
    EXPECT_EQ(popup_->currentIndex(), 0);
}

// ---- The Preferences window ----

class PreferencesWheelTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        PreferencesTest::SetUp();
        prefs()->setCurrentExercise(kIntervals);
    }

    // A window shorter than its pages, as on a small screen; shown active, no control focused.
    QWidget* shortWindow()
    {
        QWidget* window = controller()->window();
        window->resize(760, 300);
        EXPECT_TRUE(activate(window));
        return window;
    }

    QScrollBar* pageBar(int tab)
    {
        QWidget* page = outlets().tabView->widget(tab);
        if (auto* outline = qobject_cast<ZTSettingsOutlineView*>(page->findChild<ZTSettingsOutlineView*>()))
            return outline->verticalScrollBar();
        return qobject_cast<QScrollArea*>(page)->verticalScrollBar();
    }
};

TEST_F(PreferencesWheelTest, ScrollingPastPlayModeAndDirectionChangesNeither)
{
    shortWindow();
    ZTSettingsOutlineView* outline = outlets().testsOutlineView;
    ASSERT_TRUE(outline->isExerciseExpanded(kIntervals));
    auto* playMode = qobject_cast<QComboBox*>(outline->cachedCell(kIntervals, QStringLiteral("playmode")));
    auto* direction = qobject_cast<QComboBox*>(outline->cachedCell(kIntervals, QStringLiteral("descending")));
    ASSERT_NE(playMode, nullptr);
    ASSERT_NE(direction, nullptr);
    const QString playModeBefore = prefs()->stringForKey(QStringLiteral("playmode"), kIntervals);
    const qint64 directionBefore = prefs()->integerForKey(QStringLiteral("descending"), kIntervals);
    const int playModeShown = playMode->currentIndex();
    const int directionShown = direction->currentIndex();

    turnWheelDown(direction);
    const int scrolled = outline->verticalScrollBar()->value();
    EXPECT_GT(scrolled, 0);
    turnWheelDown(playMode);
    EXPECT_GT(outline->verticalScrollBar()->value(), scrolled);
    settle();

    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("playmode"), kIntervals), playModeBefore);
    EXPECT_EQ(prefs()->integerForKey(QStringLiteral("descending"), kIntervals), directionBefore);
    EXPECT_EQ(playMode->currentIndex(), playModeShown);
    EXPECT_EQ(direction->currentIndex(), directionShown);
}

TEST_F(PreferencesWheelTest, EveryTabScrollsUnderTheWheelWithoutAnyChoiceChanging)
{
    shortWindow();
    // The melody controls of the Custom Levels tab show with a melody level.
    prefs()->setCurrentExercise(QStringLiteral("Melodies"));
    controller()->levelPlusAction(ZTDataProvider::sharedDataProvider()->indexForTestWithName(QStringLiteral("Melodies")));
    const QVariantMap storedBefore = prefs()->prefsDictForSync();
    QStringList scrollingPages;
    for (int tab = 0; tab < outlets().tabView->count(); ++tab) {
        outlets().tabView->setCurrentIndex(tab);
        QCoreApplication::sendPostedEvents(); // the page's layout
        QWidget* page = outlets().tabView->widget(tab);
        const bool scrolls = pageBar(tab)->maximum() > 0;
        if (scrolls)
            scrollingPages << page->objectName();
        for (QWidget* control : wheelControls(page)) {
            pageBar(tab)->setValue(0);
            const int before = valueOf(control);
            turnWheelDown(control);
            const std::string where = page->objectName().toStdString() + " " + control->metaObject()->className();
            EXPECT_EQ(valueOf(control), before) << where;
            EXPECT_EQ(pageBar(tab)->value() > 0, scrolls) << where;
        }
    }
    settle();
    EXPECT_EQ(prefs()->prefsDictForSync(), storedBefore);
    // The pages that are taller than this window.
    EXPECT_EQ(scrollingPages, QStringList({QStringLiteral("lessons"), QStringLiteral("general"),
                                           QStringLiteral("audiomidi")}));
}

TEST_F(PreferencesWheelTest, AClickedPopupTakesTheWheelAndStoresTheChoice)
{
    shortWindow();
    outlets().tabView->setCurrentIndex(1);
    QComboBox* spelling = outlets().spellingTypePopupButton;
    spelling->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(spelling->hasFocus());
    const int before = spelling->currentIndex();
    ASSERT_LT(before + 1, spelling->count());

    turnWheelDown(spelling);
    EXPECT_EQ(spelling->currentIndex(), before + 1);
    const QStringList spellingTypes{QStringLiteral("NoteName"), QStringLiteral("Scientific"), QStringLiteral("MIDI"),
                                    QStringLiteral("French"), QStringLiteral("Helmholtz")};
    EXPECT_EQ(prefs()->spellingType(), spellingTypes.value(before + 1));
}

} // namespace
