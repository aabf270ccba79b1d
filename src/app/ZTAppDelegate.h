#pragma once

#include "NotificationCenter.h"
#include "ZTMainWindow.h"
#include "ZTSyncService.h"

#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class ZTMainViewController;

// The application's delegate: it builds the main menu and the main window, runs start-up
// (statistics database, settings, catalogue, menus from the catalogue, MIDI and instrument,
// then the exercise screen), validates and forwards the menu commands, resets statistics and
// preferences, and writes the settings on quit. Other parts reach the exercise screen through
// shared()->mainViewController().
//
// Main thread only; one per process at a time.
class ZTAppDelegate : public QObject {
    Q_OBJECT
public:
    enum class TerminateReply { Now, Cancel, Later };

    static ZTAppDelegate* shared();

    // The preferences window lives in a part of its own, which installs how to open it (on a
    // tab, or the last one for an empty name). Without it the commands are disabled.
    static void setPreferencesWindowOpener(std::function<void(const QString& tab)> opener);
    // The cloud-sync engine lives in a part of its own, which installs its calls. Without them
    // nothing syncs and quitting never waits for a sync.
    static void setSyncService(ZTSyncService service);
    // The update check lives with the online parts, which install it here. Without it the
    // update commands are disabled and no check runs at start-up.
    static void setUpdateChecker(std::function<void(bool userInitiated, QWidget* window)> checker);
    // The key of the Exercise menu's item at that index; none where no single digit is left.
    static QKeySequence exerciseMenuKey(int index);

    // Builds the menus, the main window and its screen (whose loading runs now).
    ZTAppDelegate();
    // Closes the shared statistics database.
    ~ZTAppDelegate() override;

    // The three start-up steps in order; the window is shown at the end of the first.
    void launch();
    void awakeFromNib();
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    // Shows the main window when it is not visible; always true.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void windowDidResize();
    // Writes the settings and says whether the application may end now. Later: a sheet offers
    // to sync unsynced changes first, and its answer comes through replyToApplicationShouldTerminate.
    TerminateReply applicationShouldTerminate();
    // A quit request (menu, window close): ends the event loop when the answer is Now.
    void terminate();
    // The answer to a quit request that was put off.
    void replyToApplicationShouldTerminate(bool shouldTerminate);
    // A pass ended; after "Sync and Quit" the application ends, unless changes are still not on
    // Dropbox: then the user is told and chooses.
    void dropboxControllerSyncFinished(const Notification& notification);
    // "Sync and Quit" was chosen and its sync has not ended yet.
    bool isQuittingAfterSync() const { return shouldQuitAfterSyncFinished_; }
    // Starts a pass when sync is on; otherwise drops a link that is left.
    void _startDropbox();

    ZTMainViewController* mainViewController() const { return mainViewController_; }
    ZTMainWindow* window() const { return window_; }

    // ---- Menus ----
    QMenuBar* mainMenu() const { return mainMenu_; }
    QMenu* exerciseMenu() const { return exerciseMenu_; }
    QMenu* resetStatMenu() const { return resetStatMenu_; }
    QMenu* levelMenu() const { return levelMenu_; }
    QMenu* instrumentMenu() const { return instrumentMenu_; }
    QMenu* helpMenu() const { return helpMenu_; }
    QAction* melvoraMenuItem() const { return melvoraMenuItem_; }
    QAction* fileMenuItem() const { return fileMenuItem_; }
    QAction* editMenuItem() const { return editMenuItem_; }
    QAction* controlMenuItem() const { return controlMenuItem_; }
    QAction* InstrumentMenuItem() const { return InstrumentMenuItem_; }
    QAction* exerciseMenuItem() const { return exerciseMenuItem_; }
    QAction* levelMenuItem() const { return levelMenuItem_; }
    QAction* windowMenuItem() const { return windowMenuItem_; }
    QAction* helpMenuItem() const { return helpMenuItem_; }
    QAction* viewmenuItem() const { return viewmenuItem_; }
    QAction* useMicrophoneItem() const { return useMicrophoneItem_; }
    QAction* keyboardMenuItem() const { return keyboardMenuItem_; }
    QAction* fretboardMenuItem() const { return fretboardMenuItem_; }
    QAction* testModeMenuItem() const { return testModeMenuItem_; }
    QAction* learnModeMenuItem() const { return learnModeMenuItem_; }
    QAction* ascendingMenuItem() const { return ascendingMenuItem_; }
    QAction* descendingMenuItem() const { return descendingMenuItem_; }
    QAction* randomMenuItem() const { return randomMenuItem_; }
    QAction* repeatMenuItem() const { return repeatMenuItem_; }
    QAction* nextQuestionMenuItem() const { return nextQuestionMenuItem_; }
    QAction* mainWindowItem() const { return mainWindowItem_; }
    // The first menu item, in menu-bar order, whose action has that name ("nextAction", ...).
    QAction* menuItemWithAction(const QString& action) const;

