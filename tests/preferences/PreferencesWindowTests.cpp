// The window shell, the Exercises tab and the Sync tab.
#include "PreferencesTestSupport.h"

#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTPreferencesControls.h"
#include "ZTSettingsOutlineView.h"

#include <QCheckBox>
#include <QLabel>
#include <QTabWidget>
#include <QTreeWidgetItem>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");
const QString kChords = QStringLiteral("Chord recognition");

class PreferencesWindowTest : public PreferencesTest {
protected:
    ZTSettingsOutlineView* outline() { return outlets().testsOutlineView; }

    template <typename T>
    T* cell(const QString& exercise, const QString& setting, bool secondColumn = false)
    {
        return qobject_cast<T*>(outline()->cachedCell(exercise, setting, secondColumn));
    }

    // Opens the exercise's row, as a click on its triangle does.
    void open(const QString& exercise) { outline()->itemForExercise(exercise)->setExpanded(true); }
};

TEST_F(PreferencesWindowTest, FirstOpeningShowsTheExercisesTabWithTheCurrentExerciseOpen)
{
    prefs()->setCurrentExercise(kChords);
    ZTPreferencesWindowController::showWindowOnTab({});
    const ZTPreferencesOutlets& o = outlets();
    EXPECT_EQ(controller()->window()->windowTitle(), QStringLiteral("Preferences"));
    ASSERT_EQ(o.tabView->count(), 6);
    EXPECT_EQ(o.tabView->currentIndex(), 0);
    EXPECT_EQ(o.tabView->tabText(0), QStringLiteral("Exercises"));
    EXPECT_EQ(o.tabView->tabText(2), QStringLiteral("Audio / MIDI"));
    EXPECT_EQ(o.tabView->widget(3)->objectName(), QStringLiteral("customlevels"));

    ASSERT_EQ(outline()->topLevelItemCount(), ZTDataProvider::sharedDataProvider()->tests().size());
    EXPECT_TRUE(outline()->isExerciseExpanded(kChords));
    EXPECT_FALSE(outline()->isExerciseExpanded(kIntervals));
    // Editors are made for the open exercise only.
    EXPECT_NE(cell<QComboBox>(kChords, QStringLiteral("answerTime")), nullptr);
    EXPECT_EQ(cell<QComboBox>(kIntervals, QStringLiteral("answerTime")), nullptr);
    EXPECT_NE(cell<QCheckBox>(kChords, QStringLiteral("useChordInversions")), nullptr);
    EXPECT_NE(cell<QLabel>(kChords, QStringLiteral("tempo"), true), nullptr);
    EXPECT_EQ(cell<QWidget>(kChords, QStringLiteral("answerTime"), true), nullptr);
}

TEST_F(PreferencesWindowTest, TheTabIsRememberedAcrossOpenings)
{
    outlets().tabView->setCurrentIndex(2);
    EXPECT_EQ(prefs()->prefsTabName(), QStringLiteral("audiomidi"));

    ZTPreferencesWindowController::releaseShared();
    EXPECT_EQ(outlets().tabView->currentIndex(), 2);

    // The new-level command opens on Custom Levels whatever was remembered.
    ZTPreferencesWindowController::showWindowOnTab(QStringLiteral("customlevels"));
    EXPECT_EQ(outlets().tabView->currentIndex(), 3);
    EXPECT_FALSE(controller()->selectTabWithIdentifier(QStringLiteral("nowhere")));
    EXPECT_EQ(outlets().tabView->currentIndex(), 3);

    // A stored name that no tab has opens the first tab.
    prefs()->setPrefsTabName(QStringLiteral("nowhere"));
    ZTPreferencesWindowController::releaseShared();
    EXPECT_EQ(outlets().tabView->currentIndex(), 0);
}

