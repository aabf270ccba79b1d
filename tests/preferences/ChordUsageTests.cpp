// A custom chord that custom chord progressions use: it cannot be deleted from under them, and
// a new short name follows it into their steps and automatic names.
#include "PreferencesTestSupport.h"

#include "Alert.h"
#include "FMDatabase.h"
#include "Paths.h"
#include "PropertyList.h"
#include "ZTCustomExercisesWindowController.h"
#include "ZTCustomListRows.h"
#include "ZTAbstractTestController.h"
#include "ZTDataProvider.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"
#include "ZTSidebarTableView.h"
#include "ZTTest.h"
#include "ZTUtils.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kChords = QStringLiteral("Chord recognition");
const QString kProgressions = QStringLiteral("Chord progressions");
const QString kAugmentedNinth = QStringLiteral("Augmented major ninth");
const QString kAutoNamed = QStringLiteral("I - vim - iim - V+maj9");
// A name the user typed, which another progression's new automatic name would take.
const QString kTyped = QStringLiteral("im - Vaug9");

QVariantMap note(qlonglong pos, qlonglong off, qlonglong semitones)
{
    return {{"name", ""}, {"notes", QVariantList{QVariantMap{{"pos", pos}, {"off", off}, {"note", semitones}}}}};
}

QVariantMap chord(const QString& name, const QString& chordId, qlonglong ninthOffset)
{
    return {{"name", name},
            {"definition", QVariantList{note(1, 0, 0), note(3, 0, 4), note(5, 1, 8), note(7, 0, 11),
                                        note(9, ninthOffset, 14 + ninthOffset)}},
            {"group", "0"}, {"level", 0LL}, {"isMinor", false}, {"chordId", chordId}};
}

QVariantMap step(qlonglong semitones, const QString& chordId)
{
    return {{"step", semitones}, {"chordId", chordId}};
}

QVariantMap progression(const QString& name, const QVariantList& steps)
{
    return {{"name", name}, {"definition", steps}, {"group", "0"}, {"level", "0"}, {"isMinor", false}};
}

class ChordUsageTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        PreferencesTest::SetUp();
        prefs()->setCustomExercises({chord(kAugmentedNinth, "+maj9", 0), chord("Lonely ninth", "x9", 1)}, kChords);
        prefs()->setCustomExercises(
            {progression(kAutoNamed, {step(0, ""), step(9, "m"), step(2, "m"), step(7, "+maj9")}),
             progression("Big finish", {step(0, ""), step(7, "+maj9")}),
             progression(kTyped, {step(0, ""), step(5, "")}),
             progression("im - V+maj9", {step(0, "m"), step(7, "+maj9")})},
            kProgressions);
        settle();
        ZTPreferencesWindowController::showWindowOnTab(QStringLiteral("customexercises"));
    }

    QStringList storedNames(const QString& test) const
    {
        QStringList names;
        for (const QVariant& item : prefs()->customExercisesForTestWithName(test))
            names << item.toMap().value("name").toString();
        return names;
    }
    QStringList chordIdsOf(int progressionIndex) const
    {
        QStringList ids;
        const QVariantMap item = prefs()->customExerciseWithIndex(progressionIndex, kProgressions);
        for (const QVariant& entry : item.value("definition").toList())
            ids << entry.toMap().value("chordId").toString();
        return ids;
    }
    // The custom lists as the settings file on disk holds them.
    static QVariantList storedInFile(const QString& test)
    {
        const QVariantMap file = PropertyList::readFile(QDir(Paths::applicationSupportFolder()).filePath("settings.plist"))
                                     .value_or(QVariant())
                                     .toMap();
        return ZTPreferences::itemsOfCustomExerciseList(file.value("customExercises").toList(), test);
    }
    void deleteRow(int row)
    {
        outlets().customExercisesTableView->selectRow(row);
        outlets().customExerciseMinusButton->click();
    }
    int chordRow(int index)
    {
        return ZTCustomListRows::tableIndexForTestGroup(kChords, controller()->exercisesArray()) + 1 + index;
    }
    // The first custom chord saved under another short name in its editor.
    void giveChordShortName(const QString& shortName)
    {
        ZTCustomExercisesWindowController editor;
        editor.setExerciseName(kChords);
        editor.setItem(prefs()->customExerciseWithIndex(0, kChords));
        editor.setItemIndex(0);
        editor.window()->show();
        editor.outlets().shortNameTextField->setText(shortName);
        editor.outlets().saveButton->click();
    }
};

