#include "PreferencesFixture.h"

#include "FMDatabase.h"
#include "FMResultSet.h"
#include "ZTDataProvider.h"
#include "PlistValues.h"
#include "ZTUtils.h"

namespace {

QVariantMap item(const QString& name, const QString& group = "g1")
{
    return {{"name", name}, {"group", group}, {"level", qlonglong(0)},
            {"definition", QVariantList{QVariantMap{{"notes", QVariantList{}}}}}};
}

QVariantMap level(const QString& name, const QStringList& items, const QString& test)
{
    return {{"name", name}, {"items", QVariant(items).toList()}, {"testName", test}};
}

QStringList names(const QVariantList& records)
{
    QStringList list;
    for (const QVariant& record : records)
        list << record.toMap().value("name").toString();
    return list;
}

QStringList levelItems(const QVariant& level)
{
    return level.toMap().value("items").toStringList();
}

class CustomListsTest : public PreferencesTestBase {
protected:
    void SetUp() override
    {
        PreferencesTestBase::SetUp();
        ZTDataProvider::sharedDataProvider()->setup();
        ZTUtils::resetSharedDbForTesting();
        ASSERT_TRUE(statsDb() && statsDb()->open());
    }
    void TearDown() override
    {
        ZTUtils::resetSharedDbForTesting();
        PreferencesTestBase::TearDown();
    }

    FMDatabase* statsDb()
    {
        FMDatabase* db = ZTUtils::sharedDb();
        EXPECT_NE(db, nullptr);
        return db;
    }
    void addRows(const QString& test, const QString& itemName, int results)
    {
        FMDatabase* db = statsDb();
        ASSERT_TRUE(db->executeUpdate("INSERT INTO stats (testName, itemName, right, wrong) VALUES (?, ?, 1, 0)",
                                      {test, itemName}));
        for (int i = 0; i < results; ++i)
            ASSERT_TRUE(db->executeUpdate(
                "INSERT INTO results (testName, itemName, result, numTryouts, date) VALUES (?, ?, 1, 1, '2024-01-01')",
                {test, itemName}));
    }
    // Rows of (stats, results) for one item.
    std::pair<int, int> rows(const QString& test, const QString& itemName)
    {
        auto count = [&](const QString& table) {
            auto rs = statsDb()->executeQuery("SELECT COUNT(*) FROM " + table + " WHERE testName=? AND itemName=?",
                                              {test, itemName});
            return rs && rs->next() ? rs->intForColumnIndex(0) : -1;
        };
        return {count("stats"), count("results")};
    }
};

} // namespace

TEST_F(CustomListsTest, RebuildsLeaveOneEntryPerCustomExerciseInTheFixedOrder)
{
    ZTPreferences* p = prefs();
    NotificationLog log({"customExercisesChangedNotification"});
    p->addCustomExercise(item("Mine"), "Chord recognition");
    const QStringList order{"Scale recognition", "Chord recognition", "Chord progressions"};
    QVariantList list = p->customExercises();
    EXPECT_EQ(names(list), order);
    EXPECT_TRUE(list[0].toMap().value("items").toList().isEmpty());
    EXPECT_EQ(names(list[1].toMap().value("items").toList()), QStringList{"Mine"});
    EXPECT_TRUE(list[2].toMap().value("items").toList().isEmpty());
    EXPECT_TRUE(p->exercisesWereChangedDuringLastSync());
    EXPECT_TRUE(p->exercisesModificationDate().isValid());
    EXPECT_FALSE(p->prefsWereChangedDuringLastSync());
    // Written before it is announced; the catalogue picks the item up on the notification.
    EXPECT_TRUE(PlistValues::objectsEqual(settingsFile().value("customExercises"), list));
    queue.advance(0.5);
    EXPECT_EQ(log.entries.size(), 1u);
    EXPECT_TRUE(ZTDataProvider::sharedDataProvider()->exerciseNamesForTestWithName("Chord recognition").contains("Mine"));

    // Entries of other names and items for other exercises do not survive a rebuild.
    p->setCustomExercises(QVariantList{QVariantMap{{"name", "Elsewhere"}, {"items", QVariantList{item("X")}}},
                                       QVariantMap{{"name", "Scale recognition"}, {"items", QVariantList{item("S")}}}});
    p->setCustomExercises(QVariantList{item("B"), item("A")}, "Chord recognition");
    p->addCustomExercise(item("Y"), "Melodies");
    EXPECT_EQ(names(p->customExercises()), order);
    EXPECT_EQ(names(p->customExercisesForTestWithName("Scale recognition")), QStringList{"S"});
    EXPECT_EQ(names(p->customExercisesForTestWithName("Chord recognition")), (QStringList{"B", "A"}));
    EXPECT_TRUE(p->customExerciseWithIndex(0, "Chord progressions").isEmpty());
    EXPECT_TRUE(p->customExerciseWithIndex(5, "Chord progressions").isEmpty());
}

