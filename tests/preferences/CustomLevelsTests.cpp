// The Custom Levels tab: making, naming, ticking and deleting the user's levels.
#include "PreferencesTestSupport.h"

#include "ZTCustomListRows.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTPreferencesControls.h"
#include "ZTSettingsOutlineView.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");
const QString kMelodies = QStringLiteral("Melodies");

class CustomLevelsTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        PreferencesTest::SetUp();
        ZTPreferencesWindowController::showWindowOnTab(QStringLiteral("customlevels"));
    }

    ZTRowTableView* levels() { return outlets().levelsTableView; }
    ZTRowTableView* items() { return outlets().levelTestsTableView; }
    static int catalogueIndex(const QString& test)
    {
        return ZTDataProvider::sharedDataProvider()->indexForTestWithName(test);
    }
    QStringList levelNames(const QString& test) const
    {
        QStringList names;
        for (const QVariant& level : prefs()->customLevelsForTestWithName(test))
            names << level.toMap().value("name").toString();
        return names;
    }
    QStringList storedItems(const QString& test, int index) const
    {
        return prefs()->customLevelWithIndex(index, test).value("items").toStringList();
    }
    // The items row whose text reads `text`.
    int itemRow(const QString& text)
    {
        for (int row = 0; row < items()->model()->rowCount(); ++row)
            if (items()->model()->index(row, 1).data().toString() == text)
                return row;
        return -1;
    }
    Qt::CheckState tick(int row) { return Qt::CheckState(items()->model()->index(row, 0).data(Qt::CheckStateRole).toInt()); }
    // A click on the row's check box.
    void clickTick(int row)
    {
        const QRect cell = items()->visualRect(items()->model()->index(row, 0));
        QTest::mouseClick(items()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Types a name into a level row, as a double click and Return do.
    void rename(int row, const QString& name)
    {
        levels()->model()->setData(levels()->model()->index(row, 0), name, Qt::EditRole);
    }
    // The open name editor (closed ones wait to be deleted).
    QLineEdit* nameEditor()
    {
        for (QLineEdit* editor : levels()->viewport()->findChildren<QLineEdit*>())
            if (editor->isVisibleTo(levels()))
                return editor;
        return nullptr;
    }
};

TEST_F(CustomLevelsTest, NewLevelsTakeTheFirstFreeNameEvenWhenClickedQuickly)
{
    controller()->levelPlusAction(catalogueIndex(kIntervals));
    // The second click comes before the catalogue has heard of the first level.
    controller()->levelPlusAction(catalogueIndex(kIntervals));
    controller()->levelPlusAction(catalogueIndex(kIntervals));
    EXPECT_EQ(levelNames(kIntervals), QStringList({"New Level", "New Level 1", "New Level 2"}));
    settle();
    const QVariantList catalogueLevels = ZTDataProvider::sharedDataProvider()->levels().value(kIntervals).toList();
    QStringList ids;
    for (const QVariant& level : catalogueLevels)
        ids << level.toMap().value("id").toString();
    EXPECT_EQ(ids.mid(ids.size() - 3), QStringList({"custom_New Level", "custom_New Level 1", "custom_New Level 2"}));

    // The newest level is selected, its name open for typing with the text selected.
    EXPECT_EQ(levels()->selectedRow(), 3);
    ASSERT_NE(nameEditor(), nullptr);
    EXPECT_EQ(nameEditor()->selectedText(), QStringLiteral("New Level 2"));
    // An ordinary level asks every item of the exercise.
    EXPECT_EQ(storedItems(kIntervals, 0), ZTDataProvider::sharedDataProvider()->allTestItemsForTestWithName(kIntervals));
    EXPECT_FALSE(outlets().melodyLevelView->isVisibleTo(controller()->window()));
    EXPECT_TRUE(outlets().levelMinusButton->isEnabled());
}

TEST_F(CustomLevelsTest, AMelodyLevelPicksScalesTonesAndOctaves)
{
    controller()->levelPlusAction(catalogueIndex(kMelodies));
    const QVariantMap level = prefs()->customLevelWithIndex(0, kMelodies);
    EXPECT_EQ(level.value("items").toStringList(), QStringList({"Chromatic"}));
    EXPECT_EQ(level.value("additionalData").toMap(), (QVariantMap{{"numTones", 3}, {"octaves", 1}}));
    EXPECT_TRUE(outlets().melodyLevelView->isVisibleTo(controller()->window()));
    EXPECT_EQ(outlets().numNotesPopupButton->currentText(), QStringLiteral("3"));
    EXPECT_EQ(outlets().numNotesOctacesButton->currentText(), QStringLiteral("1"));
    EXPECT_EQ(outlets().scalesLabel->text(), QStringLiteral("Scales:"));

    // "Chromatic" first, then the scales under the headings of "Scale recognition".
    const QVariantList rows = controller()->levelItemsArray();
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows[0].toMap().value("name").toString(), QStringLiteral("Chromatic"));
    EXPECT_TRUE(rows[1].toMap().value("isGroup").toBool());
    EXPECT_EQ(rows[1].toMap().value("name").toString(), QStringLiteral("Major and minor"));
    EXPECT_EQ(tick(0), Qt::Checked);
    EXPECT_EQ(tick(1), Qt::Unchecked);

    choose(outlets().numNotesPopupButton, 2);
    choose(outlets().numNotesOctacesButton, 1);
    EXPECT_EQ(prefs()->customLevelWithIndex(0, kMelodies).value("additionalData").toMap(),
              (QVariantMap{{"numTones", 5}, {"octaves", 2}}));
    EXPECT_EQ(outlets().numNotesPopupButton->currentIndex(), 2);

    // A level stored without data shows 3 tones and 1 octave and keeps the other on a change.
    prefs()->replaceCustomLevel({{"name", "Bare"}, {"items", QStringList{"Chromatic"}}, {"testName", kMelodies}}, 0,
                                kMelodies);
    settle();
    EXPECT_EQ(outlets().numNotesPopupButton->currentText(), QStringLiteral("3"));
    choose(outlets().numNotesOctacesButton, 2);
    EXPECT_EQ(prefs()->customLevelWithIndex(0, kMelodies).value("additionalData").toMap(),
              (QVariantMap{{"numTones", 3}, {"octaves", 3}}));
}

