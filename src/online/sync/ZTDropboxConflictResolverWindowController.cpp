#include "ZTDropboxConflictResolverWindowController.h"

#include "Localization.h"
#include "Log.h"
#include "ZTAppDelegate.h"
#include "ZTDropboxController.h"
#include "ZTPreferences.h"
#include "ZTSyncConflictButton.h"
#include "ZTUtils.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

enum Area { Statistics = 1, LevelsAndExercises = 2, Preferences = 3 };

// The items an area covers, in the order their transfers start.
QList<DropboxSyncItem> itemsOf(int area)
{
    switch (area) {
    case Statistics: return {DropboxSyncItem::Stat};
    case LevelsAndExercises: return {DropboxSyncItem::Levels, DropboxSyncItem::Exercises};
    case Preferences: return {DropboxSyncItem::Prefs};
    default: return {};
    }
}

QString areaName(int area)
{
    switch (area) {
    case Statistics: return localized(QStringLiteral("Statistics"));
    case LevelsAndExercises: return localized(QStringLiteral("Custom Levels/Exercises"));
    case Preferences: return localized(QStringLiteral("Preferences"));
    default: return QString();
    }
}

QDateTime later(const QDateTime& a, const QDateTime& b)
{
    if (!a.isValid())
        return b;
    return b.isValid() && b > a ? b : a;
}

// When this computer's copy of the area last changed.
QDateTime deviceDate(int area)
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    switch (area) {
    case Statistics: return ZTUtils::databaseModDate();
    case LevelsAndExercises: return later(prefs->levelsModificationDate(), prefs->exercisesModificationDate());
    case Preferences: return prefs->prefsModificationDate();
    default: return {};
    }
}

// When the Dropbox copy last changed, as far as this process has seen it.
QDateTime dropboxDate(int area)
{
    QDateTime date;
    for (DropboxSyncItem item : itemsOf(area))
        if (const auto& metadata = ZTDropboxController::sharedInstance()->metadata(item))
            date = later(date, metadata->serverModified);
    return date;
}

void logUnknownArea()
{
    Log::line(QStringLiteral("ERROR: This should never been called"));
}

} // namespace

std::unique_ptr<ZTConflictResolver> ZTDropboxConflictResolverWindowController::make()
{
    return std::make_unique<ZTDropboxConflictResolverWindowController>();
}

ZTDropboxConflictResolverWindowController::ZTDropboxConflictResolverWindowController()
{
    QWidget* parent = ZTAppDelegate::shared() ? ZTAppDelegate::shared()->window() : nullptr;
    window_ = new QDialog(parent);
    window_->setObjectName(QStringLiteral("ZTDropboxConflictResolverWindowController"));
    window_->setWindowModality(Qt::ApplicationModal);

    auto* column = new QVBoxLayout(window_);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    headLabel_ = new QLabel(window_);
    headLabel_->setWordWrap(true);
    column->addWidget(headLabel_);
    tableView_ = new QListWidget(window_);
    tableView_->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView_->setFixedHeight(90);
    column->addWidget(tableView_);
    selectionLabel_ = new QLabel(window_);
    column->addWidget(selectionLabel_);
    auto* choices = new QHBoxLayout;
    choices->setSpacing(12);
    deviceButton_ = new ZTSyncConflictButton(window_);
    dropBoxButton_ = new ZTSyncConflictButton(window_);
    for (ZTSyncConflictButton* button : {deviceButton_, dropBoxButton_}) {
        button->setMinimumSize(button->sizeHint());
        choices->addWidget(button);
    }
    column->addLayout(choices);

    connect(tableView_, &QListWidget::currentRowChanged, this, [this] { tableViewSelected(); });
    connect(deviceButton_, &QAbstractButton::clicked, this, [this] { deviceAction(); });
    connect(dropBoxButton_, &QAbstractButton::clicked, this, [this] { dropboxAction(); });
    windowDidLoad();
}

