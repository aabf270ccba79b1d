// The menus the delegate builds, their validation, the two resets and quit.
#include "AppTestSupport.h"

#include "BrowserStandIn.h"
#include "FMDatabase.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "PropertyList.h"
#include "WriteFailures.h"
#include "ZTAbstractTestController.h"
#include "ZTDataProvider.h"
#include "ZTMIDIController.h"
#include "ZTMainViewController.h"
#include "ZTPopupButton.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"

#include "ImageButton.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

namespace {

using MenuTest = AppTest;

void insertStats(const QString& test, const QString& item)
{
    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_NE(db, nullptr);
    db->executeUpdate(QStringLiteral("INSERT into stats (testName, itemName, right, wrong) VALUES(?,?,?,?)"),
                      {test, item, 2, 1});
    db->executeUpdate(QStringLiteral("INSERT into results (testName, itemName, result, numTryouts, date) VALUES(?,?,?,?,?)"),
                      {test, item, 1, 2, QStringLiteral("2024-01-01")});
}

QList<QAction*> items(QMenu* menu)
{
    QList<QAction*> result;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            result << action;
    return result;
}

} // namespace

TEST(ExerciseMenuKeys, DigitsThenControlDigitsThenNone)
{
    const QStringList expected{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0",
                               "Ctrl+1", "Ctrl+2", "Ctrl+3", "Ctrl+4", "Ctrl+5", "Ctrl+6", "Ctrl+7", "Ctrl+8", "Ctrl+9",
                               "", ""};
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(ZTAppDelegate::exerciseMenuKey(i).toString(), expected[i]) << "item " << i;
}

TEST_F(MenuTest, MenusAreBuiltFromTheCatalogueAndLocalised)
{
    launch();
    QStringList titles;
    for (QAction* top : delegate()->mainMenu()->actions())
        if (top->isVisible())
            titles << top->text();
    EXPECT_EQ(titles, (QStringList{"Melvora", "File", "Edit", "View", "Control", "Instrument", "Exercise", "Level", "Window", "Help"}));
    // The View menu chooses the instrument and the panes.
    QStringList viewItems;
    for (QAction* item : items(delegate()->viewmenuItem()->menu())) {
        viewItems << item->objectName();
        EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
    }
    EXPECT_EQ(viewItems, (QStringList{"instrumentSegmentedAction", "instrumentSegmentedAction", "showStuffAction",
                                      "showStatsAction", "showBothAction"}));
    EXPECT_EQ(delegate()->menuItemWithAction(QStringLiteral("showAboutBox"))->text(), QStringLiteral("About Melvora"));

    const QVariantList tests = ZTDataProvider::sharedDataProvider()->tests();
    const QList<QAction*> exercises = items(delegate()->exerciseMenu());
    ASSERT_EQ(exercises.size(), tests.size());
    for (int i = 0; i < exercises.size(); ++i) {
        EXPECT_EQ(exercises[i]->text(), localized(tests[i].toMap().value(QStringLiteral("name")).toString()));
        EXPECT_EQ(exercises[i]->shortcut(), ZTAppDelegate::exerciseMenuKey(i));
    }
    const QList<QAction*> resets = items(delegate()->resetStatMenu());
    ASSERT_EQ(resets.size(), tests.size() + 1);
    EXPECT_EQ(resets.first()->text(), localized(QStringLiteral("Interval recognition")) + QStringLiteral(" \u2026"));
    EXPECT_EQ(resets.last()->data().toInt(), -1);

    // The level menu follows the current exercise: its levels, then "Edit Levels …".
    const QList<QAction*> levels = items(delegate()->levelMenu());
    const QVariantList levelRecords = ZTDataProvider::sharedDataProvider()->levels().value(QStringLiteral("Interval recognition")).toList();
    ASSERT_EQ(levels.size(), levelRecords.size() + 1);
    EXPECT_TRUE(levels.first()->isChecked());
    EXPECT_EQ(levels.last()->objectName(), QStringLiteral("newLevelAction"));
}

