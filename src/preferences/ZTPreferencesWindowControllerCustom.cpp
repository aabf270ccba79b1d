// The Custom Levels and Custom Exercises tabs: the user's levels with the items (or, for the
// melody exercises, the scales, tones and octaves) they ask, and the user's chords, scales
// and chord progressions with their editors. Every change goes straight to the settings
// store's custom lists; the tables are rebuilt from the store.
#include "ZTPreferencesWindowController.h"

#include "Alert.h"
#include "Localization.h"
#include "PlistValues.h"
#include "ZTChordUsage.h"
#include "ZTCustomChordProgressionsWindowController.h"
#include "ZTCustomExercisesWindowController.h"
#include "ZTCustomListRows.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTPreferencesControls.h"
#include "ZTStringFormat.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <algorithm>
#include <climits>

namespace {

constexpr int kFewestTones = 3;
constexpr int kMostTones = 12;
constexpr int kFewestOctaves = 1;
constexpr int kMostOctaves = 3;

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

ZTDataProvider* catalogue()
{
    return ZTDataProvider::sharedDataProvider();
}

QVariantMap rowAt(const QVariantList& rows, int row)
{
    return row >= 0 && row < rows.size() ? rows.at(row).toMap() : QVariantMap();
}

QString textOf(const QVariant& value)
{
    return PlistValues::toStringOrNull(value);
}

QStringList numberTitles(int from, int to)
{
    QStringList titles;
    for (int n = from; n <= to; ++n)
        titles << QString::number(n);
    return titles;
}

// The entry of a count pop-up whose first entry is `least`; smaller counts show as `least`.
int entryFor(const QVariant& count, int least)
{
    return int(std::min<qlonglong>(std::max<qlonglong>(count.toLongLong(), least) - least, INT_MAX));
}

// A pull-down's menu: one entry per exercise, titled in the user's language.
void fillPullDown(QPushButton* button, const QStringList& tests, const std::function<void(const QString&)>& chosen)
{
    QMenu* menu = button->menu();
    menu->clear();
    for (const QString& test : tests)
        QObject::connect(menu->addAction(localized(test)), &QAction::triggered, button, [chosen, test] { chosen(test); });
}

} // namespace

void ZTPreferencesWindowController::_setupCustomTabs()
{
    const ZTPreferencesOutlets& o = outlets_;
    fillPullDown(o.levelPlusPopupButton, catalogue()->testNames(),
                 [this](const QString& test) { levelPlusAction(catalogue()->indexForTestWithName(test)); });
    QStringList editable;
    for (const QString& test : catalogue()->testNames())
        if (catalogue()->testNamesForCustomExercises().contains(test))
            editable << test;
    fillPullDown(o.customExercisePlusButton, editable, [this](const QString& test) { customExercisePlusAction(test); });
    ZTPopups::fill(o.numNotesPopupButton, numberTitles(kFewestTones, kMostTones));
    ZTPopups::fill(o.numNotesOctacesButton, numberTitles(kFewestOctaves, kMostOctaves));
    o.customExercisesTableView->setDoubleAction([this](int row) { exerciseTableDoubleAction(row); });
}

void ZTPreferencesWindowController::connectCustomTabActions()
{
    const ZTPreferencesOutlets& o = outlets_;
    connect(o.levelMinusButton, &QPushButton::clicked, this, [this] { levelMinusAction(); });
    connect(o.numNotesPopupButton, &QComboBox::activated, this, [this] { numNotesAction(); });
    connect(o.numNotesOctacesButton, &QComboBox::activated, this, [this] { numOctavesAction(); });
    connect(o.customExerciseMinusButton, &QPushButton::clicked, this, [this] { customExercisesMinusAction(); });
}

// ---- Rebuilding the tables ----

void ZTPreferencesWindowController::updateRows(QVariantList& rows, const std::function<QVariantList()>& freshRows,
                                               ZTRowTableView* table)
{
    // Unchanged rows are only redrawn (ticks may differ): a reload would end a name being
    // typed when the store announces the change it made.
    QVariantList fresh = freshRows();
    // A name being typed is stored while the rows are still those it was typed in; storing it
    // may change the rows again.
    if (fresh != rows && table->commitEditing())
        fresh = freshRows();
    if (fresh == rows) {
        table->viewport()->update();
        return;
    }
    rows = fresh;
    table->reloadData();
}

