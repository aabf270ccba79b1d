#include "QVSampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// STK takes no zero times; a time of 0 in the bank means "at once".
constexpr double kShortestEnvelopeTime = 0.001;

double envelopeTime(float seconds)
{
    return std::max(double(seconds), kShortestEnvelopeTime);
}

} // namespace

QVSampler::QVSampler(std::shared_ptr<const QVInstrument> instrument)
    : instrument_(std::move(instrument))
{
    if (instrument_)
        envelope_.setAllTimes(envelopeTime(instrument_->attack()), envelopeTime(instrument_->decay()),
                              std::clamp(double(instrument_->sustain()), 0.0, 1.0),
                              envelopeTime(instrument_->rel()));
}

int QVSampler::slotForFrequency(double frequency)
{
    if (!(frequency > 0) || !std::isfinite(frequency))
        return -1;
    const double note = 12.0 * std::log2(frequency / 220.0) + 57.0;
    return note >= -0.5 && note < double(QVInstrument::kSlotCount) - 0.5 ? int(std::lround(note)) : -1;
}

void QVSampler::noteOn(stk::StkFloat frequency, stk::StkFloat amplitude)
{
    const int slot = slotForFrequency(frequency);
    sample_ = instrument_ && slot >= 0 ? instrument_->sampleForNote(unsigned(slot)) : nullptr;
    setFrequency(frequency);
    playing_ = true;
    index_ = 0;
    position_ = 0;
    amplitude_ = float(amplitude);
    level_ = float(amplitude);
    envelope_.keyOn();
}

void QVSampler::setFrequency(stk::StkFloat frequency)
{
    sampleFrequency_ = sample_ ? sample_->frequency() : 0.0f;
    if (!sample_ || !(sampleFrequency_ > 0) || !(frequency > 0) || !(stk::Stk::sampleRate() > 0)) {
        rate_ = 1.0;
        length_ = 0;
        looping_ = false;
        return;
    }
    rate_ = frequency / sampleFrequency_ * (kRecordingRate / stk::Stk::sampleRate());
    const double frames = double(sample_->numSamples()) / rate_;
    length_ = std::int32_t(std::min(frames, double(std::numeric_limits<std::int32_t>::max())));
    const QVRange loop = sample_->loopRange();
    looping_ = loop.length != 0;
    loopStart_ = loop.location;
    loopEnd_ = loop.location + loop.length - 1;
    amplitude_ = sample_->amplitude();
}

void QVSampler::noteOff(stk::StkFloat)
{
    playing_ = false;
    envelope_.keyOff();
}

inline float QVSampler::nextFrame()
{
    if (isSilent())
        return 0;
    auto ipos = std::int64_t(position_);
    if (looping_ && loopEnd_ < ipos) {
        // The frame after the loop's last is the one after its first; the fraction of the
        // position carries over, so the pitch does not wobble at the seam.
        const double period = double(loopEnd_ - loopStart_);
        position_ = double(loopStart_ + 1) + std::fmod(position_ - double(loopStart_ + 1), period);
        ipos = std::int64_t(position_);
    }
    if (!looping_ && index_ + 1 >= length_)
        playing_ = false;
    const double frac = position_ - double(ipos);
    level_ = amplitude_ * float(envelope_.tick());

    const std::int16_t* data = sample_ ? sample_->data() : nullptr;
    const std::int64_t count = data ? sample_->numSamples() : 0;
    const double s0 = ipos < count ? data[ipos] : 0.0;
    const double s1 = ipos + 1 < count ? data[ipos + 1] : 0.0;
    if (index_ < std::numeric_limits<std::int32_t>::max())
        ++index_;
    position_ += rate_;
    return float(((1.0 - frac) * s0 + frac * s1) * (1.0 / 32768.0) * level_);
}

stk::StkFloat QVSampler::tick(unsigned int)
{
    lastFrame_[0] = nextFrame();
    return lastFrame_[0];
}

void QVSampler::addTo(float* buffer, int frames)
{
    if (isSilent())
        return;
    for (int i = 0; i < frames; ++i)
        buffer[i] += nextFrame();
}

stk::StkFrames& QVSampler::tick(stk::StkFrames& frames, unsigned int channel)
{
    const unsigned int step = frames.channels();
    const unsigned int first = step == 1 ? 0 : channel;
    for (unsigned int frame = 0; frame < frames.frames(); ++frame)
        frames[frame * step + first] = tick();
    return frames;
}

std::unique_ptr<QVSampler> ZTInstruments::newInstrumentWithInstrumentData(std::shared_ptr<const QVInstrument> instrument)
{
    return std::make_unique<QVSampler>(std::move(instrument));
}
