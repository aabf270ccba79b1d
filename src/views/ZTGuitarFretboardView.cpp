#include "ZTGuitarFretboardView.h"

#include "QuestionKinds.h"
#include "YUp.h"
#include "YUpPainter.h"
#include "ZTMusicalTest.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

const std::array<double, ZTGuitarFretboardView::kNumFrets + 1> ZTGuitarFretboardView::kFretEdges{
    0, 33, 95, 154, 211, 266, 321, 372, 423, 472, 520, 564, 608, 652,
    692, 733, 770, 808, 845, 880, 915, 946, 977, 1006, 1033, 1059};

namespace {

// Frets apart that a hand still spans.
constexpr qint64 kReach = 4;

ZTFretboardPos& lastRedPlace()
{
    static ZTFretboardPos place;
    return place;
}

qint64 fretFor(qint64 noteNr, qint64 string)
{
    const qint64 fret = noteNr - ZTGuitarFretboardView::kOpenStrings[size_t(string)];
    return fret >= 0 && fret < ZTGuitarFretboardView::kNumFrets ? fret : -1;
}

// Every place that sounds the note, from the lowest string up.
QList<ZTFretboardPos> candidates(qint64 noteNr)
{
    QList<ZTFretboardPos> places;
    for (qint64 string = 0; string < ZTGuitarFretboardView::kNumStrings; ++string)
        if (const qint64 fret = fretFor(noteNr, string); fret >= 0)
            places.append({string, fret});
    return places;
}

bool withinReach(qint64 fret, qint64 other)
{
    return std::llabs(fret - other) <= kReach;
}

} // namespace

ZTGuitarFretboardView::ZTGuitarFretboardView(QWidget* parent) : ZTInstrumentViewBase(parent)
{
    resize(int(kWidth), int(kHeight));
}

ZTGuitarFretboardView::ZTGuitarFretboardView(const QRect& frame, QWidget* parent) : ZTInstrumentViewBase(parent)
{
    setGeometry(frame);
}

ZTFretboardPos ZTGuitarFretboardView::lastRedPos()
{
    return lastRedPlace();
}

qint64 ZTGuitarFretboardView::soundOf(const ZTFretboardPos& pos)
{
    return pos.isNone() ? -1 : kOpenStrings[size_t(pos.string)] + pos.fret;
}

// ---- Geometry ----

qint64 ZTGuitarFretboardView::_getNoteNrForPoint(const QPointF& point)
{
    qint64 fret = -1;
    for (qint64 f = 0; f < kNumFrets; ++f)
        if (kFretEdges[size_t(f)] <= point.x() && point.x() < kFretEdges[size_t(f + 1)])
            fret = f;
    const qint64 string = point.y() >= 0 ? qint64(point.y() / kStringHeight) : -1;
    if (fret < 0 || string >= kNumStrings || string < 0)
        return -1;
    lastPos_ = {string, fret};
    return soundOf(lastPos_);
}

QPointF ZTGuitarFretboardView::pointForFretboardPos(const ZTFretboardPos& pos)
{
    const size_t fret = size_t(std::clamp<qint64>(pos.fret, 0, kNumFrets - 1));
    const float x = float(kFretEdges[fret]) + float(kFretEdges[fret + 1] - kFretEdges[fret]) * 0.5f;
    const float y = float(kStringHeight) * float(pos.string) + float(kStringHeight) * 0.5f;
    return {double(x), double(y)};
}

QList<ZTFretboardNote> ZTGuitarFretboardView::_findPositions(const QList<QVNote>& notes, bool descending)
{
    const qint64 n = notes.size();
    QList<ZTFretboardNote> places(n);
    if (n == 0)
        return places;
    auto noteAt = [&](qint64 i) { return notes[descending ? n - 1 - i : i].nr(); };
    const qint64 low = noteAt(0);
    const qint64 high = noteAt(n - 1);

    // The top note on the highest string that plays it.
    const QList<ZTFretboardPos> highPlaces = candidates(high);
    const ZTFretboardPos top = highPlaces.isEmpty() ? ZTFretboardPos() : highPlaces.last();

    // The bottom note on the lowest string within reach of the top note, else the highest.
    const QList<ZTFretboardPos> lowPlaces = candidates(low);
    ZTFretboardPos bottom;
    for (const ZTFretboardPos& place : lowPlaces) {
        bottom = place;
        if (withinReach(place.fret, top.fret))
            break;
    }
    // A group spread over as many strings as it has notes ends on the top note's string.
    const qint64 spread = top.string - (n - 1);
    if (spread >= 0 && spread < bottom.string && fretFor(low, spread) >= 0)
        bottom = {spread, fretFor(low, spread)};

    places[0] = {bottom, low};
    places[n - 1] = {top, high};
    if (top.isNone() || bottom.isNone())
        return places;

    // The notes between go on the strings above their predecessor, within reach of either end.
    for (qint64 i = 1; i < n - 1; ++i) {
        const qint64 nr = noteAt(i);
        const qint64 previous = places[i - 1].pos.string;
        places[i].noteNr = -1;
        for (qint64 string = previous + 1; string < kNumStrings && places[i].noteNr < 0; ++string) {
            const qint64 fret = fretFor(nr, string);
            if (fret >= 0 && (withinReach(fret, top.fret) || withinReach(fret, bottom.fret)))
                places[i] = {{string, fret}, nr};
        }
        if (places[i].noteNr < 0 && previous >= 0 && fretFor(nr, previous) >= 0)
            places[i] = {{previous, fretFor(nr, previous)}, nr};
    }
    return places;
}

