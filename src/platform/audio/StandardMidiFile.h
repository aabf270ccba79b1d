#pragma once

#include "MusicSequence.h"

#include <QByteArray>

#include <cstddef>
#include <optional>

// Reads a Standard MIDI File (format 0, 1 or 2, ticks-per-quarter timing) into a music
// sequence with one track per MIDI channel that has notes or channel messages, lowest
// channel first. Notes, program changes, controllers, pitch bends and tempo changes are
// kept; every other event is dropped. Broken files give no sequence and a negative status.
class StandardMidiFile {
public:
    enum Status : int {
        NoErr = 0,
        NotAMidiFile = -1,          // no "MThd" header of at least six bytes
        UnsupportedTimeDivision = -2, // SMPTE frame timing or a division of 0
        NoTracks = -3,              // no readable "MTrk" chunk
        MalformedTrack = -4,        // an event runs past its chunk or a number is too long
        TooManyEvents = -5,         // more than kMaxEvents notes, channel messages and tempos
    };

    // Far above any piece a trainer plays, and low enough that a file made to hold
    // millions of notes cannot take the memory of a sequence of them.
    static constexpr std::size_t kMaxEvents = std::size_t(1) << 17;

    static std::optional<MusicSequence> read(const QByteArray& data, int* status = nullptr);
};