void ZTPreferencesWindowController::_updateLevelsTable()
{
    updateRows(levelsArray_, &ZTCustomListRows::levelRows, outlets_.levelsTableView);
}

void ZTPreferencesWindowController::_updateCustomExercisesTable()
{
    updateRows(exercisesArray_, &ZTCustomListRows::exerciseRows, outlets_.customExercisesTableView);
}

void ZTPreferencesWindowController::_updateLevelItemsTable()
{
    const ZTPreferencesOutlets& o = outlets_;
    const QVariantMap levelRow = rowAt(levelsArray_, o.levelsTableView->selectedRow());
    const bool selected = !levelRow.isEmpty() && !levelRow.value(QStringLiteral("isGroup")).toBool();
    o.levelMinusButton->setEnabled(selected);

    const bool melody = selected && ZTCustomListRows::isMelodyExercise(textOf(levelRow.value(QStringLiteral("testName"))));
    o.melodyLevelView->setVisible(melody);
    if (melody) {
        const QVariantMap data = levelRow.value(QStringLiteral("additionalData")).toMap();
        ZTPopups::select(o.numNotesPopupButton, entryFor(data.value(QStringLiteral("numTones")), kFewestTones));
        ZTPopups::select(o.numNotesOctacesButton, entryFor(data.value(QStringLiteral("octaves")), kFewestOctaves));
        o.numNotesLabel->setText(QStringLiteral("%1:").arg(localized(QStringLiteral("Number of notes"))));
        o.numOctavesLabel->setText(QStringLiteral("%1:").arg(localized(QStringLiteral("octaves"))));
        o.scalesLabel->setText(QStringLiteral("%1:").arg(localized(QStringLiteral("Scales"))));
    }
    updateRows(levelItemsArray_,
               [&] { return selected ? ZTCustomListRows::levelItemRows(levelRow) : QVariantList(); },
               o.levelTestsTableView);
}

// ---- Custom Levels ----

ZTPreferencesWindowController::SelectedLevel ZTPreferencesWindowController::selectedLevel() const
{
    const int row = outlets_.levelsTableView->selectedRow();
    const int index = ZTCustomListRows::indexForRow(row, levelsArray_);
    if (index < 0)
        return {};
    const QString test = ZTCustomListRows::testNameForRow(row, levelsArray_);
    return {test, index, prefs()->customLevelWithIndex(index, test)};
}

void ZTPreferencesWindowController::levelPlusAction(int testIndex)
{
    const QString test = catalogue()->nameForTestWithIndex(testIndex);
    if (test.isNull())
        return;
    // The name is checked against the stored levels too, so a second click before the
    // catalogue has caught up still gets a free name.
    prefs()->addCustomLevel(ZTCustomListRows::newLevelForTest(test), test);
    _updateLevelsTable();
    const int row = ZTCustomListRows::tableIndexForTestGroup(test, levelsArray_)
        + int(prefs()->customLevelsForTestWithName(test).size());
    outlets_.levelsTableView->selectRow(row);
    outlets_.levelsTableView->editColumn(QStringLiteral("name"), row);
    _updateLevelItemsTable();
}

void ZTPreferencesWindowController::levelMinusAction()
{
    ZTRowTableView* table = outlets_.levelsTableView;
    table->setFocus(); // ends a name being typed
    const SelectedLevel selected = selectedLevel();
    if (selected.index >= 0) {
        table->clearSelection();
        prefs()->deleteLevelWithIndex(selected.index, selected.test);
    }
    _updateLevelsTable();
    _updateLevelItemsTable();
}

void ZTPreferencesWindowController::renameLevel(int row, const QString& name)
{
    const int index = ZTCustomListRows::indexForRow(row, levelsArray_);
    const QString test = ZTCustomListRows::testNameForRow(row, levelsArray_);
    const QString current = textOf(rowAt(levelsArray_, row).value(QStringLiteral("name")));
    // An empty name, or the name it has, changes nothing.
    if (index < 0 || name.trimmed().isEmpty() || name == current) {
        _updateLevelsTable();
        return;
    }
    if (ZTCustomListRows::isLevelNameTaken(name, test))
        Alert::runModal({localized(QStringLiteral("Level name already exists!")), QString(),
                         {localized(QStringLiteral("OK"))}, Alert::Style::Warning},
                        window());
    else
        prefs()->replaceLevelName(name, index, test);
    _updateLevelsTable();
}

