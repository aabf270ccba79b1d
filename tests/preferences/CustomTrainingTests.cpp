// A new user makes items and levels of their own in Preferences, trains them on the exercise
// screen, then renames and deletes them and sees their statistics follow or go.
#include "PreferencesTestSupport.h"

#include "RandomSource.h"
#include "ZTAbstractTestController.h"
#include "ImageButton.h"
#include "YUp.h"
#include "ZTCustomChordProgressionsWindowController.h"
#include "ZTCustomExercisesWindowController.h"
#include "ZTFooterBar.h"
#include "ZTCustomListRows.h"
#include "ZTDataProvider.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"
#include "ZTSettingsOutlineView.h"
#include "ZTSidebarTableView.h"
#include "ZTTest.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {

const QString kProgressions = QStringLiteral("Chord progressions");
const QString kChords = QStringLiteral("Chord recognition");
const QString kScales = QStringLiteral("Scale recognition");

// On the editor's staff: `add` notes from the footer's plus button, then a flat on the first
// note of each group in `flats`, each picked by a click on its head.
void enterNotes(ZTCustomExercisesWindowController& editor, int add, std::initializer_list<int> flats)
{
    ZTNoteView* staff = editor.outlets().noteView;
    for (int i = 0; i < add; ++i)
        QTest::mouseClick(staff->footerBar()->plusButton(), Qt::LeftButton);
    for (int group : flats) {
        const QPointF head = staff->noteCollections()[group].notes()[0].noteFrame().center();
        QTest::mouseClick(staff, Qt::LeftButton, {}, YUp::toQt(head, staff->height()).toPoint());
        QTest::mouseClick(staff->footerBar()->buttonAtIndex(0), Qt::LeftButton);
    }
}

class CustomTrainingTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        PreferencesTest::SetUp();
        RandomSource::shared().seed(17);
        launch();
    }
    void TearDown() override
    {
        ZTEditorWindowController::setRunner({});
        PreferencesTest::TearDown();
    }

    // The next editor the tabs open runs `edit` and ends as the editor leaves it.
    template <typename Editor>
    void whenEditorOpens(std::function<void(Editor&)> edit)
    {
        ZTEditorWindowController::setRunner([edit](ZTEditorWindowController& editor) {
            auto* typed = dynamic_cast<Editor*>(&editor);
            EXPECT_NE(typed, nullptr);
            editor.window()->show();
            if (typed)
                edit(*typed);
            return editor.window()->result();
        });
    }
    void addFromPullDown(QPushButton* pullDown, const QString& entry)
    {
        for (QAction* action : pullDown->menu()->actions())
            if (action->text() == entry)
                action->trigger();
    }
    int itemRow(const QString& text)
    {
        QAbstractItemModel* model = outlets().levelTestsTableView->model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, 1).data().toString() == text)
                return row;
        return -1;
    }
    void clickTick(const QString& text)
    {
        ZTRowTableView* items = outlets().levelTestsTableView;
        const int row = itemRow(text);
        ASSERT_GE(row, 0) << text.toStdString();
        items->scrollTo(items->model()->index(row, 0));
        QTest::mouseClick(items->viewport(), Qt::LeftButton, {}, items->visualRect(items->model()->index(row, 0)).center());
    }
    // Types into the name editor that a new level opens, and Return.
    void typeLevelName(const QString& name)
    {
        QLineEdit* open = nullptr;
        for (QLineEdit* editor : outlets().levelsTableView->viewport()->findChildren<QLineEdit*>())
            if (editor->isVisibleTo(outlets().levelsTableView))
                open = editor;
        ASSERT_NE(open, nullptr);
        QTest::keyClicks(open, name);
        QTest::keyClick(open, Qt::Key_Return);
        QApplication::processEvents(); // the table takes the typed name on its next turn
    }
    // Chooses the level on the Exercises tab, as the user would.
    void chooseLevel(const QString& exercise, const QString& levelName)
    {
        ZTSettingsOutlineView* outline = outlets().testsOutlineView;
        outline->expandExerciseAtIndex(ZTDataProvider::sharedDataProvider()->indexForTestWithName(exercise));
        auto* popup = qobject_cast<QComboBox*>(outline->cachedCell(exercise, QStringLiteral("level")));
        ASSERT_NE(popup, nullptr);
        const int index = popup->findText(levelName);
        ASSERT_GE(index, 0) << levelName.toStdString();
        choose(popup, index);
    }
    ZTAbstractTestController* lesson() const { return screen()->currentLessonController(); }
    QStringList lessonItems() const
    {
        QStringList names;
        for (const QVariant& item : lesson()->items())
            names << item.toMap().value("name").toString();
        return names;
    }
    // Asks questions and answers each right from the sidebar until `item` was asked.
    void trainUntilAsked(const QString& item)
    {
        for (int round = 0; round < 40; ++round) {
            screen()->nextAction(ZTMainViewController::Sender::MenuItem);
            finishPlaying();
            ASSERT_NE(lesson()->currentTest(), nullptr);
            const QString asked = lesson()->currentTest()->name();
            const QVariantList rows = lesson()->arrayForTableView();
            qlonglong row = -1;
            for (qsizetype i = 0; i < rows.size(); ++i)
                if (rows[i].toMap().value("name").toString() == asked && !rows[i].toMap().value("isGroup").toBool())
                    row = i;
            ASSERT_GE(row, 0);
            ZTSidebarTableView* table = screen()->tableView();
            QTest::mouseClick(table->contentWidget(), Qt::LeftButton, {}, table->rectOfRow(row).center());
            if (asked == item)
                return;
        }
        FAIL() << "never asked " << item.toStdString();
    }
    // A new level of the exercise named `name`, asking exactly `items`.
    void makeLevel(const QString& test, const QString& name, const QStringList& items)
    {
        controller()->selectTabWithIdentifier(QStringLiteral("customlevels"));
        addFromPullDown(outlets().levelPlusPopupButton, test);
        typeLevelName(name);
        for (const QVariant& row : controller()->levelItemsArray())
            if (row.toMap().value("isGroup").toBool())
                clickTick(row.toMap().value("name").toString()); // every group unticked
        for (const QString& item : items)
            clickTick(item);
    }
    // Chooses the exercise and the level, then trains until `item` was asked.
    void train(const QString& test, const QString& level, const QString& item)
    {
        prefs()->setCurrentExercise(test);
        settle();
        controller()->selectTabWithIdentifier(QStringLiteral("lessons"));
        chooseLevel(test, level);
        settle();
        ASSERT_EQ(lesson()->testName(), test);
        trainUntilAsked(item);
    }
    QList<QStringList> statsOf(const QString& test) { return rows("SELECT itemName, right FROM stats WHERE testName = ? ORDER BY itemName", 2, {test}); }
};

