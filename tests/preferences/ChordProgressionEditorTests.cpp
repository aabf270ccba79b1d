// The chord-progression editor: automatic names, the rows, the checks on saving, and the
// stored form of the steps.
#include "PreferencesTestSupport.h"

#include "QVMusicInstrument.h"
#include "ZTCustomChordProgressionsWindowController.h"
#include "ZTDataProvider.h"
#include "ZTMIDIController.h"
#include "ZTPreferences.h"
#include "ZTProgressionSteps.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QString kProgressions = QStringLiteral("Chord progressions");

QVariantMap step(qlonglong semitones, const QString& chordId)
{
    return {{"step", semitones}, {"chordId", chordId}};
}

class ChordProgressionEditorTest : public PreferencesTest {
protected:
    // An editor for a new item, or for the item at `index` of the stored progressions.
    std::unique_ptr<ZTCustomChordProgressionsWindowController> open(int index = -1)
    {
        auto editor = std::make_unique<ZTCustomChordProgressionsWindowController>();
        if (index >= 0) {
            editor->setItem(prefs()->customExerciseWithIndex(index, kProgressions));
            editor->setItemIndex(index);
        }
        editor->window()->show();
        return editor;
    }
    std::unique_ptr<ZTCustomChordProgressionsWindowController> openWith(const QVariantMap& item)
    {
        prefs()->setCustomExercises({item}, kProgressions);
        settle();
        return open(0);
    }
    static void pickStep(ZTCustomChordProgressionsWindowController& editor, int row, int degree)
    {
        choose(editor.outlets().stepPopupMenus.at(row), degree);
    }
    static void pickChord(ZTCustomChordProgressionsWindowController& editor, int row, const QString& chordId)
    {
        choose(editor.outlets().chordPopupMenus.at(row),
               int(ZTDataProvider::sharedDataProvider()->chordIds().indexOf(chordId)));
    }
    static void typeName(ZTCustomChordProgressionsWindowController& editor, const QString& name)
    {
        QLineEdit* field = editor.outlets().nameTextField;
        field->selectAll();
        if (name.isEmpty())
            QTest::keyClick(field, Qt::Key_Backspace);
        else
            QTest::keyClicks(field, name);
    }
    QVariantList storedDefinition(int index) const
    {
        return prefs()->customExerciseWithIndex(index, kProgressions).value("definition").toList();
    }
};

TEST(ProgressionSteps, DegreesAndSemitonesConvertBothWays)
{
    for (bool minor : {false, true})
        for (int degree = 0; degree < 7; ++degree)
            EXPECT_EQ(ZTProgressionSteps::degreeForSemitones(ZTProgressionSteps::semitonesForDegree(degree, minor), minor),
                      degree);
    EXPECT_EQ(ZTProgressionSteps::semitonesForDegree(4, false), 7);  // V
    EXPECT_EQ(ZTProgressionSteps::semitonesForDegree(5, true), 8);   // VI of the minor key
    EXPECT_EQ(ZTProgressionSteps::degreeForSemitones(10, false), -1); // off the major scale
    EXPECT_EQ(ZTProgressionSteps::degreeForSemitones(12, false), -1);
    EXPECT_EQ(ZTProgressionSteps::degreeForSemitones(-2, true), -1);
}

TEST_F(ChordProgressionEditorTest, EveryBundleProgressionSurvivesTheRowsUnchanged)
{
    // Each built-in item, shown in the rows and read back from them, keeps its stored steps.
    for (const QVariant& entry : ZTDataProvider::sharedDataProvider()->testWithName(kProgressions).value("items").toList()) {
        const QVariantMap item = entry.toMap();
        auto editor = openWith(item);
        editor->stepAction();
        EXPECT_EQ(editor->item().value("definition"), item.value("definition")) << item.value("name").toString().toStdString();
    }
}

