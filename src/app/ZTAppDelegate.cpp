#include "ZTAppDelegate.h"

#include "Alert.h"
#include "DrovixAboutWindowController.h"
#include "FMDatabase.h"
#include "Localization.h"
#include "Log.h"
#include "ZTAbstractTestController.h"
#include "ZTDataProvider.h"
#include "ZTMIDIController.h"
#include "ZTMainViewController.h"
#include "ZTMainWindow.h"
#include "ZTInstrumentQuestionPlayer.h"
#include "ZTPreferences.h"
#include "ZTSamplePlayer.h"
#include "ZTSidebarTableView.h"
#include "ZTSplitView.h"
#include "ZTStringFormat.h"
#include "ZTToolbarInfoView.h"
#include "ZTUtils.h"
#include "ImageButton.h"
#include "WebBrowser.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QScrollBar>
#include <QUrl>

#include <cmath>

namespace {

ZTAppDelegate* g_shared = nullptr;

std::function<void(const QString&)>& preferencesOpener()
{
    static std::function<void(const QString&)> opener;
    return opener;
}

ZTSyncService& syncService()
{
    static ZTSyncService service;
    return service;
}

std::function<void(bool, QWidget*)>& updateChecker()
{
    static std::function<void(bool, QWidget*)> checker;
    return checker;
}

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

ZTDataProvider* catalogue()
{
    return ZTDataProvider::sharedDataProvider();
}

const QString kSupportHost = QStringLiteral("melvora.vantrel.com");

} // namespace

ZTAppDelegate* ZTAppDelegate::shared()
{
    return g_shared;
}

void ZTAppDelegate::setPreferencesWindowOpener(std::function<void(const QString& tab)> opener)
{
    preferencesOpener() = std::move(opener);
}

void ZTAppDelegate::setSyncService(ZTSyncService service)
{
    syncService() = std::move(service);
}

void ZTAppDelegate::setUpdateChecker(std::function<void(bool userInitiated, QWidget* window)> checker)
{
    updateChecker() = std::move(checker);
}

ZTAppDelegate::ZTAppDelegate()
{
    g_shared = this;
    // The screen reads settings while it is built, so the store may be made right here; the
    // hub it may make on the way must already know the built-in synthesizer.
    ZTSamplePlayer::installAsSampleSynthesizer();
    ZTMIDIController::installSettingsEndpointLookup();
    ZTInstrumentQuestionPlayer::installIfNone();
    window_ = new ZTMainWindow(this);
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
    buildMenus();
    mainViewController_ = new ZTMainViewController(this, window_);
    window_->setCentralWidget(mainViewController_);
    window_->place(ZTWindowFrame::fromVariant(prefs()->mainWindowFrame()));
}

ZTAppDelegate::~ZTAppDelegate()
{
    observers_.clear();
    if (window_) {
        window_->setClosingForQuit(true);
        delete window_.data();
    }
    if (FMDatabase* db = ZTUtils::sharedDb())
        db->close();
    if (g_shared == this)
        g_shared = nullptr;
}

// ---- Start-up ----

void ZTAppDelegate::launch()
{
    awakeFromNib();
    applicationWillFinishLaunching();
    applicationDidFinishLaunching();
}

void ZTAppDelegate::awakeFromNib()
{
    FMDatabase* db = ZTUtils::sharedDb();
    if (!db || !db->open())
        Log::line(QStringLiteral("Could not open db."));
    prefs();
    catalogue()->setup();

    const QVariantList tests = catalogue()->tests();
    const QString itemFormat = localized(QStringLiteral("%@ …"));
    for (int i = 0; i < tests.size(); ++i) {
        const QString name = localized(tests[i].toMap().value(QStringLiteral("name")).toString());
        QAction* item = exerciseMenu_->addAction(name);
        item->setObjectName(QStringLiteral("exercisesMenuAction"));
        item->setData(i);
        item->setCheckable(true);
        item->setShortcut(exerciseMenuKey(i));
        connectMenuItem(item, [this, item] { exercisesMenuAction(item); });

        QAction* reset = resetStatMenu_->addAction(ZTStringFormat::fill(itemFormat, {name}));
        reset->setObjectName(QStringLiteral("resetStatsMenuAction"));
        reset->setData(i);
        connectMenuItem(reset, [this, i] { resetStatsMenuAction(i); });
    }
    resetStatMenu_->addSeparator();
    QAction* resetAll = resetStatMenu_->addAction(
        ZTStringFormat::fill(itemFormat, {localized(QStringLiteral("Reset all exercises"))}));
    resetAll->setObjectName(QStringLiteral("resetStatsMenuAction"));
    resetAll->setData(-1);
    connectMenuItem(resetAll, [this] { resetStatsMenuAction(-1); });

    window_->setFocus();
    window_->showPlaced();
    window_->raise();
    window_->activateWindow();
}