TEST_F(CustomTrainingTest, AProgressionOfFourChordsInALevelOfItsOwnIsTrainedRenamedAndDeleted)
{
    ZTPreferencesWindowController::showWindowOnTab(QStringLiteral("customexercises"));
    saveWindowShot(controller()->window(), QStringLiteral("training-1-empty"));

    // I - IV - ii - V7: four chords, named as they are chosen.
    whenEditorOpens<ZTCustomChordProgressionsWindowController>([](ZTCustomChordProgressionsWindowController& editor) {
        const auto& o = editor.outlets();
        const QStringList chordIds = ZTDataProvider::sharedDataProvider()->chordIds();
        choose(o.numChordsPopupMenu, 2);
        choose(o.stepPopupMenus[1], 3);
        choose(o.stepPopupMenus[2], 1);
        choose(o.chordPopupMenus[2], int(chordIds.indexOf("m")));
        choose(o.stepPopupMenus[3], 4);
        choose(o.chordPopupMenus[3], int(chordIds.indexOf("7")));
        choose(o.groupPopup, 1);
        EXPECT_EQ(o.nameTextField->text(), QStringLiteral("I - IV - iim - V7"));
        saveWindowShot(editor.window(), QStringLiteral("training-2-progression"));
        o.saveButton->click();
    });
    addFromPullDown(outlets().customExercisePlusButton, kProgressions);
    settle();
    ASSERT_EQ(controller()->exercisesArray().size(), 2);
    const QString mine = QStringLiteral("I - IV - iim - V7");
    EXPECT_TRUE(ZTDataProvider::sharedDataProvider()->allTestItemsForTestWithName(kProgressions).contains(mine));

    // A level with the cadences and the new progression.
    controller()->selectTabWithIdentifier(QStringLiteral("customlevels"));
    addFromPullDown(outlets().levelPlusPopupButton, kProgressions);
    typeLevelName(QStringLiteral("Cadences and mine"));
    ASSERT_EQ(prefs()->customLevelWithIndex(0, kProgressions).value("name").toString(), QStringLiteral("Cadences and mine"));
    for (const char* group : {"Major-key progressions", "Minor-key progressions", "Seventh-chord progressions"})
        clickTick(group);
    clickTick(mine);
    const QStringList levelItems = prefs()->customLevelWithIndex(0, kProgressions).value("items").toStringList();
    EXPECT_EQ(levelItems.size(), 8);
    EXPECT_EQ(levelItems.last(), mine);
    saveWindowShot(controller()->window(), QStringLiteral("training-3-level"));

    // Trained on the exercise screen.
    train(kProgressions, QStringLiteral("Cadences and mine"), mine);
    EXPECT_EQ(lessonItems(), levelItems);
    saveShot(QStringLiteral("training-4-screen"));
    EXPECT_TRUE(statsOf(kProgressions).contains(QStringList({mine, "1"})));

    // Renamed: the statistics and the level follow.
    ZTPreferencesWindowController::showWindowOnTab(QStringLiteral("customexercises"));
    whenEditorOpens<ZTCustomChordProgressionsWindowController>([](ZTCustomChordProgressionsWindowController& editor) {
        editor.outlets().nameTextField->selectAll();
        QTest::keyClicks(editor.outlets().nameTextField, QStringLiteral("Turnaround"));
        editor.outlets().saveButton->click();
    });
    controller()->exerciseTableDoubleAction(1);
    settle();
    EXPECT_TRUE(statsOf(kProgressions).contains(QStringList({"Turnaround", "1"})));
    EXPECT_FALSE(statsOf(kProgressions).contains(QStringList({mine, "1"})));
    EXPECT_EQ(prefs()->customLevelWithIndex(0, kProgressions).value("items").toStringList().last(), QStringLiteral("Turnaround"));
    EXPECT_TRUE(lessonItems().contains(QStringLiteral("Turnaround")));

    // Deleted: its statistics and its place in the level go; the built-in items stay.
    outlets().customExercisesTableView->selectRow(1);
    outlets().customExerciseMinusButton->click();
    settle();
    for (const QStringList& row : statsOf(kProgressions))
        EXPECT_NE(row.first(), QStringLiteral("Turnaround"));
    EXPECT_EQ(prefs()->customLevelWithIndex(0, kProgressions).value("items").toStringList().size(), 7);
    EXPECT_FALSE(lessonItems().contains(QStringLiteral("Turnaround")));
    EXPECT_EQ(lessonItems().size(), 7);
}