TEST_F(CustomLevelsTest, TicksFollowClicksOnItemsAndGroups)
{
    controller()->levelPlusAction(catalogueIndex(kIntervals));
    levels()->setFocus(); // the name is left as it is
    const int seconds = itemRow(QStringLiteral("Seconds"));
    const int minorSecond = itemRow(QStringLiteral("Minor second"));
    ASSERT_GE(seconds, 0);
    ASSERT_EQ(minorSecond, seconds + 1);
    EXPECT_EQ(tick(seconds), Qt::Checked);

    // A full group is unticked whole; a partly ticked one is ticked whole again.
    clickTick(seconds);
    EXPECT_EQ(tick(seconds), Qt::Unchecked);
    EXPECT_FALSE(storedItems(kIntervals, 0).contains("Minor second"));
    clickTick(minorSecond);
    EXPECT_EQ(tick(minorSecond), Qt::Checked);
    EXPECT_EQ(tick(seconds), Qt::PartiallyChecked);
    // Ticked names are appended: the stored order is the order of the clicks.
    EXPECT_EQ(storedItems(kIntervals, 0).last(), QStringLiteral("Minor second"));
    clickTick(seconds);
    EXPECT_EQ(tick(seconds), Qt::Checked);
    EXPECT_EQ(storedItems(kIntervals, 0).mid(storedItems(kIntervals, 0).size() - 2),
              QStringList({"Minor second", "Major second"}));

    // Items cannot be selected; their rows only tick.
    EXPECT_EQ(items()->selectionModel()->selectedRows().size(), 0);
    // Without a selected level no tick is shown and the items list is empty.
    levels()->selectRow(-1);
    EXPECT_EQ(items()->model()->rowCount(), 0);
    EXPECT_FALSE(outlets().levelMinusButton->isEnabled());
}

