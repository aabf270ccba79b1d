#include "AudioInput.h"

#include "Log.h"

#include "RtAudioStream.h"

namespace {
constexpr unsigned kFallbackSampleRate = 44100;
} // namespace

AudioInput* AudioInput::sharedInput()
{
    // Creating the input reaches nothing else, so a plain static is safe here.
    static AudioInput input;
    return &input;
}

AudioInput::~AudioInput()
{
    std::lock_guard lock(controlMutex_);
    closeLocked();
}

bool AudioInput::start(AudioCaptureSink* sink)
{
    if (!sink)
        return false;
    std::lock_guard lock(controlMutex_);
    if (!isRunning() && !openLocked())
        return false;
    sink->willStartCapture(sampleRate_.load());
    if (sinks_.add(sink))
        return true;
    Log::line(QStringLiteral("Audio input: no free slot for another listener."));
    if (sinks_.empty())
        closeLocked();
    return false;
}

void AudioInput::stop(AudioCaptureSink* sink)
{
    if (!sink)
        return;
    std::lock_guard lock(controlMutex_);
    sinks_.remove(sink);
    if (sinks_.empty())
        closeLocked();
}

void AudioInput::useFakeDevice(unsigned sampleRate)
{
    std::lock_guard lock(controlMutex_);
    sinks_.clear();
    closeLocked();
    useFake_ = true;
    fakeSampleRate_ = sampleRate;
    fakeOpenCount_ = 0;
}

bool AudioInput::deliverFakeSamples(const float* samples, std::size_t frames)
{
    if (!fakeOpen_.load() || !samples)
        return false;
    deliver(samples, frames);
    return true;
}

bool AudioInput::openLocked()
{
    if (!useFake_)
        return openDevice();
    if (fakeSampleRate_ == 0) {
        Log::line(QStringLiteral("Audio input could not be opened (no audio input device)."));
        return false;
    }
    fakeOpen_ = true;
    ++fakeOpenCount_;
    sampleRate_ = fakeSampleRate_;
    return true;
}

bool AudioInput::openDevice()
{
    RtAudioStreamRequest request;
    request.input = true;
    request.channels = 1;
    request.fallbackSampleRate = kFallbackSampleRate;
    request.bufferFrames = kPreferredBufferFrames;
    request.callback = &AudioInput::deviceCallback;
    request.userData = this;
    QString failure;
    unsigned bufferFrames = 0;
    // The callback reads the rate: it is set before the stream starts.
    device_ = openRtAudioStream(
        request,
        [&](unsigned rate, unsigned frames) {
            sampleRate_ = rate;
            bufferFrames = frames;
        },
        &failure);
    if (!device_) {
        sampleRate_ = 0;
        Log::line(QStringLiteral("Audio input could not be opened (%1).").arg(failure));
        return false;
    }
    Log::line(QStringLiteral("Audio input: %1 Hz, %2 frames per buffer.").arg(sampleRate_.load()).arg(bufferFrames));
    return true;
}

void AudioInput::closeLocked()
{
    // The stream stops first: the callback reads the rate.
    closeRtAudioStream(device_, QStringLiteral("Audio input"));
    fakeOpen_ = false;
    sampleRate_ = 0;
}

void AudioInput::deliver(const float* samples, std::size_t frames) noexcept
{
    const unsigned rate = sampleRate_.load();
    sinks_.forEach([&](AudioCaptureSink* sink) { sink->capture(samples, frames, rate); });
}

int AudioInput::deviceCallback(void*, void* input, unsigned int frames, double, unsigned int, void* userData)
{
    if (input)
        static_cast<AudioInput*>(userData)->deliver(static_cast<const float*>(input), frames);
    return 0;
}
