// A new user opens Preferences from the menu, changes the current exercise's settings and
// the sound output, closes the window and sees the exercise screen follow. Pictures of every
// tab go to $MELVORA_APP_SHOTS when it is set.
#include "PreferencesTestSupport.h"

#include "ImageButton.h"
#include "QVMIDIEndpointInstrument.h"
#include "ZTAbstractTestController.h"
#include "ZTCountDownView.h"
#include "ZTMIDIController.h"
#include "ZTMainViewController.h"
#include "ZTPopupButton.h"
#include "ZTPreferences.h"
#include "ZTSettingsOutlineView.h"

#include <QAction>
#include <QApplication>
#include <QTabWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");

class NewUserTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        PreferencesTest::SetUp();
        ZTAppDelegate::setPreferencesWindowOpener(&ZTPreferencesWindowController::showWindowOnTab);
    }
    void TearDown() override
    {
        ZTAppDelegate::setPreferencesWindowOpener({});
        PreferencesTest::TearDown();
    }

    QComboBox* exerciseCell(const QString& setting)
    {
        return qobject_cast<QComboBox*>(outlets().testsOutlineView->cachedCell(kIntervals, setting));
    }

    void saveTabShot(const QString& name) { saveWindowShot(controller()->window(), name); }
};

TEST_F(NewUserTest, SettingsChangedInPreferencesReachTheExerciseScreen)
{
    launch();
    QAction* preferences = delegate()->menuItemWithAction(QStringLiteral("showPreferences"));
    ASSERT_NE(preferences, nullptr);
    delegate()->validateMenus();
    ASSERT_TRUE(preferences->isEnabled());
    EXPECT_EQ(preferences->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));

    // The menu key, pressed on the main window.
    QWidget* mainWindow = delegate()->window();
    mainWindow->show();
    mainWindow->activateWindow();
    QApplication::setActiveWindow(mainWindow);
    QTest::keyClick(mainWindow, Qt::Key_Comma, Qt::ControlModifier);
    ASSERT_TRUE(ZTPreferencesWindowController::preferencesWindowController()->isWindowLoaded());
    ZTPreferencesWindowController* window = controller();
    ASSERT_TRUE(window->window()->isVisible());
    EXPECT_TRUE(outlets().testsOutlineView->isExerciseExpanded(kIntervals));

    choose(exerciseCell(QStringLiteral("answerTime")), 10); // "10 sec"
    choose(exerciseCell(QStringLiteral("level")), 2);
    choose(exerciseCell(QStringLiteral("descending")), 1);
    outlets().tabView->setCurrentIndex(2);
    choose(outlets().midiOutPopupButton, 2); // the external synthesizer
    window->window()->close();
    settle();

    EXPECT_EQ(screen()->levelPopupButton()->indexOfSelectedItem(), 2);
    EXPECT_EQ(screen()->currentLessonController()->level(), 2);
    EXPECT_EQ(screen()->playDirectionDownButton()->imageName(), QStringLiteral("pfeilRunterButtonHighlighted"));
    EXPECT_TRUE(delegate()->descendingMenuItem()->isChecked());
    EXPECT_NE(dynamic_cast<QVMIDIEndpointInstrument*>(ZTMIDIController::sharedInstance()->instrument().get()), nullptr);

    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    EXPECT_FALSE(screen()->countDownViewWidget()->isHidden());
    EXPECT_LE(screen()->countDownViewWidget()->value(), 10);
    EXPECT_GE(screen()->countDownViewWidget()->value(), 8);

    saveShot(QStringLiteral("main-after-preferences"));

    // Opened again, the window shows the tab it was left on.
    preferences->trigger();
    EXPECT_EQ(outlets().tabView->currentIndex(), 2);
}

TEST_F(NewUserTest, QuittingEndsACaptureAndTakesTheWindowAlong)
{
    launch();
    QPointer<QWidget> window;
    QTimer::singleShot(0, [&] {
        ZTPreferencesWindowController::showWindowOnTab(QStringLiteral("audiomidi"));
        window = controller()->window();
        outlets().remoteCaptureNextButton->click();
        delegate()->terminate();
    });
    QApplication::exec();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(ZTMIDIController::sharedInstance()->midiConnector(), nullptr);
}

TEST_F(NewUserTest, PicturesOfEveryTab)
{
    launch();
    ZTPreferencesWindowController::showWindowOnTab(QStringLiteral("lessons"));
    outlets().testsOutlineView->expandExerciseAtIndex(3); // Chord progressions: sliders and ranges
    for (int i = 0; i < ZTPreferencesWindowController::tabIdentifiers().size(); ++i) {
        outlets().tabView->setCurrentIndex(i);
        saveTabShot(QStringLiteral("preferences-") + ZTPreferencesWindowController::tabIdentifiers().at(i));
    }
    choose(outlets().midiOutPopupButton, 0);
    outlets().tabView->setCurrentIndex(2);
    saveTabShot(QStringLiteral("preferences-audiomidi-builtin"));
    EXPECT_EQ(outlets().tabView->count(), 6);
}

} // namespace
