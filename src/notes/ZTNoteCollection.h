#pragma once

#include "QVNote.h"

#include <QList>
#include <QRectF>
#include <QString>

// The notes of one step of a question: a single tone, or every tone of a chord. A plain
// value that owns its notes; copying copies them. Accessors that hand out a note return a
// pointer into the list (nullptr when there is none); it stays valid until the list changes.
class ZTNoteCollection {
public:
    ZTNoteCollection() = default;
    // Holds `note`, named by the note's "MIDI"/"International" name (e.g. "C♯3").
    explicit ZTNoteCollection(const QVNote& note);
    static ZTNoteCollection noteCollectionWithNote(const QVNote& note);

    QString name() const { return name_; }
    void setName(const QString& name) { name_ = name; }
    const QList<QVNote>& notes() const { return notes_; }
    QList<QVNote>& notes() { return notes_; }
    void setNotes(const QList<QVNote>& notes) { notes_ = notes; }

    // Staff placement, written by the staff view's layout: staff 1 treble, -1 bass.
    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    QRectF titleFrame() const { return titleFrame_; }
    void setTitleFrame(const QRectF& frame) { titleFrame_ = frame; }
    qint64 whichStaff() const { return whichStaff_; }
    void setWhichStaff(qint64 staff) { whichStaff_ = staff; }

    qint64 numNotes() const { return notes_.size(); }
    const QVNote* firstNote() const;
    QVNote* firstNote();
    const QVNote* lastNote() const;
    QVNote* lastNote();
    const QVNote* noteAtIndex(qint64 index) const;
    QVNote* noteAtIndex(qint64 index);
    // The first note with that MIDI number.
    const QVNote* noteWithNoteNr(qint64 nr) const;
    QVNote* noteWithNoteNr(qint64 nr);

    void addNote(const QVNote& note);
    // Empties the list and adds the note.
    void setNote(const QVNote& note);
    void removeAllNotes();
    // Removes every note equal to `note` (same spelling and octave).
    void removeNote(const QVNote& note);
    // Removes the first note with that number; nothing if none.
    void removeNoteWithNr(qint64 nr);

    bool hasSignatures() const;
    qint64 numSignatures() const;
    void resetSelection();

    // Names equal and notes equal one by one.
    bool isEqual(const ZTNoteCollection& other) const;
    friend bool operator==(const ZTNoteCollection& a, const ZTNoteCollection& b) { return a.isEqual(b); }

    // Name, copies of the notes (QVNote::copy), title and title frame; whichStaff starts at 0.
    ZTNoteCollection copy() const;
    QString description() const;

    // Over a list of collections (one per question step):
    // each collection's first note number, 0 for an empty collection.
    static QList<qint64> noteNrsFromCollections(const QList<ZTNoteCollection>& collections);
    // Each collection's first note; empty collections are skipped.
    static QList<QVNote> firstNotesFromCollections(const QList<ZTNoteCollection>& collections);
    // The first collection whose first note has that number, or nullptr.
    static const ZTNoteCollection* collectionWithNr(qint64 nr, const QList<ZTNoteCollection>& collections);
    static ZTNoteCollection* collectionWithNr(qint64 nr, QList<ZTNoteCollection>& collections);

private:
    QString name_;
    QList<QVNote> notes_;
    QString title_;
    QRectF titleFrame_;
    qint64 whichStaff_ = 0;
};
