#include "AQRecorder.h"

#include "CAXException.h"
#include "Log.h"
#include "PitchDetector.h"

#include <algorithm>
#include <cmath>
#include <exception>

CAStreamBasicDescription AQRecorder::recordingFormat()
{
    CAStreamBasicDescription format;
    format.sampleRate = 44100.0;
    format.formatID = CAStreamBasicDescription::kFormatLinearPCM;
    format.formatFlags = CAStreamBasicDescription::kFlagIsSignedInteger | CAStreamBasicDescription::kFlagIsPacked;
    format.bytesPerPacket = 2;
    format.framesPerPacket = 1;
    format.bytesPerFrame = 2;
    format.channelsPerFrame = 1;
    format.bitsPerChannel = 16;
    return format;
}

std::uint32_t AQRecorder::bufferSizeForSeconds(const CAStreamBasicDescription& format, float seconds)
{
    // The single-precision seconds widen as they are: 0.1 s at 44100 Hz is 4411 frames.
    const auto frames = std::uint32_t(std::ceil(double(seconds) * format.sampleRate));
    if (format.bytesPerFrame > 0)
        return frames * format.bytesPerFrame;
    try {
        if (format.bytesPerPacket == 0)
            throw CAXException(QStringLiteral("couldn't get queue's maximum output packet size"), 0);
        const std::uint32_t packets = std::max<std::uint32_t>(
            format.framesPerPacket > 0 ? frames / format.framesPerPacket : frames, 1);
        return packets * format.bytesPerPacket;
    } catch (const CAXException& error) {
        Log::line(error.message());
        return 0;
    }
}

AQRecorder::AQRecorder() = default;

AQRecorder::~AQRecorder()
{
    stop();
}

void AQRecorder::start()
{
    if (running_.load())
        return;
    Log::line(QStringLiteral("StartRecord"));
    try {
        format_ = recordingFormat();
        const std::uint32_t size = bufferSizeForSeconds(format_, kBufferDurationSeconds);
        const std::size_t frames = size / format_.bytesPerFrame;
        if (frames == 0)
            throw CAXException(QStringLiteral("AudioQueueAllocateBuffer failed"), 0);
        queue_ = std::make_unique<AudioInputQueue>(
            unsigned(format_.sampleRate), frames, std::size_t(kNumberRecordBuffers),
            [this](const std::int16_t* samples, std::size_t count) {
                return inputCallback(samples, std::uint32_t(count));
            });
        sampleBuffer_.assign(frames, 0.0);
        WaveletPitch::initWaveletTracker(&tracker_);
        running_ = true;
        if (!queue_->start())
            throw CAXException(QStringLiteral("AudioQueueStart failed"), kQueueStartFailed);
    } catch (const CAXException& error) {
        Log::line(error.message());
        stop(); // a later start begins afresh
    } catch (const std::exception&) {
        Log::line(QStringLiteral("An unknown error occurred"));
        stop();
    }
}

void AQRecorder::stop()
{
    running_ = false;
    if (!queue_)
        return;
    queue_->stop();
    sampleBuffer_ = {};
    queue_.reset();
}

bool AQRecorder::inputCallback(const std::int16_t* samples, std::uint32_t packetCount)
{
    const std::size_t count = std::min<std::size_t>(packetCount, sampleBuffer_.size());
    if (count > 0) {
        std::copy(samples, samples + count, sampleBuffer_.begin());
        const double found = WaveletPitch::computeWaveletPitch(&tracker_, sampleBuffer_.data(), 0, int(count));
        pitch_ = found;
        if (detector_)
            detector_->setCurrentPitch(found);
    }
    return running_.load();
}
