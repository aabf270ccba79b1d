#pragma once

#include "AudioBufferList.h"
#include "AudioCaptureSink.h"
#include "EffectAudioUnit.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class AudioInput;

// In place of the platform's audio engine, for the effect chains the microphone feeds:
// the input runs through the attached units in the order they were attached, and what
// the last one gives out is dropped (such chains end in silence). Every connection
// carries one format, whose sample rate follows the input device each time it starts.
//
// Control operations: main thread. The units render on the capture thread.
class AudioUnitEngine final : private AudioCaptureSink {
public:
    explicit AudioUnitEngine(AudioInput* input);
    ~AudioUnitEngine() override;
    AudioUnitEngine(const AudioUnitEngine&) = delete;
    AudioUnitEngine& operator=(const AudioUnitEngine&) = delete;

    // Before the first start: appends a unit to the chain; the engine keeps it.
    template <typename Unit>
    Unit* attach(std::unique_ptr<Unit> unit)
    {
        Unit* attached = unit.get();
        attachUnit(std::move(unit));
        return attached;
    }
    // The format of every connection; its sample rate is replaced by the input's at start.
    void connect(const AudioFormat& format) { format_ = format; }
    const AudioFormat& format() const { return format_; }

    // Opens (or shares) the input and allocates the units at its rate. False when no input
    // device opens (the input logs why) or a unit refuses the format; then nothing runs.
    bool start();
    // Stops listening and releases the units' render resources. Harmless when stopped.
    void stop();
    bool isRunning() const { return running_; }
    // Running and still hearing the input: false once the input lost its device.
    bool isListening() const;

private:
    void attachUnit(std::unique_ptr<EffectAudioUnit> unit);
    void willStartCapture(unsigned sampleRate) override;
    void capture(const float* samples, std::size_t frames, unsigned sampleRate) override;
    OSStatus copyCapturedInput(std::uint32_t frames, AudioBufferList* list) const;

    AudioInput* input_;
    std::vector<std::unique_ptr<EffectAudioUnit>> units_;
    // The pull operation of unit i: renders unit i - 1, or copies the captured block.
    std::vector<AURenderPullInputBlock> pulls_;
    AudioFormat format_{44100.0, 1};
    bool running_ = false;
    std::atomic<unsigned> renderRate_{0}; // the rate the units are allocated at; 0: none

    // Capture thread only.
    const float* captured_ = nullptr;
    std::int64_t sampleTime_ = 0;
    AudioBufferList output_;
};
