// Pictures of every view for a person to look at: <build>/view-shots/*.png.
#include "ViewTestSupport.h"

#include "Color.h"
#include "ZTChord.h"
#include "ZTChordProgressionStepView.h"
#include "ZTCountDownView.h"
#include "ZTInterval.h"
#include "ZTGuitarFretboardView.h"
#include "ZTKeyboardView.h"
#include "ZTScale.h"
#include "ZTNoteView.h"
#include "ZTPreferences.h"
#include "ZTPrintableNoteView.h"
#include "ZTTableRowView.h"
#include "ZTTableViewCell.h"
#include "Image.h"
#include "ImageButton.h"
#include "ZTFooterBar.h"

#include <QVBoxLayout>

namespace {

class ViewShotTest : public ViewTest {};

QVariantMap chordItem()
{
    QVariantList steps;
    for (const int degree : {1, 3, 5, 7}) {
        QVariantMap entry{{QStringLiteral("pos"), degree}, {QStringLiteral("off"), degree == 7 ? -1 : 0}};
        steps.append(QVariantMap{{QStringLiteral("notes"), QVariantList{entry}}});
    }
    return {{QStringLiteral("definition"), steps}, {QStringLiteral("name"), QStringLiteral("Dominant seventh")},
            {QStringLiteral("chordId"), QStringLiteral("7")}};
}

} // namespace

TEST_F(ViewShotTest, Staff)
{
    ZTNoteView empty(QRect(0, 0, 520, 240));
    saveShot(&empty, QStringLiteral("staff-empty"));

    ZTNoteView notes(QRect(0, 0, 760, 240));
    notes.setShowNoteNames(true);
    ZTNoteCollection cluster = group({60, 62, 64});
    ZTNoteCollection accidentals;
    accidentals.addNote(altered(62, 1));
    accidentals.addNote(altered(65, 1));
    accidentals.addNote(altered(71, -1));
    ZTNoteCollection wrong = group({84});
    wrong.notes()[0].setWrong(true);
    ZTNoteCollection selected;
    selected.addNote(altered(67, 2));
    selected.notes()[0].setSelected(true);
    ZTNoteCollection flats;
    flats.addNote(altered(65, -2));
    flats.notes()[0].setWrong(true);
    notes.setNoteCollections({group({57}), group({53, 60}), cluster, accidentals, wrong, selected, flats, group({88})});
    saveShot(&notes, QStringLiteral("staff-notes"));

    auto chord = std::shared_ptr<ZTChord>(ZTTest::create<ZTChord>(chordItem()));
    chord->setRootNoteNr(55);
    ZTNoteView chordView(QRect(0, 0, 640, 240));
    chordView.setTest(chord);
    chordView.setShowNoteNames(true);
    chordView.setNoteCollections(chord->noteCollectionObjects());
    saveShot(&chordView, QStringLiteral("staff-chord"));

    ZTPrintableNoteView printable(QRect(0, 0, 640, 300), chordView);
    printable.setAutoFillBackground(true);
    saveShot(&printable, QStringLiteral("staff-printable"));

    ZTNoteView editing(QRect(0, 0, 520, 260));
    editing.setEditing(true);
    editing.setShowNoteNames(true);
    editing.setNoteCollections({group({60}), group({64}), group({67})});
    editing.footerBar()->buttonAtIndex(2)->setOn(true);
    saveShot(&editing, QStringLiteral("staff-editing"));
}

TEST_F(ViewShotTest, KeySignatures)
{
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    sheet.setPalette(QPalette(Qt::white));
    auto* layout = new QGridLayout(&sheet);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int n = 0; n < 15; ++n) {
        auto* cell = new QWidget;
        cell->setFixedSize(240, 220);
        auto* staff = new ZTNoteView(QRect(0, 0, 240, 220), cell);
        staff->showSignatureWithNr(n);
        layout->addWidget(cell, n / 5, n % 5);
    }
    sheet.resize(1200, 660);
    sheet.show();
    saveShot(&sheet, QStringLiteral("staff-signatures"), 1.0);
}

