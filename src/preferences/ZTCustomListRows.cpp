#include "ZTCustomListRows.h"

#include "Localization.h"
#include "PlistValues.h"
#include "ZTAbstractTestController.h"
#include "ZTClassRegistry.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"

namespace ZTCustomListRows {

namespace {

const QString kIsGroup = QStringLiteral("isGroup");
const QString kName = QStringLiteral("name");
const QString kTestName = QStringLiteral("testName");
const QString kItems = QStringLiteral("items");
const QString kAdditionalData = QStringLiteral("additionalData");
const QString kChromatic = QStringLiteral("Chromatic");
const QString kScaleRecognition = QStringLiteral("Scale recognition");

ZTDataProvider* catalogue()
{
    return ZTDataProvider::sharedDataProvider();
}

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

QString textOf(const QVariant& value)
{
    return PlistValues::toStringOrNull(value);
}

QVariantMap melodyLevelData()
{
    return {{QStringLiteral("numTones"), 3}, {QStringLiteral("octaves"), 1}};
}

QVariantMap groupRow(const QString& name)
{
    return {{kIsGroup, true}, {kName, name}};
}

// The exercise's items with their shown names, as its controller class names them.
QVariantList translatedItems(const QString& test, const QVariantList& items)
{
    const ZTControllerClass* controllerClass =
        ZTClassRegistry::sharedRegistry()->controllerClass(catalogue()->controllerClassNameForTestWithName(test));
    if (controllerClass && controllerClass->translateItems)
        return controllerClass->translateItems(items);
    return ZTAbstractTestController::classTranslateItems(items);
}

QStringList itemNamesOf(const QVariantMap& level)
{
    QStringList names;
    for (const QVariant& name : level.value(kItems).toList())
        names << textOf(name);
    return names;
}

QStringList namesOfGroupRow(const QVariantMap& row)
{
    return catalogue()->namesForGroup(textOf(row.value(QStringLiteral("group"))),
                                      sourceExerciseForLevelsOf(textOf(row.value(kTestName))));
}

} // namespace

bool isMelodyExercise(const QString& test)
{
    return test == QLatin1String("Melodies") || test == QLatin1String("Melody music reading");
}

QString sourceExerciseForLevelsOf(const QString& test)
{
    return isMelodyExercise(test) ? kScaleRecognition : test;
}

bool isLevelNameTaken(const QString& name, const QString& test)
{
    if (catalogue()->hasLevelWithName(name, test))
        return true;
    for (const QVariant& level : prefs()->customLevelsForTestWithName(test))
        if (textOf(level.toMap().value(kName)) == name)
            return true;
    return false;
}

QVariantMap newLevelForTest(const QString& test)
{
    const QString base = localized(QStringLiteral("New Level"));
    QString name = base;
    for (qlonglong n = 1; isLevelNameTaken(name, test); ++n)
        name = QStringLiteral("%1 %2").arg(base).arg(n);

    if (isMelodyExercise(test))
        return {{kName, name}, {kItems, QStringList{kChromatic}}, {kTestName, test}, {kAdditionalData, melodyLevelData()}};
    return {{kName, name}, {kItems, catalogue()->allTestItemsForTestWithName(test)}, {kTestName, test}};
}

QVariantList levelRows()
{
    QVariantList rows;
    for (const QString& test : catalogue()->testNames()) {
        const QVariantList levels = prefs()->customLevelsForTestWithName(test);
        if (levels.isEmpty())
            continue;
        rows << groupRow(test);
        for (const QVariant& entry : levels) {
            const QVariantMap level = entry.toMap();
            const QVariantMap data = level.contains(kAdditionalData) ? level.value(kAdditionalData).toMap()
                                                                      : melodyLevelData();
            rows << QVariantMap{{kIsGroup, false}, {kName, textOf(level.value(kName))}, {kTestName, test},
                                {kAdditionalData, data}};
        }
    }
    return rows;
}

QVariantList levelItemRows(const QVariantMap& levelRow)
{
    const QString test = textOf(levelRow.value(kTestName));
    const QString source = sourceExerciseForLevelsOf(test);
    QVariantList items;
    if (isMelodyExercise(test))
        items << QVariantMap{{kIsGroup, false}, {kName, kChromatic}, {kTestName, test}};
    items << catalogue()->testWithName(source).value(kItems).toList();
    items = translatedItems(test, items);

    QVariantList rows;
    QVariant lastGroup;
    for (const QVariant& entry : std::as_const(items)) {
        const QVariantMap item = entry.toMap();
        const auto group = item.constFind(QStringLiteral("group"));
        if (group != item.cend() && (!lastGroup.isValid() || textOf(*group) != textOf(lastGroup))) {
            lastGroup = *group;
            rows << QVariantMap{{kIsGroup, true},
                                {kName, catalogue()->groupNameForGroupId(textOf(*group), source)},
                                {kTestName, test},
                                {QStringLiteral("group"), *group}};
        }
        rows << QVariantMap{{kIsGroup, false},
                            {kName, item.value(kName)},
                            {QStringLiteral("translatedName"), item.value(QStringLiteral("translatedName"))},
                            {kTestName, test}};
    }
    return rows;
}

QVariantList exerciseRows()
{
    QVariantList rows;
    for (const QString& test : catalogue()->testNamesForCustomExercises()) {
        const QVariantList items = prefs()->customExercisesForTestWithName(test);
        if (items.isEmpty())
            continue;
        rows << groupRow(test);
        for (int index = 0; index < items.size(); ++index) {
            const QVariantMap item = items.at(index).toMap();
            rows << QVariantMap{{kIsGroup, false}, {kName, textOf(item.value(kName))}, {kTestName, test},
                                {QStringLiteral("item"), item}, {QStringLiteral("index"), index}};
        }
    }
    return rows;
}

int indexForRow(int row, const QVariantList& rows)
{
    if (row <= 0 || row >= rows.size())
        return -1;
    int count = 0;
    for (int above = row - 1; above >= 0; --above) {
        if (rows.at(above).toMap().value(kIsGroup).toBool())
            return count;
        ++count;
    }
    return -1;
}

int tableIndexForTestGroup(const QString& test, const QVariantList& rows)
{
    for (int row = 0; row < rows.size(); ++row) {
        const QVariantMap map = rows.at(row).toMap();
        if (map.value(kIsGroup).toBool() && textOf(map.value(kName)) == test)
            return row;
    }
    return -1;
}

QString testNameForRow(int row, const QVariantList& rows)
{
    if (row < 0 || row >= rows.size())
        return {};
    const QVariantMap map = rows.at(row).toMap();
    return textOf(map.value(map.value(kIsGroup).toBool() ? kName : kTestName));
}

int checkState(const QVariantMap& itemRow, const QVariantMap& level)
{
    const QStringList ticked = itemNamesOf(level);
    if (!itemRow.value(kIsGroup).toBool())
        return ticked.contains(textOf(itemRow.value(kName))) ? 1 : 0;
    const QStringList names = namesOfGroupRow(itemRow);
    qsizetype count = 0;
    for (const QString& name : names)
        count += ticked.contains(name) ? 1 : 0;
    if (count == names.size())
        return 1;
    return count == 0 ? 0 : -1;
}

QStringList itemsAfterToggling(const QVariantMap& itemRow, const QVariantMap& level)
{
    QStringList items = itemNamesOf(level);
    if (!itemRow.value(kIsGroup).toBool()) {
        const QString name = textOf(itemRow.value(kName));
        if (!items.removeOne(name))
            items << name;
        return items;
    }
    const bool wasFull = checkState(itemRow, level) == 1;
    const QStringList names = namesOfGroupRow(itemRow);
    items.removeIf([&](const QString& name) { return names.contains(name); });
    if (!wasFull)
        items << names;
    return items;
}

} // namespace ZTCustomListRows
