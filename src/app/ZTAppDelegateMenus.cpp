// The menu bar: building it, finding and localising its items.
#include "ZTAppDelegate.h"

#include "Localization.h"
#include "ZTMainWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

namespace {

// The items and, depth first, their submenus' items (an item that opens a submenu comes
// before the submenu's items).
QList<QAction*> itemsBelow(const QList<QAction*>& items)
{
    QList<QAction*> all;
    for (QAction* item : items) {
        all << item;
        if (const QMenu* menu = item->menu())
            all << itemsBelow(menu->actions());
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

void ZTAppDelegate::connectMenuItem(QAction* item, std::function<void()> handler)
{
    // Menu items do not toggle themselves: the screen decides what is checked.
    connect(item, &QAction::triggered, this, [this, item, handler = std::move(handler)](bool checked) {
        if (item->isCheckable())
            item->setChecked(!checked);
        if (validateMenuItem(item))
            handler();
    });
}

QList<QAction*> ZTAppDelegate::menuBarItems() const
{
    return itemsBelow(mainMenu_->actions());
}

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
    connectMenuItem(item, std::move(handler));
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
    for (QAction* item : menuBarItems())
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
