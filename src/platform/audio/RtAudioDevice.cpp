#include "RtAudioDevice.h"

#include "RtAudioStream.h"

#include <algorithm>
#include <utility>

namespace {
// RtAudio tells of a failed write or read through a callback without user data, on the
// thread of the stream that failed: that thread's device is the one of the last block.
thread_local RtAudioDevice* deviceOfThisThread = nullptr;
} // namespace

RtAudioDevice::RtAudioDevice(Direction direction) : direction_(direction) {}

RtAudioDevice::~RtAudioDevice()
{
    close();
}

std::optional<AudioDevice::Stream> RtAudioDevice::open(Client* client, unsigned sampleRate, unsigned bufferFrames,
                                                        QString* failure)
{
    close();
    client_ = client;
    failed_ = false;
    transferFailed_ = false;
    failedTransfersInARow_ = 0;
    const bool output = direction_ == Direction::Output;
    RtAudioStreamRequest request;
    request.input = !output;
    request.channels = output ? 2 : 1;
    request.sampleRate = sampleRate;
    request.bufferFrames = bufferFrames;
    // Two short buffers keep the output's latency low; the input takes RtAudio's choice.
    request.numberOfBuffers = output ? 2 : 0;
    request.callback = &RtAudioDevice::transfer;
    request.userData = this;
    request.errorCallback = &RtAudioDevice::streamError;
    Stream stream;
    stream_ = openRtAudioStream(request, &stream, failure);
    if (!stream_)
        return std::nullopt;
    return stream;
}

void RtAudioDevice::close()
{
    closeRtAudioStream(stream_, direction_ == Direction::Output ? QStringLiteral("Audio output")
                                                                : QStringLiteral("Audio input"));
}

QString RtAudioDevice::failureReason() const
{
    const QString said = failed_.load(std::memory_order_acquire) ? QString::fromUtf8(reason_.data()).trimmed()
                                                                  : QString();
    return said.isEmpty() ? QStringLiteral("the device stopped") : said;
}

int RtAudioDevice::transfer(void* output, void* input, unsigned int frames, double, RtAudioStreamStatus,
                            void* userData)
{
    auto* self = static_cast<RtAudioDevice*>(userData);
    deviceOfThisThread = self;
    // A transfer that failed since the last block: one of a run, or the run is over.
    const bool lastFailed = std::exchange(self->transferFailed_, false);
    self->failedTransfersInARow_ = lastFailed ? self->failedTransfersInARow_ + 1 : 0;
    if (self->failedTransfersInARow_ >= kFailedTransfersForLoss)
        self->fail({});
    // RtAudio reads into the block it hands over next: after a failed read it holds nothing new.
    const float* heard = lastFailed ? nullptr : static_cast<const float*>(input);
    // 2: RtAudio aborts the stream, and its thread waits.
    return self->client_->processBlock(static_cast<float*>(output), heard, frames) ? 0 : 2;
}

void RtAudioDevice::streamError(RtAudioError::Type type, const std::string& text)
{
    RtAudioDevice* self = deviceOfThisThread;
    // Errors of stopping and closing come on the control thread, where nothing listens.
    if (!self)
        return;
    if (type == RtAudioError::WARNING) {
        self->transferFailed_ = true;
        self->keepReason(text);
    } else {
        self->fail(text);
    }
}

void RtAudioDevice::keepReason(const std::string& text) noexcept
{
    if (failed_.load(std::memory_order_relaxed))
        return;
    const std::size_t length = std::min(text.size(), reason_.size() - 1);
    std::copy_n(text.data(), length, reason_.data());
    reason_[length] = '\0';
}

void RtAudioDevice::fail(const std::string& text) noexcept
{
    if (failed_.load(std::memory_order_relaxed))
        return;
    if (!text.empty())
        keepReason(text);
    failed_.store(true, std::memory_order_release);
    client_->deviceFailed();
}
