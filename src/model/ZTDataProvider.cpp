#include "ZTDataProvider.h"

#include "Localization.h"
#include "Log.h"
#include "Paths.h"
#include "PlistValues.h"
#include "PropertyList.h"
#include "ZTDataController.h"
#include "ZTPreferences.h"

#include <QFileInfo>

namespace {

const QString kChordRecognition = QStringLiteral("Chord recognition");
const QString kChordProgressions = QStringLiteral("Chord progressions");

QVariantMap levelSettingOf(const QVariantMap& test)
{
    for (const QVariant& setting : test.value(QStringLiteral("settings")).toList()) {
        const QVariantMap map = setting.toMap();
        if (map.value(QStringLiteral("name")).toString() == QLatin1String("level"))
            return map;
    }
    return {};
}

QStringList levelNamesOf(const QVariantMap& test)
{
    QStringList names;
    for (const QVariant& value : levelSettingOf(test).value(QStringLiteral("values")).toList())
        names << value.toString();
    return names;
}

// Entry index of the level setting's "additionalData"; invalid when the list is shorter.
QVariant additionalDataOf(const QVariantMap& test, int index)
{
    const QVariantList data = levelSettingOf(test).value(QStringLiteral("additionalData")).toList();
    if (index < 0 || index >= data.size())
        return {};
    return data.at(index);
}

QStringList itemNamesOf(const QVariantMap& test)
{
    QStringList names;
    for (const QVariant& item : test.value(QStringLiteral("items")).toList())
        names << item.toMap().value(QStringLiteral("name")).toString();
    return names;
}

// Puts the exercise's own items and then the custom ones into their groups, group by group.
QVariantList itemsMergedByGroup(const QVariantMap& test, const QVariantList& customItems)
{
    const QVariantList fileItems = test.value(QStringLiteral("items")).toList();
    const QVariantList groups = test.value(QStringLiteral("groups")).toList();
    if (groups.isEmpty()) {
        // Nothing to sort by: keep every item rather than losing them all.
        QVariantList items = fileItems;
        for (const QVariant& item : customItems)
            if (item.typeId() == QMetaType::QVariantMap)
                items << item;
        return items;
    }

    QHash<QString, QVariantList> buckets;
    for (const QVariantList* list : {&fileItems, &customItems}) {
        for (const QVariant& item : *list) {
            if (item.typeId() != QMetaType::QVariantMap)
                continue;
            buckets[item.toMap().value(QStringLiteral("group")).toString()] << item;
        }
    }
    QVariantList items;
    for (const QVariant& group : groups)
        items << buckets.take(group.toMap().value(QStringLiteral("id")).toString());
    for (auto it = buckets.cbegin(); it != buckets.cend(); ++it) {
        for (const QVariant& item : it.value())
            Log::line(QStringLiteral("Exercise \"%1\": item \"%2\" names no group of the exercise (\"%3\") and is left out.")
                          .arg(test.value(QStringLiteral("name")).toString(),
                               item.toMap().value(QStringLiteral("name")).toString(), it.key()));
    }
    return items;
}

// Notes are the same when they stand on the same degrees with the same accidentals; other
// keys (the editor's "note", say) do not count.
bool sameNotes(const QVariantList& a, const QVariantList& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QVariantMap noteA = a.at(i).toMap();
        const QVariantMap noteB = b.at(i).toMap();
        for (const QString& key : {QStringLiteral("pos"), QStringLiteral("off")})
            if (noteA.value(key).toLongLong() != noteB.value(key).toLongLong())
                return false;
    }
    return true;
}

// What music uses: accidentals from double flat to double sharp, degrees within the MIDI
// range's eleven octaves. Numbers beyond would build absurd notes (a string of billions of
// flats) or overflow the note arithmetic.
constexpr double kMaxAccidental = 2;
constexpr double kMaxDegree = 7 * 11;

bool within(const QVariant& value, double limit)
{
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    return !isNumber || (number >= -limit && number <= limit); // NaN fails both
}

