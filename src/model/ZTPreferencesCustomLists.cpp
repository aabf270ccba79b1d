// The user's custom exercise items and custom levels, kept in the settings store.
#include "ZTPreferences.h"

#include "FMDatabase.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "ZTDataProvider.h"
#include "ZTUtils.h"

namespace {

const QString kName = QStringLiteral("name");
const QString kItems = QStringLiteral("items");
const QString kLevels = QStringLiteral("levels");

QVariantList listOfEntry(const QVariantList& list, const QString& test, const QString& field)
{
    for (const QVariant& entry : list) {
        const QVariantMap map = entry.toMap();
        if (map.value(kName).toString() == test)
            return map.value(field).toList();
    }
    return {};
}

// Patches the first entry of that exercise name. The entry is found by name rather than
// by position, so a list made by another installation (other exercises, another order)
// is patched at the right place. False when the list has no entry for the exercise.
bool replaceEntry(QVariantList& list, const QString& test, const QString& field, const QVariantList& values)
{
    for (QVariant& entry : list) {
        QVariantMap map = entry.toMap();
        if (map.value(kName).toString() == test) {
            map.insert(field, values);
            entry = map;
            return true;
        }
    }
    return false;
}

bool validIndex(int index, const QVariantList& list)
{
    return index >= 0 && index < list.size();
}

QString itemName(const QVariant& item)
{
    const QVariant name = item.toMap().value(kName);
    return name.typeId() == QMetaType::QString ? name.toString() : QString();
}

} // namespace

void ZTPreferences::markExercisesChanged()
{
    setExercisesWereChangedDuringLastSync(true);
    setExercisesModificationDate(QDateTime::currentDateTime());
}

void ZTPreferences::markLevelsChanged()
{
    setLevelsWereChangedDuringLastSync(true);
    setLevelsModificationDate(QDateTime::currentDateTime());
}

// ---- Custom exercises ----

QVariantList ZTPreferences::customExercises() const
{
    return _objectForKey(QStringLiteral("customExercises")).toList();
}

void ZTPreferences::setCustomExercises(const QVariantList& list)
{
    setListSetting(list, QStringLiteral("customExercises"));
}

QVariantList ZTPreferences::customExercisesForTestWithName(const QString& test) const
{
    return itemsOfCustomExerciseList(customExercises(), test);
}

QVariantList ZTPreferences::itemsOfCustomExerciseList(const QVariantList& list, const QString& test)
{
    return listOfEntry(list, test, kItems);
}

QVariantMap ZTPreferences::customExerciseWithIndex(int index, const QString& test) const
{
    const QVariantList items = customExercisesForTestWithName(test);
    return validIndex(index, items) ? items.at(index).toMap() : QVariantMap();
}

void ZTPreferences::addCustomExercise(const QVariantMap& item, const QString& test)
{
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    if (!catalogue)
        return;
    QVariantList list;
    for (const QString& name : catalogue->testNamesForCustomExercises()) {
        QVariantList items = customExercisesForTestWithName(name);
        if (name == test)
            items.append(item);
        list.append(QVariantMap{{kName, name}, {kItems, items}});
    }
    markExercisesChanged();
    setCustomExercises(list);
}

void ZTPreferences::setCustomExercises(const QVariantList& items, const QString& test)
{
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    if (!catalogue)
        return;
    QVariantList list;
    for (const QString& name : catalogue->testNamesForCustomExercises())
        list.append(QVariantMap{{kName, name}, {kItems, name == test ? items : customExercisesForTestWithName(name)}});
    markExercisesChanged();
    setCustomExercises(list);
}

void ZTPreferences::patchExerciseItems(const QString& test, const QVariantList& items)
{
    QVariantList list = customExercises();
    replaceEntry(list, test, kItems, items);
    markExercisesChanged();
    setCustomExercises(list);
}

void ZTPreferences::editItemInCustomLevels(const QString& test, const QString& itemName,
                                           const std::function<void(QVariantList&, qsizetype)>& edit)
{
    QList<std::pair<int, QVariantMap>> edited;
    const QVariantList levels = customLevelsForTestWithName(test);
    for (int i = 0; i < levels.size(); ++i) {
        QVariantMap level = levels.at(i).toMap();
        QVariantList names = level.value(kItems).toList();
        for (qsizetype n = 0; n < names.size(); ++n) {
            if (names.at(n).toString() == itemName) {
                edit(names, n);
                level.insert(kItems, names);
                edited.append({i, level});
                break;
            }
        }
    }
    for (const auto& [position, level] : edited)
        replaceCustomLevel(level, position, test);
}

void ZTPreferences::runStatsStatements(const QString& firstSql, const QString& secondSql,
                                       const QVariantList& values)
{
    // The statistics follow the lists when the database is there; the lists change anyway.
    if (FMDatabase* db = ZTUtils::sharedDb()) {
        db->executeUpdate(firstSql, values);
        db->executeUpdate(secondSql, values);
    }
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTStatsChangedNotification"), this,
                                             QVariant::fromValue(this));
}