    // ---- Menu actions ----
    void exercisesMenuAction(QAction* sender);
    // Tag: the exercise's index, -1 for all exercises.
    void resetStatsMenuAction(int tag);
    void resetPrefs();
    void showPreferences();
    void showPreferencesTab(const QString& tab);
    void showMainWindow();
    void useMicrophoneAction();
    void restartMIDI();
    void melvoraSupportAction();
    void showAboutBox();
    void playDirectionAction(int tag);
    void practiceModeChanged(int tag);
    void playAction();
    void nextAction();
    // Tag 1 keyboard, 2 fretboard.
    void instrumentSegmentedAction(int tag);
    // The split view's panes: the upper only, the lower only, both.
    void showStuffAction();
    void showStatsAction();
    void showBothAction();
    void print();
    // The check the user asks for; the start-up check is silent unless there is news.
    void checkForUpdates();
    void _checkForUpdates(bool userInitiated);
    // Turns the start-up check on or off; the item's check mark follows.
    void autoCheckForUpdatesAction(QAction* sender);
    void _selectExercise(int index);
    void _localize();

    // Whether the command may run now; sets the check marks that follow the screen.
    bool validateMenuItem(QAction* item);
    // Validates every command of the menu bar (their shortcuts follow the enabled state).
    void validateMenus();
    // The support page's address.
    QString supportPageAddress() const;

private:
    void buildMenus();
    void askToSyncBeforeQuitting();
    void syncAndQuit();
    // Ends the event loop (the settings were written by the quit request).
    void quitNow();
    void addUpdateCheckItems();
    // Once, after start-up: the statistics file was damaged, a new one was started, and where
    // the old one is kept.
    void tellAboutDamagedStatistics();
    QAction* addItem(QMenu* menu, const QString& title, const QString& action, const QKeySequence& key,
                     std::function<void()> handler, bool checkable = false);
    QMenu* addMenu(const QString& title, QAction** menuItem);
    // Runs the handler when the item is chosen and allowed now.
    void connectMenuItem(QAction* item, std::function<void()> handler);
    // Every item under the menu bar, depth first in menu-bar order.
    QList<QAction*> menuBarItems() const;

    inline static const QString kApplicationName = QStringLiteral("Melvora");

    QPointer<ZTMainWindow> window_;
    ZTMainViewController* mainViewController_ = nullptr;
    bool tableReloaded_ = false;
    bool shouldQuitAfterSyncFinished_ = false;
    // The user is being asked whether to quit with changes the sync could not carry.
    bool askingWhetherToQuit_ = false;
    bool launched_ = false;
    std::vector<NotificationObserver> observers_;

    QMenuBar* mainMenu_ = nullptr;
    QMenu* exerciseMenu_ = nullptr;
    QMenu* resetStatMenu_ = nullptr;
    QMenu* levelMenu_ = nullptr;
    QMenu* instrumentMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* melvoraMenuItem_ = nullptr;
    QAction* fileMenuItem_ = nullptr;
    QAction* editMenuItem_ = nullptr;
    QAction* controlMenuItem_ = nullptr;
    QAction* InstrumentMenuItem_ = nullptr;
    QAction* exerciseMenuItem_ = nullptr;
    QAction* levelMenuItem_ = nullptr;
    QAction* windowMenuItem_ = nullptr;
    QAction* helpMenuItem_ = nullptr;
    QAction* viewmenuItem_ = nullptr;
    QAction* useMicrophoneItem_ = nullptr;
    QAction* keyboardMenuItem_ = nullptr;
    QAction* fretboardMenuItem_ = nullptr;
    QAction* testModeMenuItem_ = nullptr;
    QAction* learnModeMenuItem_ = nullptr;
    QAction* ascendingMenuItem_ = nullptr;
    QAction* descendingMenuItem_ = nullptr;
    QAction* randomMenuItem_ = nullptr;
    QAction* repeatMenuItem_ = nullptr;
    QAction* nextQuestionMenuItem_ = nullptr;
    QAction* mainWindowItem_ = nullptr;
};