void ZTAppDelegate::applicationWillFinishLaunching()
{
    if (const auto instrument = ZTMIDIController::sharedInstance()->instrument())
        instrument->setVolume(0.7f);
    _localize();
    window_->setWindowTitle(kApplicationName);
}

void ZTAppDelegate::applicationDidFinishLaunching()
{
    addUpdateCheckItems();
    if (prefs()->checkForUpdates())
        _checkForUpdates(false);
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, Qt::black);
    window_->setPalette(palette);
    observers_.push_back(NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZTDropboxControllerSyncFinishedNotification"),
        [this](const Notification& notification) { dropboxControllerSyncFinished(notification); }));
    _startDropbox();
    if (mainViewController_)
        mainViewController_->setup();
    launched_ = true;
    validateMenus();
    tellAboutDamagedStatistics();
}

void ZTAppDelegate::tellAboutDamagedStatistics()
{
    const QString aside = ZTUtils::takeSetAsideDatabasePath();
    if (aside.isNull())
        return;
    Alert::Request request;
    request.message = localized(QStringLiteral("Your statistics file was damaged"));
    request.informativeText = ZTStringFormat::fill(
        localized(QStringLiteral("Melvora could not read it and has started new statistics. The damaged file is kept "
                                 "as:\n%@")),
        {aside});
    request.buttons = {localized(QStringLiteral("OK"))};
    request.cancelButton = 0;
    request.style = Alert::Style::Warning;
    Alert::runModal(request, window_);
}

void ZTAppDelegate::addUpdateCheckItems()
{
    // After the About and Preferences items, in a group of their own. The menu was localised
    // before they came, so they are localised here.
    QMenu* app = melvoraMenuItem_->menu();
    QAction* before = app->actions().value(4);
    auto insertItem = [&](const QString& title, const QString& action, std::function<void()> handler, bool checkable) {
        QAction* item = addItem(app, localized(title), action, {}, std::move(handler), checkable);
        app->removeAction(item);
        app->insertAction(before, item);
        return item;
    };
    insertItem(QStringLiteral("Check for updates …"), QStringLiteral("checkForUpdates"), [this] { checkForUpdates(); }, false);
    const QString automaticAction = QStringLiteral("autoCheckForUpdatesAction");
    QAction* automatic = insertItem(QStringLiteral("Check for updates on startup?"), automaticAction,
                                    [this, automaticAction] { autoCheckForUpdatesAction(menuItemWithAction(automaticAction)); }, true);
    automatic->setChecked(prefs()->checkForUpdates());
    app->insertSeparator(before);
}

bool ZTAppDelegate::applicationShouldHandleReopen(bool)
{
    if (window_ && !window_->isVisible())
        window_->show();
    return true;
}

void ZTAppDelegate::windowDidResize()
{
    if (!mainViewController_)
        return;
    mainViewController_->sizeInstrumentView();
    mainViewController_->sizeGraphView();
    ZTSidebarTableView* table = mainViewController_->tableView();
    const int contentHeight = table->viewport()->height();
    if (contentHeight == table->contentWidget()->height() && !tableReloaded_) {
        table->reloadData();
        tableReloaded_ = true;
    } else if (table->viewport()->height() != table->contentWidget()->height()) {
        tableReloaded_ = false;
    }
}

// ---- Quit ----

