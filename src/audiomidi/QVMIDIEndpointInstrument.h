#pragma once

#include "QVMusicPlayerInstrument.h"

class ZTMIDIController;

// Sends notes to the MIDI destination the controller has selected: single notes on the
// "MIDIOutChannel" channel, sequence notes (which the player hands to sequenceNoteOn/Off)
// on each event's own channel. Without a selected destination it sends nothing; notes
// outside 0-127 never go out.
class QVMIDIEndpointInstrument : public QVMusicPlayerInstrument {
public:
    explicit QVMIDIEndpointInstrument(ZTMIDIController* controller);
    ~QVMIDIEndpointInstrument() override;

    using QVMusicInstrument::noteOn;
    void noteOn(int note, unsigned velocity) override;
    void noteOff(int note) override;

protected:
    void sequenceNoteOn(int channel, int note, int velocity) override;
    void sequenceNoteOff(int channel, int note) override;

private:
    // channel 1-16
    void sendNote(int channel, int note, unsigned velocity);

    ZTMIDIController* controller_;
};