TEST_F(CustomLevelsTest, RenamesAreCheckedAgainstEveryLevelOfTheExercise)
{
    controller()->levelPlusAction(catalogueIndex(kIntervals));
    controller()->levelPlusAction(catalogueIndex(kIntervals));
    levels()->setFocus();
    ASSERT_EQ(controller()->levelsArray().size(), 3);

    rename(2, QStringLiteral("Perfect intervals")); // a built-in level
    rename(2, QStringLiteral("New Level"));         // the other custom level
    ASSERT_EQ(alerts_.size(), 2);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("Level name already exists!"));
    EXPECT_EQ(alerts_[0].buttons, QStringList({"OK"}));
    EXPECT_EQ(levelNames(kIntervals), QStringList({"New Level", "New Level 1"}));

    // An empty name, or the name the level has, is no rename and no alert.
    rename(2, QString());
    rename(2, QStringLiteral("   "));
    rename(2, QStringLiteral("New Level 1"));
    EXPECT_EQ(alerts_.size(), 2);
    EXPECT_EQ(levelNames(kIntervals), QStringList({"New Level", "New Level 1"}));

    rename(2, QStringLiteral("Thirds only"));
    EXPECT_EQ(levelNames(kIntervals), QStringList({"New Level", "Thirds only"}));
    EXPECT_EQ(controller()->levelsArray()[2].toMap().value("name").toString(), QStringLiteral("Thirds only"));
    // Group rows cannot be edited or selected.
    EXPECT_FALSE(levels()->model()->flags(levels()->model()->index(0, 0)).testFlag(Qt::ItemIsEditable));
    levels()->selectRow(0);
    EXPECT_EQ(levels()->selectedRow(), -1);
}

TEST_F(CustomLevelsTest, MinusDeletesTheSelectedLevelOnly)
{
    controller()->levelPlusAction(catalogueIndex(kIntervals));
    controller()->levelPlusAction(catalogueIndex(kMelodies));
    levels()->setFocus();
    levels()->selectRow(-1);
    outlets().levelMinusButton->click(); // disabled: nothing happens
    controller()->levelMinusAction();    // nothing selected: nothing deleted
    EXPECT_EQ(levelNames(kIntervals).size() + levelNames(kMelodies).size(), 2);

    const int melodyRow = ZTCustomListRows::tableIndexForTestGroup(kMelodies, controller()->levelsArray()) + 1;
    levels()->selectRow(melodyRow);
    outlets().levelMinusButton->click();
    EXPECT_TRUE(levelNames(kMelodies).isEmpty());
    EXPECT_EQ(levelNames(kIntervals), QStringList({"New Level"}));
    EXPECT_EQ(controller()->levelsArray().size(), 2);
    EXPECT_EQ(items()->model()->rowCount(), 0);
}

TEST_F(CustomLevelsTest, ATypedNameIsStoredWhetherReturnOrAChangeElsewhereEndsTheEditor)
{
    const QtWarningCapture warnings;
    controller()->levelPlusAction(catalogueIndex(kIntervals));
    ASSERT_NE(nameEditor(), nullptr);
    QTest::keyClicks(nameEditor(), QStringLiteral("Thirds only"));
    QTest::keyClick(nameEditor(), Qt::Key_Return);
    QApplication::processEvents(); // the item delegate ends the edit in a queued call
    EXPECT_EQ(levelNames(kIntervals), QStringList({"Thirds only"}));
    EXPECT_EQ(nameEditor(), nullptr);
    EXPECT_EQ(controller()->levelsArray()[1].toMap().value("name").toString(), QStringLiteral("Thirds only"));
    EXPECT_EQ(warnings.warnings(), QStringList());

    // Typing again; a level made elsewhere (sync, say) rebuilds the list meanwhile.
    levels()->editColumn(QStringLiteral("name"), 1);
    ASSERT_NE(nameEditor(), nullptr);
    nameEditor()->selectAll();
    QTest::keyClicks(nameEditor(), QStringLiteral("Sixths"));
    prefs()->addCustomLevel({{"name", "Synced"}, {"items", QStringList{"Chromatic"}}, {"testName", kMelodies}}, kMelodies);
    settle();
    EXPECT_EQ(levelNames(kIntervals), QStringList({"Sixths"}));
    EXPECT_EQ(levelNames(kMelodies), QStringList({"Synced"}));
    EXPECT_EQ(nameEditor(), nullptr);
    EXPECT_EQ(controller()->levelsArray().size(), 4);
    EXPECT_EQ(warnings.warnings(), QStringList());
}

