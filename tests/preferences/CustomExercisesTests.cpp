// The Custom Exercises tab: the user's items listed by exercise, reordered by dragging,
// deleted with their statistics, and opened in their editor.
#include "PreferencesTestSupport.h"

#include "FMDatabase.h"
#include "ZTCustomChordProgressionsWindowController.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"

#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>

namespace {

const QString kScales = QStringLiteral("Scale recognition");
const QString kProgressions = QStringLiteral("Chord progressions");

QVariantMap progression(const QString& name, qlonglong secondStep)
{
    return {{"name", name},
            {"definition", QVariantList{QVariantMap{{"step", 0}, {"chordId", ""}}, QVariantMap{{"step", secondStep}, {"chordId", ""}}}},
            {"group", "0"}, {"level", "0"}, {"isMinor", false}};
}

class CustomExercisesTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        PreferencesTest::SetUp();
        prefs()->setCustomExercises({QVariantMap{{"name", "Scale A"}, {"group", "4"}}}, kScales);
        prefs()->setCustomExercises({progression("P1", 2), progression("P2", 4), progression("P3", 9)}, kProgressions);
        settle();
        ZTPreferencesWindowController::showWindowOnTab(QStringLiteral("customexercises"));
    }
    void TearDown() override
    {
        ZTEditorWindowController::setRunner({});
        PreferencesTest::TearDown();
    }

    ZTRowTableView* table() { return outlets().customExercisesTableView; }
    QStringList shownRows()
    {
        QStringList names;
        for (int row = 0; row < table()->model()->rowCount(); ++row)
            names << table()->model()->index(row, 0).data().toString();
        return names;
    }
    QStringList storedNames(const QString& test)
    {
        QStringList names;
        for (const QVariant& item : prefs()->customExercisesForTestWithName(test))
            names << item.toMap().value("name").toString();
        return names;
    }
    static FMDatabase* statsDb()
    {
        FMDatabase* db = ZTUtils::sharedDb();
        EXPECT_TRUE(db && db->open());
        return db;
    }
    // Drags row `from` and drops it above row `to`, as the table's model takes a drag.
    bool drag(int from, int to)
    {
        QAbstractItemModel* model = table()->model();
        std::unique_ptr<QMimeData> data(model->mimeData({model->index(from, 0)}));
        if (!data || !model->canDropMimeData(data.get(), Qt::MoveAction, to, 0, {}))
            return false;
        model->dropMimeData(data.get(), Qt::MoveAction, to, 0, {});
        return true;
    }
};

TEST_F(CustomExercisesTest, ItemsAreListedUnderTheirExercisesInStoredOrder)
{
    EXPECT_EQ(shownRows(), QStringList({"Scale recognition", "Scale A", "Chord progressions", "P1", "P2", "P3"}));
    const QVariantMap p2 = controller()->exercisesArray()[4].toMap();
    EXPECT_EQ(p2.value("index").toInt(), 1);
    EXPECT_EQ(p2.value("testName").toString(), kProgressions);
    EXPECT_EQ(p2.value("item").toMap().value("name").toString(), QStringLiteral("P2"));

    // The add pull-down offers the three exercises in catalogue order.
    QStringList offered;
    for (QAction* action : outlets().customExercisePlusButton->menu()->actions())
        offered << action->text();
    EXPECT_EQ(offered, QStringList({"Chord recognition", "Scale recognition", "Chord progressions"}));
}

TEST_F(CustomExercisesTest, RowsMoveOnlyWithinTheirOwnExercise)
{
    EXPECT_FALSE(drag(2, 5)); // a heading
    EXPECT_FALSE(drag(5, 0)); // above the first heading
    EXPECT_FALSE(drag(5, 2)); // into the scales
    EXPECT_FALSE(drag(5, 1));
    EXPECT_EQ(storedNames(kProgressions), QStringList({"P1", "P2", "P3"}));

    // Right below its heading it becomes the first item; at the very end, the last.
    EXPECT_TRUE(drag(5, 3));
    EXPECT_EQ(storedNames(kProgressions), QStringList({"P3", "P1", "P2"}));
    EXPECT_EQ(shownRows().mid(3), QStringList({"P3", "P1", "P2"}));
    EXPECT_EQ(controller()->exercisesArray()[3].toMap().value("index").toInt(), 0);
    EXPECT_TRUE(drag(3, 6));
    EXPECT_EQ(storedNames(kProgressions), QStringList({"P1", "P2", "P3"}));
    EXPECT_EQ(table()->selectedRow(), -1);
    EXPECT_EQ(storedNames(kScales), QStringList({"Scale A"}));
}

