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
    if (!isSilent() && head_.sample) {
        fading_ = head_;
        fadingLevel_ = level_;
        fadeLength_ = std::max(1, int(kRestartFadeSeconds * stk::Stk::sampleRate()));
        fadingFrames_ = fadeLength_;
    }
    const int slot = slotForFrequency(frequency);
    head_.sample = instrument_ && slot >= 0 ? instrument_->sampleForNote(unsigned(slot)) : nullptr;
    setFrequency(frequency);
    playing_ = true;
    index_ = 0;
    head_.position = 0;
    amplitude_ = float(amplitude);
    level_ = float(amplitude);
    envelope_.keyOn();
}

void QVSampler::setFrequency(stk::StkFloat frequency)
{
    const QVSample* sample = head_.sample;
    sampleFrequency_ = sample ? sample->frequency() : 0.0f;
    if (!sample || !(sampleFrequency_ > 0) || !(frequency > 0) || !(stk::Stk::sampleRate() > 0)) {
        head_.rate = 1.0;
        length_ = 0;
        head_.looping = false;
        return;
    }
    head_.rate = frequency / sampleFrequency_ * (kRecordingRate / stk::Stk::sampleRate());
    const double frames = double(sample->numSamples()) / head_.rate;
    length_ = std::int32_t(std::min(frames, double(std::numeric_limits<std::int32_t>::max())));
    const QVRange loop = sample->loopRange();
    head_.looping = loop.length != 0;
    head_.loopStart = loop.location;
    head_.loopEnd = loop.location + loop.length - 1;
    amplitude_ = sample->amplitude();
}

void QVSampler::noteOff(stk::StkFloat)
{
    playing_ = false;
    envelope_.keyOff();
}

float QVSampler::Playhead::read()
{
    auto ipos = std::int64_t(position);
    if (looping && loopEnd < ipos) {
        // The frame after the loop's last is the one after its first; the fraction of the
        // position carries over, so the pitch does not wobble at the seam.
        const double period = double(loopEnd - loopStart);
        position = double(loopStart + 1) + std::fmod(position - double(loopStart + 1), period);
        ipos = std::int64_t(position);
    }
    const double frac = position - double(ipos);
    const std::int16_t* data = sample ? sample->data() : nullptr;
    const std::int64_t count = data ? sample->numSamples() : 0;
    const double s0 = ipos < count ? data[ipos] : 0.0;
    const double s1 = ipos + 1 < count ? data[ipos + 1] : 0.0;
    position += rate;
    return float(((1.0 - frac) * s0 + frac * s1) * (1.0 / 32768.0));
}

inline float QVSampler::fadingFrame()
{
    if (fadingFrames_ <= 0)
        return 0;
    const float gain = fadingLevel_ * float(fadingFrames_) / float(fadeLength_);
    --fadingFrames_;
    return fading_.read() * gain;
}

inline float QVSampler::nextFrame()
{
    const float fading = fadingFrame();
    if (isSilent())
        return fading;
    if (!head_.looping && index_ + 1 >= length_)
        playing_ = false;
    level_ = amplitude_ * float(envelope_.tick());
    if (index_ < std::numeric_limits<std::int32_t>::max())
        ++index_;
    return fading + head_.read() * level_;
}

stk::StkFloat QVSampler::tick(unsigned int)
{
    lastFrame_[0] = nextFrame();
    return lastFrame_[0];
}

void QVSampler::addTo(float* buffer, int frames)
{
    if (!isSounding())
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