TEST_F(ViewShotTest, Keyboard)
{
    QWidget window;
    window.resize(840, 120);
    auto* shown = new ZTKeyboardView(QRect(-840, 0, 2240, 120), &window);
    ZTKeyboardView& keyboard = *shown;
    keyboard.keyDown(60);
    keyboard.keyDown(63);
    keyboard.keyDown(65);
    keyboard.keyDown(71);
    keyboard.markNoteGreen(note(48), 0);
    keyboard.markNoteGreen(note(52), 0);
    keyboard.markNoteGreen(note(54), 0);
    keyboard.markNoteRed(note(56), 0);
    keyboard.markNoteGreen(note(69), 0);
    keyboard.setStep(0);
    saveShot(&window, QStringLiteral("keyboard"));

    keyboard.unmarkAllNotes();
    keyboard.allNotesUp();
    keyboard.setGreenNotes({note(48), note(52), note(55)}, 0);
    keyboard.setGreenNotes({note(53), note(57), note(60)}, 1);
    keyboard.setGreenNotes({note(55), note(59), note(62)}, 2);
    keyboard.setStep(-1);
    saveShot(&window, QStringLiteral("keyboard-all-steps"));
}

TEST_F(ViewShotTest, Fretboard)
{
    ZTGuitarFretboardView fretboard(QRect(0, 0, 1068, 120));
    saveShot(&fretboard, QStringLiteral("fretboard-empty"));

    // A C major chord answered on the neck, with one wrong note played at the sixth fret.
    auto chord = std::shared_ptr<GroupsQuestion>(ZTTest::create<GroupsQuestion>());
    for (const qint64 nr : {48, 52, 55, 60, 64})
        chord->groups << group({nr});
    chord->setRootNoteNr(48);
    fretboard.setMusicalTest(chord);
    fretboard.setGreenNotesFromTest();
    fretboard.mouseDownAt(ZTGuitarFretboardView::pointForFretboardPos({1, 6}));
    fretboard.mouseUpAt(ZTGuitarFretboardView::pointForFretboardPos({1, 6}));
    fretboard.markNoteRed(QVNote::initWithNoteNr(51, 48, false), 0);
    fretboard.markNoteRed(note(66), 0);
    saveShot(&fretboard, QStringLiteral("fretboard-chord"));

    // Long names (syllables with octave numbers, in E major) at the narrow top frets, on an
    // open string and where a wrong note was played.
    ZTPreferences::sharedPreferences()->setSpellingType(QStringLiteral("Scientific"));
    ZTPreferences::sharedPreferences()->setNoteNamesTypes(QStringLiteral("Solomisation"));
    fretboard.unmarkAllNotes();
    chord->groups.clear();
    for (const qint64 nr : {80, 84, 87})
        chord->groups << ZTNoteCollection::noteCollectionWithNote(QVNote::initWithNoteNr(nr, 64, false));
    fretboard.setGreenNotesFromTest();
    fretboard.markNoteRed(QVNote::initWithNoteNr(40, 64, false), 0);
    fretboard.mouseDownAt(ZTGuitarFretboardView::pointForFretboardPos({2, 1}));
    fretboard.mouseUpAt(ZTGuitarFretboardView::pointForFretboardPos({2, 1}));
    fretboard.markNoteRed(QVNote::initWithNoteNr(51, 64, false), 0);
    saveShot(&fretboard, QStringLiteral("fretboard-long-names"), 2);
}

