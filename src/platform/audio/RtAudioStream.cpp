#include "RtAudioStream.h"

#include "Log.h"

std::unique_ptr<RtAudio> openRtAudioStream(const RtAudioStreamRequest& request,
                                           const std::function<void(unsigned sampleRate, unsigned bufferFrames)>& opened,
                                           QString* failure)
{
    const QString none = request.input ? QStringLiteral("no audio input device") : QStringLiteral("no audio device");
    try {
        auto device = std::make_unique<RtAudio>();
        device->showWarnings(false);
        if (device->getDeviceCount() == 0) {
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
        const unsigned rate = info.preferredSampleRate ? info.preferredSampleRate : request.fallbackSampleRate;
        unsigned frames = request.bufferFrames;
        RtAudio::StreamOptions options;
        options.numberOfBuffers = request.numberOfBuffers;
        options.streamName = "Melvora";
        device->openStream(request.input ? nullptr : &parameters, request.input ? &parameters : nullptr,
                           RTAUDIO_FLOAT32, rate, &frames, request.callback, request.userData, &options, nullptr);
        opened(device->getStreamSampleRate(), frames);
        device->startStream();
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