// Why the item's notes lie outside what music uses, or a null string.
QString unmusicalNoteOf(const QVariantMap& item)
{
    for (const QVariant& step : item.value(QStringLiteral("definition")).toList()) {
        for (const QVariant& note : step.toMap().value(QStringLiteral("notes")).toList()) {
            const QVariantMap entry = note.toMap();
            if (!within(entry.value(QStringLiteral("off")), kMaxAccidental))
                return QStringLiteral("an accidental of %1 semitones").arg(entry.value(QStringLiteral("off")).toString());
            if (!within(entry.value(QStringLiteral("pos")), kMaxDegree))
                return QStringLiteral("a scale degree of %1").arg(entry.value(QStringLiteral("pos")).toString());
        }
    }
    return QString();
}

// The items whose notes music can use; the others are left out with a log line.
QVariantList musicalItems(const QString& testName, const QVariantList& items)
{
    QVariantList kept;
    for (const QVariant& item : items) {
        const QString problem = unmusicalNoteOf(item.toMap());
        if (problem.isNull()) {
            kept << item;
            continue;
        }
        Log::line(QStringLiteral("Exercise \"%1\": item \"%2\" has %3 and is left out.")
                      .arg(testName, item.toMap().value(QStringLiteral("name")).toString(), problem));
    }
    return kept;
}

// Lookups by name find the first exercise of a name.
QHash<QString, int> firstIndexByName(const QVariantList& tests)
{
    QHash<QString, int> indexes;
    for (int i = 0; i < tests.size(); ++i) {
        const QString name = tests.at(i).toMap().value(QStringLiteral("name")).toString();
        if (!indexes.contains(name))
            indexes.insert(name, i);
    }
    return indexes;
}

std::optional<QVariantList> readTestsFile()
{
    const QString path = Paths::resource(QStringLiteral("Tests.plist"));
    if (!QFileInfo::exists(path)) {
        Log::line(QStringLiteral("Tests.plist not found at %1; the exercise catalogue is empty.").arg(path));
        return std::nullopt;
    }
    QString error;
    const std::optional<QVariant> contents = PropertyList::readFile(path, &error);
    if (!contents) {
        Log::line(QStringLiteral("Could not read Tests.plist at %1 (%2); the exercise catalogue is empty.")
                      .arg(path, error));
        return std::nullopt;
    }
    if (contents->typeId() != QMetaType::QVariantList) {
        Log::line(QStringLiteral("Tests.plist at %1 is not a list of exercises; the exercise catalogue is empty.")
                      .arg(path));
        return std::nullopt;
    }
    return contents->toList();
}

} // namespace

ZTDataProvider* ZTDataProvider::sharedDataProvider()
{
    // Creating the catalogue only registers observers, so nothing reaches back in here.
    static const std::unique_ptr<ZTDataProvider> instance = std::make_unique<ZTDataProvider>();
    return instance.get();
}

ZTDataProvider::CustomListSource ZTDataProvider::preferencesSource()
{
    return CustomListSource{
        [](const QString& test) { return ZTPreferences::sharedPreferences()->customExercisesForTestWithName(test); },
        [](const QString& test) { return ZTPreferences::sharedPreferences()->customLevelsForTestWithName(test); }};
}

QString ZTDataProvider::customLevelId(const QString& levelName)
{
    return QStringLiteral("custom_%1").arg(levelName);
}

ZTDataProvider::ZTDataProvider()
    : ZTDataProvider(preferencesSource())
{
}

ZTDataProvider::ZTDataProvider(CustomListSource source)
    : source_(std::move(source))
    , catalogue_(std::make_shared<const Catalogue>())
{
    auto& center = NotificationCenter::defaultCenter();
    auto handler = [this](const Notification& notification) { customExercisesChangedNotification(notification); };
    customExercisesObserver_ = center.addObserver(QStringLiteral("customExercisesChangedNotification"), handler);
    customLevelsObserver_ = center.addObserver(QStringLiteral("customLevelsChangedNotification"), handler);
}