TEST_F(ChordProgressionEditorTest, ANewProgressionStartsWithTwoRowsAndItsAutomaticName)
{
    auto editor = open();
    const auto& o = editor->outlets();
    EXPECT_TRUE(editor->wasNew());
    EXPECT_EQ(editor->window()->windowTitle(), QStringLiteral("New Chord Progression"));
    EXPECT_EQ(o.numChordsPopupMenu->currentText(), QStringLiteral("2"));
    EXPECT_EQ(o.nameTextField->text(), QStringLiteral("I - I"));
    EXPECT_FALSE(editor->manualName());
    EXPECT_TRUE(o.stepPopupMenus[1]->isEnabled());
    EXPECT_FALSE(o.stepPopupMenus[2]->isEnabled());
    EXPECT_EQ(titles(o.stepPopupMenus[0]).first(), QStringLiteral("I"));
    EXPECT_EQ(titles(o.chordPopupMenus[0]), ZTDataProvider::sharedDataProvider()->chordNames());
    EXPECT_EQ(titles(o.levelPopup).size(), 4);
    EXPECT_EQ(o.groupPopup->count(), 4);

    // The name follows the chords: V with a seventh chord, then a minor chord in lower case.
    pickStep(*editor, 1, 4);
    pickChord(*editor, 1, QStringLiteral("7"));
    EXPECT_EQ(o.nameTextField->text(), QStringLiteral("I - V7"));
    pickStep(*editor, 0, 1);
    pickChord(*editor, 0, QStringLiteral("m"));
    EXPECT_EQ(o.nameTextField->text(), QStringLiteral("iim - V7"));

    // More rows keep the chosen ones and add first-degree steps; fewer rows drop the last.
    choose(o.numChordsPopupMenu, 3); // 5 chords
    ASSERT_EQ(editor->item().value("definition").toList().size(), 5);
    EXPECT_EQ(editor->item().value("definition").toList()[1].toMap(), step(7, "7"));
    EXPECT_EQ(editor->item().value("definition").toList()[4].toMap(), step(0, ""));
    EXPECT_EQ(o.nameTextField->text(), QStringLiteral("iim - V7 - I - I - I"));
    pickStep(*editor, 4, 5);
    choose(o.numChordsPopupMenu, 1); // 3 chords
    EXPECT_EQ(editor->item().value("definition").toList().size(), 3);
    EXPECT_FALSE(o.stepPopupMenus[3]->isEnabled());
    EXPECT_EQ(o.stepPopupMenus[4]->currentIndex(), 0);
}

TEST_F(ChordProgressionEditorTest, ATypedNameStandsUntilTheFieldIsEmptied)
{
    auto editor = open();
    const auto& o = editor->outlets();
    typeName(*editor, QStringLiteral("My cadence"));
    EXPECT_TRUE(editor->manualName());
    pickStep(*editor, 1, 3);
    EXPECT_EQ(o.nameTextField->text(), QStringLiteral("My cadence"));

    typeName(*editor, QString());
    EXPECT_FALSE(o.saveButton->isEnabled());
    EXPECT_FALSE(editor->manualName());
    pickStep(*editor, 1, 4);
    EXPECT_EQ(o.nameTextField->text(), QStringLiteral("I - V"));
    EXPECT_TRUE(o.saveButton->isEnabled());

    // A stored name that is not the automatic one is kept while the chords change.
    auto named = openWith({{"name", "Home and away"}, {"definition", QVariantList{step(0, ""), step(7, "")}},
                           {"group", "1"}, {"level", "2"}, {"isMinor", false}});
    EXPECT_TRUE(named->manualName());
    pickStep(*named, 1, 3);
    EXPECT_EQ(named->outlets().nameTextField->text(), QStringLiteral("Home and away"));
}