TEST_F(MenuTest, PopUpButtonsShareTheMenuBarsLook)
{
    launch();
    // The background inside the border of a menu as it is drawn.
    auto background = [](QMenu* menu) {
        menu->ensurePolished();
        menu->adjustSize();
        return menu->grab().toImage().pixelColor(2, 2);
    };
    const QColor barMenu = background(delegate()->exerciseMenu());
    EXPECT_LT(barMenu.lightness(), 100); // dark
    EXPECT_EQ(background(screen()->levelPopupButton()->menu()), barMenu);
}

TEST_F(MenuTest, CommandsAreEnabledByTheScreenState)
{
    launch();
    QAction* next = delegate()->nextQuestionMenuItem();
    QAction* repeat = delegate()->repeatMenuItem();
    delegate()->validateMenus();
    EXPECT_TRUE(next->isEnabled());
    EXPECT_FALSE(repeat->isEnabled()); // nothing to repeat yet
    EXPECT_TRUE(delegate()->ascendingMenuItem()->isEnabled());

    next->trigger();
    EXPECT_FALSE(next->isEnabled()); // the question plays
    finishPlaying();
    EXPECT_TRUE(next->isEnabled());
    EXPECT_TRUE(repeat->isEnabled());

    // Pitch recognition cannot descend: no direction command, no direction button.
    ZTPreferences::sharedPreferences()->setCurrentExercise(QStringLiteral("Pitch recognition"));
    advance(0.6);
    ASSERT_EQ(screen()->currentLessonController()->testName(), QStringLiteral("Pitch recognition"));
    delegate()->validateMenus();
    EXPECT_FALSE(delegate()->descendingMenuItem()->isEnabled());
    EXPECT_FALSE(screen()->playDirectionDownButton()->isEnabled());
    // Without a preferences window its commands stay off; with one they open it on a tab.
    QAction* preferences = delegate()->menuItemWithAction(QStringLiteral("showPreferences"));
    EXPECT_FALSE(preferences->isEnabled());
    QStringList opened;
    ZTAppDelegate::setPreferencesWindowOpener([&](const QString& tab) { opened << tab; });
    delegate()->validateMenus();
    EXPECT_TRUE(preferences->isEnabled());
    preferences->trigger();
    screen()->newLevelAction();
    EXPECT_EQ(opened, (QStringList{QString(), QStringLiteral("customlevels")}));
    ZTAppDelegate::setPreferencesWindowOpener({});
}

TEST_F(MenuTest, SupportOpensTheSupportPageOrTellsItsAddress)
{
    launch();
    const QString address = delegate()->supportPageAddress();
    {
        BrowserStandIn browser;
        delegate()->menuItemWithAction(QStringLiteral("melvoraSupportAction"))->trigger();
        EXPECT_EQ(browser.opened, QList<QUrl>{QUrl(address)});
        EXPECT_TRUE(alerts_.isEmpty());
    }
    // The test desktop has no browser of its own.
    delegate()->menuItemWithAction(QStringLiteral("melvoraSupportAction"))->trigger();
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("Melvora could not open a web browser."));
    EXPECT_TRUE(alerts_[0].informativeText.endsWith(address)) << alerts_[0].informativeText.toStdString();

    // Its second button puts the address on the clipboard.
    alertAnswer_ = 1;
    delegate()->melvoraSupportAction();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), address);
}

