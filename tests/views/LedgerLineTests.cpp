// Ledger lines on the grand staff, for every natural note from C1 to C7 written on either
// staff, against what engraving asks: a head on a line gets a line through it, a head in a
// space beyond a staff gets the lines up to the one next to it, never one beyond the head.
#include "ViewTestSupport.h"

#include "ZTNoteView.h"
#include "ZTPrintableNoteView.h"

#include <QStringList>

#include <algorithm>

namespace {

// Letter steps above the bottom bass line (G2) of a staff's outer lines.
struct StaffLines {
    int bottom;
    int top;
    bool holds(int position) const { return position >= bottom && position <= top; }
};
constexpr StaffLines kBass{0, 8};
constexpr StaffLines kTreble{19, 27};

// Where a head at `position` needs ledger lines, as letter positions:
// of the lines that continue the staff it is read against (every other position past its outer
// lines), those between that staff and the head, the head's own line included. A head beyond
// the grand staff is read against the nearer staff, one between the staves against its own.
QList<int> engravedLines(int position, bool onTreble)
{
    if (kBass.holds(position) || kTreble.holds(position))
        return {};
    const StaffLines& staff = position < kBass.bottom ? kBass : position > kTreble.top ? kTreble : onTreble ? kTreble : kBass;
    QList<int> lines;
    for (int distance = 1; distance <= 30; ++distance) {
        for (const int line : {staff.bottom - distance, staff.top + distance}) {
            const bool continuesTheStaff = distance % 2 == 0;
            const bool towardsTheHead = line < staff.bottom ? position <= line : line <= position;
            if (continuesTheStaff && towardsTheHead)
                lines.append(line);
        }
    }
    return lines;
}

// A natural note by its scientific name's letter and octave.
struct Natural {
    char letter;
    int octave;
    qint64 nr() const
    {
        static const QString letters = QStringLiteral("C D EF G A B");
        return 12 * (octave + 1) + letters.indexOf(QLatin1Char(letter));
    }
    // Letter steps above G2, the bottom bass line, as written on the bass staff.
    int bassPosition() const { return 7 * octave + int(QStringLiteral("CDEFGAB").indexOf(QLatin1Char(letter))) - (7 * 2 + 4); }
    std::string name() const { return std::string(1, letter) + std::to_string(octave); }
};

QList<Natural> naturalsFromC1ToC7()
{
    QList<Natural> notes;
    for (int octave = 1; octave <= 7; ++octave)
        for (const char letter : std::string("CDEFGAB"))
            if (octave < 7 || letter == 'C')
                notes.append({letter, octave});
    return notes;
}

class LedgerLineTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        view = std::make_unique<ZTNoteView>(QRect(0, 0, 600, 240));
        top = view->staffTop();
    }

    // The view shows `tested` as its second group, after a C5 that makes every group treble
    // or a C2 that keeps them bass.
    const QVNote& written(const ZTNoteCollection& tested, bool onTreble, int index = 0)
    {
        view->setNoteCollections({group({onTreble ? 72 : 36}), tested});
        return view->noteCollections()[1].notes()[index];
    }

    // Expects the note's ledger lines at `positions` (in any order), each under the head's own
    // column.
    void expectLines(const QVNote& note, const QList<int>& positions, const std::string& where) const
    {
        QList<double> heights;
        for (const ZTNoteLine& line : note.noteLines()) {
            heights.append(line.start().y() - 1); // stored a point above the drawn line
            EXPECT_EQ(line.start().x(), note.noteFrame().x() - 5) << where;
            EXPECT_EQ(line.end().x() - line.start().x(), ZTNoteView::kLedgerLineLength) << where;
        }
        QList<double> expected;
        for (const int position : positions)
            expected.append(top + 5 * position);
        std::sort(heights.begin(), heights.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(heights, expected) << where;
    }

    std::unique_ptr<ZTNoteView> view;
    double top = 0;
};

} // namespace