TEST_F(ChordProgressionEditorTest, SavingStoresSemitonesAndRefusesTakenNamesAndChords)
{
    auto editor = open();
    const auto& o = editor->outlets();
    // The chords of the built-in "I - V - I", under a name of its own.
    choose(o.numChordsPopupMenu, 1);
    pickStep(*editor, 1, 4);
    typeName(*editor, QStringLiteral("Fresh"));
    o.saveButton->click();
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("A chord progression with these chords already exists!"));
    EXPECT_EQ(alerts_[0].informativeText, QStringLiteral("I - V - I"));
    EXPECT_EQ(alerts_[0].style, Alert::Style::Warning);

    // The name of a built-in item, whether as shown or as stored.
    pickStep(*editor, 2, 5);
    typeName(*editor, QStringLiteral("I - IV - I"));
    o.saveButton->click();
    ASSERT_EQ(alerts_.size(), 2);
    EXPECT_EQ(alerts_[1].message, QStringLiteral("A chord progression with this name already exists!"));
    EXPECT_EQ(alerts_[1].informativeText, QStringLiteral("Please choose another name."));
    EXPECT_TRUE(prefs()->customExercisesForTestWithName(kProgressions).isEmpty());
    EXPECT_TRUE(editor->window()->isVisible());

    typeName(*editor, QStringLiteral("Deceptive"));
    choose(o.groupPopup, 2);
    choose(o.levelPopup, 3);
    o.saveButton->click();
    EXPECT_FALSE(editor->window()->isVisible());
    EXPECT_EQ(editor->window()->result(), 1);
    const QVariantMap saved = prefs()->customExerciseWithIndex(0, kProgressions);
    EXPECT_EQ(saved.value("name").toString(), QStringLiteral("Deceptive"));
    EXPECT_EQ(saved.value("definition").toList(), (QVariantList{step(0, ""), step(7, ""), step(9, "")}));
    EXPECT_EQ(saved.value("group"), QVariant(QStringLiteral("2")));
    EXPECT_EQ(saved.value("level"), QVariant(QStringLiteral("3")));
    EXPECT_FALSE(saved.value("isMinor").toBool());
    EXPECT_FALSE(saved.contains("chordId"));

    // Saved again unchanged, it is not taken by itself, and keeps its place.
    settle();
    auto again = open(0);
    EXPECT_EQ(again->window()->windowTitle(), QStringLiteral("Edit Chord Progression"));
    EXPECT_EQ(again->outlets().groupPopup->currentIndex(), 2);
    EXPECT_EQ(again->outlets().levelPopup->currentIndex(), 3);
    again->outlets().saveButton->click();
    EXPECT_EQ(alerts_.size(), 2);
    EXPECT_EQ(again->window()->result(), 1);
    EXPECT_EQ(prefs()->customExercisesForTestWithName(kProgressions).size(), 1);
}

TEST_F(ChordProgressionEditorTest, StoredValuesTheRowsCannotShowAreKept)
{
    // A minor-key item with a chord that is gone, a step off the scale, a level past the list
    // and nine steps: the rows show no choice there, and saving keeps every stored value.
    QVariantList steps{step(0, "m"), step(1, "gone"), step(7, "")};
    for (int i = 0; i < 6; ++i)
        steps << step(3, "");
    const QVariantMap stored{{"name", "Odd"}, {"definition", steps}, {"group", "77"}, {"level", "9"},
                             {"isMinor", true}, {"custom", "kept"}};
    auto editor = openWith(stored);
    const auto& o = editor->outlets();
    EXPECT_EQ(o.chordPopupMenus[1]->currentIndex(), -1);
    EXPECT_EQ(o.chordPopupMenus[1]->placeholderText(), QStringLiteral("gone"));
    EXPECT_EQ(o.stepPopupMenus[1]->currentIndex(), -1);
    EXPECT_EQ(o.stepPopupMenus[3]->currentText(), QStringLiteral("III")); // 3 semitones in minor
    EXPECT_EQ(o.levelPopup->currentIndex(), -1);
    EXPECT_EQ(o.numChordsPopupMenu->currentIndex(), -1);
    EXPECT_EQ(o.groupPopup->currentIndex(), 0); // an unknown group shows the first

    pickChord(*editor, 0, QStringLiteral(""));
    o.saveButton->click();
    const QVariantMap saved = prefs()->customExerciseWithIndex(0, kProgressions);
    QVariantList expected = steps;
    expected[0] = step(0, "");
    EXPECT_EQ(saved.value("definition").toList(), expected);
    EXPECT_EQ(saved.value("level"), QVariant(QStringLiteral("9")));
    EXPECT_EQ(saved.value("group"), QVariant(QStringLiteral("0")));
    EXPECT_TRUE(saved.value("isMinor").toBool());
    EXPECT_EQ(saved.value("custom"), QVariant(QStringLiteral("kept")));

    // Choosing a count brings the item back within the rows.
    settle();
    auto again = open(0);
    choose(again->outlets().numChordsPopupMenu, 2);
    EXPECT_EQ(again->item().value("definition").toList().size(), 4);
}

TEST_F(ChordProgressionEditorTest, PlayAndCancelStoreNothing)
{
    auto editor = open();
    pickStep(*editor, 1, 4);
    editor->outlets().playButton->click();
    EXPECT_TRUE(ZTMIDIController::sharedInstance()->instrument()->isPlaying());
    EXPECT_TRUE(prefs()->customExercisesForTestWithName(kProgressions).isEmpty());

    editor->outlets().cancelButton->click();
    EXPECT_FALSE(editor->window()->isVisible());
    EXPECT_EQ(editor->window()->result(), 0);
    auto closed = open();
    closed->window()->close();
    EXPECT_EQ(closed->window()->result(), 0);
    EXPECT_TRUE(prefs()->customExercisesForTestWithName(kProgressions).isEmpty());
}

} // namespace