ZTAppDelegate::TerminateReply ZTAppDelegate::applicationShouldTerminate()
{
    if (window_ && launched_)
        prefs()->setMainWindowFrame(window_->frameToRemember().toVariantMap());
    if (!prefs()->synchronize())
        Log::line(QStringLiteral("The settings could not be saved on quit; this run's changes are lost."));
    if (shouldQuitAfterSyncFinished_)
        return TerminateReply::Now;
    if (!prefs()->dropBoxSync())
        return TerminateReply::Now;
    // Only the parts that sync count: a change of a part that is switched off never waits.
    if (!syncService().isInstalled() || !syncService().hasUnsyncedChanges())
        return TerminateReply::Now;
    askToSyncBeforeQuitting();
    return TerminateReply::Later;
}

void ZTAppDelegate::askToSyncBeforeQuitting()
{
    Alert::Request request;
    request.style = Alert::Style::Warning;
    request.message = localized(QStringLiteral("Your recent changes have not been synced to Dropbox yet!"));
    request.informativeText = localized(QStringLiteral("Do you want to sync with Dropbox now?"));
    request.buttons = {localized(QStringLiteral("Sync and Quit")), localized(QStringLiteral("Cancel")),
                       localized(QStringLiteral("Quit"))};
    request.cancelButton = 1;
    Alert::beginSheet(request, window_, [this](int answer) {
        if (answer == 0)
            syncAndQuit();
        else
            replyToApplicationShouldTerminate(answer == 2);
    });
}

void ZTAppDelegate::syncAndQuit()
{
    replyToApplicationShouldTerminate(false);
    if (!prefs()->dropBoxSync())
        return;
    // Signed out meanwhile: the pass asks the user to sign in, and the quit stays cancelled
    // rather than waiting on a sync that may never come.
    if (!syncService().isLinked()) {
        syncService().startSync(mainViewController_);
        return;
    }
    if (const auto instrument = ZTMIDIController::sharedInstance()->instrument())
        instrument->stop();
    shouldQuitAfterSyncFinished_ = true;
    syncService().startSync(mainViewController_);
    if (mainViewController_) {
        mainViewController_->toolbarInfoView()->setTitle(localized(QStringLiteral("Syncing...")));
        mainViewController_->toolbarInfoView()->setSubTitle(QString());
    }
}

void ZTAppDelegate::terminate()
{
    if (applicationShouldTerminate() == TerminateReply::Now)
        quitNow();
}

void ZTAppDelegate::replyToApplicationShouldTerminate(bool shouldTerminate)
{
    if (shouldTerminate)
        quitNow();
}

void ZTAppDelegate::quitNow()
{
    if (window_) {
        window_->setClosingForQuit(true);
        window_->close();
    }
    QCoreApplication::quit();
}

void ZTAppDelegate::dropboxControllerSyncFinished(const Notification& notification)
{
    if (!shouldQuitAfterSyncFinished_ || askingWhetherToQuit_)
        return;
    if (!syncService().isInstalled() || !syncService().hasUnsyncedChanges()) {
        terminate();
        return;
    }
    // The sync did not get everything to Dropbox (a failure, or a conflict left open): quitting
    // now must be the user's choice.
    askingWhetherToQuit_ = true;
    Alert::Request request;
    request.style = Alert::Style::Warning;
    request.message = localized(QStringLiteral("Your recent changes could not be synced to Dropbox."));
    const QStringList failures = notification.userInfo.value(QStringLiteral("failures")).toStringList();
    request.informativeText = failures.isEmpty()
        ? localized(QStringLiteral("A sync conflict was left open. If you quit now, the changes wait for the next sync."))
        : failures.join(QLatin1Char('\n'));
    request.buttons = {localized(QStringLiteral("Cancel")), localized(QStringLiteral("Quit"))};
    request.cancelButton = 0;
    Alert::beginSheet(request, window_, [this](int answer) {
        askingWhetherToQuit_ = false;
        shouldQuitAfterSyncFinished_ = false;
        if (mainViewController_)
            mainViewController_->toolbarInfoView()->setTitle(QString());
        replyToApplicationShouldTerminate(answer == 1);
    });
}