TEST_F(MenuTest, ResettingOneExerciseDeletesOnlyItsRows)
{
    launch();
    insertStats(QStringLiteral("Interval recognition"), QStringLiteral("Octave"));
    insertStats(QStringLiteral("Chord recognition"), QStringLiteral("Major"));
    int posted = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZTStatDBChangedNotification"), [&](const Notification&) { ++posted; });

    alertAnswer_ = 1; // "Reset"
    delegate()->resetStatsMenuAction(0);
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("Reset statistics for 'Interval recognition'?"));
    EXPECT_EQ(alerts_[0].buttons, (QStringList{"Cancel", "Reset"}));
    EXPECT_TRUE(rows(QStringLiteral("SELECT testName FROM stats WHERE testName='Interval recognition'"), 1).isEmpty());
    EXPECT_TRUE(rows(QStringLiteral("SELECT testName FROM results WHERE testName='Interval recognition'"), 1).isEmpty());
    EXPECT_EQ(rows(QStringLiteral("SELECT testName FROM stats"), 1), (QList<QStringList>{{"Chord recognition"}}));
    EXPECT_EQ(posted, 1);
    EXPECT_TRUE(ZTPreferences::sharedPreferences()->statWasChangedDuringLastSync());

    delegate()->resetStatsMenuAction(-1);
    EXPECT_EQ(alerts_.last().message, QStringLiteral("Reset statistics for all exercises?"));
    EXPECT_TRUE(rows(QStringLiteral("SELECT testName FROM stats"), 1).isEmpty());
    EXPECT_TRUE(rows(QStringLiteral("SELECT testName FROM results"), 1).isEmpty());
}

TEST_F(MenuTest, CancellingAResetKeepsTheRowsButStillMarksAndRedraws)
{
    launch();
    insertStats(QStringLiteral("Interval recognition"), QStringLiteral("Octave"));
    int posted = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZTStatDBChangedNotification"), [&](const Notification&) { ++posted; });
    alertAnswer_ = 0; // "Cancel"
    delegate()->resetStatsMenuAction(-1);
    EXPECT_EQ(rows(QStringLiteral("SELECT right, wrong FROM stats"), 2), (QList<QStringList>{{"2", "1"}}));
    EXPECT_EQ(posted, 1);
    EXPECT_TRUE(ZTPreferences::sharedPreferences()->statWasChangedDuringLastSync());
    // The graph was rebuilt from the rows still there.
    const ZTBarPlot* right = screen()->graph()->plotWithIdentifier(QStringLiteral("Right"));
    ASSERT_NE(right, nullptr);
    const qlonglong octave = screen()->currentLessonController()->items().size() - 1;
    EXPECT_EQ(right->bars()[2 + octave].value.value_or(-1), 2.0);
}

TEST_F(MenuTest, ReturnInTheResetAlertsCancelsAndEscapeToo)
{
    launch();
    insertStats(QStringLiteral("Interval recognition"), QStringLiteral("Octave"));
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    screen()->practiceModeChanged(2);
    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
        pressKeyInAlertsDuring(key, [this] {
            delegate()->resetStatsMenuAction(-1);
            delegate()->resetStatsMenuAction(0);
            delegate()->resetPrefs();
        });
        EXPECT_EQ(rows(QStringLiteral("SELECT itemName FROM stats"), 1), (QList<QStringList>{{"Octave"}}));
        EXPECT_EQ(rows(QStringLiteral("SELECT itemName FROM results"), 1), (QList<QStringList>{{"Octave"}}));
        EXPECT_TRUE(prefs->practiceMode());
    }
}

TEST_F(MenuTest, ResettingPreferencesRebuildsTheScreen)
{
    launch();
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    screen()->practiceModeChanged(2);
    ASSERT_TRUE(prefs->practiceMode());

    alertAnswer_ = 0;
    delegate()->resetPrefs();
    EXPECT_TRUE(prefs->practiceMode());

    alertAnswer_ = 1;
    delegate()->resetPrefs();
    EXPECT_EQ(alerts_.last().message, QStringLiteral("Reset Preferences?"));
    EXPECT_FALSE(prefs->practiceMode());
    EXPECT_TRUE(screen()->graphScrollView()->isVisibleTo(screen()));
    EXPECT_TRUE(screen()->nextButtonView()->isEnabled());
}

