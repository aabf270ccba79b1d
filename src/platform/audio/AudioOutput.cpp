#include "AudioOutput.h"

#include "Log.h"

#include "RtAudioStream.h"

#include <algorithm>
#include <chrono>
#include <cstring>

AudioOutput* AudioOutput::sharedOutput()
{
    // Creating the output reaches nothing else, so a plain static is safe here.
    static AudioOutput output;
    return &output;
}

AudioOutput::AudioOutput()
    : scratch_(kScratchFrames * 2, 0.0f)
{
}

AudioOutput::~AudioOutput()
{
    std::lock_guard lock(controlMutex_);
    closeDevice();
    stopNullDevice();
}

void AudioOutput::open()
{
    std::lock_guard lock(controlMutex_);
    if (mode_.load() != Mode::Closed)
        return;
    if (openDevice())
        return;
    startNullDevice();
}

void AudioOutput::useOfflineRendering()
{
    std::lock_guard lock(controlMutex_);
    closeDevice();
    stopNullDevice();
    sampleRate_ = kDefaultSampleRate;
    bufferFrames_ = kPreferredBufferFrames;
    mode_ = Mode::Offline;
}

bool AudioOutput::isNullDevice() const
{
    const Mode mode = mode_.load();
    return mode == Mode::NullRealTime || mode == Mode::Offline;
}

unsigned AudioOutput::sampleRate()
{
    open();
    return sampleRate_.load();
}

unsigned AudioOutput::bufferFrames()
{
    open();
    return bufferFrames_.load();
}

bool AudioOutput::addSource(AudioRenderSource* source)
{
    if (!source)
        return false;
    open();
    std::lock_guard lock(controlMutex_);
    if (sources_.add(source))
        return true;
    Log::line(QStringLiteral("Audio output: no free slot for another sound source."));
    return false;
}

void AudioOutput::removeSource(AudioRenderSource* source)
{
    if (!source)
        return;
    std::lock_guard lock(controlMutex_);
    sources_.remove(source);
}

bool AudioOutput::renderOffline(float* interleavedStereo, std::size_t frames)
{
    if (mode_.load() != Mode::Offline || !interleavedStereo)
        return false;
    mix(interleavedStereo, frames);
    return true;
}

void AudioOutput::mix(float* out, std::size_t frames) noexcept
{
    float* scratch = scratch_.data();
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t chunk = std::min(kScratchFrames, frames - done);
        float* target = out + done * 2;
        std::memset(target, 0, chunk * 2 * sizeof(float));
        sources_.forEach([&](AudioRenderSource* source) {
            std::memset(scratch, 0, chunk * 2 * sizeof(float));
            source->render(scratch, chunk);
            for (std::size_t i = 0; i < chunk * 2; ++i)
                target[i] += scratch[i];
        });
        // Several loud sources must not wrap around in the converter.
        for (std::size_t i = 0; i < chunk * 2; ++i)
            target[i] = std::clamp(target[i], -1.0f, 1.0f);
        done += chunk;
    }
}

int AudioOutput::deviceCallback(void* output, void*, unsigned int frames, double, unsigned int,
                                void* userData)
{
    static_cast<AudioOutput*>(userData)->mix(static_cast<float*>(output), frames);
    return 0;
}

bool AudioOutput::openDevice()
{
    RtAudioStreamRequest request;
    request.channels = 2;
    request.fallbackSampleRate = kDefaultSampleRate;
    request.bufferFrames = kPreferredBufferFrames;
    request.numberOfBuffers = 2;
    request.callback = &AudioOutput::deviceCallback;
    request.userData = this;
    QString failure;
    device_ = openRtAudioStream(
        request,
        [this](unsigned rate, unsigned frames) {
            sampleRate_ = rate;
            bufferFrames_ = frames;
        },
        &failure);
    if (!device_) {
        Log::line(QStringLiteral("Audio output could not be opened (%1); rendering into the null device.")
                      .arg(failure));
        return false;
    }
    mode_ = Mode::Device;
    Log::line(QStringLiteral("Audio output: %1 Hz, %2 frames per buffer.")
                  .arg(sampleRate_.load())
                  .arg(bufferFrames_.load()));
    return true;
}

void AudioOutput::closeDevice()
{
    if (!device_)
        return;
    closeRtAudioStream(device_, QStringLiteral("Audio output"));
    mode_ = Mode::Closed;
}

void AudioOutput::startNullDevice()
{
    sampleRate_ = kDefaultSampleRate;
    bufferFrames_ = kPreferredBufferFrames;
    nullRunning_ = true;
    mode_ = Mode::NullRealTime;
    nullThread_ = std::thread([this] { runNullDevice(); });
}

void AudioOutput::stopNullDevice()
{
    nullRunning_ = false;
    if (nullThread_.joinable())
        nullThread_.join();
    if (mode_.load() == Mode::NullRealTime)
        mode_ = Mode::Closed;
}

void AudioOutput::runNullDevice()
{
    using Clock = std::chrono::steady_clock;
    std::vector<float> buffer(kPreferredBufferFrames * 2);
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(double(kPreferredBufferFrames) / kDefaultSampleRate));
    auto next = Clock::now();
    while (nullRunning_.load()) {
        mix(buffer.data(), kPreferredBufferFrames);
        next += period;
        const auto now = Clock::now();
        if (next < now - std::chrono::seconds(1))
            next = now; // fell far behind (suspended): do not race to catch up
        std::this_thread::sleep_until(next);
    }
}