ZTDropboxConflictResolverWindowController::~ZTDropboxConflictResolverWindowController()
{
    delete window_.data();
}

void ZTDropboxConflictResolverWindowController::windowDidLoad()
{
    headLabel_->setText(localized(QStringLiteral("In the following areas a conflict occurred during the last synchronization:")));
    selectionLabel_->setText(localized(QStringLiteral("Which data do you want to use?")));
    _updateButtons();
    window_->setWindowTitle(localized(QStringLiteral("Sync Conflict Resolver")));
}

void ZTDropboxConflictResolverWindowController::addConflict(int area)
{
    if (area != 0 && !conflicts_.contains(area)) {
        conflicts_.append(area);
        const int selected = tableView_->currentRow();
        reloadTable();
        tableView_->setCurrentRow(selected >= 0 ? selected : 0);
    }
    _updateButtons();
}

void ZTDropboxConflictResolverWindowController::runModalSession()
{
    window_->exec();
}

void ZTDropboxConflictResolverWindowController::deviceAction()
{
    _resolve(Device);
}

void ZTDropboxConflictResolverWindowController::dropboxAction()
{
    _resolve(Dropbox);
}

void ZTDropboxConflictResolverWindowController::tableViewSelected()
{
    _updateButtons();
}

QString ZTDropboxConflictResolverWindowController::tableViewObjectValue(int row) const
{
    const QString name = areaName(conflicts_.value(row));
    if (name.isEmpty()) {
        logUnknownArea();
        return QStringLiteral("????");
    }
    return name;
}

void ZTDropboxConflictResolverWindowController::reloadTable()
{
    const QSignalBlocker quiet(tableView_);
    tableView_->clear();
    for (int row = 0; row < numberOfRowsInTableView(); ++row)
        tableView_->addItem(tableViewObjectValue(row));
}

void ZTDropboxConflictResolverWindowController::_updateButtons()
{
    deviceButton_->setButtonTitle(localized(QStringLiteral("Mac")));
    dropBoxButton_->setButtonTitle(localized(QStringLiteral("Dropbox")));
    deviceButton_->setIcon(QStringLiteral("syncMacIcon"));
    dropBoxButton_->setIcon(QStringLiteral("syncDropboxIcon"));

    const int row = tableView_->currentRow();
    if (row < 0 || row >= conflicts_.size()) {
        for (ZTSyncConflictButton* button : {deviceButton_, dropBoxButton_}) {
            button->setDate(QString());
            button->setFilename(QString());
            button->setEnabled(false);
        }
        return;
    }
    const int area = conflicts_.at(row);
    if (itemsOf(area).isEmpty()) {
        logUnknownArea();
    } else {
        deviceButton_->setDate(ZTUtils::toDateTimeString(deviceDate(area)));
        dropBoxButton_->setDate(ZTUtils::toDateTimeString(dropboxDate(area)));
        deviceButton_->setFilename(areaName(area));
        dropBoxButton_->setFilename(areaName(area));
    }
    deviceButton_->setEnabled(true);
    dropBoxButton_->setEnabled(true);
}

void ZTDropboxConflictResolverWindowController::_resolve(Solution solution)
{
    const int row = tableView_->currentRow();
    if (row < 0 || row >= conflicts_.size())
        return;
    _resolveConflict(conflicts_.at(row), solution);
    if (conflicts_.isEmpty()) {
        window_->accept();
        return;
    }
    reloadTable();
    tableView_->setCurrentRow(0);
    _updateButtons();
}

void ZTDropboxConflictResolverWindowController::_resolveConflict(int area, Solution solution)
{
    conflicts_.removeAll(area);
    ZTDropboxController* engine = ZTDropboxController::sharedInstance();
    for (DropboxSyncItem item : itemsOf(area)) {
        if (solution == Device)
            engine->uploadIfNeeded(item);
        else
            engine->downloadFromDropbox(item);
    }
}
