#pragma once

#include "ZTNoteLine.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

class ZTNoteCollection;

// Spelling types and note-name types understood by QVNote::nameWithSpellingType().
inline constexpr char kSpellingTypeMIDI[] = "MIDI";
inline constexpr char kSpellingTypeScientific[] = "Scientific";
inline constexpr char kSpellingTypeNoteName[] = "NoteName";
inline constexpr char kSpellingTypeHelmholtz[] = "Helmholtz";
inline constexpr char kSpellingTypeFrench[] = "French";
inline constexpr char kSpellingTypeNumeral[] = "Numeral"; // names every note as the empty text
inline constexpr char kNoteNameTypeTranslated[] = "Translated";
inline constexpr char kNoteNameTypeInternational[] = "International";
inline constexpr char kNoteNameTypeSolomisation[] = "Solomisation";

// One note: a MIDI number with its spelling (letter, accidentals, octave) and the places the
// staff view gave it at its last layout. A plain value: copying copies every field.
//
// Names inside the model use ASCII signs after the letter ("F#", "Db", "Bbb"); only the
// names made for showing (nameWithSpellingType, replaceSignsFromNoteName) carry the Unicode
// signs. Octave numbers are nr / 12 - 2, so MIDI 60 is "C3".
//
// Invariant for a spelled note: 24 + 12 * octave + step(letter) + offset == nr.
class QVNote {
public:
    // "C" in octave -2, MIDI 0.
    QVNote() = default;

    // ---- Spelling initialisers (static factories) ----

    // `nr` spelled in the major (or natural-minor) key of `rootNoteNr`. When `useNotes` holds a
    // note with the same number, its spelling is reused (the last such note wins).
    static QVNote initWithNoteNr(qint64 noteNr, qint64 rootNoteNr, bool isMinor);
    static QVNote initWithNoteNr(qint64 noteNr, qint64 rootNoteNr, bool isMinor,
                                 const QList<ZTNoteCollection>& useNotes, int keySignatureType = 0);
    // The note at scale degree `pos` (1 = root, 8 = root an octave up) of the root's key,
    // moved by `offset` semitones (the spelling takes the offset as accidentals).
    static QVNote initWithRootNoteNr(qint64 rootNoteNr, qint64 pos, qint64 offset, bool isMinor,
                                     int keySignatureType = 0);
    // The same over a root spelled `rootName` ("E#"), which must name the root's pitch class:
    // the scale follows that spelling (E# major: E# F## G## A# B# C## D##).
    static QVNote initWithRootNoteNr(qint64 rootNoteNr, const QString& rootName, qint64 pos, qint64 offset,
                                     bool isMinor);
    // A new note with the other's spelling, number, head frame and selection (see setNote).
    static QVNote initWithNote(const QVNote& note);

    // ---- Class operations on ASCII names ("F#", "Db", "Bbb") ----

    // The name one semitone higher (+1, sharp spelling) or lower (-1, flat spelling);
    // any other value gives the name unchanged.
    static QString addNote(const QString& name, int value);
    // 1 when the first name carrying an accidental carries "#", 2 for "b", 0 when none does.
    static int keySignatureTypeForScale(const QStringList& names);
    // Display form: from the second character on, "##", "bb", "#", "b" become the Unicode signs.
    static QString replaceSignsFromNoteName(const QString& name);
    // C D E F G A B, B is followed by C. An unknown letter gives "C".
    static QString nextNoteLetter(const QString& letter);
    // Pitch class 0..11 of the name.
    static int stepForNoteName(const QString& name);
    // Accidentals of the name: -3..+3 (the letter itself is never counted).
    static int offsetForNoteName(const QString& name);
    // The name with `delta` accidentals added (opposite signs cancel first).
    static QString appendOffset(int delta, const QString& name);
    // One name per letter of the scale on `baseNote` (seven when `scaleSteps` holds seven
    // steps; step 0 is not read). Types: 0 plain, 1 sharps, 2 flats; others act as 0.
    static QStringList getNotesForScaleWithBaseNote(qint64 baseNote, const QList<qint64>& scaleSteps,
                                                    int keySignatureType = 0);
    // The same from a spelled root: the first name is `rootName` itself.
    static QStringList getNotesForScaleWithRootName(const QString& rootName, const QList<qint64>& scaleSteps);
    // Semitones of the seven degrees above the root: major, or natural minor.
    static const QList<qint64>& scaleSteps(bool isMinor);