TEST_F(MenuTest, QuitWritesTheSettings)
{
    launch();
    const QString settings = environment_->applicationSupportFolder() + QStringLiteral("/settings.plist");
    QFile::remove(settings);
    EXPECT_EQ(delegate()->applicationShouldTerminate(), ZTAppDelegate::TerminateReply::Now);
    EXPECT_TRUE(QFileInfo::exists(settings));
}

TEST_F(MenuTest, QuitSaysSoWhenTheSettingsCannotBeWritten)
{
    launch();
    LogCapture log;
    {
        FileSizeLimit writesFail(16);
        EXPECT_EQ(delegate()->applicationShouldTerminate(), ZTAppDelegate::TerminateReply::Now);
    }
    EXPECT_TRUE(log.contains(QStringLiteral("could not be saved on quit")));
}

TEST_F(MenuTest, AStoredExternalOutputSurvivesStartUpAndQuit)
{
    // The store checks the stored output while it is made, before the MIDI hub exists.
    const QString settings = environment_->applicationSupportFolder() + QStringLiteral("/settings.plist");
    QDir().mkpath(environment_->applicationSupportFolder());
    ASSERT_TRUE(PropertyList::writeFileAtomically(
        settings, QVariantMap{{QStringLiteral("MIDIOutEndpoint"), kExternalSynthName},
                              {QStringLiteral("autoPlay"), false}}));
    launch();
    EXPECT_EQ(ZTPreferences::sharedPreferences()->MIDIOutEndpoint(), kExternalSynthName);
    EXPECT_FALSE(ZTPreferences::sharedPreferences()->isInternalPlayer());
    quit();
    EXPECT_EQ(PropertyList::readFile(settings)->toMap().value(QStringLiteral("MIDIOutEndpoint")).toString(),
              kExternalSynthName);

    // Leave the shared hub playing through the synthesizer for the tests that follow.
    ZTPreferences::resetSharedForTesting();
    ZTPreferences::sharedPreferences()->setMIDIOutEndpoint(QStringLiteral("Apple DLS SoftSynth"));
    advance(0.6);
}

TEST_F(MenuTest, AStatisticsFileThatCannotBeOpenedIsLoggedAndStartUpGoesOn)
{
    QDir().mkpath(environment_->applicationSupportFolder() + QStringLiteral("/db.sqlite")); // a folder, not a file
    ZTUtils::resetSharedDbForTesting();
    LogCapture log;
    launch();
    EXPECT_TRUE(log.contains(QStringLiteral("Could not open db.")));
    ASSERT_NE(screen()->currentLessonController(), nullptr);
    EXPECT_TRUE(delegate()->window()->isVisible());
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    EXPECT_TRUE(screen()->currentLessonController()->testInProgress());
}

TEST_F(MenuTest, ADamagedStatisticsFileIsKeptAsideAndTheUserIsToldOnce)
{
    const QString folder = environment_->applicationSupportFolder();
    QDir().mkpath(folder);
    QFile damaged(folder + QStringLiteral("/db.sqlite"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray("SQLite format 3").append(QByteArray(4000, '\x7f')));
    damaged.close();

    launch();
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("Your statistics file was damaged"));
    EXPECT_EQ(alerts_[0].buttons, QStringList{QStringLiteral("OK")});
    const QStringList kept = QDir(folder).entryList({QStringLiteral("db-damaged-*.sqlite")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(alerts_[0].informativeText.contains(folder + QLatin1Char('/') + kept[0]));

    // Answers are scored into the new file.
    insertStats(QStringLiteral("Interval recognition"), QStringLiteral("Octave"));
    EXPECT_EQ(rows(QStringLiteral("SELECT itemName FROM stats"), 1), (QList<QStringList>{{"Octave"}}));

    restart();
    EXPECT_EQ(alerts_.size(), 1);
    EXPECT_EQ(rows(QStringLiteral("SELECT itemName FROM stats"), 1), (QList<QStringList>{{"Octave"}}));
}