void ZTPreferencesWindowController::toggleLevelItem(int row)
{
    const SelectedLevel selected = selectedLevel();
    const QVariantMap itemRow = rowAt(levelItemsArray_, row);
    if (selected.index < 0 || itemRow.isEmpty())
        return;
    QVariantMap level = selected.level;
    level.insert(QStringLiteral("items"), ZTCustomListRows::itemsAfterToggling(itemRow, selected.level));
    prefs()->replaceCustomLevel(level, selected.index, selected.test);
    _updateLevelItemsTable();
}

void ZTPreferencesWindowController::numNotesAction()
{
    const int index = outlets_.numNotesPopupButton->currentIndex();
    if (index >= 0)
        storeMelodyLevelData(QStringLiteral("numTones"), index + kFewestTones);
}

void ZTPreferencesWindowController::numOctavesAction()
{
    const int index = outlets_.numNotesOctacesButton->currentIndex();
    if (index >= 0)
        storeMelodyLevelData(QStringLiteral("octaves"), index + kFewestOctaves);
}

void ZTPreferencesWindowController::storeMelodyLevelData(const QString& key, int value)
{
    const SelectedLevel selected = selectedLevel();
    if (selected.index < 0)
        return;
    // A level stored without data starts from what the tab shows for it: 3 tones, 1 octave.
    QVariantMap level = selected.level;
    QVariantMap data = rowAt(levelsArray_, outlets_.levelsTableView->selectedRow())
                           .value(QStringLiteral("additionalData")).toMap();
    data.insert(key, value);
    level.insert(QStringLiteral("additionalData"), data);
    prefs()->replaceCustomLevel(level, selected.index, selected.test);
    _updateLevelsTable();
    _updateLevelItemsTable();
}

// ---- Custom Exercises ----

void ZTPreferencesWindowController::customExercisePlusAction(const QString& test)
{
    runEditor(test);
}

void ZTPreferencesWindowController::exerciseTableDoubleAction(int row)
{
    const QVariantMap itemRow = rowAt(exercisesArray_, row);
    if (itemRow.isEmpty() || itemRow.value(QStringLiteral("isGroup")).toBool())
        return;
    runEditor(textOf(itemRow.value(QStringLiteral("testName"))), itemRow.value(QStringLiteral("item")).toMap(),
              itemRow.value(QStringLiteral("index")).toInt());
}

void ZTPreferencesWindowController::runEditor(const QString& test, const QVariantMap& item, int index)
{
    const auto edit = [&](auto editor) {
        if (!item.isEmpty()) {
            editor->setItem(item);
            editor->setItemIndex(index);
        }
        editor->runModal();
    };
    if (test == QLatin1String("Chord progressions")) {
        edit(std::make_unique<ZTCustomChordProgressionsWindowController>());
    } else {
        auto chordsAndScales = std::make_unique<ZTCustomExercisesWindowController>();
        chordsAndScales->setExerciseName(test);
        edit(std::move(chordsAndScales));
    }
}

void ZTPreferencesWindowController::customExercisesMinusAction()
{
    ZTRowTableView* table = outlets_.customExercisesTableView;
    table->setFocus();
    const int row = table->selectedRow();
    const int index = ZTCustomListRows::indexForRow(row, exercisesArray_);
    const QString test = ZTCustomListRows::testNameForRow(row, exercisesArray_);
    if (test == QLatin1String("Chord recognition")
        && refuseDeletingChordInUse(rowAt(exercisesArray_, row).value(QStringLiteral("item")).toMap()))
        return;
    if (index >= 0) {
        table->clearSelection();
        prefs()->deleteExerciseWithIndex(index, test);
    }
    _updateCustomExercisesTable();
}

bool ZTPreferencesWindowController::refuseDeletingChordInUse(const QVariantMap& chord)
{
    const QStringList users = ZTChordUsage::progressionsUsingChord(textOf(chord.value(QStringLiteral("chordId"))));
    if (users.isEmpty())
        return false;
    // The progressions would lose a step without a word: the user changes or deletes them first.
    Alert::Request request;
    request.style = Alert::Style::Warning;
    request.message = ZTStringFormat::fill(localized(QStringLiteral("The chord \u201C%@\u201D is used by chord progressions.")),
                                           {localized(textOf(chord.value(QStringLiteral("name"))))});
    request.informativeText = ZTStringFormat::fill(
        localized(QStringLiteral("Change or delete these chord progressions first:\n%@")), {users.join(QLatin1Char('\n'))});
    request.buttons = {localized(QStringLiteral("Cancel"))};
    request.defaultButton = 0;
    request.cancelButton = 0;
    Alert::runModal(request, window());
    return true;
}

