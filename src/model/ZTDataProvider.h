#pragma once

#include "NotificationCenter.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>

// The exercise catalogue: the bundle's exercise definitions (Tests.plist) merged with the
// user's custom items, plus every exercise's levels (cumulative built-in levels followed by
// the user's custom levels). It rebuilds itself whenever either custom list changes.
//
// Records are handed out as the catalogue's own values: an empty map, list or null string
// stands for "none" (an unknown exercise, item or index).
class ZTDataProvider {
public:
    // Where the user's custom items and custom levels come from. The shared catalogue reads
    // them from the settings store; a catalogue made with other sources stands on its own.
    struct CustomListSource {
        std::function<QVariantList(const QString& testName)> customExercisesForTestWithName;
        std::function<QVariantList(const QString& testName)> customLevelsForTestWithName;
    };

    static ZTDataProvider* sharedDataProvider();
    // The custom lists of the settings store, where the shared catalogue reads them.
    static CustomListSource preferencesSource();
    // The level id under which a custom level of that name is chosen and stored.
    static QString customLevelId(const QString& levelName);

    // Registers for the custom-list change notifications; does not build the catalogue.
    ZTDataProvider();
    explicit ZTDataProvider(CustomListSource source);
    ZTDataProvider(const ZTDataProvider&) = delete;
    ZTDataProvider& operator=(const ZTDataProvider&) = delete;
    ~ZTDataProvider();

    // Rebuilds exercises and levels from the bundle's Tests.plist.
    void setup();
    // A null name rebuilds from Tests.plist; a name rebuilds from the "questions" of the
    // stored exam of that name (an unknown exam leaves the catalogue as it is).
    void setUpWithExerciseName(const QString& name);
    void customExercisesChangedNotification(const Notification& notification);

    // Another source for the next rebuilds (the exam runner lays an exam's exercises over
    // the catalogue in memory this way, and puts the previous source back afterwards).
    const CustomListSource& customListSource() const { return source_; }
    void setCustomListSource(CustomListSource source) { source_ = std::move(source); }

    // Readers get a complete old or a complete new list, never a half-built one.
    QVariantList tests() const;
    void setTests(const QVariantList& tests);
    QVariantMap levels() const;
    void setLevels(const QVariantMap& levels);

    QStringList testNames() const;
    QStringList testNamesForCustomExercises() const;
    int indexForTestWithName(const QString& name) const;
    int indexForCustomExerciseTestWithName(const QString& name) const;
    QVariantMap testWithName(const QString& name) const;
    QString nameForTestWithIndex(int index) const;
    QString controllerClassNameForTestWithIndex(int index) const;
    QString controllerClassNameForTestWithName(const QString& name) const;
    QString questionTypeForTestWithName(const QString& name) const;
    QVariant answerTypesForTestWithName(const QString& name) const;

    QVariantList groupsForTestWithName(const QString& name) const;
    QString groupNameForGroupId(const QString& groupId, const QString& testName) const;
    QStringList namesForGroup(const QString& groupId, const QString& testName) const;
    QStringList exerciseNamesForTestWithName(const QString& name) const;
    QStringList allTestItemsForTestWithName(const QString& name) const;
    QVariantMap itemForTest(const QString& test, const QString& itemName) const;
    bool hasExerciseWithName(const QString& name, const QString& testName) const;
    QString nameForExercise(const QVariantMap& exercise, const QString& testName) const;
    bool _isDefinition(const QVariant& definition, const QVariant& otherDefinition,
                       const QString& testName) const;

    // Built-in level names (the "values" of the exercise's "level" setting).
    QStringList levelsForTestWithName(const QString& name) const;
    QStringList levelsForTestWithIndex(int index) const;
    QString levelNameForIndex(int index, const QString& testName) const;
    QString firstLevelForTestWithName(const QString& name) const;
    QVariantMap _additionalDataForLevelWithIndex(int index, const QString& testName) const;

    // Level records (built-in and custom) by id, name and index.
    bool isLevel(const QString& levelId, const QString& testName) const;
    int levelIndexForName(const QString& levelId, const QString& testName) const;
    bool hasLevelWithName(const QString& levelName, const QString& testName) const;
    QStringList itemsForTestWithName(const QString& name, int levelIndex) const;
    QVariantMap additionalLevelDataForTestWithName(const QString& name, int levelIndex) const;
    QVariantList itemsForLevelEditor() const;

    QVariantMap chordDictWithChordId(const QString& chordId) const;
    QStringList chordIds() const;
    QStringList chordNames() const;

private:
    struct Catalogue {
        QVariantList tests;
        QVariantMap levels;
        QHash<QString, int> indexByName; // first exercise of each name
    };

    std::shared_ptr<const Catalogue> snapshot() const;
    void publish(std::shared_ptr<const Catalogue> catalogue);
    void rebuild(const QVariantList& source);
    QVariantList mergedTests(const QVariantList& source) const;
    QVariantMap levelsForTests(const QVariantList& tests) const;
    QVariantList levelRecordsForTestWithName(const QString& name) const;

    CustomListSource source_;
    mutable std::mutex mutex_;
    std::shared_ptr<const Catalogue> catalogue_;
    NotificationObserver customExercisesObserver_;
    NotificationObserver customLevelsObserver_;
};
