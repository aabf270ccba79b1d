#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

// The rows of the Custom Levels and Custom Exercises tabs and the rules of the level editor,
// read from the exercise catalogue and the settings store's custom lists. No widgets.
//
// A row is a dictionary with "isGroup"; a group row names an exercise (or an item group),
// the others a level or an item of it. Rows are built afresh on every call.
namespace ZTCustomListRows {

// "Melodies" and "Melody music reading": their levels pick scales, a number of tones and an
// octave span instead of items.
bool isMelodyExercise(const QString& test);
// The exercise whose items a level of `test` picks from: "Scale recognition" for the
// melody exercises, else the exercise itself.
QString sourceExerciseForLevelsOf(const QString& test);

// True when a built-in or custom level of the exercise has the name. The stored custom
// levels count as well as the catalogue's, which follows the store only 0.5 s later.
bool isLevelNameTaken(const QString& name, const QString& test);
// A new level: "New Level", or the first free "New Level n" from 1 on; every item of the
// exercise ticked, or for the melody exercises "Chromatic" with 3 tones over 1 octave.
QVariantMap newLevelForTest(const QString& test);

// Levels list: per catalogue exercise with custom levels, its group row, then its levels
// {"name", "testName", "additionalData"} in stored order.
QVariantList levelRows();
// Items list of a level row: its exercise's items (for the melody exercises "Chromatic" and
// the scales) with their "translatedName", a group row before each new item group.
QVariantList levelItemRows(const QVariantMap& levelRow);
// Custom exercises list: per exercise with custom items ("Scale recognition", "Chord
// recognition", "Chord progressions"), its group row, then {"name", "testName", "item",
// "index"} per item in stored order.
QVariantList exerciseRows();

// Position of the row within its group (counted from the group row down); -1 for row 0,
// a row outside the list, or a row without a group row above it.
int indexForRow(int row, const QVariantList& rows);
// The row of the group row named `test`; -1 when none.
int tableIndexForTestGroup(const QString& test, const QVariantList& rows);
// The exercise of a row: a group row's "name", else its "testName"; null outside the list.
QString testNameForRow(int row, const QVariantList& rows);

// Tick of an items row in a level: 1 on, 0 off, -1 for a partly ticked group. A group
// without names is on.
int checkState(const QVariantMap& itemRow, const QVariantMap& level);
// The level's "items" after a click on the row's tick: an item is taken out or appended;
// a fully ticked group is taken out, any other group ticked whole (appended in group order).
QStringList itemsAfterToggling(const QVariantMap& itemRow, const QVariantMap& level);

} // namespace ZTCustomListRows
