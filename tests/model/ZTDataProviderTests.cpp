#include "ZTDataProvider.h"
#include "ZTPreferences.h"

#include "Localization.h"
#include "NotificationCenter.h"
#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QVariantMap item(const QString& name, const QString& group = {}, int level = -1, QVariantMap extra = {})
{
    extra.insert(QStringLiteral("name"), name);
    if (!group.isEmpty())
        extra.insert(QStringLiteral("group"), group);
    if (level >= 0)
        extra.insert(QStringLiteral("level"), qlonglong(level));
    return extra;
}

QVariantMap group(const QString& id)
{
    return {{"id", id}, {"name", id.toUpper()}};
}

QVariantMap levelSetting(const QStringList& names, const QVariantList& additionalData = {})
{
    QVariantMap setting{{"name", "level"}, {"type", "select"}, {"values", names}, {"default", names.value(0)}};
    if (!additionalData.isEmpty())
        setting.insert("additionalData", additionalData);
    return setting;
}

QVariantMap exercise(const QString& name, const QVariantList& items, const QVariantList& groups = {},
                     const QVariantList& settings = {})
{
    QVariantMap test{{"name", name}, {"class", "ZTChord"}, {"items", items}, {"settings", settings}};
    if (!groups.isEmpty())
        test.insert("groups", groups);
    return test;
}

QVariantList notes(std::initializer_list<std::pair<int, int>> posOff)
{
    QVariantList list;
    for (auto [pos, off] : posOff)
        list << QVariantMap{{"pos", qlonglong(pos)}, {"off", qlonglong(off)}};
    return {QVariantMap{{"notes", list}}};
}

QStringList namesOf(const QVariantList& records)
{
    QStringList names;
    for (const QVariant& record : records)
        names << record.toMap().value("name").toString();
    return names;
}

// A catalogue with custom lists the test controls, over a bundle whose Tests.plist it writes.
struct Fixture {
    TestEnvironment env;
    QString bundle = env.copyOfResources();
    QHash<QString, QVariantList> customItems;
    QHash<QString, QVariantList> customLevels;
    ZTDataProvider catalogue{ZTDataProvider::CustomListSource{
        [this](const QString& test) { return customItems.value(test); },
        [this](const QString& test) { return customLevels.value(test); }}};

    void writeTests(const QVariantList& tests)
    {
        ASSERT_TRUE(PropertyList::writeFileAtomically(bundle + "/Tests.plist", tests));
    }
    void writeBytes(const QByteArray& bytes)
    {
        QFile file(bundle + "/Tests.plist");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
};

} // namespace

