#include "RtAudioStream.h"

#include "Log.h"

#include <alsa/asoundlib.h>

#include <mutex>
#include <vector>

namespace {

// RtAudio's look-up of the PulseAudio devices keeps them in a static list: the microphone
// and the output, which may open from different threads, must not look at once.
std::mutex lookUpMutex;

// alsa-lib prints every failed look-up of a card; on a machine without one each try to open
// would print a screenful. The reason we log says enough (the MIDI layer mutes it likewise).
void quietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

// The first sound system with a device, as RtAudio itself would choose, but asked without
// printing: one that is not there (no server, no card) is passed over silently.
std::unique_ptr<RtAudio> firstSoundSystemWithDevices()
{
    snd_lib_error_set_handler(&quietAlsaErrors);
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    for (const RtAudio::Api api : apis) {
        auto device = std::make_unique<RtAudio>(api);
        device->showWarnings(false);
        if (device->getDeviceCount() > 0)
            return device;
    }
    return nullptr;
}

// The device to open, and what it offers. RtAudio's default ALSA device is the first
// card's; the configured "default" comes last in its list, when there is one, and the flag
// opens it whatever the list holds.
RtAudio::DeviceInfo chooseDevice(RtAudio& device, bool input, RtAudio::StreamParameters* parameters,
                                 RtAudio::StreamOptions* options)
{
    parameters->deviceId = input ? device.getDefaultInputDevice() : device.getDefaultOutputDevice();
    if (device.getCurrentApi() == RtAudio::LINUX_ALSA) {
        options->flags |= RTAUDIO_ALSA_USE_DEFAULT;
        const unsigned last = device.getDeviceCount() - 1;
        RtAudio::DeviceInfo info = device.getDeviceInfo(last);
        if (info.name == "default") {
            parameters->deviceId = last;
            return info;
        }
    }
    return device.getDeviceInfo(parameters->deviceId);
}

} // namespace

RtAudioStream::RtAudioStream(const RtAudioStreamRequest& request, QString name)
    : request_(request)
    , name_(std::move(name))
{
}

RtAudioStream::~RtAudioStream()
{
    close();
}

std::optional<AudioDevice::Stream> RtAudioStream::open(QString* failure)
{
    close();
    const QString none = request_.input ? QStringLiteral("no audio input device") : QStringLiteral("no audio device");
    std::lock_guard lock(lookUpMutex);
    try {
        device_ = firstSoundSystemWithDevices();
        if (!device_) {
            *failure = none;
            return std::nullopt;
        }
        parameters_ = {};
        parameters_.nChannels = request_.channels;
        options_ = {};
        options_.numberOfBuffers = request_.numberOfBuffers;
        options_.streamName = "Melvora";
        const RtAudio::DeviceInfo info = chooseDevice(*device_, request_.input, &parameters_, &options_);
        if (request_.input && info.inputChannels == 0) {
            device_.reset();
            *failure = none;
            return std::nullopt;
        }
        const unsigned preferred = info.preferredSampleRate ? info.preferredSampleRate : request_.fallbackSampleRate;
        sampleRate_ = request_.sampleRate ? request_.sampleRate : preferred;
        bufferFrames_ = request_.bufferFrames;
        if (!start(failure)) {
            device_.reset();
            return std::nullopt;
        }
        // Opened again after a pause, it keeps what it has now.
        sampleRate_ = device_->getStreamSampleRate();
        AudioDevice::Stream opened;
        opened.sampleRate = sampleRate_;
        opened.bufferFrames = bufferFrames_;
        opened.api = QString::fromStdString(RtAudio::getApiDisplayName(device_->getCurrentApi()));
        opened.device = QString::fromStdString(info.name);
        return opened;
    } catch (const RtAudioError& error) {
        device_.reset();
        *failure = QString::fromStdString(error.getMessage());
        return std::nullopt;
    }
}

bool RtAudioStream::pause()
{
    if (!device_ || device_->getCurrentApi() != RtAudio::LINUX_PULSE)
        return false;
    // What is left to play is the end of a rest: nothing to wait for.
    stop(false);
    return true;
}

bool RtAudioStream::resume(QString* failure)
{
    if (!device_) {
        *failure = QStringLiteral("the stream is closed");
        return false;
    }
    if (device_->isStreamOpen())
        return true;
    bool started = false;
    {
        std::lock_guard lock(lookUpMutex);
        try {
            started = start(failure);
        } catch (const RtAudioError& error) {
            *failure = QString::fromStdString(error.getMessage());
        }
    }
    if (!started)
        close();
    return started;
}

void RtAudioStream::close()
{
    stop(true);
    device_.reset();
}

bool RtAudioStream::start(QString* failure)
{
    RtAudio::StreamParameters* output = request_.input ? nullptr : &parameters_;
    RtAudio::StreamParameters* input = request_.input ? &parameters_ : nullptr;
    device_->openStream(output, input, RTAUDIO_FLOAT32, sampleRate_, &bufferFrames_, request_.callback,
                        request_.userData, &options_, request_.errorCallback);
    // Once a stream has had an error callback, RtAudio tells of later failures to open or
    // start there instead of throwing; a stream that never ran would leave its client
    // waiting for blocks for ever.
    if (device_->isStreamOpen())
        device_->startStream();
    if (device_->isStreamRunning())
        return true;
    *failure = device_->isStreamOpen() ? QStringLiteral("the stream did not start")
                                       : QStringLiteral("the stream did not open");
    if (device_->isStreamOpen())
        device_->closeStream();
    return false;
}

void RtAudioStream::stop(bool drain)
{
    if (!device_)
        return;
    try {
        if (device_->isStreamRunning())
            drain ? device_->stopStream() : device_->abortStream();
        if (device_->isStreamOpen())
            device_->closeStream();
    } catch (const RtAudioError& error) {
        Log::line(QStringLiteral("%1 could not be closed cleanly: %2").arg(name_, QString::fromStdString(error.getMessage())));
    }
}