// ---- The tables' data source ----

const QVariantList* ZTPreferencesWindowController::rowsOf(const ZTRowTableView* table) const
{
    if (table == outlets_.levelsTableView)
        return &levelsArray_;
    if (table == outlets_.levelTestsTableView)
        return &levelItemsArray_;
    if (table == outlets_.customExercisesTableView)
        return &exercisesArray_;
    return nullptr;
}

int ZTPreferencesWindowController::numberOfRowsInTableView(const ZTRowTableView* table) const
{
    const QVariantList* rows = rowsOf(table);
    return rows ? int(rows->size()) : 0;
}

bool ZTPreferencesWindowController::isGroupRow(const ZTRowTableView* table, int row) const
{
    const QVariantList* rows = rowsOf(table);
    return rows && rowAt(*rows, row).value(QStringLiteral("isGroup")).toBool();
}

QVariant ZTPreferencesWindowController::objectValue(const ZTRowTableView* table, const QString& column, int row) const
{
    const QVariantList* rows = rowsOf(table);
    if (!rows)
        return {};
    const QVariantMap map = rowAt(*rows, row);
    const QString name = textOf(map.value(QStringLiteral("name")));
    if (table != outlets_.levelTestsTableView)
        return map.value(QStringLiteral("isGroup")).toBool() ? localized(name) : name;
    if (column == QLatin1String("text")) {
        // Items read as on the exercise screen (pitches in the user's note names).
        const QString shown = textOf(map.value(QStringLiteral("translatedName")));
        return shown.isEmpty() ? localized(name) : shown;
    }
    const SelectedLevel selected = selectedLevel();
    if (selected.index < 0 || map.isEmpty())
        return {};
    return ZTCustomListRows::checkState(map, selected.level);
}

void ZTPreferencesWindowController::setObjectValue(ZTRowTableView* table, const QVariant& value, const QString& column,
                                                   int row)
{
    if (table == outlets_.levelsTableView && !isGroupRow(table, row))
        renameLevel(row, value.toString());
    else if (table == outlets_.levelTestsTableView && column == QLatin1String("check"))
        toggleLevelItem(row);
}

bool ZTPreferencesWindowController::shouldEditTableColumn(const ZTRowTableView* table, const QString&, int row) const
{
    return table == outlets_.levelsTableView && row >= 0 && row < levelsArray_.size() && !isGroupRow(table, row);
}

void ZTPreferencesWindowController::tableViewSelectionDidChange(ZTRowTableView* table)
{
    if (table == outlets_.levelsTableView)
        _updateLevelItemsTable();
}

bool ZTPreferencesWindowController::writeRows(const ZTRowTableView* table, const QList<int>& rows) const
{
    return table == outlets_.customExercisesTableView && !rows.isEmpty() && rows.first() >= 0
        && rows.first() < exercisesArray_.size() && !isGroupRow(table, rows.first());
}

bool ZTPreferencesWindowController::validateDrop(const ZTRowTableView* table, const QList<int>& rows, int row) const
{
    if (table != outlets_.customExercisesTableView || rows.isEmpty() || row <= 0)
        return false;
    const QString dragged = ZTCustomListRows::testNameForRow(rows.first(), exercisesArray_);
    return !dragged.isNull() && ZTCustomListRows::testNameForRow(row - 1, exercisesArray_) == dragged;
}

bool ZTPreferencesWindowController::acceptDrop(ZTRowTableView* table, const QList<int>& rows, int row)
{
    if (!validateDrop(table, rows, row) || !writeRows(table, rows))
        return false;
    const int from = rows.first();
    const QString test = ZTCustomListRows::testNameForRow(from, exercisesArray_);
    QVariantList moved = exercisesArray_;
    const QVariant dragged = moved.takeAt(from);
    moved.insert(from < row ? row - 1 : row, dragged);

    QVariantList items;
    for (const QVariant& entry : std::as_const(moved)) {
        const QVariantMap map = entry.toMap();
        if (!map.value(QStringLiteral("isGroup")).toBool() && textOf(map.value(QStringLiteral("testName"))) == test)
            items << map.value(QStringLiteral("item"));
    }
    table->clearSelection();
    prefs()->setCustomExercises(items, test);
    // Rebuilt at once, so every row's position matches the stored list before a double click.
    _updateCustomExercisesTable();
    return true;
}
