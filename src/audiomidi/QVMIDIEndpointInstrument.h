#pragma once

#include "MIDIMessage.h"
#include "QVMusicPlayerInstrument.h"

class ZTMIDIController;

// Sends notes to the MIDI destination the controller has selected: single notes on the
// "MIDIOutChannel" channel, sequence notes and program, controller and pitch-bend changes
// (which the player hands to sequenceNoteOn/Off and sequenceChannelEvent) on each event's
// own channel. Without a selected destination it sends nothing; notes outside 0-127 never
// go out.
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
    void sequenceChannelEvent(const MusicChannelEvent& event) override;

private:
    // channel 1-16
    void sendNote(int channel, int note, unsigned velocity);
    // To the selected destination, when there is one.
    void send(const MIDIMessage& message);

    ZTMIDIController* controller_;
};
