#include "ZTTuner.h"

#include "AudioInput.h"
#include "AudioUnitEngine.h"
#include "SilenceAudioUnit.h"
#include "ZTAudioUnit.h"
#include "ZTTunerDelegate.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

std::array<double, ZTTuner::kNoteCount> makeNoteTable()
{
    std::array<double, ZTTuner::kNoteCount> table{};
    for (int i = 0; i < ZTTuner::kNoteCount; ++i) {
        const double exact = 440.0 * std::pow(2.0, (i - 57) / 12.0);
        const double scale = std::pow(10.0, 4 - (int(std::floor(std::log10(exact))) + 1));
        table[std::size_t(i)] = std::round(exact * scale) / scale;
    }
    return table;
}

const std::array<double, ZTTuner::kNoteCount>& noteTable()
{
    static const std::array<double, ZTTuner::kNoteCount> table = makeNoteTable();
    return table;
}

// Differences closer than this count as equal, so that a tie goes to the lower entry.
constexpr double kTieTolerance = 1e-9;

} // namespace

ZTTuner::ZTTuner(AudioInput* input)
{
    setupAudioUnit(input ? input : AudioInput::sharedInput());
}

ZTTuner::ZTTuner(double threshold, double smoothing, AudioInput* input) : ZTTuner(input)
{
    threshold_ = std::min(std::fabs(threshold), 1.0);
    smoothing_ = std::min(std::fabs(smoothing), 1.0);
}

ZTTuner::~ZTTuner()
{
    stop();
}

void ZTTuner::setupAudioUnit(AudioInput* input)
{
    // The input already hands in the default device as one stream, so the chain starts
    // with the tracker; the gain at 0 keeps what passes through it from being heard.
    engine_ = std::make_unique<AudioUnitEngine>(input);
    ztAudioUnit_ = engine_->attach(std::make_unique<ZTAudioUnit>());
    booster_ = engine_->attach(std::make_unique<SilenceAudioUnit>());
    booster_->setGain(0.0f);
    engine_->connect({input->isRunning() ? double(input->sampleRate()) : 44100.0, 1});
}

const AudioFormat& ZTTuner::defaultFormat() const
{
    return engine_->format();
}

bool ZTTuner::isListening() const
{
    return isRunning_ && engine_->isListening();
}

bool ZTTuner::start()
{
    if (isListening())
        return true;
    // A microphone lost while the tuner ran is opened anew.
    stop();
    if (!engine_->start())
        return false;
    startTimer();
    isRunning_ = true;
    return true;
}

void ZTTuner::stop()
{
    if (!isRunning_)
        return;
    isRunning_ = false;
    timer_.cancel();
    engine_->stop();
}

void ZTTuner::startTimer()
{
    timer_ = MainQueue::every(updateInterval_, [this] { handleTimer(); });
}

double ZTTuner::smooth(double frequency) const
{
    // No history of smoothed readings is kept, so a reading passes unchanged; a note is
    // confirmed over several polls instead.
    return frequency;
}

void ZTTuner::handleTimer()
{
    std::optional<ZTTunerOutput> reading;
    // A lost microphone hears nothing, whatever the tracker read last.
    if (engine_->isListening() && ztAudioUnit_->amplitude() > threshold_)
        reading = newOutput(smooth(ztAudioUnit_->frequency()), ztAudioUnit_->amplitude());
    // Loud but without a pitch yet counts as quiet: there is no note to count.
    if (!reading) {
        reportQuiet();
        return;
    }

    const long long noteNr = reading->midiNoteNr();
    rememberNote(noteNr);
    const long long count = _countForNoteNr(noteNr);
    const std::weak_ptr<bool> alive = alive_;
    if (delegate_)
        MainQueue::async([this, alive, count] {
            if (alive.expired() || !delegate_)
                return;
            if (count < minDetectedNoteNrs_) {
                const double amplitude = ztAudioUnit_->amplitude();
                delegate_->tuner(this, amplitude, amplitude > threshold_);
            } else {
                delegate_->tuner(this, 0.0, false);
            }
        });

    const double now = MainQueue::now();
    if (delegate_ && count >= minDetectedNoteNrs_ && noteNr != lastDetectedNoteNr_
        && now - lastDetectedTimeInterval_ > minimumTimeInterval_) {
        lastDetectedNoteNr_ = noteNr;
        lastDetectedTimeInterval_ = now;
        lastNotNrs_.clear();
        MainQueue::async([this, alive, output = *reading] {
            if (!alive.expired() && delegate_)
                delegate_->tunerDidUpdate(this, output);
        });
    }
}

void ZTTuner::reportQuiet()
{
    lastNotNrs_.clear();
    lastDetectedNoteNr_ = 0;
    if (!delegate_)
        return;
    if (!engine_->isListening()) {
        delegate_->tuner(this, 0.0, false);
        return;
    }
    const double amplitude = ztAudioUnit_->amplitude();
    delegate_->tuner(this, amplitude, ztAudioUnit_->amplitude() > threshold_);
}

void ZTTuner::rememberNote(long long noteNr)
{
    lastNotNrs_.push_back(noteNr);
    if (lastNotNrs_.size() > kMaxRecentNotes)
        lastNotNrs_.pop_front();
}

long long ZTTuner::_countForNoteNr(long long noteNr) const
{
    return std::count(lastNotNrs_.begin(), lastNotNrs_.end(), noteNr);
}

double ZTTuner::noteFrequency(int index)
{
    return index >= 0 && index < kNoteCount ? noteTable()[std::size_t(index)] : 0.0;
}

std::optional<ZTTunerOutput> ZTTuner::newOutput(double frequency, double amplitude)
{
    if (!(frequency > 0.0) || !std::isfinite(frequency))
        return std::nullopt;
    const auto& table = noteTable();
    double folded = frequency;
    while (folded > table.back())
        folded /= 2.0;
    while (folded < table.front())
        folded *= 2.0;

    std::size_t nearest = 0;
    for (std::size_t i = 1; i < table.size(); ++i)
        if (std::fabs(table[i] - folded) < std::fabs(table[nearest] - folded) - kTieTolerance)
            nearest = i;

    ZTTunerOutput output;
    output.setOctave(static_cast<long long>(nearest) / 12);
    output.setMidiNoteNr(static_cast<long long>(nearest));
    output.setFrequency(frequency);
    output.setAmplitude(amplitude);
    output.setDistance(frequency - table[nearest]);
    return output;
}
