// The staff view's mouse input: sounding groups in playing mode, and the note editor with its
// footer bar, chord inversions and accidentals in editing mode.
#include "ZTNoteView.h"

#include "ImageButton.h"
#include "QuestionKinds.h"
#include "YUp.h"
#include "ZTChord.h"
#include "ZTMIDIController.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"


#include <algorithm>
#include <cmath>

namespace {

// The plus button stays off from this many groups on (a chord counts its whole-chord group).
constexpr qint64 kMaxGroups = 13;
constexpr qint64 kMajorSteps[7] = {0, 2, 4, 5, 7, 9, 11};
// The accidental of each footer toggle, in the order the view adds them.
constexpr qint64 kToggleOffsets[4] = {-1, -2, 1, 2};

std::shared_ptr<QVMusicInstrument> currentInstrument()
{
    return ZTMIDIController::sharedInstance()->instrument();
}

} // namespace

bool ZTNoteView::isChordQuestion() const
{
    return QuestionKinds::isChord(test_.get());
}

// ---- Sounding ----

void ZTNoteView::keyDown(qint64 noteNr)
{
    if (noteNr < 0 || noteNr > 127)
        return;
    if (const auto instrument = currentInstrument())
        instrument->noteOn(int(noteNr), unsigned(ZTPreferences::sharedPreferences()->MIDIOutVelocity()));
    keyDown_[size_t(noteNr)] = true;
}

void ZTNoteView::keyUp(qint64 noteNr)
{
    if (noteNr < 0 || noteNr > 127)
        return;
    if (const auto instrument = currentInstrument())
        instrument->noteOff(int(noteNr));
    keyDown_[size_t(noteNr)] = false;
}

bool ZTNoteView::isKeyDown(qint64 noteNr) const
{
    return noteNr >= 0 && noteNr < 128 && keyDown_[size_t(noteNr)];
}

void ZTNoteView::allNotesUp()
{
    for (qint64 n = 0; n < 128; ++n)
        if (keyDown_[size_t(n)])
            keyUp(n);
}

QList<qint64> ZTNoteView::soundingNotes(qint64 index) const
{
    QList<qint64> numbers;
    if (index < 0 || index >= noteCollections_.size())
        return numbers;
    const ZTNoteCollection& collection = noteCollections_[index];
    // A chord question's whole chord is the group whose index equals its number of tones.
    const bool whole = QuestionKinds::isChordProgression(test_.get())
        || (isChordQuestion() && index == collection.numNotes());
    for (const QVNote& note : collection.notes()) {
        numbers << note.nr();
        if (!whole)
            break;
    }
    return numbers;
}

// ---- Mouse ----

void ZTNoteView::mouseDownAt(const QPointF& point)
{
    if (editing_) {
        qint64 collection = -1;
        qint64 note = -1;
        if (const auto place = notePlaceForPoint(point)) {
            collection = place->first;
            note = place->second;
        }
        if (collection >= 0)
            _editingMouseDownOverNote(collection, note);
        else
            _editingMouseDownOutsideNote(point);
        const QVNote* current = currentNote();
        noteWhenMouseDown_ = current ? std::optional<QVNote>(QVNote::initWithNote(*current)) : std::nullopt;
        return;
    }
    const qint64 index = _noteCollectionIndexForPoint(point);
    if (index < 0)
        return;
    startedWithMouseDown_ = true;
    for (const qint64 nr : soundingNotes(index))
        keyDown(nr);
}

void ZTNoteView::mouseDraggedAt(const QPointF& point)
{
    if (editing_) {
        if (!currentNote())
            return;
        QVNote& current = noteCollections_[currentNote_->first].notes()[currentNote_->second];
        const QVNote moved = _noteFromPoint(point);
        if (moved.nr() == current.nr())
            return;
        const bool selected = current.isSelected();
        current.setNote(moved);
        current.setSelected(selected);
        _updateCollectionsAndRectsForDrawing();
        _noteViewDidChange();
        return;
    }
    if (!visibleArea().contains(point)) {
        mouseExited(true);
        return;
    }
    if (!startedWithMouseDown_)
        return;
    const qint64 index = _noteCollectionIndexForPoint(point);
    if (index < 0) {
        allNotesUp();
        return;
    }
    // Staying over the sounding group changes nothing; a new group replaces the sound.
    const QList<qint64> numbers = soundingNotes(index);
    if (std::all_of(numbers.begin(), numbers.end(), [this](qint64 nr) { return isKeyDown(nr); }))
        return;
    allNotesUp();
    for (const qint64 nr : numbers)
        keyDown(nr);
}