TEST_F(CustomExercisesTest, MinusDeletesTheItemWithItsStatisticsAndLevelEntries)
{
    FMDatabase* db = statsDb();
    for (const char* item : {"P2", "P3"})
        ASSERT_TRUE(db->executeUpdate("INSERT INTO stats (testName, itemName, right, wrong) VALUES (?, ?, 2, 1)",
                                      {kProgressions, QString::fromLatin1(item)}));
    prefs()->addCustomLevel({{"name", "Mine"}, {"items", QStringList{"P2", "I - V - I"}}, {"testName", kProgressions}},
                            kProgressions);

    table()->selectRow(-1);
    outlets().customExerciseMinusButton->click();
    EXPECT_EQ(storedNames(kProgressions).size(), 3);

    table()->selectRow(4);
    outlets().customExerciseMinusButton->click();
    EXPECT_EQ(storedNames(kProgressions), QStringList({"P1", "P3"}));
    EXPECT_EQ(shownRows().mid(3), QStringList({"P1", "P3"}));
    EXPECT_EQ(rows("SELECT itemName FROM stats WHERE testName = ?", 1, {kProgressions}), QList<QStringList>({{"P3"}}));
    EXPECT_EQ(prefs()->customLevelWithIndex(0, kProgressions).value("items").toStringList(), QStringList({"I - V - I"}));
}

TEST_F(CustomExercisesTest, ADoubleClickOpensTheItemsEditorAndASaveRenamesItsStatistics)
{
    ASSERT_TRUE(statsDb()->executeUpdate(
        "INSERT INTO stats (testName, itemName, right, wrong) VALUES (?, ?, 5, 0)", {kProgressions, QStringLiteral("P2")}));
    QString title;
    ZTEditorWindowController::setRunner([&](ZTEditorWindowController& editor) {
        auto* progressions = dynamic_cast<ZTCustomChordProgressionsWindowController*>(&editor);
        EXPECT_NE(progressions, nullptr);
        if (!progressions)
            return 0;
        title = editor.window()->windowTitle();
        progressions->outlets().nameTextField->setText(QStringLiteral("P2 renamed"));
        progressions->controlTextDidChange();
        progressions->saveAction();
        return editor.window()->result();
    });
    controller()->exerciseTableDoubleAction(2); // a heading: nothing opens
    EXPECT_TRUE(title.isEmpty());
    controller()->exerciseTableDoubleAction(4);
    EXPECT_EQ(title, QStringLiteral("Edit Chord Progression"));
    EXPECT_EQ(storedNames(kProgressions), QStringList({"P1", "P2 renamed", "P3"}));
    EXPECT_EQ(rows("SELECT itemName, right FROM stats WHERE testName = ?", 2, {kProgressions}),
              QList<QStringList>({{"P2 renamed", "5"}}));
    settle();
    EXPECT_EQ(shownRows().mid(3), QStringList({"P1", "P2 renamed", "P3"}));

    // The pull-down opens a new one.
    title.clear();
    outlets().customExercisePlusButton->menu()->actions().last()->trigger();
    EXPECT_EQ(title, QStringLiteral("New Chord Progression"));
}

TEST_F(CustomExercisesTest, PicturesOfTheCustomTabsAndTheProgressionEditor)
{
    prefs()->addCustomLevel({{"name", "Blue notes"}, {"items", QStringList{"Blues", "Major blues"}},
                             {"testName", QStringLiteral("Melodies")}, {"additionalData", QVariantMap{{"numTones", 5}, {"octaves", 2}}}},
                            QStringLiteral("Melodies"));
    prefs()->addCustomLevel({{"name", "Thirds"}, {"items", QStringList{"Minor third", "Major third"}},
                             {"testName", QStringLiteral("Interval recognition")}},
                            QStringLiteral("Interval recognition"));
    settle();
    saveWindowShot(controller()->window(), QStringLiteral("custom-exercises"));
    controller()->selectTabWithIdentifier(QStringLiteral("customlevels"));
    outlets().levelsTableView->selectRow(1);
    saveWindowShot(controller()->window(), QStringLiteral("custom-levels"));
    outlets().levelsTableView->selectRow(3);
    saveWindowShot(controller()->window(), QStringLiteral("custom-levels-melody"));
    EXPECT_TRUE(outlets().melodyLevelView->isVisibleTo(controller()->window()));

    ZTEditorWindowController::setRunner([](ZTEditorWindowController& editor) {
        editor.window()->show();
        saveWindowShot(editor.window(), QStringLiteral("progression-editor"));
        return 0;
    });
    controller()->exerciseTableDoubleAction(3);
}

} // namespace
