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
#include "ZTUtils.h"
#include "ImageButton.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
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

const QString kApplicationName = QStringLiteral("Melvora");
const QString kSupportHost = QStringLiteral("melvora.vantrel.com");

// Menu items do not toggle themselves: the screen decides what is checked.
void connectItem(QAction* item, ZTAppDelegate* delegate, std::function<void()> handler)
{
    QObject::connect(item, &QAction::triggered, delegate, [item, delegate, handler = std::move(handler)](bool checked) {
        if (item->isCheckable())
            item->setChecked(!checked);
        if (delegate->validateMenuItem(item))
            handler();
    });
}

// Every item under the menu bar, depth first in menu-bar order (an item that opens a submenu
// comes before the submenu's items).
QList<QAction*> allMenuItems(const QList<QAction*>& items)
{
    QList<QAction*> all;
    for (QAction* item : items) {
        all << item;
        if (const QMenu* menu = item->menu())
            all << allMenuItems(menu->actions());
    }
    return all;
}

// Invokes an editing command on the widget that has the keyboard focus, if it has one.
void sendToFocus(const char* command)
{
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus->metaObject()->indexOfMethod(QMetaObject::normalizedSignature((QByteArray(command) + "()").constData())) >= 0)
        QMetaObject::invokeMethod(focus, command);
}

} // namespace

ZTAppDelegate* ZTAppDelegate::shared()
{
    return g_shared;
}

void ZTAppDelegate::setPreferencesWindowOpener(std::function<void(const QString& tab)> opener)
{
    preferencesOpener() = std::move(opener);
}

void ZTAppDelegate::setUpdateChecker(std::function<void(bool userInitiated, QWidget* window)> checker)
{
    updateChecker() = std::move(checker);
}

