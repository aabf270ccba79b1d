#include "AudioUnitEngine.h"

#include "AudioInput.h"

#include <algorithm>

AudioUnitEngine::AudioUnitEngine(AudioInput* input) : input_(input) {}

AudioUnitEngine::~AudioUnitEngine()
{
    stop();
}

void AudioUnitEngine::attachUnit(std::unique_ptr<EffectAudioUnit> unit)
{
    const std::size_t index = units_.size();
    units_.push_back(std::move(unit));
    if (index == 0) {
        pulls_.emplace_back([this](AudioUnitRenderActionFlags&, const AudioTimeStamp&, std::uint32_t frames, int,
                                   AudioBufferList* list) { return copyCapturedInput(frames, list); });
        return;
    }
    pulls_.emplace_back([this, index](AudioUnitRenderActionFlags& flags, const AudioTimeStamp& time,
                                      std::uint32_t frames, int, AudioBufferList* list) {
        return units_[index - 1]->render(flags, time, frames, 0, list, nullptr, &pulls_[index - 1]);
    });
}

bool AudioUnitEngine::start()
{
    if (running_)
        return true;
    if (!input_ || !input_->start(this))
        return false;
    if (renderRate_.load() == 0) {
        input_->stop(this);
        return false;
    }
    running_ = true;
    return true;
}

void AudioUnitEngine::stop()
{
    if (input_)
        input_->stop(this);
    renderRate_ = 0;
    for (auto& unit : units_)
        unit->deallocateRenderResources();
    running_ = false;
}

bool AudioUnitEngine::isListening() const
{
    return running_ && input_->isListening(this);
}

void AudioUnitEngine::willStartCapture(unsigned sampleRate)
{
    // Not yet registered with the input, so nothing renders while the units change.
    renderRate_ = 0;
    format_.sampleRate = sampleRate;
    for (auto& unit : units_) {
        unit->outputBus().format = format_;
        unit->inputBus().init(format_, EffectAudioUnit::kMaxInputChannels);
        if (!unit->allocateRenderResources())
            return;
    }
    renderRate_ = sampleRate;
}

void AudioUnitEngine::capture(const float* samples, std::size_t frames, unsigned sampleRate)
{
    // A block at another rate than the units were allocated for would be read wrongly.
    if (units_.empty() || sampleRate == 0 || sampleRate != renderRate_.load(std::memory_order_relaxed))
        return;
    const std::uint32_t channels = std::min(format_.channelCount, AudioBufferList::kMaxBuffers);
    for (std::size_t done = 0; done < frames;) {
        const auto slice = std::uint32_t(std::min<std::size_t>(frames - done, EffectAudioUnit::kMaximumFramesToRender));
        captured_ = samples + done;
        output_.numberBuffers = channels;
        for (std::uint32_t c = 0; c < channels; ++c)
            output_.buffers[c] = {1, std::uint32_t(slice * sizeof(float)), nullptr};
        AudioUnitRenderActionFlags flags = 0;
        const AudioTimeStamp time{double(sampleTime_)};
        units_.back()->render(flags, time, slice, 0, &output_, nullptr, &pulls_.back());
        sampleTime_ += slice;
        done += slice;
    }
}

OSStatus AudioUnitEngine::copyCapturedInput(std::uint32_t frames, AudioBufferList* list) const
{
    for (std::uint32_t c = 0; c < list->numberBuffers; ++c)
        if (float* channel = list->channel(c, frames))
            std::copy_n(captured_, frames, channel);
    return AudioUnitStatus::noErr;
}