TEST_F(PreferencesWindowTest, EditorsStoreEveryChoiceAtOnce)
{
    controller();
    open(kIntervals);
    choose(cell<QComboBox>(kIntervals, QStringLiteral("answerTime")), 5);
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("answerTime"), kIntervals), QStringLiteral("5 sec"));

    QCheckBox* firstNote = cell<QCheckBox>(kIntervals, QStringLiteral("showfirstnote"));
    ASSERT_NE(firstNote, nullptr);
    EXPECT_FALSE(firstNote->isChecked());
    firstNote->click();
    EXPECT_TRUE(prefs()->boolForKey(QStringLiteral("showfirstnote"), kIntervals));

    // A low note above the high one: both pop-ups show the new range.
    QComboBox* low = cell<QComboBox>(kIntervals, QStringLiteral("basenote"));
    QComboBox* high = cell<QComboBox>(kIntervals, QStringLiteral("basenote"), true);
    choose(low, 76 - 24);
    EXPECT_EQ(prefs()->stringForKey(QStringLiteral("basenote"), kIntervals), QStringLiteral("76,76"));
    EXPECT_EQ(high->currentIndex(), 76 - 24);

    ZTFloatSlider* tempo = cell<ZTFloatSlider>(kIntervals, QStringLiteral("tempo"));
    ASSERT_NE(tempo, nullptr);
    EXPECT_DOUBLE_EQ(tempo->doubleValue(), 100.0);
    tempo->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_FLOAT_EQ(prefs()->floatForKey(QStringLiteral("tempo"), kIntervals), 240.0f);
    // The value text follows the drawn knob.
    outline()->resize(700, 500);
    outline()->grab();
    EXPECT_EQ(cell<QLabel>(kIntervals, QStringLiteral("tempo"), true)->text(), QStringLiteral("240 BPM"));
}

TEST_F(PreferencesWindowTest, SliderTextReadsTheWholeNumberUnderTheKnob)
{
    const QString progressions = QStringLiteral("Chord progressions");
    controller();
    open(progressions);
    outline()->resize(700, 900);
    const auto shownText = [&] {
        outline()->grab();
        return cell<QLabel>(progressions, QStringLiteral("length"), true)->text();
    };
    EXPECT_EQ(shownText(), QStringLiteral("2 beats"));
    prefs()->setFloat(7.99f, QStringLiteral("length"), progressions);
    settle();
    EXPECT_EQ(shownText(), QStringLiteral("7 beats"));
    cell<ZTFloatSlider>(progressions, QStringLiteral("length"))->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(shownText(), QStringLiteral("1 beat"));
    EXPECT_FLOAT_EQ(prefs()->floatForKey(QStringLiteral("length"), progressions), 1.0f);
}

TEST_F(PreferencesWindowTest, ChangesMadeElsewhereShowAtOnce)
{
    controller();
    open(kIntervals);
    QComboBox* direction = cell<QComboBox>(kIntervals, QStringLiteral("descending"));
    prefs()->setInteger(1, QStringLiteral("descending"), kIntervals); // the main window's direction buttons
    settle();
    EXPECT_EQ(direction->currentIndex(), 1);

    // A new spelling makes every note pop-up again with the new names.
    QComboBox* before = cell<QComboBox>(kIntervals, QStringLiteral("basenote"));
    const QString c4 = before->itemText(36);
    prefs()->setSpellingType(QStringLiteral("MIDI"));
    settle();
    QComboBox* after = cell<QComboBox>(kIntervals, QStringLiteral("basenote"));
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(outline()->isExerciseExpanded(kIntervals));
    EXPECT_NE(after->itemText(36), c4);
    EXPECT_EQ(after->itemText(36), QStringLiteral("C3"));

    // A new custom level shows in the level pop-up.
    prefs()->addCustomLevel({{QStringLiteral("name"), QStringLiteral("Tritones")},
                             {QStringLiteral("items"), QStringList{QStringLiteral("Tritone")}},
                             {QStringLiteral("testName"), kIntervals}},
                            kIntervals);
    settle();
    EXPECT_EQ(titles(cell<QComboBox>(kIntervals, QStringLiteral("level"))).last(), QStringLiteral("Tritones"));
}

