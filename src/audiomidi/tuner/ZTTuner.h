#pragma once

#include "AudioBufferList.h"
#include "MainQueue.h"
#include "ZTTunerOutput.h"

#include <deque>
#include <memory>
#include <optional>

class AudioInput;
class AudioUnitEngine;
class SilenceAudioUnit;
class ZTAudioUnit;
class ZTTunerDelegate;

// Turns microphone input into notes. The input runs through the frequency-tracker unit
// and a gain unit set to silence; every 0.03 s a poll reads the tracker, maps its
// frequency to the nearest note of a fixed table, and reports the note to the delegate
// once it has been heard in enough polls.
//
// Main thread only: the poll timer and every delegate message run there.
class ZTTuner {
public:
    static constexpr int kNoteCount = 108;
    // The polls remembered while one note is held (about 4 s); older ones are forgotten.
    static constexpr std::size_t kMaxRecentNotes = 128;

    explicit ZTTuner(AudioInput* input = nullptr); // nullptr: the shared input
    // The threshold and the smoothing are taken as absolute values, at most 1.
    ZTTuner(double threshold, double smoothing, AudioInput* input = nullptr);
    ~ZTTuner();
    ZTTuner(const ZTTuner&) = delete;
    ZTTuner& operator=(const ZTTuner&) = delete;

    // Starts listening and polling unless running; a running tuner whose microphone was
    // lost listens anew. False when no input device opens (the input logs why); the tuner
    // then stays stopped and may be started again later.
    bool start();
    // Stops polling and listening unless stopped.
    void stop();
    void startTimer();
    // One poll.
    void handleTimer();
    double smooth(double frequency) const;

    // The reading of the table entry nearest to `frequency` (folded into the table's range
    // by octaves; on a tie the lower entry). None for a frequency that is not above 0.
    static std::optional<ZTTunerOutput> newOutput(double frequency, double amplitude);
    // Hz of table entry `index` (0 to 107): 440 x 2^((index - 57) / 12) to four digits.
    static double noteFrequency(int index);
    long long _countForNoteNr(long long noteNr) const;

    double updateInterval() const { return updateInterval_; }
    void setUpdateInterval(double seconds) { updateInterval_ = seconds; }
    long long smoothingBufferCount() const { return smoothingBufferCount_; }
    ZTTunerDelegate* delegate() const { return delegate_; }
    void setDelegate(ZTTunerDelegate* delegate) { delegate_ = delegate; }
    double threshold() const { return threshold_; }
    void setThreshold(double threshold) { threshold_ = threshold; }
    double smoothing() const { return smoothing_; }
    void setSmoothing(double smoothing) { smoothing_ = smoothing; }
    long long minDetectedNoteNrs() const { return minDetectedNoteNrs_; }
    void setMinDetectedNoteNrs(long long count) { minDetectedNoteNrs_ = count; }
    double minimumTimeInterval() const { return minimumTimeInterval_; }
    void setMinimumTimeInterval(double seconds) { minimumTimeInterval_ = seconds; }
    // One channel at the input's rate (known once the tuner has started).
    const AudioFormat& defaultFormat() const;
    const std::deque<long long>& lastNotNrs() const { return lastNotNrs_; }
    long long lastDetectedNoteNr() const { return lastDetectedNoteNr_; }
    bool isRunning() const { return isRunning_; }
    // Running and hearing the microphone: false once the microphone was lost.
    bool isListening() const;
    double lastDetectedTimeInterval() const { return lastDetectedTimeInterval_; }
    ZTAudioUnit* ztAudioUnit() const { return ztAudioUnit_; }
    SilenceAudioUnit* booster() const { return booster_; }

private:
    void setupAudioUnit(AudioInput* input);
    void reportQuiet();
    void rememberNote(long long noteNr);

    double updateInterval_ = 0.03;
    long long smoothingBufferCount_ = 30;
    ZTTunerDelegate* delegate_ = nullptr;
    double threshold_ = 0.0;
    double smoothing_ = 0.25;
    long long minDetectedNoteNrs_ = 8;
    double minimumTimeInterval_ = 0.4;
    std::deque<long long> lastNotNrs_;
    long long lastDetectedNoteNr_ = 0;
    bool isRunning_ = false;
    double lastDetectedTimeInterval_ = 0.0; // MainQueue::now() of the last report

    std::unique_ptr<AudioUnitEngine> engine_;
    ZTAudioUnit* ztAudioUnit_ = nullptr;   // the engine keeps both units
    SilenceAudioUnit* booster_ = nullptr;
    DelayedCall timer_;
    // Queued delegate messages check it, so that a destroyed tuner sends nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