ZTDataProvider::~ZTDataProvider() = default;

void ZTDataProvider::setup()
{
    rebuild(readTestsFile().value_or(QVariantList{}));
}

void ZTDataProvider::setUpWithExerciseName(const QString& name)
{
    if (name.isNull()) {
        setup();
        return;
    }
    for (const QVariant& exam : ZTDataController::sharedController()->examsSortedBy({})) {
        const QVariantMap record = exam.toMap();
        if (record.value(QStringLiteral("name")).toString() == name) {
            rebuild(record.value(QStringLiteral("questions")).toList());
            return;
        }
    }
    Log::line(QStringLiteral("No stored exam is named \"%1\"; the exercise catalogue is unchanged.").arg(name));
}

void ZTDataProvider::customExercisesChangedNotification(const Notification&)
{
    setup();
}

void ZTDataProvider::rebuild(const QVariantList& source)
{
    auto catalogue = std::make_shared<Catalogue>();
    catalogue->tests = mergedTests(source);
    catalogue->levels = levelsForTests(catalogue->tests);
    catalogue->indexByName = firstIndexByName(catalogue->tests);
    publish(std::move(catalogue));
}

QVariantList ZTDataProvider::mergedTests(const QVariantList& source) const
{
    const QStringList customNames = testNamesForCustomExercises();
    QVariantList result;
    for (int i = 0; i < source.size(); ++i) {
        if (source.at(i).typeId() != QMetaType::QVariantMap) {
            Log::line(QStringLiteral("Tests.plist: entry %1 is not an exercise record and is left out.").arg(i));
            continue;
        }
        QVariantMap test = source.at(i).toMap();
        const QString name = test.value(QStringLiteral("name")).toString();
        if (test.contains(QStringLiteral("items")))
            test.insert(QStringLiteral("items"), musicalItems(name, test.value(QStringLiteral("items")).toList()));
        if (customNames.contains(name)) {
            const QVariantList custom = source_.customExercisesForTestWithName
                ? musicalItems(name, source_.customExercisesForTestWithName(name)) : QVariantList{};
            test.insert(QStringLiteral("items"), itemsMergedByGroup(test, custom));
        } else if (test.contains(QStringLiteral("itemRef"))) {
            const QString ref = test.value(QStringLiteral("itemRef")).toString();
            for (const QVariant& earlier : std::as_const(result)) {
                const QVariantMap other = earlier.toMap();
                if (other.value(QStringLiteral("name")).toString() != ref)
                    continue;
                for (const QString& key : {QStringLiteral("groups"), QStringLiteral("items")}) {
                    if (other.contains(key))
                        test.insert(key, other.value(key));
                    else
                        test.remove(key);
                }
                break;
            }
        }
        result << test;
    }
    return result;
}

QVariantMap ZTDataProvider::levelsForTests(const QVariantList& tests) const
{
    QVariantMap levels;
    for (const QVariant& entry : tests) {
        const QVariantMap test = entry.toMap();
        const QString name = test.value(QStringLiteral("name")).toString();
        const QVariantList items = test.value(QStringLiteral("items")).toList();
        const QStringList builtIn = levelNamesOf(test);
        QVariantList list;
        for (int i = 0; i < builtIn.size(); ++i) {
            const QVariant additional = additionalDataOf(test, i);
            QStringList names;
            for (const QVariant& item : items) {
                const QVariantMap map = item.toMap();
                if (map.value(QStringLiteral("level")).toLongLong() <= i)
                    names << map.value(QStringLiteral("name")).toString();
            }
            for (const QVariant& scale : additional.toMap().value(QStringLiteral("scales")).toList())
                names << scale.toString();
            QVariantMap level{{QStringLiteral("name"), localized(builtIn.at(i))},
                              {QStringLiteral("items"), names},
                              {QStringLiteral("id"), QStringLiteral("int_%1").arg(i)}};
            if (additional.isValid())
                level.insert(QStringLiteral("additionalData"), additional);
            list << level;
        }
        const QVariantList custom = source_.customLevelsForTestWithName
            ? source_.customLevelsForTestWithName(name) : QVariantList{};
        for (const QVariant& entryLevel : custom) {
            const QVariantMap c = entryLevel.toMap();
            const QString levelName = c.value(QStringLiteral("name")).toString();
            QVariantMap level{{QStringLiteral("name"), levelName},
                              {QStringLiteral("items"), c.value(QStringLiteral("items")).toList()},
                              {QStringLiteral("id"), customLevelId(levelName)}};
            if (c.contains(QStringLiteral("additionalData")))
                level.insert(QStringLiteral("additionalData"), c.value(QStringLiteral("additionalData")));
            list << level;
        }
        levels.insert(name, list);
    }
    return levels;
}