TEST_F(CustomListsTest, RenamingAChordFollowsIntoLevelsAndStatistics)
{
    ZTPreferences* p = prefs();
    p->addCustomExercise(item("Old"), "Chord recognition");
    p->addCustomExercise(item("Other"), "Chord recognition");
    p->addCustomLevel(level("Both", {"Major", "Old", "Old"}, "Chord recognition"), "Chord recognition");
    p->addCustomLevel(level("Neither", {"Major"}, "Chord recognition"), "Chord recognition");
    p->addCustomLevel(level("Just it", {"Old"}, "Chord recognition"), "Chord recognition");
    addRows("Chord recognition", "Old", 2);
    addRows("Chord recognition", "Other", 1);
    addRows("Scale recognition", "Old", 1); // same name in another exercise stays
    queue.advance(1);

    NotificationLog log({"ZTStatsChangedNotification", "customExercisesChangedNotification",
                         "customLevelsChangedNotification"});
    p->replaceExerciseName("New", 0, "Chord recognition");
    EXPECT_EQ(log.names(), QStringList{"ZTStatsChangedNotification"});
    EXPECT_EQ(log.entries[0].object.value<ZTPreferences*>(), p);

    EXPECT_EQ(names(p->customExercisesForTestWithName("Chord recognition")), (QStringList{"New", "Other"}));
    const QVariantList levels = p->customLevelsForTestWithName("Chord recognition");
    EXPECT_EQ(levelItems(levels[0]), (QStringList{"Major", "New", "Old"})); // only the first occurrence
    EXPECT_EQ(levelItems(levels[1]), QStringList{"Major"});
    EXPECT_EQ(levelItems(levels[2]), QStringList{"New"});
    EXPECT_EQ(rows("Chord recognition", "New"), std::make_pair(1, 2));
    EXPECT_EQ(rows("Chord recognition", "Old"), std::make_pair(0, 0));
    EXPECT_EQ(rows("Chord recognition", "Other"), std::make_pair(1, 1));
    EXPECT_EQ(rows("Scale recognition", "Old"), std::make_pair(1, 1));

    queue.advance(0.5);
    EXPECT_EQ(log.count("customExercisesChangedNotification"), 1);
    EXPECT_EQ(log.count("customLevelsChangedNotification"), 2); // one per rewritten level

    // The same name again: no level changes, but the statistics are still announced.
    p->replaceExerciseName("New", 0, "Chord recognition");
    EXPECT_EQ(log.count("ZTStatsChangedNotification"), 2);
    EXPECT_EQ(rows("Chord recognition", "New"), std::make_pair(1, 2));
    queue.advance(0.5);
    EXPECT_EQ(log.count("customLevelsChangedNotification"), 2);
}

TEST_F(CustomListsTest, DeletingAScaleRemovesItFromLevelsAndStatistics)
{
    ZTPreferences* p = prefs();
    p->addCustomExercise(item("Gone"), "Scale recognition");
    p->addCustomExercise(item("Kept"), "Scale recognition");
    p->addCustomLevel(level("L1", {"Gone", "Kept", "Gone"}, "Scale recognition"), "Scale recognition");
    p->addCustomLevel(level("L2", {"Kept"}, "Scale recognition"), "Scale recognition");
    addRows("Scale recognition", "Gone", 3);
    addRows("Scale recognition", "Kept", 1);

    NotificationLog log({"ZTStatsChangedNotification"});
    p->deleteExerciseWithIndex(0, "Scale recognition");
    EXPECT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(names(p->customExercisesForTestWithName("Scale recognition")), QStringList{"Kept"});
    const QVariantList levels = p->customLevelsForTestWithName("Scale recognition");
    EXPECT_EQ(levelItems(levels[0]), (QStringList{"Kept", "Gone"}));
    EXPECT_EQ(levelItems(levels[1]), QStringList{"Kept"});
    EXPECT_EQ(rows("Scale recognition", "Gone"), std::make_pair(0, 0));
    EXPECT_EQ(rows("Scale recognition", "Kept"), std::make_pair(1, 1));

    // With the database closed the lists still change.
    statsDb()->close();
    p->deleteExerciseWithIndex(0, "Scale recognition");
    EXPECT_TRUE(p->customExercisesForTestWithName("Scale recognition").isEmpty());
    EXPECT_EQ(log.entries.size(), 2u);
}

TEST_F(CustomListsTest, AddingALevelGivesEveryCatalogueExerciseAnEntry)
{
    writeSettingsFile({{"customLevels", QVariantList{QVariantMap{
                                            {"name", "Melodies"},
                                            {"levels", QVariantList{level("M", {"a"}, "Melodies")}}}}}});
    ZTPreferences* p = prefs();
    NotificationLog log({"customLevelsChangedNotification"});
    p->addCustomLevel(level("I", {"x"}, "Interval recognition"), "Interval recognition");
    const QVariantList list = p->customLevels();
    EXPECT_EQ(names(list), ZTDataProvider::sharedDataProvider()->testNames());
    EXPECT_EQ(names(p->customLevelsForTestWithName("Melodies")), QStringList{"M"});
    EXPECT_EQ(names(p->customLevelsForTestWithName("Interval recognition")), QStringList{"I"});
    EXPECT_TRUE(p->customLevelsForTestWithName("Chord progressions").isEmpty());
    EXPECT_TRUE(p->levelsWereChangedDuringLastSync());
    EXPECT_TRUE(p->levelsModificationDate().isValid());
    queue.advance(0.5);
    EXPECT_EQ(log.entries.size(), 1u);
    EXPECT_TRUE(ZTDataProvider::sharedDataProvider()->isLevel("custom_I", "Interval recognition"));

    // An exercise the catalogue does not know would take every other level down with it.
    LogCapture logs;
    p->addCustomLevel(level("Z", {}, "Nowhere"), "Nowhere");
    EXPECT_TRUE(logs.contains("not in the exercise catalogue"));
    EXPECT_EQ(names(p->customLevelsForTestWithName("Melodies")), QStringList{"M"});
}