TEST_F(ViewShotTest, EditedStaff)
{
    // The chord editor after four tones, the third raised by a sharp and the fourth picked.
    ZTNoteView editor(QRect(0, 0, 700, 260));
    auto chord = std::shared_ptr<ZTChord>(ZTTest::create<ZTChord>({{QStringLiteral("chordId"), QStringLiteral("maj7")}}));
    chord->setRootNoteNr(60);
    editor.setTest(chord);
    editor.setMinNoteNr(60);
    editor.setMaxNoteNr(96);
    editor.setDisableFirsNoteEditing(true);
    editor.addNote();
    editor.setEditing(true);
    editor.setShowNoteNames(true);
    for (int i = 0; i < 3; ++i)
        editor.footerBar()->plusButton()->click();
    editor.mouseDownAt(editor.noteCollections()[2].firstNote()->noteFrame().center());
    editor.mouseUpAt(QPointF());
    editor.footerBar()->buttonAtIndex(2)->click();
    editor.mouseDownAt(editor.noteCollections()[3].firstNote()->noteFrame().center());
    editor.mouseUpAt(QPointF());
    saveShot(&editor, QStringLiteral("staff-edited-chord"));

    // A scale entered up to its octave, one note dragged down to a flat.
    ZTNoteView scale(QRect(0, 0, 700, 260));
    auto major = std::shared_ptr<ZTScale>(ZTTest::create<ZTScale>());
    major->setRootNoteNr(60);
    scale.setTest(major);
    scale.setMinNoteNr(60);
    scale.setMaxNoteNr(72);
    scale.addNote();
    scale.setEditing(true);
    scale.setShowNoteNames(true);
    for (int i = 0; i < 7; ++i)
        scale.addNote();
    scale.mouseDownAt(scale.noteCollections()[6].firstNote()->noteFrame().center());
    scale.footerBar()->buttonAtIndex(0)->click();
    scale.mouseUpAt(QPointF());
    saveShot(&scale, QStringLiteral("staff-edited-scale"));
}

TEST_F(ViewShotTest, StepBarAndCountDown)
{
    QWidget panel;
    panel.setAutoFillBackground(true);
    panel.setPalette(QPalette(Color::rgb(40 / 255.0, 45 / 255.0, 52 / 255.0)));
    panel.resize(320, 44);
    auto* bar = new ZTChordProgressionStepView(&panel);
    bar->resize(bar->width(), 28);
    bar->move(10, 8);
    bar->setNumSteps(4);
    bar->setCurrentStep(1);
    auto* countDown = new ZTCountDownView(&panel);
    countDown->setGeometry(180, 7, 48, 30);
    countDown->setValue(7);
    countDown->setColor(Color::rgb(1.0, 0.25, 0.2));
    countDown->show();
    auto* autoplay = new ZTCountDownView(&panel);
    autoplay->setGeometry(240, 7, 48, 30);
    autoplay->setValue(12);
    autoplay->show();
    saveShot(&panel, QStringLiteral("stepbar-countdown"), 3.0);
}

TEST_F(ViewShotTest, SidebarCells)
{
    QWidget sidebar;
    sidebar.setAutoFillBackground(true);
    sidebar.setPalette(QPalette(Color::rgb(58 / 255.0, 63 / 255.0, 71 / 255.0)));
    sidebar.resize(220, 22 * 6);
    const struct { QString title; QColor colour; bool header; bool selected; } rows[] = {
        {QStringLiteral("Triads"), Qt::black, true, false},
        {QStringLiteral("Major"), Color::rgb(1.0, 207 / 255.0, 15 / 255.0), false, false},
        {QStringLiteral("Minor"), Color::rgb(119 / 255.0, 167 / 255.0, 94 / 255.0), false, false},
        {QStringLiteral("Diminished"), Qt::red, false, false},
        {QStringLiteral("Augmented with a long name that is cut"), Qt::white, false, true},
        {QStringLiteral("Suspended fourth"), Color::white(1.0, 0.5), false, false},
    };
    int y = 0;
    for (const auto& row : rows) {
        auto* rowView = new ZTTableRowView(&sidebar);
        rowView->setGeometry(0, y, 220, 22);
        rowView->setSelected(row.selected);
        auto* cell = new ZTTableViewCell(QRect(0, 0, 220, 22), rowView);
        cell->setTitle(row.title);
        cell->setTitleColor(row.colour);
        if (row.header)
            cell->setBackgroundImage(Image::named(QStringLiteral("tableViewSectionBackground")));
        y += 22;
    }
    saveShot(&sidebar, QStringLiteral("sidebar-cells"));
}
