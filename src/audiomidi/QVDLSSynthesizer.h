#pragma once

#include "FluidSynthEngine.h"
#include "QVMusicPlayerInstrument.h"
#include "SharedSlot.h"

#include <atomic>
#include <memory>
#include <mutex>

class ZTMIDIController;

// The system synthesizer: FluidSynth with the General MIDI SoundFont, sounding through
// the process's audio output. Single notes go to channel 1, sequence notes to the
// channel of each event. The volume is fixed (setVolume changes nothing).
//
// When the synthesizer cannot be built and the preferences window recorded the endpoint
// chosen before (the controller's lastEndpoint), "MIDIOutEndpoint" returns to it 0.1 s later.
class QVDLSSynthesizer : public QVMusicPlayerInstrument {
public:
    // The controller (may be null) is asked for lastEndpoint when building fails.
    explicit QVDLSSynthesizer(ZTMIDIController* controller = nullptr);
    ~QVDLSSynthesizer() override;

    // The base init, then startGraph.
    void init() override;

    using QVMusicInstrument::noteOn;
    void programChange(int program) override;
    void noteOn(int note, unsigned velocity) override;
    void noteOff(int note) override;
    void startInternalPlay() override;

    // Builds the synthesizer and registers it with the audio output; true when it runs.
    // Safe from any thread; a running synthesizer is kept.
    bool startGraph();
    void stopGraph();
    void _delayedChangeBackToOldSynth();

    // The running synthesizer, or null.
    std::shared_ptr<FluidSynthEngine> graph() const { return graph_.load(); }

protected:
    void sequenceNoteOn(int channel, int note, int velocity) override;
    void sequenceNoteOff(int channel, int note) override;
    void sequenceChannelEvent(const MusicChannelEvent& event) override;

private:
    std::shared_ptr<FluidSynthEngine> runningGraph();

    ZTMIDIController* controller_;
    std::mutex graphMutex_; // building and tearing down; never held while rendering
    SharedSlot<FluidSynthEngine> graph_;
    DelayedCall changeBackCall_;
};
