#pragma once

#include <cstdint>

// Takes incoming notes in place of the MIDI controller's normal handling while it is the
// controller's midiConnector (the preferences window capturing a remote-control key).
// Calls arrive on the main queue, in the order the notes came in; a call is dropped when
// the connector was cleared or replaced before it could be delivered.
class ZTMIDIConnector {
public:
    virtual ~ZTMIDIConnector() = default;
    virtual void noteOn(std::uint8_t note, std::uint8_t velocity) = 0;
    virtual void noteOff(std::uint8_t note) = 0;
};