void ZTAppDelegate::_startDropbox()
{
    if (!syncService().isInstalled())
        return;
    if (prefs()->dropBoxSync())
        syncService().startSync(mainViewController_);
    else if (syncService().isLinked())
        syncService().unlink();
}

// ---- Menu actions ----

void ZTAppDelegate::exercisesMenuAction(QAction* sender)
{
    if (sender)
        _selectExercise(sender->data().toInt());
}

void ZTAppDelegate::_selectExercise(int index)
{
    const QString name = catalogue()->nameForTestWithIndex(index);
    if (!name.isEmpty())
        prefs()->setCurrentExercise(name);
}

void ZTAppDelegate::resetStatsMenuAction(int tag)
{
    FMDatabase* db = ZTUtils::sharedDb();
    Alert::Request request;
    request.buttons = {localized(QStringLiteral("Cancel")), localized(QStringLiteral("Reset"))};
    request.cancelButton = 0;
    request.style = Alert::Style::Warning;
    if (tag == -1) {
        request.message = localized(QStringLiteral("Reset statistics for all exercises?"));
        request.informativeText = localized(QStringLiteral("This will delete statistic data for all exercises!"));
        if (Alert::runModal(request, window_) == 1 && db) {
            db->executeUpdate(QStringLiteral("DELETE FROM stats"));
            db->executeUpdate(QStringLiteral("DELETE FROM results"));
        }
    } else {
        const QVariantList tests = catalogue()->tests();
        if (tag < 0 || tag >= tests.size())
            return;
        const QString name = tests[tag].toMap().value(QStringLiteral("name")).toString();
        const QString shown = localized(name);
        request.message = ZTStringFormat::fill(localized(QStringLiteral("Reset statistics for '%@'?")), {shown});
        request.informativeText =
            ZTStringFormat::fill(localized(QStringLiteral("This will delete all statistics data for '%@'!")), {shown});
        if (Alert::runModal(request, window_) == 1 && db) {
            db->executeUpdate(QStringLiteral("DELETE FROM stats WHERE testName=?"), {name});
            db->executeUpdate(QStringLiteral("DELETE FROM results WHERE testName=?"), {name});
        }
    }
    prefs()->setStatWasChangedDuringLastSync(true);
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTStatDBChangedNotification"), this);
}

void ZTAppDelegate::resetPrefs()
{
    Alert::Request request;
    request.message = localized(QStringLiteral("Reset Preferences?"));
    request.informativeText = localized(QStringLiteral("This will reset all preferences to initial state!"));
    request.buttons = {localized(QStringLiteral("Cancel")), localized(QStringLiteral("Reset"))};
    request.cancelButton = 0;
    request.style = Alert::Style::Warning;
    if (Alert::runModal(request, window_) == 1)
        prefs()->reset();
}

void ZTAppDelegate::showPreferences()
{
    showPreferencesTab(QString());
}

void ZTAppDelegate::showPreferencesTab(const QString& tab)
{
    if (preferencesOpener())
        preferencesOpener()(tab);
}

