#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// A question as music: tracks of note events (and, from MIDI files, program, controller
// and pitch-bend changes) timed in beats, and a tempo track.
// Note numbers go up to 255 so that the click notes 128 and 129 of the built-in
// synthesizer fit; players keep notes above 127 away from MIDI devices.

// Result of adding an event; 0 is success. Kept as a plain number because the
// question model logs it with its error texts.
enum MusicSequenceStatus : int {
    MusicSequenceNoErr = 0,
    MusicSequenceInvalidBeat = -1,      // negative or not a number
    MusicSequenceInvalidDuration = -2,  // negative or not a number
    MusicSequenceInvalidTempo = -3,     // zero, negative or not a number
};

struct MusicNoteEvent {
    double beat = 0;
    std::uint8_t channel = 0;      // 0-15
    std::uint16_t note = 60;       // 0-255
    std::uint8_t velocity = 100;   // 1-127
    std::uint8_t releaseVelocity = 0;
    double duration = 1;           // in beats

    double endBeat() const { return beat + duration; }

    // A note message from wide values as settings and notes hold them: the channel
    // is brought into 0-15, the note into 0-255 and the velocity into 1-127, so a
    // velocity of 0 (a note-off to every synthesizer) or above 127 never goes out.
    // Beat and duration are left for the caller to fill in.
    static MusicNoteEvent message(long long channel, long long note, long long velocity);
};

// A channel message other than a note that a sequence keeps: a program change, a
// controller change or a pitch bend.
struct MusicChannelEvent {
    enum class Kind : std::uint8_t { ProgramChange, Controller, PitchBend };
    static constexpr std::uint16_t kPitchBendCentre = 8192;

    double beat = 0;
    Kind kind = Kind::ProgramChange;
    std::uint8_t channel = 0;  // 0-15
    std::uint8_t number = 0;   // the program or the controller, 0-127; unused for a bend
    std::uint16_t value = 0;   // controller 0-127, pitch bend 0-16383
};

struct MusicTempoEvent {
    double beat = 0;
    double beatsPerMinute = 120;
};

class MusicTrack {
public:
    // Clamps velocity into 1-127 and channel into 0-15 so that nothing outside the
    // MIDI range reaches an instrument. An event with a negative or undefined beat
    // or duration is refused.
    MusicSequenceStatus addNote(MusicNoteEvent event);
    const std::vector<MusicNoteEvent>& notes() const { return notes_; }

    // Keeps numbers and values in their MIDI ranges; a negative or undefined beat is refused.
    MusicSequenceStatus addChannelEvent(MusicChannelEvent event);
    const std::vector<MusicChannelEvent>& channelEvents() const { return channelEvents_; }
    void removeChannelEvents() { channelEvents_.clear(); }

private:
    std::vector<MusicNoteEvent> notes_;
    std::vector<MusicChannelEvent> channelEvents_;
};

class MusicSequence {
public:
    MusicTrack& newTrack();
    const std::vector<MusicTrack>& tracks() const { return tracks_; }
    // Null past the last track.
    MusicTrack* track(std::size_t index) { return index < tracks_.size() ? &tracks_[index] : nullptr; }

    // Tempo changes sorted by beat; with none the tempo is 120 BPM. A second change
    // at the same beat replaces the first. A tempo that is not a positive number
    // is refused.
    MusicSequenceStatus setTempo(double beat, double beatsPerMinute);
    const std::vector<MusicTempoEvent>& tempoTrack() const { return tempo_; }

    // Beat at which the last note has ended; 0 for an empty sequence.
    double lengthInBeats() const;
    double secondsForBeat(double beat) const;
    double beatForSeconds(double seconds) const;
    bool isEmpty() const;

    // Every event as text, one per line, for diagnostics.
    QString description() const;

private:
    std::vector<MusicTrack> tracks_;
    std::vector<MusicTempoEvent> tempo_;
};
