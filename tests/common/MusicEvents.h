#pragma once

#include "MusicSequence.h"

// A note event for test sequences.
inline MusicNoteEvent testNote(double beat, int nr, double duration, int channel = 0, int velocity = 100)
{
    MusicNoteEvent event;
    event.beat = beat;
    event.note = std::uint16_t(nr);
    event.duration = duration;
    event.channel = std::uint8_t(channel);
    event.velocity = std::uint8_t(velocity);
    return event;
}