TEST_F(ChordUsageTest, AChordThatProgressionsUseIsNotDeletedAndTheAlertNamesThem)
{
    deleteRow(chordRow(0));
    ASSERT_EQ(alerts_.size(), 1);
    const Alert::Request& alert = alerts_.first();
    EXPECT_TRUE(alert.message.contains(kAugmentedNinth)) << qPrintable(alert.message);
    EXPECT_TRUE(alert.informativeText.contains(kAutoNamed));
    EXPECT_TRUE(alert.informativeText.contains("Big finish"));
    EXPECT_TRUE(alert.informativeText.contains("im - V+maj9"));
    EXPECT_FALSE(alert.informativeText.contains(kTyped));
    // Cancel is the only way out: Return and Escape both choose it.
    EXPECT_EQ(alert.buttons, QStringList({"Cancel"}));
    EXPECT_EQ(alert.defaultButton, 0);
    EXPECT_EQ(alert.cancelButton, 0);

    settle();
    EXPECT_EQ(storedNames(kChords), QStringList({kAugmentedNinth, "Lonely ninth"}));
    EXPECT_EQ(chordIdsOf(0), QStringList({"", "m", "m", "+maj9"}));
    EXPECT_EQ(storedInFile(kChords).size(), 2);
    EXPECT_EQ(storedInFile(kProgressions).size(), 4);

    // A chord no progression uses goes as before, without a word.
    deleteRow(chordRow(1));
    EXPECT_EQ(alerts_.size(), 1);
    EXPECT_EQ(storedNames(kChords), QStringList({kAugmentedNinth}));
}

TEST_F(ChordUsageTest, ANewShortNameIsCarriedIntoTheProgressionsWithTheirAutomaticNames)
{
    ASSERT_TRUE(rows("SELECT itemName FROM stats", 1).isEmpty());
    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_TRUE(db && db->open());
    ASSERT_TRUE(db->executeUpdate("INSERT INTO stats (testName, itemName, right, wrong) VALUES (?, ?, 4, 2)",
                                  {kProgressions, kAutoNamed}));
    prefs()->addCustomLevel({{"name", "Cadences"}, {"items", QStringList{kTyped, kAutoNamed}}, {"testName", kProgressions}},
                            kProgressions);
    settle();

    ZTCustomExercisesWindowController editor;
    editor.setExerciseName(kChords);
    editor.setItem(prefs()->customExerciseWithIndex(0, kChords));
    editor.setItemIndex(0);
    editor.window()->show();
    editor.outlets().shortNameTextField->setText(QStringLiteral("aug9"));
    editor.outlets().saveButton->click();
    EXPECT_TRUE(alerts_.isEmpty());

    // Steps follow the chord; a name built from the chords follows too, unless another
    // progression has the new name; a typed one stays.
    EXPECT_EQ(prefs()->customExerciseWithIndex(0, kChords).value("chordId").toString(), QStringLiteral("aug9"));
    EXPECT_EQ(chordIdsOf(0), QStringList({"", "m", "m", "aug9"}));
    EXPECT_EQ(chordIdsOf(1), QStringList({"", "aug9"}));
    EXPECT_EQ(chordIdsOf(3), QStringList({"m", "aug9"}));
    EXPECT_EQ(storedNames(kProgressions), QStringList({"I - vim - iim - Vaug9", "Big finish", kTyped, "im - V+maj9"}));
    // The renamed progression keeps its statistics and its place in the custom level.
    EXPECT_EQ(rows("SELECT itemName, right, wrong FROM stats WHERE testName = ?", 3, {kProgressions}),
              QList<QStringList>({{"I - vim - iim - Vaug9", "4", "2"}}));
    EXPECT_EQ(prefs()->customLevelWithIndex(0, kProgressions).value("items").toStringList(),
              QStringList({kTyped, "I - vim - iim - Vaug9"}));

    // The settings file names the chord by its new short name in every step.
    QStringList fileIds;
    for (const QVariant& item : storedInFile(kProgressions))
        for (const QVariant& entry : item.toMap().value("definition").toList())
            fileIds << entry.toMap().value("chordId").toString();
    EXPECT_EQ(fileIds.count("aug9"), 3);
    EXPECT_FALSE(fileIds.contains("+maj9"));

    // The catalogue follows, and the chord is still the progressions' own: it stays.
    settle();
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    EXPECT_TRUE(catalogue->hasExerciseWithName("I - vim - iim - Vaug9", kProgressions));
    EXPECT_FALSE(catalogue->chordDictWithChordId("aug9").isEmpty());
    deleteRow(chordRow(0));
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_TRUE(alerts_.first().informativeText.contains("Big finish"));
    EXPECT_EQ(storedNames(kChords).size(), 2);
}