std::shared_ptr<const ZTDataProvider::Catalogue> ZTDataProvider::snapshot() const
{
    std::lock_guard lock(mutex_);
    return catalogue_;
}

void ZTDataProvider::publish(std::shared_ptr<const Catalogue> catalogue)
{
    std::lock_guard lock(mutex_);
    catalogue_ = std::move(catalogue);
}

QVariantList ZTDataProvider::tests() const
{
    return snapshot()->tests;
}

void ZTDataProvider::setTests(const QVariantList& tests)
{
    auto catalogue = std::make_shared<Catalogue>();
    catalogue->tests = tests;
    catalogue->levels = snapshot()->levels;
    catalogue->indexByName = firstIndexByName(tests);
    publish(std::move(catalogue));
}

QVariantMap ZTDataProvider::levels() const
{
    return snapshot()->levels;
}

void ZTDataProvider::setLevels(const QVariantMap& levels)
{
    auto catalogue = std::make_shared<Catalogue>(*snapshot());
    catalogue->levels = levels;
    publish(std::move(catalogue));
}

QStringList ZTDataProvider::testNames() const
{
    QStringList names;
    for (const QVariant& test : snapshot()->tests)
        names << test.toMap().value(QStringLiteral("name")).toString();
    return names;
}

QStringList ZTDataProvider::testNamesForCustomExercises() const
{
    return {QStringLiteral("Scale recognition"), kChordRecognition, kChordProgressions};
}

int ZTDataProvider::indexForTestWithName(const QString& name) const
{
    return snapshot()->indexByName.value(name, -1);
}

int ZTDataProvider::indexForCustomExerciseTestWithName(const QString& name) const
{
    return int(testNamesForCustomExercises().indexOf(name));
}

QVariantMap ZTDataProvider::testWithName(const QString& name) const
{
    const auto catalogue = snapshot();
    const int index = catalogue->indexByName.value(name, -1);
    return index < 0 ? QVariantMap{} : catalogue->tests.at(index).toMap();
}

QString ZTDataProvider::nameForTestWithIndex(int index) const
{
    const auto catalogue = snapshot();
    if (index < 0 || index >= catalogue->tests.size())
        return {};
    return catalogue->tests.at(index).toMap().value(QStringLiteral("name")).toString();
}

QString ZTDataProvider::controllerClassNameForTestWithIndex(int index) const
{
    const auto catalogue = snapshot();
    if (index < 0 || index >= catalogue->tests.size())
        return {};
    return QStringLiteral("%1Controller").arg(catalogue->tests.at(index).toMap().value(QStringLiteral("class")).toString());
}

QString ZTDataProvider::controllerClassNameForTestWithName(const QString& name) const
{
    return controllerClassNameForTestWithIndex(indexForTestWithName(name));
}

QString ZTDataProvider::questionTypeForTestWithName(const QString& name) const
{
    return testWithName(name).value(QStringLiteral("questionType")).toString();
}