TEST_F(LedgerLineTest, EveryNaturalFromC1ToC7OnEitherStaffGetsTheLinesEngravingAsks)
{
    for (const bool onTreble : {true, false}) {
        for (const Natural& natural : naturalsFromC1ToC7()) {
            const QVNote& note = written(group({natural.nr()}), onTreble);
            const int position = natural.bassPosition() + (onTreble ? 7 : 0);
            const std::string where = natural.name() + (onTreble ? " on the treble staff" : " on the bass staff");
            // The head sits on its letter's line or space.
            ASSERT_EQ(note.noteFrame().center().y() - 0.5, top + 5 * position) << where;
            expectLines(note, engravedLines(position, onTreble), where);
        }
    }
}

TEST_F(LedgerLineTest, NotesBelowTheTrebleStaffGetNoLineBeyondTheirHead)
{
    struct Case {
        qint64 nr;
        int lines;
    };
    // Spaces (B3, G3, E3, C3) and lines (C4, A3, F3, D3) under the treble staff; D4 hangs
    // from its bottom line.
    for (const Case c : {Case{59, 1}, Case{55, 2}, Case{52, 3}, Case{48, 4}, Case{60, 1}, Case{57, 2},
                         Case{53, 3}, Case{50, 4}, Case{62, 0}})
        EXPECT_EQ(written(group({c.nr}), true).noteLines().size(), c.lines) << c.nr;
}

TEST_F(LedgerLineTest, AccidentalsAndShiftedSecondsKeepTheLinesOfTheirHeads)
{
    // B flat 3 and B sharp 3 on the treble staff: the lines of B3, under the head moved right
    // to make room for the accidental.
    for (const qint64 offset : {-1, 1}) {
        ZTNoteCollection altered3;
        altered3.addNote(altered(59, offset));
        const QVNote& note = written(altered3, true);
        EXPECT_FALSE(note.noteSignFrame().isNull());
        expectLines(note, {17}, "B3 with an accidental");
    }

    // B3 and C4 a second apart on the treble staff: C4 in the column, B3 beside it, each with
    // the one line at C4's position under its own head, so the line runs under both.
    const QVNote& b3 = written(group({59, 60}), true, 0);
    const QVNote& c4 = view->noteCollections()[1].notes()[1];
    EXPECT_EQ(b3.noteFrame().x(), c4.noteFrame().x() + 22);
    expectLines(b3, {17}, "shifted B3");
    expectLines(c4, {17}, "C4 beside it");

    // A3 and G3 a second apart on the treble staff: A3 in the column with two lines, G3
    // beside it with the same two.
    const QVNote& g3 = written(group({55, 57}), true, 0);
    const QVNote& a3 = view->noteCollections()[1].notes()[1];
    EXPECT_EQ(g3.noteFrame().x(), a3.noteFrame().x() + 22);
    expectLines(a3, {17, 15}, "A3");
    expectLines(g3, {17, 15}, "shifted G3");

    // E4 and D4 on the bass staff: D4 beside E4, both on the lines of the bass staff.
    const QVNote& d4 = written(group({62, 64}), false, 0);
    expectLines(d4, {10}, "shifted D4");
    expectLines(view->noteCollections()[1].notes()[1], {10, 12}, "E4 on the bass staff");
}

TEST_F(LedgerLineTest, ThePrintableCopyDrawsTheSameLines)
{
    view->setNoteCollections({group({72}), group({59}), group({55}), group({84}), group({36})});
    ZTPrintableNoteView printable(QRect(0, 0, 800, 600), *view);
    const double printedTop = printable.staffTop();
    ASSERT_NE(printedTop, top);
    for (qsizetype i = 0; i < view->noteCollections().size(); ++i) {
        const QList<ZTNoteLine>& shown = view->noteCollections()[i].notes()[0].noteLines();
        const QList<ZTNoteLine>& printed = printable.noteCollections()[i].notes()[0].noteLines();
        ASSERT_EQ(printed.size(), shown.size()) << i;
        for (qsizetype j = 0; j < shown.size(); ++j)
            EXPECT_EQ(printed[j].start().y() - printedTop, shown[j].start().y() - top) << i;
    }
}
