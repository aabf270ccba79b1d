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

} // namespace

std::unique_ptr<RtAudio> openRtAudioStream(const RtAudioStreamRequest& request, AudioDevice::Stream* opened,
                                           QString* failure)
{
    const QString none = request.input ? QStringLiteral("no audio input device") : QStringLiteral("no audio device");
    std::lock_guard lock(lookUpMutex);
    try {
        std::unique_ptr<RtAudio> device = firstSoundSystemWithDevices();
        if (!device) {
            *failure = none;
            return nullptr;
        }
        RtAudio::StreamParameters parameters;
        parameters.deviceId = request.input ? device->getDefaultInputDevice() : device->getDefaultOutputDevice();
        parameters.nChannels = request.channels;
        const RtAudio::DeviceInfo info = device->getDeviceInfo(parameters.deviceId);
        if (request.input && info.inputChannels == 0) {
            *failure = none;
            return nullptr;
        }
        const unsigned preferred = info.preferredSampleRate ? info.preferredSampleRate : request.fallbackSampleRate;
        const unsigned rate = request.sampleRate ? request.sampleRate : preferred;
        unsigned frames = request.bufferFrames;
        RtAudio::StreamOptions options;
        options.numberOfBuffers = request.numberOfBuffers;
        options.streamName = "Melvora";
        device->openStream(request.input ? nullptr : &parameters, request.input ? &parameters : nullptr,
                           RTAUDIO_FLOAT32, rate, &frames, request.callback, request.userData, &options,
                           request.errorCallback);
        opened->sampleRate = device->getStreamSampleRate();
        opened->bufferFrames = frames;
        opened->api = QString::fromStdString(RtAudio::getApiDisplayName(device->getCurrentApi()));
        opened->device = QString::fromStdString(info.name);
        device->startStream();
        // With an error callback RtAudio tells of a failed start there instead of throwing;
        // a stream that never ran would leave its client waiting for blocks for ever.
        if (!device->isStreamRunning()) {
            *failure = QStringLiteral("the stream did not start");
            device->closeStream();
            return nullptr;
        }
        return device;
    } catch (const RtAudioError& error) {
        *failure = QString::fromStdString(error.getMessage());
        return nullptr;
    }
}

void closeRtAudioStream(std::unique_ptr<RtAudio>& device, const QString& name)
{
    if (!device)
        return;
    try {
        if (device->isStreamRunning())
            device->stopStream();
        if (device->isStreamOpen())
            device->closeStream();
    } catch (const RtAudioError& error) {
        Log::line(QStringLiteral("%1 could not be closed cleanly: %2").arg(name, QString::fromStdString(error.getMessage())));
    }
    device.reset();
}