TEST_F(CustomListsTest, ReplaceAndDeleteFindTheirEntryByName)
{
    // Lists from another installation: other exercises, another order.
    const QVariantList exercises{
        QVariantMap{{"name", "Chord recognition"}, {"items", QVariantList{item("C1"), item("C2")}}},
        QVariantMap{{"name", "Chord progressions"}, {"items", QVariantList{item("P")}}},
    };
    const QVariantList levels{
        QVariantMap{{"name", "Somebody else's exercise"}, {"levels", QVariantList{level("S", {"C1"}, "x")}}},
        QVariantMap{{"name", "Chord recognition"}, {"levels", QVariantList{level("A", {"C1"}, "Chord recognition"),
                                                                           level("B", {"C2"}, "Chord recognition")}}},
    };
    writeSettingsFile({{"customExercises", exercises}, {"customLevels", levels}});
    ZTPreferences* p = prefs();

    p->replaceExerciseName("C1 renamed", 0, "Chord recognition");
    EXPECT_EQ(names(p->customExercisesForTestWithName("Chord recognition")), (QStringList{"C1 renamed", "C2"}));
    EXPECT_EQ(names(p->customExercisesForTestWithName("Chord progressions")), QStringList{"P"});
    EXPECT_EQ(levelItems(p->customLevelWithIndex(0, "Chord recognition")), QStringList{"C1 renamed"});
    EXPECT_EQ(levelItems(p->customLevelsForTestWithName("Somebody else's exercise")[0]), QStringList{"C1"});

    p->replaceLevelName("B2", 1, "Chord recognition");
    EXPECT_EQ(names(p->customLevelsForTestWithName("Chord recognition")), (QStringList{"A", "B2"}));
    p->deleteLevelWithIndex(0, "Chord recognition");
    EXPECT_EQ(names(p->customLevelsForTestWithName("Chord recognition")), QStringList{"B2"});
    EXPECT_EQ(names(p->customLevelsForTestWithName("Somebody else's exercise")), QStringList{"S"});

    p->deleteExerciseWithIndex(1, "Chord recognition");
    EXPECT_EQ(names(p->customExercisesForTestWithName("Chord recognition")), QStringList{"C1 renamed"});
    EXPECT_TRUE(levelItems(p->customLevelWithIndex(0, "Chord recognition")).isEmpty());
    EXPECT_EQ(names(p->customExercises()), (QStringList{"Chord recognition", "Chord progressions"}));

    // Indexes outside the list are refused without touching anything.
    const QVariantList before = p->customLevels();
    p->deleteLevelWithIndex(4, "Chord recognition");
    p->replaceCustomLevel(level("Q", {}, "Melodies"), 0, "Melodies");
    p->deleteExerciseWithIndex(-1, "Chord recognition");
    EXPECT_TRUE(PlistValues::objectsEqual(p->customLevels(), before));
    EXPECT_EQ(names(p->customExercisesForTestWithName("Chord recognition")), QStringList{"C1 renamed"});
}

TEST_F(CustomListsTest, RenamingTheChosenLevelKeepsItChosen)
{
    const QString test = "Interval recognition";
    writeSettingsFile({{"customLevels", QVariantList{QVariantMap{
                                            {"name", test},
                                            {"levels", QVariantList{level("Mine", {"Octave"}, test),
                                                                    level("Other", {"Octave"}, test)}}}}},
                       {test + ".level", "custom_Mine"},
                       {"Melodies.level", "custom_Mine"}});
    ZTPreferences* p = prefs();

    // Renaming a level that is not chosen leaves the choice alone.
    p->replaceLevelName("Other renamed", 1, test);
    EXPECT_EQ(p->stringForKey("level", test), "custom_Mine");

    p->replaceLevelName("Mine renamed", 0, test);
    EXPECT_EQ(p->stringForKey("level", test), "custom_Mine renamed");
    // Another exercise's choice of a level by the same name is its own.
    EXPECT_EQ(p->stringForKey("level", "Melodies"), "custom_Mine");
    queue.advance(0.5);
    EXPECT_TRUE(ZTDataProvider::sharedDataProvider()->isLevel("custom_Mine renamed", test));
    EXPECT_EQ(ZTDataProvider::sharedDataProvider()->levelIndexForName("custom_Mine renamed", test),
              ZTDataProvider::sharedDataProvider()->levelsForTestWithName(test).size());
}