void ZTAppDelegate::showMainWindow()
{
    if (!window_)
        return;
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void ZTAppDelegate::useMicrophoneAction()
{
    prefs()->setUseMicrophone(!prefs()->useMicrophone());
}

void ZTAppDelegate::restartMIDI()
{
    ZTMIDIController* midi = ZTMIDIController::sharedInstance();
    if (midi->isMIDIAvailable()) {
        midi->MIDIObjectListChangedNotification();
        midi->_sourceListDidChange();
        return;
    }
    // Without a MIDI system there is nothing to rescan.
    const int status = -1;
    Alert::Request request;
    request.message = localized(QStringLiteral("MIDI Error"));
    request.informativeText = localized(QStringLiteral("Rescanning the MIDI system resulted in an unexpected error (%d)."))
                                  .replace(QStringLiteral("%d"), QString::number(status));
    request.buttons = {localized(QStringLiteral("OK"))};
    request.cancelButton = 0;
    Alert::runModal(request, window_);
}

QString ZTAppDelegate::supportPageAddress() const
{
    // A string table without the entry falls back to the language in use.
    QString language = localized(QStringLiteral("languageCode"));
    if (language == QLatin1String("languageCode"))
        language = Localization::languageCode();
    return QStringLiteral("http://%1/%2/support").arg(kSupportHost, language);
}

void ZTAppDelegate::melvoraSupportAction()
{
    WebBrowser::open(QUrl(supportPageAddress()), window_);
}

void ZTAppDelegate::showAboutBox()
{
    DrovixAboutWindowController about;
    about.runModal();
}

void ZTAppDelegate::playDirectionAction(int tag)
{
    if (mainViewController_)
        mainViewController_->playDirectionAction(tag);
}

void ZTAppDelegate::practiceModeChanged(int tag)
{
    if (mainViewController_)
        mainViewController_->practiceModeChanged(tag);
}

void ZTAppDelegate::playAction()
{
    if (mainViewController_)
        mainViewController_->playAction();
}

void ZTAppDelegate::print()
{
    if (mainViewController_)
        mainViewController_->print();
}

void ZTAppDelegate::checkForUpdates()
{
    _checkForUpdates(true);
}

void ZTAppDelegate::_checkForUpdates(bool userInitiated)
{
    if (updateChecker())
        updateChecker()(userInitiated, window_);
}

void ZTAppDelegate::autoCheckForUpdatesAction(QAction* sender)
{
    const bool on = !prefs()->checkForUpdates();
    prefs()->setCheckForUpdates(on);
    if (sender)
        sender->setChecked(on);
}

void ZTAppDelegate::nextAction()
{
    if (mainViewController_)
        mainViewController_->nextAction(ZTMainViewController::Sender::MenuItem);
}

void ZTAppDelegate::instrumentSegmentedAction(int tag)
{
    if (mainViewController_)
        mainViewController_->instrumentSegmentedAction(tag);
}

void ZTAppDelegate::showStuffAction()
{
    if (mainViewController_)
        mainViewController_->showStuffAction();
}

void ZTAppDelegate::showStatsAction()
{
    if (mainViewController_)
        mainViewController_->showStatsAction();
}

void ZTAppDelegate::showBothAction()
{
    if (mainViewController_)
        mainViewController_->showBothAction();
}

// ---- Validation ----

bool ZTAppDelegate::validateMenuItem(QAction* item)
{
    if (!item)
        return false;
    const QString action = item->objectName();
    ZTMainViewController* screen = mainViewController_;
    ZTAbstractTestController* controller = screen ? screen->currentLessonController() : nullptr;
    if (action == QLatin1String("playDirectionAction"))
        return controller && controller->canDescending();
    if (action == QLatin1String("nextAction"))
        return screen && screen->nextButtonView()->isEnabled();
    if (action == QLatin1String("playAction"))
        return screen && screen->playButton()->isEnabled();
    // The pane commands are on while they would change something.
    const ZTSplitView* split = screen ? screen->splitView() : nullptr;
    if (action == QLatin1String("showStuffAction"))
        return split && split->paneHeight(1) != 0;
    if (action == QLatin1String("showStatsAction"))
        return split && split->paneHeight(0) != 0;
    if (action == QLatin1String("showBothAction"))
        return split && std::abs(split->paneHeight(0) - split->paneHeight(1)) > 10;
    bool enabled = true;
    if (action == QLatin1String("useMicrophoneAction"))
        item->setChecked(prefs()->useMicrophone());
    else if (action == QLatin1String("showPreferences") || action == QLatin1String("newLevelAction"))
        enabled = bool(preferencesOpener());
    else if (action == QLatin1String("checkForUpdates") || action == QLatin1String("autoCheckForUpdatesAction"))
        enabled = bool(updateChecker());
    else if (action == QLatin1String("exercisesMenuAction") || action == QLatin1String("practiceModeChanged"))
        enabled = launched_;
    if (mainWindowItem_)
        mainWindowItem_->setChecked(window_ && window_->isActiveWindow());
    return enabled;
}

void ZTAppDelegate::validateMenus()
{
    for (QAction* item : menuBarItems())
        if (!item->menu() && !item->isSeparator())
            item->setEnabled(validateMenuItem(item));
}
