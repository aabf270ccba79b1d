#include "RtAudioOutputDevice.h"

#include "RtAudioStream.h"

#include <algorithm>

namespace {
// RtAudio tells of a failed write through a callback without user data, on the thread of
// the stream that failed: that thread's device is the one the last block went to.
thread_local RtAudioOutputDevice* deviceOfThisThread = nullptr;
} // namespace

RtAudioOutputDevice::~RtAudioOutputDevice()
{
    close();
}

std::optional<AudioOutputDevice::Stream> RtAudioOutputDevice::open(Client* client, unsigned sampleRate,
                                                                   unsigned bufferFrames, QString* failure)
{
    close();
    client_ = client;
    failed_ = false;
    writeFailed_ = false;
    failedWritesInARow_ = 0;
    RtAudioStreamRequest request;
    request.channels = 2;
    request.sampleRate = sampleRate;
    request.bufferFrames = bufferFrames;
    request.numberOfBuffers = 2;
    request.callback = &RtAudioOutputDevice::render;
    request.userData = this;
    request.errorCallback = &RtAudioOutputDevice::streamError;
    Stream stream;
    RtAudioStreamNames names;
    stream_ = openRtAudioStream(
        request,
        [&stream](unsigned rate, unsigned frames) {
            stream.sampleRate = rate;
            stream.bufferFrames = frames;
        },
        failure, &names);
    if (!stream_)
        return std::nullopt;
    stream.api = names.api;
    stream.device = names.device;
    return stream;
}

void RtAudioOutputDevice::close()
{
    closeRtAudioStream(stream_, QStringLiteral("Audio output"));
}

QString RtAudioOutputDevice::failureReason() const
{
    if (!failed_.load(std::memory_order_acquire))
        return {};
    return QString::fromUtf8(reason_.data()).trimmed();
}

int RtAudioOutputDevice::render(void* output, void*, unsigned int frames, double, RtAudioStreamStatus, void* userData)
{
    auto* self = static_cast<RtAudioOutputDevice*>(userData);
    deviceOfThisThread = self;
    // A write that failed since the last block: one of a run, or the run is over.
    self->failedWritesInARow_ = self->writeFailed_ ? self->failedWritesInARow_ + 1 : 0;
    self->writeFailed_ = false;
    if (self->failedWritesInARow_ >= kFailedWritesForLoss)
        self->fail({});
    // 2: RtAudio aborts the stream, and its thread waits.
    return self->client_->pullBlock(static_cast<float*>(output), frames) ? 0 : 2;
}

void RtAudioOutputDevice::streamError(RtAudioError::Type type, const std::string& text)
{
    RtAudioOutputDevice* self = deviceOfThisThread;
    // Errors of stopping and closing come on the control thread, where nothing listens.
    if (!self)
        return;
    if (type == RtAudioError::WARNING) {
        self->writeFailed_ = true;
        self->keepReason(text);
    } else {
        self->fail(text);
    }
}

void RtAudioOutputDevice::keepReason(const std::string& text) noexcept
{
    if (failed_.load(std::memory_order_relaxed))
        return;
    const std::size_t length = std::min(text.size(), reason_.size() - 1);
    std::copy_n(text.data(), length, reason_.data());
    reason_[length] = '\0';
}

void RtAudioOutputDevice::fail(const std::string& text) noexcept
{
    if (failed_.load(std::memory_order_relaxed))
        return;
    if (!text.empty())
        keepReason(text);
    failed_.store(true, std::memory_order_release);
    client_->deviceFailed();
}