void ZTNoteView::mouseUpAt(const QPointF&)
{
    if (editing_) {
        if (!currentNote_)
            return;
        rebuildAfterEdit();
        _updateButtons();
        currentNote_.reset();
        return;
    }
    // Whatever lies under the pointer now, nothing may keep sounding once the button is up.
    startedWithMouseDown_ = false;
    allNotesUp();
}

void ZTNoteView::mouseExited(bool buttonHeld)
{
    if (editing_ || !buttonHeld)
        return;
    startedWithMouseDown_ = false;
    allNotesUp();
}

// ---- Picking ----

std::optional<std::pair<qint64, qint64>> ZTNoteView::notePlaceForPoint(const QPointF& point) const
{
    const qint64 count = noteCollections_.size();
    for (qint64 i = disableFirsNoteEditing_ ? 1 : 0; i < count; ++i) {
        // The whole chord is made from the tones; it cannot be picked.
        if (isChordQuestion() && i == count - 1)
            return std::nullopt;
        const QList<QVNote>& notes = noteCollections_[i].notes();
        for (qint64 j = 0; j < notes.size(); ++j)
            if (notes[j].noteFrame().contains(point))
                return std::make_pair(i, j);
    }
    return std::nullopt;
}

const QVNote* ZTNoteView::_noteForPoint(const QPointF& point, qint64* collectionIndex) const
{
    const auto place = notePlaceForPoint(point);
    if (collectionIndex)
        *collectionIndex = place ? place->first : -1;
    return place ? &noteCollections_[place->first].notes()[place->second] : nullptr;
}

const QVNote* ZTNoteView::currentNote() const
{
    if (!currentNote_ || currentNote_->first >= noteCollections_.size())
        return nullptr;
    const QList<QVNote>& notes = noteCollections_[currentNote_->first].notes();
    return currentNote_->second < notes.size() ? &notes[currentNote_->second] : nullptr;
}

QVNote ZTNoteView::_noteFromPoint(const QPointF& point) const
{
    const qint64 offset = _offsetForSelectedButton();
    const double middle = height() / 2.0 + (editing_ ? 20 : 0);
    const double top = staffTop();
    // The treble half counts letter steps up from middle C, the bass half from C1 to B3.
    const bool treble = point.y() > middle;
    const qint64 root = treble ? 60 : 24;
    const double base = treble ? top + 85 : top - 55;
    qint64 steps = qint64(std::round((std::max(point.y(), base) - base) / 5));
    if (!treble)
        steps = std::min<qint64>(20, steps);
    QVNote note = QVNote::initWithRootNoteNr(root, steps + 1, offset, false);
    if (note.nr() < minNoteNr_)
        note = QVNote::initWithNoteNr(minNoteNr_, root, false);
    else if (note.nr() > maxNoteNr_)
        note = QVNote::initWithNoteNr(maxNoteNr_, root, false);
    return note;
}

qint64 ZTNoteView::_noteCollectionIndexForPoint(const QPointF& point) const
{
    for (qint64 i = 0; i < playRects_.size(); ++i)
        if (playRects_[i].contains(point))
            return i;
    return -1;
}

// ---- Selection ----

void ZTNoteView::selectNotes(const std::function<bool(const QVNote&)>& selected)
{
    for (ZTNoteCollection& collection : noteCollections_)
        for (QVNote& note : collection.notes())
            note.setSelected(selected(note));
}

void ZTNoteView::unselectAllNotesShouldDisplay(bool display)
{
    selectNotes([](const QVNote&) { return false; });
    if (display)
        update();
}

void ZTNoteView::_editingMouseDownOverNote(qint64 collection, qint64 note)
{
    currentNote_ = std::make_pair(collection, note);
    unselectAllNotesShouldDisplay(true);
    noteCollections_[collection].notes()[note].setSelected(true);
    _updateButtons();
}

