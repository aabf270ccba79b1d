// Pictures of the window for a person to look at ($MELVORA_APP_SHOTS/*.png).
#include "AppTestSupport.h"

#include "ZTAbstractTestController.h"
#include "ZTMainViewController.h"
#include "ZTMusicInstumentProtocol.h"
#include "ZTPopupButton.h"
#include "ZTSidebarTableView.h"
#include "ZTPreferences.h"
#include "ZTSplitView.h"

namespace {
using ShotTest = AppTest;
}

TEST_F(ShotTest, ScreensOfSeveralExercisesAndModes)
{
    launch();
    saveShot(QStringLiteral("start"));

    // A sectioned list, one level up, a question answered.
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    prefs->setCurrentExercise(QStringLiteral("Chord recognition"));
    advance(0.6);
    ASSERT_EQ(screen()->currentLessonController()->testName(), QStringLiteral("Chord recognition"));
    screen()->levelAction(2);
    advance(0.6);
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    saveShot(QStringLiteral("chords-question"));

    screen()->practiceModeChanged(2);
    screen()->tableView()->clickRow(1);
    saveShot(QStringLiteral("chords-learning"));
    screen()->practiceModeChanged(1);

    delegate()->window()->resize(980, 640);
    saveShot(QStringLiteral("narrow"));
}

TEST_F(ShotTest, FretboardAndPaneLayouts)
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    prefs->setCurrentExercise(QStringLiteral("Chord recognition"));
    prefs->setInstrumentType(1);
    launch();
    advance(0.6);
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    // A wrong note played on the neck, then the answer shown.
    ZTMusicInstumentProtocol* fretboard = screen()->instrumentViewWidget();
    fretboard->markNoteRed(QVNote::initWithNoteNr(66, 60, false), 0);
    fretboard->setGreenNotesFromTest();
    saveShot(QStringLiteral("fretboard-chord-question"));

    screen()->splitView()->mouseEntered();
    screen()->showBothAction();
    saveShot(QStringLiteral("panes-both-hover"));
    screen()->splitView()->mouseExited();
    screen()->showStuffAction();
    saveShot(QStringLiteral("panes-staff-only"));
    screen()->showStatsAction();
    saveShot(QStringLiteral("panes-statistics-only"));
}

TEST_F(ShotTest, TwoLinePromptsLongListsAndThePopUps)
{
    launch();
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    prefs->setCurrentExercise(QStringLiteral("Chord progressions"));
    advance(0.6);
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    saveShot(QStringLiteral("progressions-question"));

    // Thirty key signatures, some answered.
    prefs->setCurrentExercise(QStringLiteral("Key Signature recognition"));
    advance(0.6);
    screen()->levelAction(6);
    advance(0.6);
    for (int question = 0; question < 12; ++question) {
        screen()->nextAction(ZTMainViewController::Sender::MenuItem);
        finishPlaying();
        screen()->tableView()->clickRow(1 + question % 5);
        screen()->currentLessonController()->invalidateAutoTimer();
    }
    saveShot(QStringLiteral("thirty-items"));

    screen()->levelPopupButton()->showPopup();
    saveShot(QStringLiteral("level-popup"));
}