void ZTPreferences::replaceCustomExercise(const QVariantMap& item, int index, const QString& test)
{
    QVariantList items = customExercisesForTestWithName(test);
    if (!validIndex(index, items)) {
        Log::line(QStringLiteral("No custom item %1 of %2 to replace.").arg(index).arg(test));
        return;
    }
    const QString oldName = itemName(items.at(index));
    const QString newName = itemName(item);
    items[index] = item;
    patchExerciseItems(test, items);

    if (!oldName.isNull() && !newName.isNull() && oldName != newName)
        editItemInCustomLevels(test, oldName, [&](QVariantList& names, qsizetype at) { names[at] = newName; });

    runStatsStatements(QStringLiteral("UPDATE stats set itemName=? WHERE testName=? AND itemName=?"),
                       QStringLiteral("UPDATE results set itemName=? WHERE testName=? AND itemName=?"),
                       QVariantList{newName, test, oldName});
}

void ZTPreferences::replaceExerciseName(const QString& name, int index, const QString& test)
{
    QVariantMap item = customExerciseWithIndex(index, test);
    item.insert(kName, name);
    replaceCustomExercise(item, index, test);
}

void ZTPreferences::deleteExerciseWithIndex(int index, const QString& test)
{
    QVariantList items = customExercisesForTestWithName(test);
    if (!validIndex(index, items)) {
        Log::line(QStringLiteral("No custom item %1 of %2 to delete.").arg(index).arg(test));
        return;
    }
    const QString oldName = itemName(items.at(index));
    items.removeAt(index);
    patchExerciseItems(test, items);

    if (!oldName.isNull())
        editItemInCustomLevels(test, oldName, [](QVariantList& names, qsizetype at) { names.removeAt(at); });

    runStatsStatements(QStringLiteral("DELETE FROM stats WHERE testName=? AND itemName=?"),
                       QStringLiteral("DELETE FROM results WHERE testName=? AND itemName=?"),
                       QVariantList{test, oldName});
}

// ---- Custom levels ----

QVariantList ZTPreferences::customLevels() const
{
    return _objectForKey(QStringLiteral("customLevels")).toList();
}

void ZTPreferences::setCustomLevels(const QVariantList& list)
{
    setListSetting(list, QStringLiteral("customLevels"));
}

QVariantList ZTPreferences::customLevelsForTestWithName(const QString& test) const
{
    return listOfEntry(customLevels(), test, kLevels);
}

QVariantMap ZTPreferences::customLevelWithIndex(int index, const QString& test) const
{
    const QVariantList levels = customLevelsForTestWithName(test);
    return validIndex(index, levels) ? levels.at(index).toMap() : QVariantMap();
}

void ZTPreferences::addCustomLevel(const QVariantMap& level, const QString& test)
{
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    const QStringList testNames = catalogue ? catalogue->testNames() : QStringList();
    // The rebuild keeps one entry per catalogue exercise; with the exercise missing (or no
    // catalogue at all) it would drop the new level and every other one with it.
    if (!testNames.contains(test)) {
        Log::line(QStringLiteral("Custom level not added: %1 is not in the exercise catalogue.").arg(test));
        return;
    }
    QVariantList list;
    for (const QString& name : testNames) {
        QVariantList levels = customLevelsForTestWithName(name);
        if (name == test)
            levels.append(level);
        list.append(QVariantMap{{kName, name}, {kLevels, levels}});
    }
    markLevelsChanged();
    setCustomLevels(list);
}

void ZTPreferences::patchLevels(const QString& test, const QVariantList& levels)
{
    QVariantList list = customLevels();
    replaceEntry(list, test, kLevels, levels);
    markLevelsChanged();
    setCustomLevels(list);
}

void ZTPreferences::replaceCustomLevel(const QVariantMap& level, int index, const QString& test)
{
    QVariantList levels = customLevelsForTestWithName(test);
    if (!validIndex(index, levels)) {
        Log::line(QStringLiteral("No custom level %1 of %2 to replace.").arg(index).arg(test));
        return;
    }
    levels[index] = level;
    patchLevels(test, levels);
}

void ZTPreferences::replaceLevelName(const QString& name, int index, const QString& test)
{
    QVariantMap level = customLevelWithIndex(index, test);
    if (level.isEmpty()) {
        Log::line(QStringLiteral("No custom level %1 of %2 to rename.").arg(index).arg(test));
        return;
    }
    const QString oldId = ZTDataProvider::customLevelId(level.value(kName).toString());
    level.insert(kName, name);
    replaceCustomLevel(level, index, test);
    // The exercise's chosen level is stored by name: it follows the rename instead of
    // falling back to the first level.
    const QString levelKey = QStringLiteral("level");
    if (stringForKey(levelKey, test) == oldId)
        setString(ZTDataProvider::customLevelId(name), levelKey, test);
}

void ZTPreferences::deleteLevelWithIndex(int index, const QString& test)
{
    QVariantList levels = customLevelsForTestWithName(test);
    if (!validIndex(index, levels)) {
        Log::line(QStringLiteral("No custom level %1 of %2 to delete.").arg(index).arg(test));
        return;
    }
    levels.removeAt(index);
    patchLevels(test, levels);
}
