#pragma once

#include "QVMusicInstrument.h"
#include "SequencePlayer.h"
#include "SharedSlot.h"

#include <atomic>
#include <memory>

// An instrument that plays sequences through a SequencePlayer; the player hands each
// note to sequenceNoteOn / sequenceNoteOff on its own thread. Stopping silences every
// note the player started.
class QVMusicPlayerInstrument : public QVMusicInstrument, protected SequenceTarget {
public:
    QVMusicPlayerInstrument();
    ~QVMusicPlayerInstrument() override;

    // Creates the player for musicSequence() and starts it at beat 0.
    void startInternalPlay() override;
    bool isPlaying() const override;
    double time() const override;
    // Only while a player exists: stops it (note-offs for what still sounds), drops the
    // player and the sequence, then tells the delegate when asked.
    void stopPlayerShouldNotify(bool notify) override;

    // Null while nothing plays.
    std::shared_ptr<SequencePlayer> musicPlayer() const { return musicPlayer_.load(); }

protected:
    // Sequence notes, by default the instrument's own noteOn / noteOff (channel ignored).
    void sequenceNoteOn(int channel, int note, int velocity) override;
    void sequenceNoteOff(int channel, int note) override;

private:
    // Read from the MIDI thread (isPlaying for the remote keys), replaced on the main thread.
    SharedSlot<SequencePlayer> musicPlayer_;
};