TEST_F(CustomTrainingTest, AChordAndAScaleEnteredOnTheStaffAreTrainedRenamedAndDeleted)
{
    ZTPreferencesWindowController::showWindowOnTab(QStringLiteral("customexercises"));
    whenEditorOpens<ZTCustomExercisesWindowController>([](ZTCustomExercisesWindowController& editor) {
        enterNotes(editor, 3, {1, 2}); // C Eb Gb B
        QTest::keyClicks(editor.outlets().nameTextField, QStringLiteral("Diminished major 7th"));
        QTest::keyClicks(editor.outlets().shortNameTextField, QStringLiteral("dimMaj7"));
        saveWindowShot(editor.window(), QStringLiteral("training-5-chord"));
        editor.outlets().saveButton->click();
    });
    addFromPullDown(outlets().customExercisePlusButton, kChords);
    whenEditorOpens<ZTCustomExercisesWindowController>([](ZTCustomExercisesWindowController& editor) {
        enterNotes(editor, 7, {1, 2, 5}); // C Db Eb F G Ab B C
        QTest::keyClicks(editor.outlets().nameTextField, QStringLiteral("Neapolitan minor"));
        saveWindowShot(editor.window(), QStringLiteral("training-6-scale"));
        editor.outlets().saveButton->click();
    });
    addFromPullDown(outlets().customExercisePlusButton, kScales);
    settle();
    ASSERT_EQ(controller()->exercisesArray().size(), 4);
    const QString chord = QStringLiteral("Diminished major 7th");
    const QString scale = QStringLiteral("Neapolitan minor");

    makeLevel(kChords, QStringLiteral("Mine and the triads"), {QStringLiteral("Major"), QStringLiteral("Minor"), chord});
    EXPECT_EQ(prefs()->customLevelWithIndex(0, kChords).value("items").toStringList(),
              QStringList({"Major", "Minor", chord}));
    makeLevel(kScales, QStringLiteral("Mine and the major"), {QStringLiteral("Major"), scale});
    train(kChords, QStringLiteral("Mine and the triads"), chord);
    EXPECT_EQ(lesson()->items().size(), 3);
    saveShot(QStringLiteral("training-7-chord-screen"));
    train(kScales, QStringLiteral("Mine and the major"), scale);
    EXPECT_TRUE(statsOf(kChords).contains(QStringList({chord, "1"})));
    EXPECT_TRUE(statsOf(kScales).contains(QStringList({scale, "1"})));

    // The chord renamed on its editor: statistics and level follow.
    controller()->selectTabWithIdentifier(QStringLiteral("customexercises"));
    whenEditorOpens<ZTCustomExercisesWindowController>([](ZTCustomExercisesWindowController& editor) {
        editor.outlets().nameTextField->selectAll();
        QTest::keyClicks(editor.outlets().nameTextField, QStringLiteral("Tense"));
        editor.outlets().saveButton->click();
    });
    controller()->exerciseTableDoubleAction(ZTCustomListRows::tableIndexForTestGroup(kChords, controller()->exercisesArray()) + 1);
    settle();
    EXPECT_TRUE(statsOf(kChords).contains(QStringList({"Tense", "1"})));
    EXPECT_EQ(prefs()->customLevelWithIndex(0, kChords).value("items").toStringList().last(), QStringLiteral("Tense"));

    // The scale deleted: its statistics go, the chord's stay.
    outlets().customExercisesTableView->selectRow(
        ZTCustomListRows::tableIndexForTestGroup(kScales, controller()->exercisesArray()) + 1);
    outlets().customExerciseMinusButton->click();
    settle();
    EXPECT_FALSE(statsOf(kScales).contains(QStringList({scale, "1"})));
    EXPECT_EQ(prefs()->customLevelWithIndex(0, kScales).value("items").toStringList(), QStringList({"Major"}));
    EXPECT_TRUE(statsOf(kChords).contains(QStringList({"Tense", "1"})));
    EXPECT_EQ(lessonItems(), QStringList({"Major"}));
}

} // namespace
