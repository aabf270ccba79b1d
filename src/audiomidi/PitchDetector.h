#pragma once

#include "AQRecorder.h"

#include <atomic>
#include <memory>

// Turns the recorder's pitches into note numbers (semitones from C0, A4 = 57) and notices
// when one note has been held for more than 0.15 s, which it logs once as
// "noteNr Start:<note>". record and stopRecord run on the caller's thread; setCurrentPitch
// runs on the record queue's thread (or, while not recording, on any one thread).
class PitchDetector {
public:
    static constexpr double kHoldSeconds = 0.15;

    PitchDetector();
    ~PitchDetector();
    PitchDetector(const PitchDetector&) = delete;
    PitchDetector& operator=(const PitchDetector&) = delete;

    // Starts the recorder unless it runs.
    void record();
    void stopRecord();

    // The note of a frequency in Hz, or -1 for none (0, negative or not a number).
    static long long noteNumberForFrequency(double frequency);
    void setCurrentPitch(double frequency);

    AQRecorder* recorder() const { return recorder_.get(); }
    // Any thread: the last frequency handed in.
    double currentPitch() const { return currentPitch_.load(); }
    // The note of the last reading (-1 for none) and whether it has been announced; the
    // thread of setCurrentPitch.
    long long lastDetectedNoteNr() const { return lastDetectedNoteNr_; }
    bool detected() const { return detected_; }

    float maxDiff() const { return maxDiff_; }
    void setMaxDiff(float maxDiff) { maxDiff_ = maxDiff; }
    long long noteNr() const { return noteNr_; }
    void setNoteNr(long long noteNr) { noteNr_ = noteNr; }

private:
    double lastDetectedToneTime_ = 0; // when the current note was first seen
    long long lastDetectedNoteNr_ = -1;
    bool detected_ = false;
    float maxDiff_ = 0.2f;
    std::unique_ptr<AQRecorder> recorder_;
    long long noteNr_ = -1;
    std::atomic<double> currentPitch_{0.0};
};