void ZTNoteView::_editingMouseDownOutsideNote(const QPointF&)
{
    currentNote_.reset();
    unselectAllNotesShouldDisplay(true);
    _updateButtons();
}

QList<QVNote> ZTNoteView::_selectedNotes() const
{
    QList<QVNote> selected;
    for (const ZTNoteCollection& collection : noteCollections_)
        for (const QVNote& note : collection.notes())
            if (note.isSelected())
                selected << note;
    return selected;
}

qint64 ZTNoteView::_findCollectionWithNote(const QVNote& note) const
{
    for (qint64 i = 0; i < noteCollections_.size(); ++i) {
        const QList<QVNote>& notes = noteCollections_[i].notes();
        if (std::any_of(notes.begin(), notes.end(),
                        [&note](const QVNote& other) { return other.isSelected() && other.isEqual(note); }))
            return i;
    }
    return -1;
}

// ---- Editing ----

void ZTNoteView::_noteViewDidChange()
{
    if (delegate_)
        delegate_->noteViewDidChange(this);
}

void ZTNoteView::removeWholeChord()
{
    if (isChordQuestion() && !noteCollections_.isEmpty())
        noteCollections_.removeLast();
}

void ZTNoteView::rebuildAfterEdit()
{
    if (isChordQuestion()) {
        removeWholeChord();
        _prepareForChords(std::nullopt);
    } else {
        _updateCollectionsAndRectsForDrawing();
    }
}

qint64 ZTNoteView::_nextNoteForNr(qint64 noteNr) const
{
    const qint64 base = minNoteNr_ > 0 ? minNoteNr_ : 60;
    qint64 next = 0;
    if (isChordQuestion()) {
        // Thirds above the base: each new tone is two scale letters above the last.
        const qint64 d = 2 * noteCollections_.size();
        next = base + 12 * (d / 7) + kMajorSteps[d % 7];
    } else {
        qint64 d = noteNr + 1 - base;
        while (std::find(std::begin(kMajorSteps), std::end(kMajorSteps), d % 12) == std::end(kMajorSteps))
            ++d;
        next = base + d;
    }
    return std::min(next, maxNoteNr_);
}

void ZTNoteView::addNote()
{
    removeWholeChord();
    QVNote note;
    const ZTNoteCollection* first = noteCollections_.isEmpty() ? nullptr : &noteCollections_.first();
    const QVNote* root = first ? first->firstNote() : nullptr;
    const QVNote* last = noteCollections_.isEmpty() ? nullptr : noteCollections_.last().firstNote();
    if (!root || !last) {
        const qint64 nr = minNoteNr_ == 0 ? 60 : minNoteNr_;
        note = QVNote::initWithNoteNr(nr, nr, false);
    } else {
        note = QVNote::initWithNoteNr(_nextNoteForNr(last->nr()), root->nr(), false);
    }
    unselectAllNotesShouldDisplay(false);
    note.setSelected(true);
    const ZTNoteCollection collection(note);
    if (isChordQuestion()) {
        _prepareForChords(collection);
    } else {
        noteCollections_.append(collection);
        _updateCollectionsAndRectsForDrawing();
    }
    _updateButtons();
    _noteViewDidChange();
}

void ZTNoteView::_prepareForChords(const std::optional<ZTNoteCollection>& collection)
{
    QList<ZTNoteCollection> groups = noteCollections_;
    if (collection)
        groups.append(*collection);
    groups.removeIf([](const ZTNoteCollection& group) { return group.numNotes() == 0; });

    QList<QVNote> tones;
    for (const ZTNoteCollection& group : std::as_const(groups))
        tones << *group.firstNote();
    const qint64 K = tones.size();
    for (qint64 i = 0; i < K; ++i) {
        QList<QVNote> notes{tones[i]};
        for (qint64 m = i + 1; m < i + K; ++m) {
            const qint64 j = m % K;
            QVNote copy = tones[j].copy();
            copy.setSelected(false);
            copy.setNoteFrame(QRectF());
            // The tones below this one's root wrap an octave higher.
            if (j < i) {
                copy.setOctave(copy.octave() + 1);
                copy.setNr(copy.nr() + 12);
            }
            notes << copy;
        }
        groups[i].setNotes(notes);
    }
    setNoteCollections(groups);
}