TEST_F(ChordUsageTest, AProgressionQuestionOnTheChordEndsUnscoredWhenTheChordGetsANewShortName)
{
    prefs()->setCurrentExercise(kProgressions);
    launch();
    ZTMainViewController* main = screen();
    auto lesson = [main] { return main->currentLessonController(); };
    // The question is the one progression of a level of its own.
    auto askFromLevelOf = [&](const QString& item) {
        prefs()->addCustomLevel({{"name", item}, {"items", QStringList{item}}}, kProgressions);
        settle();
        prefs()->setString(ZTDataProvider::customLevelId(item), "level", kProgressions);
        settle();
        main->nextAction(ZTMainViewController::Sender::Button);
        finishPlaying();
        ASSERT_TRUE(lesson()->testInProgress());
        ASSERT_EQ(lesson()->currentTest()->name(), item);
    };
    // Every row of the sidebar clicked, as answers.
    auto answerWithEveryRow = [&] {
        for (qlonglong row = 0; row < lesson()->numberOfRowsInTableView(); ++row) {
            main->tableView()->clickRow(row);
            finishPlaying();
        }
    };
    auto scored = [&] { return rows("SELECT itemName FROM results WHERE testName = ?", 1, {kProgressions}); };

    // The progression named after its chords takes the new name; the question asked under the
    // old one ends at once, before an answer could file a row under a name no item has.
    askFromLevelOf(kAutoNamed);
    giveChordShortName(QStringLiteral("aug9"));
    EXPECT_FALSE(lesson()->testInProgress());
    answerWithEveryRow();
    settle();
    EXPECT_EQ(lesson()->currentTest(), nullptr);
    answerWithEveryRow();
    EXPECT_TRUE(scored().isEmpty());
    EXPECT_TRUE(rows("SELECT itemName FROM stats", 1).isEmpty());

    // ▶ asks the progression under its new name, and its answer is filed under it.
    main->nextAction(ZTMainViewController::Sender::Button);
    finishPlaying();
    ASSERT_TRUE(lesson()->testInProgress());
    const QString renamed = QStringLiteral("I - vim - iim - Vaug9");
    EXPECT_EQ(lesson()->currentTest()->name(), renamed);
    answerWithEveryRow();
    EXPECT_EQ(scored(), QList<QStringList>({{renamed}}));

    // A progression with a name of the user's keeps it, but its steps are on the chord's new
    // short name: its question ends unscored too.
    askFromLevelOf(QStringLiteral("Big finish"));
    giveChordShortName(QStringLiteral("a9"));
    EXPECT_FALSE(lesson()->testInProgress());
    settle();
    answerWithEveryRow();
    EXPECT_EQ(scored().size(), 1) << "only the answer to the renamed progression, which moved along";

    // A question on other chords goes on.
    askFromLevelOf(kTyped);
    giveChordShortName(QStringLiteral("+9"));
    settle();
    EXPECT_TRUE(lesson()->testInProgress());
    EXPECT_EQ(lesson()->currentTest()->name(), kTyped);

    // Lists that arrive whole (from sync) end it once they are announced, when its steps changed.
    QVariantList progressions = prefs()->customExercisesForTestWithName(kProgressions);
    QVariantMap typed = progressions[2].toMap();
    ASSERT_EQ(typed.value("name").toString(), kTyped);
    typed.insert("definition", QVariantList{step(0, ""), step(7, "")});
    progressions[2] = typed;
    prefs()->setCustomExercises(progressions, kProgressions);
    EXPECT_TRUE(lesson()->testInProgress());
    settle();
    EXPECT_FALSE(lesson()->testInProgress());
    EXPECT_EQ(scored().size(), 1);
}

} // namespace