TEST_F(CustomLevelsTest, ChangesMadeElsewhereShowAndTheSelectionStays)
{
    controller()->levelPlusAction(catalogueIndex(kIntervals));
    levels()->setFocus();
    // Levels arriving from sync, say: the list is rebuilt and row 1 stays selected.
    prefs()->addCustomLevel({{"name", "Synced"}, {"items", QStringList{"Perfect fifth"}}, {"testName", kIntervals}},
                            kIntervals);
    settle();
    ASSERT_EQ(controller()->levelsArray().size(), 3);
    EXPECT_EQ(levels()->selectedRow(), 1);
    EXPECT_GT(items()->model()->rowCount(), 0);
    // The level's id is in the catalogue, so the Exercises tab's level pop-up lists it.
    EXPECT_TRUE(ZTDataProvider::sharedDataProvider()->isLevel(QStringLiteral("custom_Synced"), kIntervals));
}

} // namespace

TEST_F(CustomLevelsTest, EveryPopUpShowsItsTitleWholeOrEndingInAnEllipsis)
{
    // A melody level brings the tab's tone and octave pop-ups; the exercise settings hold the
    // melodies' own level pop-up with its long titles.
    controller()->levelPlusAction(catalogueIndex(kMelodies));
    outlets().testsOutlineView->expandExerciseAtIndex(catalogueIndex(kMelodies));
    QWidget* window = controller()->window();
    window->resize(760, 480);
    window->show();
    QCoreApplication::sendPostedEvents();
    auto* level = qobject_cast<ZTElidingPopup*>(outlets().testsOutlineView->cachedCell(kMelodies, QStringLiteral("level")));
    ASSERT_NE(level, nullptr);
    ASSERT_EQ(level->currentText(), QStringLiteral("Three notes in major pentatonic"));

    int popups = 0;
    for (int tab = 0; tab < outlets().tabView->count(); ++tab) {
        outlets().tabView->setCurrentIndex(tab);
        QCoreApplication::sendPostedEvents();
        for (ZTElidingPopup* popup : outlets().tabView->widget(tab)->findChildren<ZTElidingPopup*>()) {
            if (!popup->isVisibleTo(window) || popup->currentText().isEmpty())
                continue;
            ++popups;
            const QString title = popup->currentText();
            const QString shown = popup->shownTitle();
            const std::string where = outlets().tabView->widget(tab)->objectName().toStdString() + ": " + title.toStdString();
            if (shown != title) {
                ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << where;
                EXPECT_TRUE(title.startsWith(shown.chopped(1))) << where;
            }
            // The field holds the shown title: the pop-up is as wide as its frame, arrow and title need.
            EXPECT_LE(popup->fontMetrics().horizontalAdvance(shown), popup->width() - 20) << where;
        }
    }
    EXPECT_GT(popups, 10);
    outlets().tabView->setCurrentIndex(0);
    outlets().testsOutlineView->scrollToItem(outlets().testsOutlineView->itemForExercise(kMelodies),
                                             QAbstractItemView::PositionAtTop);
    saveWindowShot(window, QStringLiteral("preferences-melody-level-popup"));
}