QList<QVNote> ZTGuitarFretboardView::markGroup() const
{
    const std::shared_ptr<ZTMusicalTest> question = musicalTest();
    if (!question)
        return {};
    const QList<ZTNoteCollection> collections = question->noteCollectionObjects();
    if (!QuestionKinds::isChordProgression(question.get()))
        return ZTNoteCollection::firstNotesFromCollections(collections);
    // A step that names no chord of the progression has no group.
    if (step() < 0 || step() >= collections.size())
        return {};
    return collections[step()].notes();
}

ZTFretboardPos ZTGuitarFretboardView::posForNote(qint64 noteNr) const
{
    const std::shared_ptr<ZTMusicalTest> question = musicalTest();
    for (const ZTFretboardNote& place : _findPositions(markGroup(), question && question->descending()))
        if (place.noteNr == noteNr)
            return place.pos;
    if (soundOf(lastRedPlace()) == noteNr)
        return lastRedPlace();
    // The lowest fret; on equal frets the higher string.
    ZTFretboardPos best;
    for (const ZTFretboardPos& place : candidates(noteNr))
        if (best.isNone() || place.fret <= best.fret)
            best = place;
    return best;
}

// ---- Marks ----

void ZTGuitarFretboardView::unmarkAllNotes()
{
    lastRedPlace() = ZTFretboardPos();
    ZTInstrumentViewBase::unmarkAllNotes();
}

void ZTGuitarFretboardView::markNoteRed(const QVNote& note, qint64 position)
{
    if (position >= 0)
        lastRedPlace() = lastPos_;
    ZTInstrumentViewBase::markNoteRed(note, position);
}

// ---- Mouse ----

void ZTGuitarFretboardView::mouseDownAt(const QPointF& point)
{
    prevPoint_ = point;
    const qint64 note = _getNoteNrForPoint(point);
    if (note < 0)
        return;
    setStartedWithMouseDown(true);
    noteDown(note);
}

void ZTGuitarFretboardView::mouseDraggedAt(const QPointF& point)
{
    // The pointer's own place is hit last, so a wrong note is marked where it was played.
    const qint64 previous = _getNoteNrForPoint(prevPoint_);
    const qint64 note = _getNoteNrForPoint(point);
    if (note != previous) {
        if (previous >= 0)
            noteUp(previous);
        if (note >= 0)
            noteDown(note);
    }
    prevPoint_ = point;
}

void ZTGuitarFretboardView::mouseUpAt(const QPointF& point)
{
    prevPoint_ = point;
    finishPress(_getNoteNrForPoint(point));
}

// ---- Drawing ----

void ZTGuitarFretboardView::paintEvent(QPaintEvent*)
{
    QPainter qtPainter(this);
    qtPainter.setRenderHint(QPainter::Antialiasing, true);
    qtPainter.setRenderHint(QPainter::TextAntialiasing, true);
    YUpPainter painter(qtPainter, height());
    painter.drawImage(QStringLiteral("fretboard"), QRectF(0, 0, width(), height()));

    // Only the chosen step's marks: a step of -1 (all) shows none on the neck.
    auto drawMarks = [&](const ZTMarkList& marks, const QString& image) {
        if (step() < 0 || step() >= marks.size())
            return;
        for (const QVNote& note : marks[step()]) {
            const ZTFretboardPos place = posForNote(note.nr());
            if (place.isNone())
                continue;
            const MarkLabel label = markLabel(note, place);
            painter.drawImage(image, label.plate);
            // A dark copy a point higher sets the name off the dot.
            drawMarkName(painter, label.textRect.translated(0, 1), label.name, Qt::black);
            drawMarkName(painter, label.textRect, label.name, Qt::white);
        }
    };
    drawMarks(greenNotes(), QStringLiteral("greenDot"));
    drawMarks(redNotes(), QStringLiteral("redDot"));
}

ZTGuitarFretboardView::MarkLabel ZTGuitarFretboardView::markLabel(const QVNote& note, const ZTFretboardPos& place)
{
    const QPointF centre = pointForFretboardPos(place);
    const double left = kFretEdges[size_t(place.fret)];
    const double right = kFretEdges[size_t(place.fret + 1)];
    // Clear of both fret wires and within the string's band, so that marks on neighbouring
    // frets and strings never touch.
    const QRectF room(left + 0.5, centre.y() - kMarkDotSize / 2, right - left - 1, kMarkDotSize);
    return fitMarkLabel(noteName(note), room, kMarkDotSize);
}