    // ---- Names ----

    // The printed name, with Unicode signs. Spelling types "MIDI", "Scientific", "NoteName",
    // "Helmholtz", "French"; name types "Translated", "International", "Solomisation".
    // "Numeral" and unknown spelling types give the empty text.
    QString nameWithSpellingType(const QString& spellingType, const QString& noteNameType) const;
    // The naming the user chooses from, in the order it is offered: spelling types
    // ("NoteName", "Scientific", "MIDI", "French", "Helmholtz") and name types
    // ("Translated", "International", "Solomisation").
    static const QStringList& offeredSpellingTypes();
    static const QStringList& offeredNoteNameTypes();
    // "#" x offset, "b" x -offset, or empty.
    QString signs() const;
    // `letter` (with this note's signs) in Helmholtz form for this note's octave, ASCII signs.
    QString helmholzNotation(const QString& letter) const;
    // 1..7: the letter's place in C D E F G A B (0 for an unknown letter). The staff places a
    // note by 7 * octave + pos.
    int pos() const;

    // ---- Comparison ----

    // Same spelling and same octave ("MIDI"/"International" names equal).
    bool isEqual(const QVNote& note) const;
    // Same spelling in any octave. Enharmonic spellings (C# and Db) differ in both.
    bool isSameNote(const QVNote& note) const;
    friend bool operator==(const QVNote& a, const QVNote& b) { return a.isEqual(b); }

    // ---- Changes ----

    // Takes over letter, offset, octave, nr, head frame and selection of the other note.
    void setNote(const QVNote& note);
    // Letter, offset, octave, nr, head frame and selection; accidental frame, ledger lines
    // and the wrong mark start empty (a fresh note for another layout).
    QVNote copy() const;
    // Re-spells the accidental: nr becomes nr - offset + newOffset unless that leaves the
    // bounds (a bound of 0 is no bound).
    void addSignWithOffset(qint64 newOffset, qint64 minNote, qint64 maxNote);
    // Moves n octaves when the result stays within 0..127.
    void addOctaves(qint64 n);
    // Drops the accidental: nr -= offset, offset = 0.
    void removeSign();
    // Head frame, widened to the accidental frame when the note has one (y-up geometry).
    QRectF drawingRect() const;
    QString description() const;

    // ---- Fields ----

    QString letter() const { return letter_; }
    void setLetter(const QString& letter) { letter_ = letter; }
    qint64 offset() const { return offset_; }
    void setOffset(qint64 offset) { offset_ = offset; }
    qint64 octave() const { return octave_; }
    void setOctave(qint64 octave) { octave_ = octave; }
    qint64 nr() const { return nr_; }
    void setNr(qint64 nr) { nr_ = nr; }

    // Staff placement, written by the staff view's layout.
    QRectF noteFrame() const { return noteFrame_; }
    void setNoteFrame(const QRectF& frame) { noteFrame_ = frame; }
    QRectF noteSignFrame() const { return noteSignFrame_; }
    void setNoteSignFrame(const QRectF& frame) { noteSignFrame_ = frame; }
    const QList<ZTNoteLine>& noteLines() const { return noteLines_; }
    void setNoteLines(const QList<ZTNoteLine>& lines) { noteLines_ = lines; }

    bool isSelected() const { return selected_; }
    void setSelected(bool selected) { selected_ = selected; }
    bool wasWrong() const { return wrong_; }
    void setWrong(bool wrong) { wrong_ = wrong; }

private:
    static QVNote noteAtDegree(qint64 rootNoteNr, const QStringList& scale, const QList<qint64>& steps, qint64 pos,
                               qint64 offset);
    void spell(const QString& name);
    void correctOctave();

    QString letter_ = QStringLiteral("C");
    qint64 offset_ = 0;
    qint64 octave_ = -2;
    qint64 nr_ = 0;
    QRectF noteFrame_;
    QRectF noteSignFrame_;
    QList<ZTNoteLine> noteLines_;
    bool selected_ = false;
    bool wrong_ = false;
};
