#pragma once

#include "DSPKernel.h"
#include "PitchTrack.h"
#include "Soundpipe.h"

#include <atomic>
#include <memory>

// A kernel with a processing context for the pitch tracker's plain routines.
class SoundpipeKernel : public ZTDSPKernel {
public:
    // Control thread: stores the format and makes a new context for it.
    void init(int channelCount, double sampleRate) override;

    std::unique_ptr<sp_data> sp;
};

// Passes its input through unchanged while the pitch tracker runs on every sample (the
// channels of a frame one after another, as one stream). The tracked frequency and
// amplitude may be read from any thread.
class FrequencyTrackerDSPKernel final : public SoundpipeKernel, public Buffered {
public:
    static constexpr int kHopSize = 4096;
    static constexpr int kPeakCount = 20;

    void process(std::uint32_t frameCount, std::uint32_t bufferOffset) override;
    void startRamp(AUParameterAddress, float, std::uint32_t) override {}
    // Control thread: a fresh tracker (pitch 100 Hz, level silent) for the format.
    void init(int channelCount, double sampleRate) override;
    // Control thread, while nothing renders.
    void destroyTracker() { ptrack_destroy(ptrack); }

    int hopSize = kHopSize;
    int peakCount = kPeakCount;
    std::unique_ptr<PitchTrackState> ptrack;
    std::atomic<float> trackedAmplitude{0.0f};
    // Hz; 0 until the tracker has a pitch for the sound it hears (none before its first,
    // none after a hop too quiet to analyse), so that no stale pitch passes for a note.
    std::atomic<float> trackedFrequency{0.0f};
    std::atomic<bool> started{true};
};
