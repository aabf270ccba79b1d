#pragma once

// The dynamic-wavelet pitch tracker: finds the period of a block of samples at 44100 Hz
// from the distances between its extrema over successive halvings of the signal, then
// smooths the result across calls (octave jumps are taken back once a pitch is trusted).
// Pure computation; one tracker state per signal, used by one thread at a time.
namespace WaveletPitch {

constexpr double kSampleRate = 44100.0;

// State carried between calls on one signal.
struct _dywapitchtracker {
    double previousPitch = -1.0; // Hz; -1 = none
    int confidence = -1;
};

void initWaveletTracker(_dywapitchtracker* tracker);

// The pitch in Hz of samples[start .. start + count) (the largest power of two of them
// that fits), 0.0 for none. Updates the tracker state.
double computeWaveletPitch(_dywapitchtracker* tracker, const double* samples, int start, int count);

// Samples that hold three periods of the lowest frequency (Hz, above 0), rounded up to a
// power of two.
int neededSampleCount(int lowestFrequency);

// Integer helpers of the tracker, with its own conventions: 0 and 2 count as powers of
// two, 1 does not; negative numbers count no bits.
bool isPowerOfTwo(int value);
int bitCount(int value);
int ceilPowerOfTwo(int value);
int floorPowerOfTwo(int value);

} // namespace WaveletPitch
