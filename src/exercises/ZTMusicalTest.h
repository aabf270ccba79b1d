#pragma once

#include "MusicSequence.h"
#include "ZTTest.h"

#include <QStringList>

#include <functional>
#include <optional>

// Root notes a question may draw from: location .. location + length (inclusive).
struct ZTNoteRange {
    qulonglong location = 60;
    qulonglong length = 1;
    friend bool operator==(const ZTNoteRange&, const ZTNoteRange&) = default;
};

// A question with notes: a root, a direction, a play mode and a music sequence. The notes
// of a note question come from its definition (ExerciseStep records: the first entry of
// each step's "notes" gives "pos", the scale degree from 1, and "off", a chromatic
// offset) and follow every change of root, mode or direction.
//
// Main thread only.
class ZTMusicalTest : public ZTTest {
public:
    enum PlayMode : qlonglong {
        Staccato = 0,  // at beat i, 0.3 beat long
        Legato = 1,    // at beat i, 1 beat long
        Arpeggio = 2,  // at beat i, every tone sounding until beat n + 1
        Together = 3,  // every tone at beat 0, 3 beats long
    };

    // "Staccato" 0, "Legato" 1, "Arpeggio" 2, anything else 3.
    static qlonglong playModeForString(const QString& mode);

    // Channel index (0-based) for question notes: 0, unless an external MIDI destination
    // is in use (the MIDI controller has an endpoint, "MIDIOutEndpoint" is set and the
    // internal player is not selected); then the 1-based "MIDIOutChannel" minus 1.
    static qlonglong MIDIChannelForOutput();
    // The MIDI controller lives above this layer and installs the question "do you have an
    // output endpoint?"; without it there is none.
    static void setMIDIOutputEndpointCheck(std::function<bool()> hasEndpoint);

    explicit ZTMusicalTest(const QVariantMap& item = {});
    // Audio on, notes shown, minor flag from the item, tempo 120, Legato, root range
    // (60, 1), channel and velocity from the output settings.
    void init() override;
    QString className() const override;

    ZTNoteRange rootNoteRange() const { return rootNoteRange_; }
    void setRootNoteRange(ZTNoteRange range) { rootNoteRange_ = range; }
    qlonglong rootNoteNr() const { return rootNoteNr_; }
    void setRootNoteNr(qlonglong nr) { rootNoteNr_ = nr; }
    bool isMinor() const { return isMinor_; }
    void setIsMinor(bool minor) { isMinor_ = minor; }
    bool descending() const { return descending_; }
    void setDescending(bool descending) { descending_ = descending; }
    qlonglong playMode() const { return playMode_; }
    void setPlayMode(qlonglong mode) { playMode_ = mode; }
    float tempo() const { return tempo_; }
    void setTempo(float tempo) { tempo_ = tempo; }
    qlonglong MIDIChannel() const { return MIDIChannel_; }
    void setMIDIChannel(qlonglong channel) { MIDIChannel_ = channel; }
    qlonglong velocity() const { return velocity_; }
    void setVelocity(qlonglong velocity) { velocity_ = velocity; }
    int keySignatureType() const { return keySignatureType_; }
    void setKeySignatureType(int type) { keySignatureType_ = type; }
    // How the root is spelled ("E#"); empty: by the key-signature type. A spelling of
    // another pitch class than the root's is not used.
    QString rootName() const { return rootName_; }
    void setRootName(const QString& name) { rootName_ = name; }
    // Spelling type last applied by the main view; the model does not read it.
    QString spellingType() const { return spellingType_; }
    void setSpellingType(const QString& type) { spellingType_ = type; }
    bool showNotes() const { return showNotes_; }
    void setShowNotes(bool show) { showNotes_ = show; }

    // Draws the root: the location when the length is 0, else location + a uniform
    // random offset in 0..length.
    virtual void updateRootNote();

    // One single-note collection per step with a non-empty "notes" list, in definition
    // order or reversed when descending; built afresh on every call.
    QList<ZTNoteCollection> noteCollectionObjects() const override;
    // Drops cached collections (chord and progression kinds) so the next request rebuilds them.
    virtual void resetNoteCollections();

    // One list: the first note of every collection, in order (marked on keyboard and fretboard).
    virtual QList<QList<QVNote>> notesForInstrumentView() const;
    // Index of the first collection whose first note has that number; -1 when none.
    qlonglong indexForNoteNr(qlonglong nr) const;

    // Names of every collection's first note in the spelling and name types that the
    // settings hold now.
    virtual QStringList spellingArray() const;
    // spellingArray joined with " - ".
    virtual QString spellingString() const;
    // Entry i of spellingArray; empty when out of range.
    QString noteNameWithIndex(qlonglong index) const;
    QString result() const override;
    // The same collections: names and notes equal, collection by collection.
    bool isEqualTo(const ZTTest& other) const override;
    QString description() const override;

    // The mode for a setting text; changes nothing (call setPlayMode to apply it).
    qlonglong playModeWithString(const QString& mode) const;

    // Sets the tempo, then newMusicSequence().
    MusicSequence newMusicSequenceWithTempo(qlonglong beatsPerMinute);
    // One note track (the first note of each collection at its step's beat, placed by
    // setupTrack) and one tempo event at beat 0. Throws ZTException "main" when the tempo
    // cannot be set (a tempo that is not a positive number).
    virtual MusicSequence newMusicSequence();
    // Adds one note event to the track as the play mode places it at `beat`.
    virtual void setupTrack(MusicTrack& track, MusicNoteEvent note, qlonglong beat);

protected:
    // Collections of the note steps of the definition ("pos" and "off" of each step's first
    // entry), reversed when `reversed` is set.
    QList<ZTNoteCollection> collectionsFromDefinition(bool reversed) const;
    // Adds the event and logs a refusal.
    static void addNoteEvent(MusicTrack& track, const MusicNoteEvent& event);
    // Adds the tempo event; throws when it is refused.
    void addTempoEvent(MusicSequence& sequence) const;
    // A copy of the note moved by whole octaves (number and written octave), for voicing
    // chords; unlike QVNote::addOctaves it is not held to the MIDI range.
    static QVNote movedByOctaves(const QVNote& note, qint64 octaves);

    // Cache of the chord and progression kinds; filled on first request.
    mutable std::optional<QList<ZTNoteCollection>> cachedCollections_;

private:
    ZTNoteRange rootNoteRange_;
    qlonglong rootNoteNr_ = 0;
    bool isMinor_ = false;
    bool descending_ = false;
    qlonglong playMode_ = Legato;
    float tempo_ = 120.0f;
    qlonglong MIDIChannel_ = 0;
    qlonglong velocity_ = 0;
    int keySignatureType_ = 0;
    QString rootName_;
    QString spellingType_;
    bool showNotes_ = true;
    std::optional<qlonglong> stepsInSequence_; // set while newMusicSequence runs
};