void ZTNoteView::setChordId(const QString& chordId)
{
    auto* chord = dynamic_cast<ZTChord*>(test_.get());
    if (!chord)
        return;
    chord->setChordId(chordId);
    rebuildAfterEdit();
}

void ZTNoteView::footerBar(ZTFooterBar* bar, ImageButton* button)
{
    if (!bar || !button)
        return;
    switch (button->tag()) {
    case 0:
        addNote();
        return;
    case 1:
        deleteSelectedNotes();
        return;
    default:
        break;
    }
    // The accidental toggles are one of four.
    for (ImageButton* other : bar->buttons())
        if (other->tag() != button->tag())
            other->setOn(false);
    if (_selectedNotes().isEmpty()) {
        button->setOn(false);
        return;
    }
    addToSelectedNotes(_offsetForSelectedButton());
}

void ZTNoteView::addToSelectedNotes(qint64 offset)
{
    // A note refuses an accidental that would carry it out of the range; the toggles then
    // show its accidental again.
    for (ZTNoteCollection& collection : noteCollections_)
        for (QVNote& note : collection.notes())
            if (note.isSelected())
                note.addSignWithOffset(offset, minNoteNr_, maxNoteNr_);
    rebuildAfterEdit();
    _updateButtons();
    _noteViewDidChange();
}

void ZTNoteView::deleteSelectedNotes()
{
    QList<ZTNoteCollection> doomed;
    for (const QVNote& note : _selectedNotes()) {
        const qint64 index = _findCollectionWithNote(note);
        if (index >= 0)
            doomed << noteCollections_[index];
    }
    noteCollections_.removeIf([&doomed](const ZTNoteCollection& group) { return doomed.contains(group); });
    currentNote_.reset();
    rebuildAfterEdit();
    _updateButtons();
    _noteViewDidChange();
}

qint64 ZTNoteView::_offsetForSelectedButton() const
{
    // Double sharp wins over sharp, sharp over double flat, double flat over flat.
    for (const quint64 index : {3u, 2u, 1u, 0u}) {
        const ImageButton* toggle = footerBar_->buttonAtIndex(index);
        if (toggle && toggle->isOn())
            return kToggleOffsets[index];
    }
    return 0;
}

void ZTNoteView::_updateButtons()
{
    const QList<QVNote> selected = _selectedNotes();
    footerBar_->minusButton()->setEnabled(!selected.isEmpty());
    footerBar_->plusButton()->setEnabled(noteCollections_.size() < kMaxGroups);
    for (ImageButton* toggle : footerBar_->buttons())
        toggle->setOn(false);
    if (selected.isEmpty())
        return;
    for (quint64 index = 0; index < std::size(kToggleOffsets); ++index) {
        ImageButton* toggle = footerBar_->buttonAtIndex(index);
        if (toggle && kToggleOffsets[index] == selected.first().offset())
            toggle->setOn(true);
    }
}

// ---- Group clean-up ----

void ZTNoteView::_removeDoubblesAndSort()
{
    _removeDoubbles();
    _sortCollections();
}

void ZTNoteView::_removeDoubbles()
{
    QList<ZTNoteCollection> kept;
    for (const ZTNoteCollection& group : std::as_const(noteCollections_)) {
        const QVNote* first = group.firstNote();
        if (!first || ZTNoteCollection::collectionWithNr(first->nr(), kept))
            continue;
        const bool inRange = first->nr() >= minNoteNr_ && group.lastNote()->nr() <= maxNoteNr_;
        if (minNoteNr_ != maxNoteNr_ && !inRange)
            continue;
        kept << group;
    }
    setNoteCollections(kept);
}

void ZTNoteView::_sortCollections()
{
    std::stable_sort(noteCollections_.begin(), noteCollections_.end(),
                     [](const ZTNoteCollection& a, const ZTNoteCollection& b) {
                         const QVNote* left = a.firstNote();
                         const QVNote* right = b.firstNote();
                         return (left ? left->nr() : -1) < (right ? right->nr() : -1);
                     });
    _updateCollectionsAndRectsForDrawing();
}