TEST(ZTDataProvider, BuiltInLevelsAreCumulativeWithIdsNamesAndAdditionalData)
{
    Fixture f;
    QFile strings(f.bundle + "/strings/en.json");
    ASSERT_TRUE(strings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    strings.write(R"json({"Easy": "Easy (shown)"})json");
    strings.close();
    Localization::reload();

    const QVariantList additional{QVariantMap{}, QVariantMap{{"scales", QStringList{"Blues"}}, {"numTones", 3}}};
    f.writeTests({exercise("Scales", {item("x"), item("z", {}, 2), item("y", {}, 1)}, {},
                           {QVariantMap{{"name", "tempo"}}, levelSetting({"Easy", "Medium", "Hard"}, additional)}),
                  exercise("Plain", {item("p")})});
    f.customLevels["Plain"] = {QVariantMap{{"name", "Mine"}, {"items", QStringList{"p"}}}};
    f.catalogue.setup();

    const QVariantList levels = f.catalogue.levels().value("Scales").toList();
    ASSERT_EQ(levels.size(), 3);
    const QVariantMap l0 = levels[0].toMap(), l1 = levels[1].toMap(), l2 = levels[2].toMap();
    EXPECT_EQ(l0.value("items").toStringList(), QStringList({"x"}));
    EXPECT_EQ(l1.value("items").toStringList(), QStringList({"x", "y", "Blues"}));
    EXPECT_EQ(l2.value("items").toStringList(), QStringList({"x", "z", "y"}));
    EXPECT_EQ(QStringList({l0.value("id").toString(), l1.value("id").toString(), l2.value("id").toString()}),
              QStringList({"int_0", "int_1", "int_2"}));
    EXPECT_EQ(l0.value("name").toString(), "Easy (shown)");
    EXPECT_EQ(f.catalogue.levelsForTestWithName("Scales"), QStringList({"Easy", "Medium", "Hard"}));
    // additionalData only where the list reaches; an empty entry is still data.
    EXPECT_TRUE(l0.contains("additionalData"));
    EXPECT_EQ(l1.value("additionalData").toMap().value("numTones").toInt(), 3);
    EXPECT_FALSE(l2.contains("additionalData"));
    EXPECT_EQ(f.catalogue.additionalLevelDataForTestWithName("Scales", 1).value("numTones").toInt(), 3);

    // An exercise without a level setting has only its custom levels.
    EXPECT_EQ(namesOf(f.catalogue.levels().value("Plain").toList()), QStringList({"Mine"}));
    EXPECT_TRUE(f.catalogue.firstLevelForTestWithName("Plain").isNull());
    EXPECT_EQ(f.catalogue.itemsForTestWithName("Scales", 3), QStringList());
}

TEST(ZTDataProvider, CustomLevelsFollowBuiltInOnesAndUnknownIdsFallBackToTheFirst)
{
    Fixture f;
    f.writeTests({exercise("Melody", {item("a"), item("b", {}, 1)}, {}, {levelSetting({"One", "Two"})})});
    f.customLevels["Melody"] = {
        QVariantMap{{"name", "Short"}, {"items", QStringList{"b"}},
                    {"additionalData", QVariantMap{{"numTones", 2}, {"octaves", 1}}}},
        QVariantMap{{"name", "All of it"}, {"items", QStringList{"a", "b"}}}};
    f.catalogue.setup();

    const QVariantList levels = f.catalogue.levels().value("Melody").toList();
    ASSERT_EQ(levels.size(), 4);
    EXPECT_EQ(levels[2].toMap().value("id").toString(), "custom_Short");
    EXPECT_EQ(levels[3].toMap().value("id").toString(), "custom_All of it");
    EXPECT_EQ(levels[2].toMap().value("additionalData").toMap().value("numTones").toInt(), 2);
    EXPECT_FALSE(levels[3].toMap().contains("additionalData"));
    EXPECT_EQ(f.catalogue.itemsForTestWithName("Melody", 3), QStringList({"a", "b"}));

    EXPECT_EQ(f.catalogue.levelIndexForName("custom_All of it", "Melody"), 3);
    EXPECT_EQ(f.catalogue.levelIndexForName("custom_Gone", "Melody"), 0);
    EXPECT_FALSE(f.catalogue.isLevel("int_2", "Melody"));
}

TEST(ZTDataProvider, CustomItemsJoinTheirGroupsInGroupOrder)
{
    Fixture f;
    f.writeTests({exercise("Chord recognition",
                           {item("Major", "triads", -1, {{"chordId", "maj"}}), item("Dom7", "sevenths", -1, {{"chordId", "7"}}),
                            item("Minor", "triads", -1, {{"chordId", "min"}})},
                           {group("triads"), group("empty"), group("sevenths")})});
    f.customItems["Chord recognition"] = {item("My seventh", "sevenths", -1, {{"chordId", "my7"}}),
                                          item("Lost", "no such group")};
    LogCapture log;
    f.catalogue.setup();

    EXPECT_EQ(f.catalogue.exerciseNamesForTestWithName("Chord recognition"),
              QStringList({"Major", "Minor", "Dom7", "My seventh"}));
    EXPECT_TRUE(log.contains("Lost"));
    EXPECT_EQ(f.catalogue.chordIds(), QStringList({"maj", "min", "7", "my7"}));
    EXPECT_EQ(f.catalogue.chordDictWithChordId("my7").value("name").toString(), "My seventh");
    EXPECT_EQ(f.catalogue.namesForGroup("sevenths", "Chord recognition"), QStringList({"Dom7", "My seventh"}));
}

TEST(ZTDataProvider, ItemsWithNotesOutsideWhatMusicUsesAreLeftOut)
{
    Fixture f;
    const QVariantList groups{group("g")};
    f.writeTests({exercise("Chord recognition",
                           {item("Fine", "g", -1, {{"definition", notes({{1, 0}, {3, -2}, {5, 2}, {15, 1}})}}),
                            item("Billions of flats", "g", -1, {{"definition", notes({{1, 0}, {3, -2000000000}})}}),
                            item("Triple sharp", "g", -1, {{"definition", notes({{1, 3}})}})},
                           groups),
                  QVariantMap{{"name", "Borrowing"}, {"class", "ZTChord"}, {"itemRef", "Chord recognition"}}});
    f.customItems["Chord recognition"] = {
        item("Synced", "g", -1, {{"definition", notes({{1, 0}, {5, -1}})}}),
        item("Synced huge", "g", -1, {{"definition", QVariantList{QVariantMap{
                                                       {"notes", QVariantList{QVariantMap{{"pos", 1}, {"off", 1e300}}}}}}}}),
        item("Synced far up", "g", -1, {{"definition", notes({{1000000000, 0}})}}),
        item("Synced no number", "g", -1, {{"definition", QVariantList{QVariantMap{
                                                            {"notes", QVariantList{QVariantMap{{"pos", 1}, {"off", qQNaN()}}}}}}}}),
    };
    LogCapture log;
    f.catalogue.setup();
    EXPECT_EQ(f.catalogue.exerciseNamesForTestWithName("Chord recognition"), QStringList({"Fine", "Synced"}));
    EXPECT_EQ(f.catalogue.exerciseNamesForTestWithName("Borrowing"), QStringList({"Fine", "Synced"}));
    EXPECT_TRUE(log.contains("\"Billions of flats\" has an accidental of -2000000000 semitones"))
        << log.lines().join('\n').toStdString();
    EXPECT_TRUE(log.contains("\"Synced far up\" has a scale degree of 1000000000"));
    EXPECT_EQ(log.lines().size(), 5);
}

TEST(ZTDataProvider, ItemRefBorrowsOnlyFromEarlierExercises)
{
    Fixture f;
    const QVariantMap before{{"name", "Chords on staff (before)"}, {"class", "ZTChord"}, {"itemRef", "Chord recognition"},
                             {"items", QVariantList{item("own")}}};
    QVariantMap after = before;
    after["name"] = "Chords on staff";
    QVariantMap dangling = before;
    dangling["name"] = "Dangling";
    dangling["itemRef"] = "Nothing";
    f.writeTests({before,
                  exercise("Chord recognition", {item("Major", "triads")}, {group("triads")}),
                  after, dangling});
    f.customItems["Chord recognition"] = {item("Custom", "triads")};
    f.catalogue.setup();

    EXPECT_EQ(f.catalogue.exerciseNamesForTestWithName("Chords on staff (before)"), QStringList({"own"}));
    EXPECT_EQ(f.catalogue.exerciseNamesForTestWithName("Chords on staff"), QStringList({"Major", "Custom"}));
    EXPECT_EQ(f.catalogue.groupsForTestWithName("Chords on staff").size(), 1);
    EXPECT_EQ(f.catalogue.exerciseNamesForTestWithName("Dangling"), QStringList({"own"}));
}

TEST(ZTDataProvider, LookupsAnswerNoneForUnknownNamesAndIndexes)
{
    Fixture f;
    QVariantMap interval = exercise("Interval recognition", {item("Fifth"), item("Fourth")});
    interval["class"] = "ZTInterval";
    interval["questionType"] = "staff";
    f.writeTests({interval, exercise("Chord progressions", {})});
    f.catalogue.setup();

    EXPECT_EQ(f.catalogue.controllerClassNameForTestWithName("Interval recognition"), "ZTIntervalController");
    EXPECT_EQ(f.catalogue.indexForTestWithName("Chord progressions"), 1);

    // Unknown names and indexes answer "none" rather than a made-up record or "Controller".
    EXPECT_TRUE(f.catalogue.testWithName("Nope").isEmpty());
    EXPECT_TRUE(f.catalogue.controllerClassNameForTestWithName("Nope").isNull());
    EXPECT_TRUE(f.catalogue.controllerClassNameForTestWithIndex(7).isNull());
    EXPECT_EQ(f.catalogue.indexForTestWithName("Nope"), -1);
    EXPECT_TRUE(f.catalogue.itemForTest("Interval recognition", "Sixth").isEmpty());
    // No "Chord recognition" here; an empty id must not match items that have none.
    EXPECT_TRUE(f.catalogue.chordDictWithChordId({}).isEmpty());

    EXPECT_EQ(f.catalogue.indexForCustomExerciseTestWithName("Chord progressions"), 2);
    EXPECT_EQ(f.catalogue.indexForCustomExerciseTestWithName("Interval recognition"), -1);
    // Without groups every item belongs to any group id.
    EXPECT_EQ(f.catalogue.namesForGroup("whatever", "Interval recognition"), QStringList({"Fifth", "Fourth"}));
}

TEST(ZTDataProvider, FindsAnExistingItemWithTheSameDefinition)
{
    Fixture f;
    f.writeTests({exercise("Chord recognition",
                           {item("Major", "t", -1, {{"definition", notes({{1, 0}, {3, 0}, {5, 0}})}}),
                            item("Minor", "t", -1, {{"definition", notes({{1, 0}, {3, -1}, {5, 0}})}})},
                           {group("t")}),
                  exercise("Chord progressions",
                           {item("I-V", "p", -1, {{"definition", QVariantList{QVariantMap{{"step", 0LL}, {"chordId", "maj"}},
                                                                                QVariantMap{{"step", 7LL}, {"chordId", "maj"}}}}})},
                           {group("p")})});
    f.catalogue.setup();

    // Numbers made in code (int) must match those read from the file (qlonglong).
    QVariantList candidateNotes;
    for (auto [pos, off] : {std::pair{1, 0}, {3, -1}, {5, 0}})
        candidateNotes << QVariantMap{{"pos", pos}, {"off", off}};
    const QVariantMap candidate{{"name", "mine"}, {"definition", QVariantList{QVariantMap{{"notes", candidateNotes}}}}};
    EXPECT_EQ(f.catalogue.nameForExercise(candidate, "Chord recognition"), "Minor");
    EXPECT_TRUE(f.catalogue.nameForExercise({{"name", "no definition"}}, "Chord recognition").isNull());

    const QVariantMap progression{{"definition", QVariantList{QVariantMap{{"step", 0}, {"chordId", "maj"}},
                                                             QVariantMap{{"step", 7}, {"chordId", "maj"}}}}};
    EXPECT_EQ(f.catalogue.nameForExercise(progression, "Chord progressions"), "I-V");
    const QVariantMap otherChord{{"definition", QVariantList{QVariantMap{{"step", 0}, {"chordId", "maj"}},
                                                            QVariantMap{{"step", 7}, {"chordId", "7"}}}}};
    EXPECT_TRUE(f.catalogue.nameForExercise(otherChord, "Chord progressions").isNull());
    EXPECT_TRUE(f.catalogue._isDefinition(120LL, 120, "Tempo"));
}

TEST(ZTDataProvider, DuplicateChecksLookAtRawNamesAndAtDegreesAndAccidentalsOnly)
{
    // As the bundle has chords: one note per step, "pos" and "off" only.
    const auto chord = [](std::initializer_list<std::pair<int, int>> posOff) {
        QVariantList steps;
        for (auto [pos, off] : posOff)
            steps << QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", qlonglong(pos)}, {"off", qlonglong(off)}}}}};
        return steps;
    };
    Fixture f;
    f.writeTests({exercise("Chord recognition",
                           {item("Major", "t", -1, {{"definition", chord({{1, 0}, {3, 0}, {5, 0}})}}),
                            item("Minor", "t", -1, {{"definition", chord({{1, 0}, {3, -1}, {5, 0}})}})},
                           {group("t")})});
    f.catalogue.setup();

    // An item whose shown name differs from its raw one is taken under both.
    QFile strings(f.bundle + "/strings/en.json");
    ASSERT_TRUE(strings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    strings.write(R"json({"Minor": "Moll"})json");
    strings.close();
    Localization::reload();
    EXPECT_TRUE(f.catalogue.hasExerciseWithName("Moll", "Chord recognition"));
    EXPECT_TRUE(f.catalogue.hasExerciseWithName("Minor", "Chord recognition"));
    EXPECT_FALSE(f.catalogue.hasExerciseWithName("minor", "Chord recognition"));

    // The editor writes "note" beside "pos" and "off"; the bundle has none. Still the same notes.
    QVariantList edited;
    for (auto [pos, off, semitones] : {std::tuple{1, 0, 0}, {3, -1, 3}, {5, 0, 7}})
        edited << QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", pos}, {"off", off}, {"note", semitones}}}},
                              {"name", ""}};
    EXPECT_EQ(f.catalogue.nameForExercise({{"definition", edited}}, "Chord recognition"), "Minor");

    // Another accidental, another degree or another number of notes is another chord.
    QVariantList raised = edited;
    raised[1] = QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 3}, {"off", 0}, {"note", 3}}}}};
    EXPECT_EQ(f.catalogue.nameForExercise({{"definition", raised}}, "Chord recognition"), "Major");
    QVariantList suspended = edited;
    suspended[1] = QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 4}, {"off", -1}, {"note", 4}}}}};
    EXPECT_TRUE(f.catalogue.nameForExercise({{"definition", suspended}}, "Chord recognition").isNull());
    EXPECT_TRUE(f.catalogue.nameForExercise({{"definition", edited.mid(0, 2)}}, "Chord recognition").isNull());
}