// Records the sync engine's calls.
struct SyncCalls {
    QStringList calls;
    ZTSyncEngine engine()
    {
        return {[this] { calls << QStringLiteral("start"); }, [this] { calls << QStringLiteral("stop"); },
                [this] { calls << QStringLiteral("unlink"); }};
    }
};

TEST_F(PreferencesWindowTest, SyncSwitchesWithoutAnEngineAreStoredAndSaySo)
{
    const ZTPreferencesOutlets& o = outlets();
    EXPECT_FALSE(o.syncStatusLabel->isHidden());
    EXPECT_FALSE(o.syncStatusLabel->text().isEmpty());
    o.dropBoxStatsCheckbox->click();
    o.dropBoxSyncCheckbox->click();
    EXPECT_TRUE(prefs()->syncDropBoxStatistics());
    EXPECT_TRUE(prefs()->dropBoxSync());

    SyncCalls sync;
    ZTPreferencesWindowController::setSyncEngine(sync.engine());
    EXPECT_TRUE(o.syncStatusLabel->isHidden());
    // The last part switched off ends sync as a whole.
    o.dropBoxStatsCheckbox->click();
    EXPECT_FALSE(prefs()->dropBoxSync());
    EXPECT_FALSE(o.dropBoxSyncCheckbox->isChecked());
    EXPECT_EQ(sync.calls, (QStringList{QStringLiteral("stop"), QStringLiteral("unlink")}));
}

TEST_F(PreferencesWindowTest, SyncPartsStartASyncAndOnlyTheLastOneStopsIt)
{
    SyncCalls sync;
    ZTPreferencesWindowController::setSyncEngine(sync.engine());
    const ZTPreferencesOutlets& o = outlets();

    // A part switched on syncs even while sync as a whole is off.
    o.dropBoxLevelsCheckbox->click();
    o.dropBoxPrefsCheckbox->click();
    EXPECT_EQ(sync.calls, (QStringList{QStringLiteral("start"), QStringLiteral("start")}));
    EXPECT_FALSE(prefs()->dropBoxSync());

    o.dropBoxSyncCheckbox->click();
    o.dropBoxLevelsCheckbox->click(); // "Preferences" is still on
    EXPECT_TRUE(prefs()->dropBoxSync());
    EXPECT_FALSE(prefs()->syncDropBoxCustomLevels());
    EXPECT_EQ(sync.calls.size(), 3);

    // A change made elsewhere (the quit sheet, sync itself) shows at once.
    prefs()->setDropBoxSync(false);
    settle();
    EXPECT_FALSE(o.dropBoxSyncCheckbox->isChecked());
    o.dropBoxSyncCheckbox->click();
    o.dropBoxSyncCheckbox->click();
    EXPECT_EQ(sync.calls.mid(3),
              (QStringList{QStringLiteral("start"), QStringLiteral("stop"), QStringLiteral("unlink")}));
}

TEST_F(PreferencesWindowTest, ResetFillsEveryTabAgain)
{
    const ZTPreferencesOutlets& o = outlets();
    choose(o.autoPlayAfterPopupButton, 6);
    o.ignoreOctaveCHeckbox->click();
    o.dropBoxPrefsCheckbox->click();
    EXPECT_EQ(prefs()->autoPlayTime(), 7);
    open(kIntervals);
    choose(cell<QComboBox>(kIntervals, QStringLiteral("answerTime")), 3);

    prefs()->reset();
    settle();
    EXPECT_EQ(o.autoPlayAfterPopupButton->currentIndex(), 2);
    EXPECT_FALSE(o.ignoreOctaveCHeckbox->isChecked());
    EXPECT_FALSE(o.dropBoxPrefsCheckbox->isChecked());
    EXPECT_EQ(cell<QComboBox>(kIntervals, QStringLiteral("answerTime"))->currentIndex(), 0);
}

} // namespace
