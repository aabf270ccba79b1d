#pragma once

#include "FFTRoutines.h"
#include "Soundpipe.h"

#include <memory>

// A spectral pitch tracker: collects hops of n samples, and for each full hop computes
// the spectrum of a 2n-point window (interpolated with the previous hop), picks its
// strongest peaks and chooses the pitch whose harmonic series explains them best, unless
// the spectrum bears it out no better than one of its subharmonics or not at all (a
// fundamental that is not heard counts when its next partials all sound). The pitch and
// the level hold between hops. Samples are handed in one at a time on the
// render thread, where nothing allocates.

struct PitchPeak {
    float frequency = 0.0f; // half-bins: frequency x sampleRate / (2 x window)
    float width = 0.0f;
    float power = 0.0f;
    float loudness = 0.0f; // power^(1/4)
};

struct PitchTrackState {
    static constexpr int kLevelHistory = 20;

    float hopLength = 0.0f;
    AuxBlock<float> inputFrame;       // n: samples of the current hop, scaled
    AuxBlock<float> previousSpectrum; // N + 20: extended spectrum of the previous hop
    AuxBlock<float> shiftTable;       // 2n: cos(pi i / N), -sin(pi i / N)
    AuxBlock<float> workSpectrum;     // 4N: transform, then per half-bin re, im, power, running sum
    AuxBlock<float> extendedSpectrum; // 4N + 20: spectrum with guard slots, then the histogram
    AuxBlock<PitchPeak> peaks;        // maxPeaks + 1
    int maxPeaks = 0;
    int fillCount = 0;    // samples in inputFrame
    int historyIndex = 0; // slot of `levels` written last
    int hopSize = 0;
    float sampleRate = 0.0f;
    float pitch = 0.0f;  // Hz
    bool voiced = false; // a pitch was found since the last hop too quiet to analyse
    float previousHopEnergy = 0.0f; // sum of the squared samples of the hop before
    float soundLength = 0.0f;       // samples the sound has lasted within the window
    float levels[kLevelHistory] = {};
    float minLevel = 0.0f;      // dB: quieter hops are not analysed
    float partialOffset = 0.0f; // added to the partial number in histogram weights
    float inputScale = 0.0f;
    FFTTables fft;              // transforms of n points
};

std::unique_ptr<PitchTrackState> ptrack_create();
// Control thread: sets the state up for hops of `hopSize` samples (window 2 x hopSize,
// 128 to 8192, a power of two) and at most `peakCount` peaks per hop. 0, after "Woops" on
// the log, when the window is out of range or not a power of two; 1 otherwise.
int ptrack_init(const sp_data& sp, PitchTrackState& p, int hopSize, int peakCount);
// Render thread: takes one sample; *frequency and *amplitude get the tracker's current
// pitch (Hz; see `voiced` for whether it belongs to the sound now heard) and level. 0, with
// nothing changed, for a state that was not set up.
int ptrack_compute(const sp_data& sp, PitchTrackState& p, const float* in, float* frequency, float* amplitude);
void ptrack_destroy(std::unique_ptr<PitchTrackState>& p);
