// The chord and scale editor: notes entered on the staff, the buttons, the checks on saving
// and the stored record.
#include "PreferencesTestSupport.h"

#include "ImageButton.h"
#include "YUp.h"
#include "ZTCustomExercisesWindowController.h"
#include "ZTFooterBar.h"
#include "ZTMIDIController.h"
#include "QVMusicInstrument.h"
#include "ZTPreferences.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QString kChords = QStringLiteral("Chord recognition");
const QString kScales = QStringLiteral("Scale recognition");

QVariantMap note(qlonglong pos, qlonglong off, qlonglong semitones)
{
    return {{"name", ""}, {"notes", QVariantList{QVariantMap{{"pos", pos}, {"off", off}, {"note", semitones}}}}};
}

class ChordScaleEditorTest : public PreferencesTest {
protected:
    std::unique_ptr<ZTCustomExercisesWindowController> open(const QString& exercise, int index = -1)
    {
        auto editor = std::make_unique<ZTCustomExercisesWindowController>();
        editor->setExerciseName(exercise);
        if (index >= 0) {
            editor->setItem(prefs()->customExerciseWithIndex(index, exercise));
            editor->setItemIndex(index);
        }
        editor->window()->show();
        return editor;
    }
    static ZTNoteView* staff(ZTCustomExercisesWindowController& editor) { return editor.outlets().noteView; }
    // The footer's plus button, `times` times.
    static void addNotes(ZTCustomExercisesWindowController& editor, int times)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(staff(editor)->footerBar()->plusButton(), Qt::LeftButton);
    }
    // A click on the head of the first note of a group, then on an accidental toggle
    // (0 flat, 1 double flat, 2 sharp, 3 double sharp).
    static void alter(ZTCustomExercisesWindowController& editor, int group, int toggle)
    {
        ZTNoteView* view = staff(editor);
        const QPoint at = YUp::toQt(view->noteCollections()[group].notes()[0].noteFrame().center(), view->height()).toPoint();
        QTest::mouseClick(view, Qt::LeftButton, {}, at);
        QTest::mouseClick(view->footerBar()->buttonAtIndex(quint64(toggle)), Qt::LeftButton);
    }
    static void type(QLineEdit* field, const QString& text)
    {
        field->selectAll();
        QTest::keyClicks(field, text);
    }
};

TEST_F(ChordScaleEditorTest, ANewChordStartsOnMiddleCAndNeedsThreeNotesAndBothNames)
{
    auto editor = open(kChords);
    const auto& o = editor->outlets();
    EXPECT_EQ(editor->window()->windowTitle(), QStringLiteral("New Chord"));
    EXPECT_EQ(o.titleLabel->text(), QStringLiteral("Please enter a chord with middle C as the root."));
    EXPECT_EQ(o.shortNameLabel->text(), QStringLiteral("Short Name e.g. \u201Cmaj7\u201D"));
    EXPECT_TRUE(o.shortNameTextField->isVisibleTo(editor->window()));
    ASSERT_EQ(staff(*editor)->noteCollections().size(), 2); // the tone and the whole chord
    EXPECT_EQ(staff(*editor)->noteCollections()[0].firstNote()->nr(), 60);
    EXPECT_EQ(staff(*editor)->maxNoteNr(), 96);
    EXPECT_TRUE(staff(*editor)->isEditing());
    EXPECT_TRUE(o.playButton->isEnabled());
    EXPECT_FALSE(o.saveButton->isEnabled());

    addNotes(*editor, 1);
    type(o.shortNameTextField, QStringLiteral("x"));
    type(o.nameTextField, QStringLiteral("Mine"));
    EXPECT_FALSE(o.saveButton->isEnabled()); // two notes
    addNotes(*editor, 1);
    EXPECT_TRUE(o.saveButton->isEnabled());
    o.shortNameTextField->clear();
    EXPECT_FALSE(o.saveButton->isEnabled());

    // The root cannot be picked: a click on it selects nothing, so no toggle alters it.
    alter(*editor, 0, 2);
    EXPECT_EQ(staff(*editor)->noteCollections()[0].firstNote()->nr(), 60);
}

