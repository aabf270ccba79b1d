#pragma once

#include "AudioRenderSource.h"
#include "RealtimeSlots.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class RtAudio;

// The one audio output of the process: a stereo RtAudio stream that mixes every
// registered source. When no device opens (a machine without a sound card) a null
// device takes its place and renders into a buffer at the pace of real time, so that
// sources behave as they would with sound; offline rendering (tests, benchmarks) stops
// the clock and lets the caller pull the frames itself.
class AudioOutput {
public:
    enum class Mode {
        Closed,       // nothing opened yet; opened on first need
        Device,       // an RtAudio stream drives the mix
        NullRealTime, // no device: a thread of ours renders and discards at real-time pace
        Offline,      // nobody drives the mix; renderOffline() pulls it
    };

    static constexpr unsigned kPreferredBufferFrames = 256;
    static constexpr unsigned kDefaultSampleRate = 44100;
    static constexpr std::size_t kMaxSources = 32;

    static AudioOutput* sharedOutput();

    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;
    ~AudioOutput();

    // Opens the default output device, or the real-time null device when none opens.
    // Does nothing when already open or rendering offline.
    void open();
    // Closes the device (or the null device's thread); from now on only renderOffline()
    // renders. Sources stay registered.
    void useOfflineRendering();
    Mode mode() const { return mode_.load(); }
    bool isNullDevice() const;

    // Opens the output on first use.
    unsigned sampleRate();
    unsigned bufferFrames();

    // Registers a source for the mix; false when every slot is taken. Opens the output.
    bool addSource(AudioRenderSource* source);
    // Unregisters; on return the audio thread no longer uses the source, so it may be
    // destroyed. Never call it from inside render().
    void removeSource(AudioRenderSource* source);

    // Renders the mix of every source into the buffer (offline rendering only, one
    // pulling thread at a time). Returns false, leaving the buffer alone, while a device
    // or the real-time null device drives the mix.
    bool renderOffline(float* interleavedStereo, std::size_t frames);

private:
    AudioOutput();
    bool openDevice();
    void closeDevice();
    void startNullDevice();
    void stopNullDevice();
    void runNullDevice();

    // The render path: no allocation, no lock, no log.
    void mix(float* interleavedStereo, std::size_t frames) noexcept;
    static int deviceCallback(void* output, void* input, unsigned int frames, double streamTime,
                              unsigned int status, void* userData);

    static constexpr std::size_t kScratchFrames = 4096;

    std::mutex controlMutex_; // open/close and source registration; never taken by render
    std::atomic<Mode> mode_{Mode::Closed};
    std::atomic<unsigned> sampleRate_{kDefaultSampleRate};
    std::atomic<unsigned> bufferFrames_{kPreferredBufferFrames};
    std::unique_ptr<RtAudio> device_;
    std::thread nullThread_;
    std::atomic<bool> nullRunning_{false};

    RealtimeSlots<AudioRenderSource, kMaxSources> sources_;
    std::vector<float> scratch_;
};
