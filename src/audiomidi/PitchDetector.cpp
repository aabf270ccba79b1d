#include "PitchDetector.h"

#include "Log.h"
#include "MainQueue.h"

#include <cmath>

PitchDetector::PitchDetector()
    : lastDetectedToneTime_(MainQueue::now())
    , recorder_(std::make_unique<AQRecorder>())
{
    recorder_->setDetector(this);
}

PitchDetector::~PitchDetector()
{
    // The recorder's thread calls back into this detector: it ends first.
    recorder_.reset();
}

void PitchDetector::record()
{
    if (!recorder_->running())
        recorder_->start();
}

void PitchDetector::stopRecord()
{
    recorder_->stop();
}

long long PitchDetector::noteNumberForFrequency(double frequency)
{
    if (frequency == 0)
        return -1;
    const float position = float(std::log2(frequency / 440.0) * 12.0 + 57.0);
    if (!std::isfinite(position))
        return -1;
    const long long note = std::llround(position);
    return note < 0 ? -1 : note;
}

void PitchDetector::setCurrentPitch(double frequency)
{
    currentPitch_ = frequency;
    const long long note = noteNumberForFrequency(frequency);
    const double now = MainQueue::now();
    if (note < 0) {
        lastDetectedNoteNr_ = -1;
        lastDetectedToneTime_ = 0;
        detected_ = false;
    } else if (note != lastDetectedNoteNr_) {
        lastDetectedNoteNr_ = note;
        lastDetectedToneTime_ = now;
        detected_ = false;
    } else if (now - lastDetectedToneTime_ > kHoldSeconds && !detected_) {
        Log::line(QStringLiteral("noteNr Start:%1").arg(note));
        detected_ = true;
    }
}
