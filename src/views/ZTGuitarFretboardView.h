#pragma once

#include "ZTInstrumentViewBase.h"

#include <QList>
#include <QPointF>

#include <array>

// One place on the neck: string 0 (low E) to 5 (high E), fret 0 (open) to 24.
struct ZTFretboardPos {
    qint64 string = -1;
    qint64 fret = -1;
    bool isNone() const { return string < 0; }
    friend bool operator==(const ZTFretboardPos&, const ZTFretboardPos&) = default;
};

// A note with the place chosen for it; -1 for no note.
struct ZTFretboardNote {
    ZTFretboardPos pos;
    qint64 noteNr = -1;
};

// The guitar neck, frets 0 to 24 of six strings in standard tuning, the alternative to the
// piano keyboard. A clicked place sounds on the MIDI controller's current instrument and is
// reported to the delegate; right and wrong notes show as green and red dots with their
// names. Each mark goes where the question's notes lie playably close together, and a wrong
// note at the place the user clicked. Geometry is y-up: string 0 lies at the bottom.
class ZTGuitarFretboardView : public ZTInstrumentViewBase {
    Q_OBJECT
public:
    static constexpr double kWidth = 1068;
    static constexpr double kHeight = 120;
    static constexpr double kStringHeight = 20;
    static constexpr int kNumStrings = 6;
    static constexpr int kNumFrets = 25; // 0 to 24
    // MIDI numbers of the open strings.
    static constexpr std::array<qint64, kNumStrings> kOpenStrings{40, 45, 50, 55, 59, 64};
    // Left edge of every fret and the end of the last.
    static const std::array<double, kNumFrets + 1> kFretEdges;

    explicit ZTGuitarFretboardView(QWidget* parent = nullptr);
    ZTGuitarFretboardView(const QRect& frame, QWidget* parent = nullptr);

    // ---- Marks ----
    void unmarkAllNotes() override;
    // A wrong note is drawn where it was clicked, as long as the place sounds it.
    void markNoteRed(const QVNote& note, qint64 position) override;

    // ---- Places ----
    // Press and release one note (0..127; other numbers are ignored).
    void noteDown(qint64 noteNr) { pressNote(noteNr); }
    void noteUp(qint64 noteNr) { releaseNote(noteNr); }
    bool isNoteDown(qint64 noteNr) const { return isHeld(noteNr); }
    // The note at a y-up point, -1 for none; a place hit becomes _lastPos.
    qint64 _getNoteNrForPoint(const QPointF& point);
    ZTFretboardPos lastPos() const { return lastPos_; }
    // The middle of a place.
    static QPointF pointForFretboardPos(const ZTFretboardPos& pos);
    // Where a mark of that note is drawn (none when the neck has no place for it).
    ZTFretboardPos posForNote(qint64 noteNr) const;
    // Places for a group of notes, read from the bottom note up (from the list's end when
    // `descending`): the top note on the highest string that plays it, the bottom note close
    // to it, the notes between on the strings between. One entry per note, in reading order;
    // a note without a place keeps (-1, -1).
    static QList<ZTFretboardNote> _findPositions(const QList<QVNote>& notes, bool descending);
    // The place last clicked when a wrong note was marked, shared by every fretboard; none
    // after unmarkAllNotes.
    static ZTFretboardPos lastRedPos();

    // ---- Marks ----
    // A dot a point inside its string's band, so that dots on neighbouring strings stand apart
    // and those of the outer strings stay whole on the neck.
    static constexpr double kMarkDotSize = kStringHeight - 2;
    // The mark of a note at a place: a dot widened as far as the name needs, within its fret.
    static MarkLabel markLabel(const QVNote& note, const ZTFretboardPos& place);

    // Mouse handling on y-up points (the Qt events call these).
    void mouseDownAt(const QPointF& point) override;
    void mouseDraggedAt(const QPointF& point) override;
    void mouseUpAt(const QPointF& point) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static qint64 soundOf(const ZTFretboardPos& pos);
    // The notes whose places are chosen together: the current chord of a progression, else
    // the first note of every step.
    QList<QVNote> markGroup() const;

    ZTFretboardPos lastPos_;
    QPointF prevPoint_;
};
