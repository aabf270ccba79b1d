#include "AudioInput.h"

#include "Log.h"
#include "NotificationCenter.h"
#include "RtAudioDevice.h"

const QString AudioInput::kLostNotification = QStringLiteral("AudioInputLostNotification");

AudioInput* AudioInput::sharedInput()
{
    // Creating the input reaches nothing else, so plain statics are safe here. The centre
    // it posts to is made first, so that it outlives the input's thread.
    static NotificationCenter& center = NotificationCenter::defaultCenter();
    static AudioInput input([] { return std::make_unique<RtAudioDevice>(AudioDevice::Direction::Input); });
    (void)center;
    return &input;
}

AudioInput::AudioInput(AudioDeviceFactory deviceFactory) : deviceFactory_(std::move(deviceFactory)) {}

AudioInput::~AudioInput()
{
    stopWatcher();
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

void AudioInput::useDevices(AudioDeviceFactory deviceFactory)
{
    std::lock_guard lock(controlMutex_);
    sinks_.clear();
    closeLocked();
    deviceFactory_ = std::move(deviceFactory);
    lastFailure_.reset();
}

bool AudioInput::processBlock(float*, const float* input, std::size_t frames) noexcept
{
    if (deviceFailed_.load())
        return false;
    if (input)
        deliver(input, frames);
    return true;
}

void AudioInput::deviceFailed() noexcept
{
    deviceFailed_.store(true);
    watcherSignal_.wake();
}

bool AudioInput::openLocked()
{
    QString failure;
    if (openDeviceLocked(&failure)) {
        lastFailure_.reset();
        return true;
    }
    // A device that stays missing is said once, not at every question that listens.
    if (lastFailure_ != failure)
        Log::line(QStringLiteral("Audio input could not be opened (%1).").arg(failure));
    lastFailure_ = failure;
    return false;
}

bool AudioInput::openDeviceLocked(QString* failure)
{
    std::unique_ptr<AudioDevice> device = deviceFactory_ ? deviceFactory_() : nullptr;
    if (!device) {
        *failure = QStringLiteral("no audio input device");
        return false;
    }
    deviceFailed_ = false;
    const std::optional<AudioDevice::Stream> stream = device->open(this, 0, kPreferredBufferFrames, failure);
    if (!stream)
        return false;
    // No sink is registered yet, so no block has needed the rate.
    device_ = std::move(device);
    sampleRate_ = stream->sampleRate;
    if (!watcher_.joinable())
        watcher_ = std::thread([this] { watch(); });
    Log::line(QStringLiteral("Audio input: ") + stream->description());
    return true;
}

void AudioInput::closeLocked()
{
    // The stream stops first: the callback reads the rate.
    if (device_)
        device_->close();
    device_.reset();
    sampleRate_ = 0;
}

void AudioInput::watch()
{
    while (!stopping_.load()) {
        watcherSignal_.wait();
        if (deviceFailed_.load())
            closeLostDevice();
    }
}

void AudioInput::closeLostDevice()
{
    QString reason;
    {
        std::lock_guard lock(controlMutex_);
        // Closed, or another device opened, since it failed.
        if (stopping_.load() || !deviceFailed_.load() || !device_)
            return;
        reason = device_->failureReason();
        // The sinks are let go: they hear nothing, and the next start opens a device anew.
        sinks_.clear();
        closeLocked();
        Log::line(QStringLiteral("Audio input lost (%1); the microphone opens again when it is next turned on.")
                      .arg(reason));
    }
    NotificationCenter::defaultCenter().post(kLostNotification, this, {}, {{QStringLiteral("reason"), reason}});
}

void AudioInput::stopWatcher()
{
    stopping_ = true;
    watcherSignal_.wake();
    if (watcher_.joinable())
        watcher_.join();
}

void AudioInput::deliver(const float* samples, std::size_t frames) noexcept
{
    const unsigned rate = sampleRate_.load();
    sinks_.forEach([&](AudioCaptureSink* sink) { sink->capture(samples, frames, rate); });
}