QVariant ZTDataProvider::answerTypesForTestWithName(const QString& name) const
{
    return testWithName(name).value(QStringLiteral("answerTypes"));
}

QVariantList ZTDataProvider::groupsForTestWithName(const QString& name) const
{
    return testWithName(name).value(QStringLiteral("groups")).toList();
}

QString ZTDataProvider::groupNameForGroupId(const QString& groupId, const QString& testName) const
{
    for (const QVariant& group : groupsForTestWithName(testName)) {
        const QVariantMap map = group.toMap();
        if (map.value(QStringLiteral("id")).toString() == groupId)
            return map.value(QStringLiteral("name")).toString();
    }
    return {};
}

QStringList ZTDataProvider::namesForGroup(const QString& groupId, const QString& testName) const
{
    const QVariantMap test = testWithName(testName);
    const bool grouped = !test.value(QStringLiteral("groups")).toList().isEmpty();
    QStringList names;
    for (const QVariant& item : test.value(QStringLiteral("items")).toList()) {
        const QVariantMap map = item.toMap();
        if (!grouped || map.value(QStringLiteral("group")).toString() == groupId)
            names << map.value(QStringLiteral("name")).toString();
    }
    return names;
}

QStringList ZTDataProvider::exerciseNamesForTestWithName(const QString& name) const
{
    return itemNamesOf(testWithName(name));
}

QStringList ZTDataProvider::allTestItemsForTestWithName(const QString& name) const
{
    return itemNamesOf(testWithName(name));
}

QVariantMap ZTDataProvider::itemForTest(const QString& test, const QString& itemName) const
{
    for (const QVariant& item : testWithName(test).value(QStringLiteral("items")).toList()) {
        const QVariantMap map = item.toMap();
        if (map.value(QStringLiteral("name")).toString() == itemName)
            return map;
    }
    return {};
}

bool ZTDataProvider::hasExerciseWithName(const QString& name, const QString& testName) const
{
    // The raw name counts too: statistics are keyed by it, so a custom item under a built-in
    // item's name would share (and on rename or delete carry off) that item's rows.
    for (const QString& itemName : itemNamesOf(testWithName(testName)))
        if (itemName == name || localized(itemName) == name)
            return true;
    return false;
}

QString ZTDataProvider::nameForExercise(const QVariantMap& exercise, const QString& testName) const
{
    const auto definition = exercise.constFind(QStringLiteral("definition"));
    if (definition == exercise.cend() || !definition->isValid())
        return {};
    for (const QVariant& item : testWithName(testName).value(QStringLiteral("items")).toList()) {
        const QVariantMap map = item.toMap();
        if (_isDefinition(map.value(QStringLiteral("definition")), *definition, testName))
            return map.value(QStringLiteral("name")).toString();
    }
    return {};
}

bool ZTDataProvider::_isDefinition(const QVariant& definition, const QVariant& otherDefinition,
                                   const QString& testName) const
{
    // Tempo and key-signature items are defined by a plain number.
    if (definition.typeId() != QMetaType::QVariantList || otherDefinition.typeId() != QMetaType::QVariantList)
        return PlistValues::objectsEqual(definition, otherDefinition);
    const QVariantList a = definition.toList();
    const QVariantList b = otherDefinition.toList();
    if (a.size() != b.size())
        return false;
    const bool progression = testName == kChordProgressions;
    for (qsizetype k = 0; k < a.size(); ++k) {
        const QVariantMap stepA = a.at(k).toMap();
        const QVariantMap stepB = b.at(k).toMap();
        if (progression) {
            if (stepA.value(QStringLiteral("chordId")).toString() != stepB.value(QStringLiteral("chordId")).toString()
                || stepA.value(QStringLiteral("step")).toLongLong() != stepB.value(QStringLiteral("step")).toLongLong())
                return false;
        } else if (!sameNotes(stepA.value(QStringLiteral("notes")).toList(), stepB.value(QStringLiteral("notes")).toList())) {
            return false;
        }
    }
    return true;
}