QKeySequence ZTAppDelegate::exerciseMenuKey(int index)
{
    // 1 to 9 and 0 for the first ten; Ctrl with 1 to 9 for the next nine; none beyond, where
    // no single digit is left.
    if (index >= 0 && index <= 8)
        return QKeySequence(QString::number(index + 1));
    if (index == 9)
        return QKeySequence(QStringLiteral("0"));
    if (index >= 10 && index <= 18)
        return QKeySequence(QStringLiteral("Ctrl+%1").arg(index - 9));
    return {};
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
    window_->resize(1280, 800);
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

// ---- Menus ----

QMenu* ZTAppDelegate::addMenu(const QString& title, QAction** menuItem)
{
    QMenu* menu = mainMenu_->addMenu(title);
    if (menuItem)
        *menuItem = menu->menuAction();
    connect(menu, &QMenu::aboutToShow, this, &ZTAppDelegate::validateMenus);
    return menu;
}

QAction* ZTAppDelegate::addItem(QMenu* menu, const QString& title, const QString& action, const QKeySequence& key,
                                std::function<void()> handler, bool checkable)
{
    QAction* item = menu->addAction(title);
    item->setObjectName(action);
    item->setShortcut(key);
    item->setCheckable(checkable);
    connectItem(item, this, std::move(handler));
    return item;
}

void ZTAppDelegate::buildMenus()
{
    mainMenu_ = window_->menuBar();
    // Set on the window, so that every menu in it (the menu bar's and the pop-up buttons' own)
    // wears the same dark look.
    window_->setStyleSheet(QStringLiteral(
        "QMenuBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #30343b, stop:1 #24272c);"
        "  color: #e3e6ea; border-bottom: 1px solid #0b0c0e; }"
        "QMenuBar::item { background: transparent; padding: 4px 10px; }"
        "QMenuBar::item:selected { background: #3b73c4; color: #ffffff; border-radius: 4px; }"
        "QMenu { background: #2b2f35; color: #e3e6ea; border: 1px solid #111316; padding: 4px; }"
        "QMenu::item { padding: 4px 28px 4px 24px; border-radius: 4px; }"
        "QMenu::item:selected { background: #3b73c4; color: #ffffff; }"
        "QMenu::item:disabled { color: #767d87; }"
        "QMenu::separator { height: 1px; background: #40454d; margin: 4px 8px; }"));

    QMenu* app = addMenu(kApplicationName, &melvoraMenuItem_);
    addItem(app, QStringLiteral("About <APPLICATION_NAME>"), QStringLiteral("showAboutBox"), {}, [this] { showAboutBox(); });
    app->addSeparator();
    addItem(app, QStringLiteral("Preferences …"), QStringLiteral("showPreferences"), QKeySequence(QStringLiteral("Ctrl+,")),
            [this] { showPreferences(); });
    app->addSeparator();
    addItem(app, QStringLiteral("Reset Preferences …"), QStringLiteral("resetPrefs"), {}, [this] { resetPrefs(); });
    app->addSeparator();
    addItem(app, QStringLiteral("Quit <APPLICATION_NAME>"), QStringLiteral("terminate"), QKeySequence::Quit,
            [this] { terminate(); });

    QMenu* file = addMenu(QStringLiteral("File"), &fileMenuItem_);
    resetStatMenu_ = file->addMenu(QStringLiteral("Reset Statistics"));
    file->addSeparator();
    addItem(file, QStringLiteral("Print …"), QStringLiteral("print"), QKeySequence::Print, [this] { print(); });

    QMenu* edit = addMenu(QStringLiteral("Edit"), &editMenuItem_);
    addItem(edit, QStringLiteral("Undo"), QStringLiteral("undo"), QKeySequence::Undo, [] { sendToFocus("undo"); });
    addItem(edit, QStringLiteral("Redo"), QStringLiteral("redo"), QKeySequence::Redo, [] { sendToFocus("redo"); });
    edit->addSeparator();
    addItem(edit, QStringLiteral("Cut"), QStringLiteral("cut"), QKeySequence::Cut, [] { sendToFocus("cut"); });
    addItem(edit, QStringLiteral("Copy"), QStringLiteral("copy"), QKeySequence::Copy, [] { sendToFocus("copy"); });
    addItem(edit, QStringLiteral("Paste"), QStringLiteral("paste"), QKeySequence::Paste, [] { sendToFocus("paste"); });
    addItem(edit, QStringLiteral("Select All"), QStringLiteral("selectAll"), QKeySequence::SelectAll,
            [] { sendToFocus("selectAll"); });

    QMenu* view = addMenu(QStringLiteral("View"), &viewmenuItem_);
    keyboardMenuItem_ = addItem(view, QStringLiteral("Keyboard"), QStringLiteral("instrumentSegmentedAction"),
                                QKeySequence(QStringLiteral("Ctrl+K")), [this] { instrumentSegmentedAction(1); }, true);
    keyboardMenuItem_->setData(1);
    fretboardMenuItem_ = addItem(view, QStringLiteral("Fretboard"), QStringLiteral("instrumentSegmentedAction"),
                                 QKeySequence(QStringLiteral("Ctrl+G")), [this] { instrumentSegmentedAction(2); }, true);
    fretboardMenuItem_->setData(2);
    view->addSeparator();
    addItem(view, QStringLiteral("Show Staff Only"), QStringLiteral("showStuffAction"), {}, [this] { showStuffAction(); });
    addItem(view, QStringLiteral("Show Statistics Only"), QStringLiteral("showStatsAction"), {}, [this] { showStatsAction(); });
    addItem(view, QStringLiteral("Show Both"), QStringLiteral("showBothAction"), {}, [this] { showBothAction(); });

    QMenu* control = addMenu(QStringLiteral("Control"), &controlMenuItem_);
    nextQuestionMenuItem_ = addItem(control, QStringLiteral("Next Question"), QStringLiteral("nextAction"),
                                    QKeySequence(QStringLiteral("Ctrl+N")), [this] { nextAction(); });
    repeatMenuItem_ = addItem(control, QStringLiteral("Repeat Question"), QStringLiteral("playAction"),
                              QKeySequence(QStringLiteral("Ctrl+R")), [this] { playAction(); });
    control->addSeparator();
    testModeMenuItem_ = addItem(control, QStringLiteral("Training"), QStringLiteral("practiceModeChanged"),
                                QKeySequence(QStringLiteral("Ctrl+T")), [this] { practiceModeChanged(1); }, true);
    learnModeMenuItem_ = addItem(control, QStringLiteral("Learning"), QStringLiteral("practiceModeChanged"),
                                 QKeySequence(QStringLiteral("Ctrl+L")), [this] { practiceModeChanged(2); }, true);
    control->addSeparator();
    ascendingMenuItem_ = addItem(control, QStringLiteral("Ascending"), QStringLiteral("playDirectionAction"),
                                 QKeySequence(QStringLiteral("Ctrl+Up")), [this] { playDirectionAction(1); }, true);
    descendingMenuItem_ = addItem(control, QStringLiteral("Descending"), QStringLiteral("playDirectionAction"),
                                  QKeySequence(QStringLiteral("Ctrl+Down")), [this] { playDirectionAction(2); }, true);
    randomMenuItem_ = addItem(control, QStringLiteral("Random"), QStringLiteral("playDirectionAction"),
                              QKeySequence(QStringLiteral("Ctrl+Shift+R")), [this] { playDirectionAction(3); }, true);
    control->addSeparator();
    useMicrophoneItem_ = addItem(control, QStringLiteral("Use Microphone"), QStringLiteral("useMicrophoneAction"),
                                 QKeySequence(QStringLiteral("Ctrl+Shift+M")), [this] { useMicrophoneAction(); }, true);
    addItem(control, QStringLiteral("Rescan MIDI System"), QStringLiteral("restartMIDI"), {}, [this] { restartMIDI(); });

    // The sound programs of the current instrument: the instrument panel fills it.
    instrumentMenu_ = addMenu(QStringLiteral("Instrument"), &InstrumentMenuItem_);

    exerciseMenu_ = addMenu(QStringLiteral("Exercise"), &exerciseMenuItem_);
    levelMenu_ = addMenu(QStringLiteral("Level"), &levelMenuItem_);

    QMenu* windowMenu = addMenu(QStringLiteral("Window"), &windowMenuItem_);
    addItem(windowMenu, QStringLiteral("Minimize"), QStringLiteral("performMiniaturize"), QKeySequence(QStringLiteral("Ctrl+M")),
            [this] {
                if (window_)
                    window_->showMinimized();
            });
    addItem(windowMenu, QStringLiteral("Zoom"), QStringLiteral("performZoom"), {}, [this] {
        if (window_)
            window_->isMaximized() ? window_->showNormal() : window_->showMaximized();
    });
    windowMenu->addSeparator();
    mainWindowItem_ = addItem(windowMenu, kApplicationName, QStringLiteral("showMainWindow"), {}, [this] { showMainWindow(); }, true);

    helpMenu_ = addMenu(QStringLiteral("Help"), &helpMenuItem_);
    addItem(helpMenu_, QStringLiteral("<APPLICATION_NAME> Support"), QStringLiteral("melvoraSupportAction"), QKeySequence::HelpContents,
            [this] { melvoraSupportAction(); });
}

QAction* ZTAppDelegate::menuItemWithAction(const QString& action) const
{
    for (QAction* item : allMenuItems(mainMenu_->actions()))
        if (item->objectName() == action)
            return item;
    return nullptr;
}

void ZTAppDelegate::_localize()
{
    for (QAction* top : mainMenu_->actions()) {
        QMenu* menu = top->menu();
        if (!menu)
            continue;
        for (QAction* item : menu->actions()) {
            if (item->isSeparator())
                continue;
            item->setText(localized(item->text()).replace(QStringLiteral("<APPLICATION_NAME>"), kApplicationName));
        }
        menu->setTitle(localized(menu->title()));
    }
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
        connectItem(item, this, [this, item] { exercisesMenuAction(item); });

        QAction* reset = resetStatMenu_->addAction(ZTStringFormat::fill(itemFormat, {name}));
        reset->setObjectName(QStringLiteral("resetStatsMenuAction"));
        reset->setData(i);
        connectItem(reset, this, [this, i] { resetStatsMenuAction(i); });
    }
    resetStatMenu_->addSeparator();
    QAction* resetAll = resetStatMenu_->addAction(
        ZTStringFormat::fill(itemFormat, {localized(QStringLiteral("Reset all exercises"))}));
    resetAll->setObjectName(QStringLiteral("resetStatsMenuAction"));
    resetAll->setData(-1);
    connectItem(resetAll, this, [this] { resetStatsMenuAction(-1); });

    window_->setFocus();
    window_->show();
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
    // The start of Dropbox sync attaches here once the sync engine exists.
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, Qt::black);
    window_->setPalette(palette);
    observers_.push_back(NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZTDropboxControllerSyncFinishedNotification"),
        [this](const Notification&) { dropboxControllerSyncFinished(); }));
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
    request.buttons = {localized(QStringLiteral("Ok"))};
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
    if (!prefs()->synchronize())
        Log::line(QStringLiteral("The settings could not be saved on quit; this run's changes are lost."));
    if (shouldQuitAfterSyncFinished_)
        return TerminateReply::Now;
    if (!prefs()->dropBoxSync())
        return TerminateReply::Now;
    if (!prefs()->statWasChangedDuringLastSync() && !prefs()->levelsWereChangedDuringLastSync()
        && !prefs()->exercisesWereChangedDuringLastSync() && !prefs()->prefsWereChangedDuringLastSync())
        return TerminateReply::Now;
    // The sheet that offers to sync first comes with the sync engine; until then the
    // changes wait for the next run.
    return TerminateReply::Now;
}

void ZTAppDelegate::terminate()
{
    if (applicationShouldTerminate() != TerminateReply::Now)
        return;
    if (window_) {
        window_->setClosingForQuit(true);
        window_->close();
    }
    QCoreApplication::quit();
}

void ZTAppDelegate::dropboxControllerSyncFinished()
{
    if (shouldQuitAfterSyncFinished_)
        terminate();
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
    request.buttons = {localized(QStringLiteral("Ok"))};
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
    QDesktopServices::openUrl(QUrl(supportPageAddress()));
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
    for (QAction* item : allMenuItems(mainMenu_->actions()))
        if (!item->menu() && !item->isSeparator())
            item->setEnabled(validateMenuItem(item));
}