TEST(ZTDataProvider, UnusableTestsFileLogsAndLeavesAnEmptyCatalogue)
{
    Fixture f;
    const QVariantList good{exercise("Interval recognition", {item("Fifth")}, {}, {levelSetting({"One"})})};
    const QByteArray xml = PropertyList::toXml(good);

    struct Case {
        const char* what;
        QByteArray bytes;
        const char* logFragment;
    };
    const Case cases[] = {
        {"truncated", xml.left(xml.size() / 2), "Could not read Tests.plist"},
        {"garbage", QByteArray("\x00\x01 not a plist", 15), "Could not read Tests.plist"},
        {"dictionary", PropertyList::toXml(QVariantMap{{"name", "x"}}), "not a list of exercises"},
        {"missing", QByteArray(), "Tests.plist not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        f.writeTests(good);
        f.catalogue.setup();
        ASSERT_EQ(f.catalogue.tests().size(), 1);
        if (c.bytes.isNull())
            QFile::remove(f.bundle + "/Tests.plist");
        else
            f.writeBytes(c.bytes);
        LogCapture log;
        f.catalogue.setup();
        EXPECT_TRUE(log.contains(c.logFragment)) << log.lines().join('\n').toStdString();
        EXPECT_TRUE(f.catalogue.tests().isEmpty());
        EXPECT_TRUE(f.catalogue.levels().isEmpty());
    }

    // Entries that are no exercise records are left out, the rest stays.
    f.writeTests({QString("stray"), good[0]});
    LogCapture log;
    f.catalogue.setup();
    EXPECT_EQ(f.catalogue.testNames(), QStringList({"Interval recognition"}));
    EXPECT_TRUE(log.contains("entry 0"));
}

TEST(ZTDataProvider, RebuildsWhenEitherCustomListChanges)
{
    ManualMainQueue queue;
    Fixture f;
    f.writeTests({exercise("Scale recognition", {item("Major", "s")}, {group("s")}, {levelSetting({"One"})})});
    f.catalogue.setup();
    ASSERT_EQ(f.catalogue.exerciseNamesForTestWithName("Scale recognition"), QStringList({"Major"}));

    f.customItems["Scale recognition"] = {item("Mine", "s")};
    NotificationCenter::defaultCenter().postAfter(0.5, {"customExercisesChangedNotification", nullptr, {}, {}});
    queue.advance(0.4);
    EXPECT_EQ(f.catalogue.exerciseNamesForTestWithName("Scale recognition"), QStringList({"Major"}));
    queue.advance(0.2);
    EXPECT_EQ(f.catalogue.exerciseNamesForTestWithName("Scale recognition"), QStringList({"Major", "Mine"}));

    f.customLevels["Scale recognition"] = {QVariantMap{{"name", "Only mine"}, {"items", QStringList{"Mine"}}}};
    NotificationCenter::defaultCenter().post("customLevelsChangedNotification", &f);
    EXPECT_TRUE(f.catalogue.isLevel("custom_Only mine", "Scale recognition"));
}

TEST(ZTDataProvider, SharedCatalogueFollowsTheSettingsStore)
{
    ManualMainQueue queue;
    TestEnvironment env;
    const QString bundle = env.copyOfResources();
    ASSERT_TRUE(PropertyList::writeFileAtomically(
        bundle + "/Tests.plist",
        QVariantList{exercise("Interval recognition", {item("Fifth")}, {}, {levelSetting({"One"})}),
                     exercise("Scale recognition", {item("Major", "s")}, {group("s")}, {levelSetting({"One"})}),
                     exercise("Chord recognition", {item("Major", "t")}, {group("t")}),
                     exercise("Chord progressions", {item("I-V", "p")}, {group("p")})}));
    ZTPreferences::resetSharedForTesting();
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    catalogue->setup();
    ASSERT_EQ(catalogue->testNames().size(), 4);

    prefs->addCustomExercise(item("Mine", "s"), "Scale recognition");
    prefs->addCustomLevel(QVariantMap{{"name", "Just mine"}, {"items", QStringList{"Mine"}}, {"testName", "Scale recognition"}},
                          "Scale recognition");
    queue.advance(0.6);
    EXPECT_EQ(catalogue->exerciseNamesForTestWithName("Scale recognition"), QStringList({"Major", "Mine"}));
    EXPECT_EQ(namesOf(catalogue->levels().value("Scale recognition").toList()), QStringList({"One", "Just mine"}));

    ZTPreferences::resetSharedForTesting();
}