QStringList ZTDataProvider::levelsForTestWithName(const QString& name) const
{
    return levelNamesOf(testWithName(name));
}

QStringList ZTDataProvider::levelsForTestWithIndex(int index) const
{
    return levelsForTestWithName(nameForTestWithIndex(index));
}

QString ZTDataProvider::levelNameForIndex(int index, const QString& testName) const
{
    const QStringList names = levelsForTestWithName(testName);
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}

QString ZTDataProvider::firstLevelForTestWithName(const QString& name) const
{
    return levelNameForIndex(0, name);
}

QVariantMap ZTDataProvider::_additionalDataForLevelWithIndex(int index, const QString& testName) const
{
    return additionalDataOf(testWithName(testName), index).toMap();
}

QVariantList ZTDataProvider::levelRecordsForTestWithName(const QString& name) const
{
    return snapshot()->levels.value(name).toList();
}

bool ZTDataProvider::isLevel(const QString& levelId, const QString& testName) const
{
    for (const QVariant& level : levelRecordsForTestWithName(testName))
        if (level.toMap().value(QStringLiteral("id")).toString() == levelId)
            return true;
    return false;
}

int ZTDataProvider::levelIndexForName(const QString& levelId, const QString& testName) const
{
    const QVariantList levels = levelRecordsForTestWithName(testName);
    for (int i = 0; i < levels.size(); ++i)
        if (levels.at(i).toMap().value(QStringLiteral("id")).toString() == levelId)
            return i;
    return 0; // a vanished custom level falls back to the first level
}

bool ZTDataProvider::hasLevelWithName(const QString& levelName, const QString& testName) const
{
    for (const QVariant& level : levelRecordsForTestWithName(testName))
        if (level.toMap().value(QStringLiteral("name")).toString() == levelName)
            return true;
    return false;
}

QStringList ZTDataProvider::itemsForTestWithName(const QString& name, int levelIndex) const
{
    const QVariantList levels = levelRecordsForTestWithName(name);
    if (levelIndex < 0 || levelIndex >= levels.size())
        return {};
    return levels.at(levelIndex).toMap().value(QStringLiteral("items")).toStringList();
}

QVariantMap ZTDataProvider::additionalLevelDataForTestWithName(const QString& name, int levelIndex) const
{
    const QVariantList levels = levelRecordsForTestWithName(name);
    if (levelIndex < 0 || levelIndex >= levels.size())
        return {};
    return levels.at(levelIndex).toMap().value(QStringLiteral("additionalData")).toMap();
}

QVariantList ZTDataProvider::itemsForLevelEditor() const
{
    QVariantList rows;
    for (const QVariant& entry : snapshot()->tests) {
        const QVariantMap test = entry.toMap();
        rows << QVariantMap{{QStringLiteral("isGroup"), true},
                            {QStringLiteral("name"), test.value(QStringLiteral("name"))}};
        for (const QString& level : levelNamesOf(test))
            rows << QVariantMap{{QStringLiteral("isGroup"), false}, {QStringLiteral("name"), level}};
    }
    return rows;
}

QVariantMap ZTDataProvider::chordDictWithChordId(const QString& chordId) const
{
    for (const QVariant& item : testWithName(kChordRecognition).value(QStringLiteral("items")).toList()) {
        const QVariantMap map = item.toMap();
        const auto id = map.constFind(QStringLiteral("chordId"));
        if (id != map.cend() && id->toString() == chordId)
            return map;
    }
    return {};
}

QStringList ZTDataProvider::chordIds() const
{
    QStringList ids;
    for (const QVariant& item : testWithName(kChordRecognition).value(QStringLiteral("items")).toList())
        ids << item.toMap().value(QStringLiteral("chordId")).toString();
    return ids;
}

QStringList ZTDataProvider::chordNames() const
{
    QStringList names;
    for (const QString& name : itemNamesOf(testWithName(kChordRecognition)))
        names << localized(name);
    return names;
}
