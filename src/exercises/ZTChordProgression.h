#pragma once

#include "ZTMusicalTest.h"

class ZTChord;

// A short sequence of chords in a key. Its definition is a list of ChordProgressionStep
// records: "step" (semitones from the progression's root to the chord's root) and "chordId"
// (a "Chord recognition" item). Each chord is voiced as one collection holding all its
// tones, lowest first, named with the chord's title; all tones of a chord sound together.
//
// A step whose chord id finds no chord item (a deleted custom chord) has no tones and is
// left out of the voiced chords.
class ZTChordProgression : public ZTMusicalTest {
public:
    using ZTMusicalTest::ZTMusicalTest;
    using ZTMusicalTest::setupTrack;

    // The base initialisation, then one inversion per step: a random tone of the step's
    // chord when "useChordInversions" is set, else 0 (0 too for a chord without tones).
    void init() override;
    QString className() const override;

    // The bass of each step's chord: 0 root position, k the k-th inversion.
    const QList<qlonglong>& inversions() const { return inversions_; }
    void setInversions(const QList<qlonglong>& inversions);

    // The chord of a definition step at the given root, or null for an unknown chord id.
    static std::unique_ptr<ZTChord> chordForStep(const QVariantMap& step, qlonglong rootNoteNr = 60);
    // The number of tones of every step's chord, in definition order (0 for an unknown chord).
    QList<qlonglong> toneCountsOfSteps() const;

    // The voiced chords, cached until resetNoteCollections().
    QList<ZTNoteCollection> noteCollectionObjects() const override;
    // Chord i at beat i x "length" (whole beats), every tone lasting "length" beats.
    MusicSequence newMusicSequence() override;
    // One note event per tone of the collection, all at the beat.
    void setupTrack(MusicTrack& track, const ZTNoteCollection& collection, qlonglong beat);

    // The chord titles, in order.
    QStringList spellingArray() const override;
    // One list per chord holding all its notes: the instruments show a step at a time.
    QList<QList<QVNote>> notesForInstrumentView() const override;

private:
    QList<qlonglong> inversions_;
};