TEST_F(ChordScaleEditorTest, SavingAChordChecksNameShortNameAndNotesInThatOrder)
{
    auto editor = open(kChords);
    const auto& o = editor->outlets();
    addNotes(*editor, 3); // C E G B
    type(o.nameTextField, QStringLiteral("Major"));
    type(o.shortNameTextField, QStringLiteral("m7"));
    o.saveButton->click();
    type(o.nameTextField, QStringLiteral("Diminished major 7th"));
    o.saveButton->click();
    type(o.shortNameTextField, QStringLiteral("dimMaj7"));
    o.saveButton->click();
    ASSERT_EQ(alerts_.size(), 3);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("A chord with this name already exists!"));
    EXPECT_EQ(alerts_[1].message, QStringLiteral("A chord with this short name already exists!"));
    EXPECT_EQ(alerts_[1].informativeText, QStringLiteral("Please choose another short name."));
    EXPECT_EQ(alerts_[2].message, QStringLiteral("A chord with these notes already exists!"));
    EXPECT_EQ(alerts_[2].informativeText, QStringLiteral("Major 7th"));
    EXPECT_TRUE(prefs()->customExercisesForTestWithName(kChords).isEmpty());

    alter(*editor, 1, 0); // E flat
    alter(*editor, 2, 0); // G flat
    choose(o.groupPopup, 2);
    choose(o.levelPopup, 3);
    o.saveButton->click();
    EXPECT_EQ(editor->window()->result(), 1);
    const QVariantMap saved = prefs()->customExerciseWithIndex(0, kChords);
    EXPECT_EQ(saved.value("definition").toList(),
              (QVariantList{note(1, 0, 0), note(3, -1, 3), note(5, -1, 6), note(7, 0, 11)}));
    EXPECT_EQ(saved.value("chordId"), QVariant(QStringLiteral("dimMaj7")));
    EXPECT_EQ(saved.value("group"), QVariant(QStringLiteral("2")));
    EXPECT_EQ(saved.value("level").typeId(), QMetaType::LongLong);
    EXPECT_EQ(saved.value("level").toLongLong(), 3);
    EXPECT_FALSE(saved.value("isMinor").toBool());

    // Opened again and saved unchanged, it takes none of its own names or notes.
    settle();
    auto again = open(kChords, 0);
    EXPECT_EQ(again->window()->windowTitle(), QStringLiteral("Edit Chord"));
    EXPECT_EQ(staff(*again)->noteCollections().size(), 5);
    EXPECT_EQ(again->outlets().shortNameTextField->text(), QStringLiteral("dimMaj7"));
    EXPECT_EQ(again->outlets().groupPopup->currentIndex(), 2);
    again->outlets().saveButton->click();
    EXPECT_EQ(alerts_.size(), 3);
    EXPECT_EQ(prefs()->customExerciseWithIndex(0, kChords), saved);
}

TEST_F(ChordScaleEditorTest, AScaleClimbsFromMiddleCToItsOctaveAndNoFurther)
{
    auto editor = open(kScales);
    const auto& o = editor->outlets();
    EXPECT_EQ(editor->window()->windowTitle(), QStringLiteral("New Scale"));
    EXPECT_FALSE(o.shortNameTextField->isVisibleTo(editor->window()));
    EXPECT_EQ(o.nameLabel->text(), QStringLiteral("Name of Scale"));
    addNotes(*editor, 8);
    QList<qint64> firstNotes;
    for (const ZTNoteCollection& group : staff(*editor)->noteCollections())
        firstNotes << group.firstNote()->nr();
    EXPECT_EQ(firstNotes, (QList<qint64>{60, 62, 64, 65, 67, 69, 71, 72, 72}));
    // The minus button takes the selected C, and its twin with it; the next C comes back once.
    QTest::mouseClick(staff(*editor)->footerBar()->minusButton(), Qt::LeftButton);
    EXPECT_EQ(staff(*editor)->noteCollections().size(), 7);
    addNotes(*editor, 1);

    type(o.nameTextField, QStringLiteral("Mine"));
    o.saveButton->click();
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("A scale with these notes already exists!"));
    EXPECT_EQ(alerts_[0].informativeText, QStringLiteral("Major"));

    for (int degree : {1, 2, 5})
        alter(*editor, degree, 0);
    type(o.nameTextField, QStringLiteral("Neapolitan minor"));
    o.saveButton->click();
    const QVariantList definition = prefs()->customExerciseWithIndex(0, kScales).value("definition").toList();
    ASSERT_EQ(definition.size(), 8);
    EXPECT_EQ(definition[1], QVariant(note(2, -1, 1)));
    EXPECT_EQ(definition[7], QVariant(note(8, 0, 12)));
    EXPECT_FALSE(prefs()->customExerciseWithIndex(0, kScales).contains("chordId"));
}

TEST_F(ChordScaleEditorTest, AStoredLevelPastTheListIsKeptAndPlayStoresNothing)
{
    prefs()->setCustomExercises({QVariantMap{{"name", "Odd"}, {"group", "99"}, {"level", 42LL}, {"isMinor", false},
                                             {"definition", QVariantList{note(1, 0, 0), note(2, 1, 3), note(5, 0, 7)}}}},
                                kScales);
    settle();
    auto editor = open(kScales, 0);
    EXPECT_EQ(editor->outlets().levelPopup->currentIndex(), -1);
    EXPECT_EQ(editor->outlets().groupPopup->currentIndex(), 0);
    editor->outlets().playButton->click();
    EXPECT_TRUE(ZTMIDIController::sharedInstance()->instrument()->isPlaying());
    editor->outlets().saveButton->click();
    const QVariantMap saved = prefs()->customExerciseWithIndex(0, kScales);
    EXPECT_EQ(saved.value("level").toLongLong(), 42);
    EXPECT_EQ(saved.value("group"), QVariant(QStringLiteral("0")));
    EXPECT_EQ(saved.value("definition").toList()[1], QVariant(note(2, 1, 3)));

    auto cancelled = open(kScales);
    addNotes(*cancelled, 3);
    cancelled->outlets().cancelButton->click();
    EXPECT_EQ(cancelled->window()->result(), 0);
    EXPECT_EQ(prefs()->customExercisesForTestWithName(kScales).size(), 1);
}

} // namespace
