#pragma once

#include "LockFreeQueue.h"
#include "QVInstrument.h"
#include "Voice.h"
#include "VoicerManagingInstruments.h"
#include "ZTAudioController.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// The built-in sample synthesizer ("Melvora SoftSynth"): sixteen sample voices of one
// instrument of the sound bank, mixed into the process's audio output.
//
// Notes may come from any thread (main, MIDI input, sequence player): they go into a
// lock-free queue that the render thread drains at every block, where a note takes the
// channel that holds it already or else the next channel in turn (cutting what sounded
// there). Notes of a chord that are due at one moment therefore start in the same block.
// Program changes, start and stop belong to the main thread; an instrument is replaced
// while the output is paused, so the render thread never waits and never sees it change.
class ZTSamplePlayer final : public ZTAudioController {
public:
    static constexpr int kChannelCount = 16;
    static constexpr double kVoicerDecayTime = 1.0;
    // Leaves a six-note chord of any program at the default velocity below full scale.
    static constexpr float kMixGain = 0.45f;
    // Above the MIDI range: 128 sticks, 129 clap.
    static constexpr int kHighestNote = QVInstrument::kClapSlot;
    static constexpr std::size_t kQueueCapacity = 1024;

    // Makes the MIDI hub build one of these for "Melvora SoftSynth" (start-up, main thread).
    static void installAsSampleSynthesizer();

    ZTSamplePlayer();
    ~ZTSamplePlayer() override;

    // The base init; the STK rate follows the audio output; voicer and voices; start.
    void init() override;

    // Loads entry `program` of the sound list (entry 0 when out of range).
    void programChange(int program) override;
    // Any thread, lock-free. Notes 0-129; velocity 0 releases the note. Ignored while the
    // output is stopped.
    using QVMusicInstrument::noteOn;
    void noteOn(int note, unsigned velocity) override;
    void noteOff(int note) override;
    void allNotesOff() override;
    // Stops the sequence; with notify the delegate hears of it even when nothing played.
    void stopPlayerShouldNotify(bool notify) override;
    // Any thread.
    float volume() const override;
    void setVolume(float volume) override;
    // Stops the sequence and the output and releases every voice.
    void stop() override;

    // Render thread: applies the waiting notes, then volume x (voicer sum x kMixGain), clamped.
    void fillAUBufferCanonical(float* buffer, int frames) override;
    // Render thread: a voice sounds (notes still waiting have woken the output).
    bool isSounding() const noexcept override;

    // Rebuilds the sixteen samplers from instrumentData() while the output is paused.
    void loadInstrument();
    std::shared_ptr<const QVInstrument> instrumentData() const { return instrumentData_; }

    // Render thread, or while the output is paused or stopped.
    const Voice& voiceAtChannel(unsigned channel) const;
    int getChannelOfNote(int note) const;

private:
    struct NoteCommand {
        enum Kind : std::uint8_t { On, Off, AllOff };
        Kind kind = On;
        std::uint8_t velocity = 0;
        std::int16_t note = 0;
    };

    void post(NoteCommand command);
    // Applies the queue; only the render thread, or another while the output is detached.
    void applyPendingNotes();
    void apply(const NoteCommand& command);
    // Drops the waiting notes and releases every voice (output detached).
    void silenceNow();

    LockFreeQueue<NoteCommand, kQueueCapacity> commands_;
    std::atomic<bool> overflowReported_{false};
    std::unique_ptr<VoicerManagingInstruments> voicer_;
    std::vector<Voice> voices_;
    int nextChannelNr_ = 0;
    std::atomic<float> volume_{1.0f};
    std::shared_ptr<const QVInstrument> instrumentData_;
};
