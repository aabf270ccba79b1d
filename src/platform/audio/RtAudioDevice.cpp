#include "RtAudioDevice.h"

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

RtAudioStreamRequest RtAudioDevice::streamRequest(Direction direction, unsigned sampleRate, unsigned bufferFrames)
{
    const bool output = direction == Direction::Output;
    RtAudioStreamRequest request;
    request.input = !output;
    request.channels = output ? 2 : 1;
    request.sampleRate = sampleRate;
    request.bufferFrames = bufferFrames;
    // The input takes RtAudio's choice.
    request.numberOfBuffers = output ? kOutputBuffers : 0;
    request.callback = &RtAudioDevice::transfer;
    request.errorCallback = &RtAudioDevice::streamError;
    return request;
}

std::optional<AudioDevice::Stream> RtAudioDevice::open(Client* client, unsigned sampleRate, unsigned bufferFrames,
                                                        QString* failure)
{
    close();
    client_ = client;
    failed_ = false;
    failures_ = {};
    const bool output = direction_ == Direction::Output;
    RtAudioStreamRequest request = streamRequest(direction_, sampleRate, bufferFrames);
    request.userData = this;
    // Ready before the stream's thread begins.
    if (output)
        leadIn_.start(std::max(bufferFrames, kLargestLeadInBlock), request.channels);
    stream_ = std::make_unique<RtAudioStream>(request, output ? QStringLiteral("Audio output")
                                                               : QStringLiteral("Audio input"));
    std::optional<Stream> opened = stream_->open(failure);
    if (!opened)
        stream_.reset();
    return opened;
}

bool RtAudioDevice::pause()
{
    return stream_ && stream_->pause();
}

bool RtAudioDevice::resume(QString* failure)
{
    if (!stream_) {
        *failure = QStringLiteral("the device is closed");
        return false;
    }
    // No stream thread runs while paused.
    failures_ = {};
    leadIn_.restart();
    if (stream_->resume(failure))
        return true;
    stream_.reset();
    return false;
}

void RtAudioDevice::close()
{
    stream_.reset();
}

QString RtAudioDevice::failureReason() const
{
    const QString said = failed_.load(std::memory_order_acquire) ? QString::fromUtf8(reason_.data()).trimmed()
                                                                  : QString();
    return said.isEmpty() ? QStringLiteral("the device stopped") : said;
}

int RtAudioDevice::transfer(void* output, void* input, unsigned int frames, double, RtAudioStreamStatus status,
                            void* userData)
{
    auto* self = static_cast<RtAudioDevice*>(userData);
    deviceOfThisThread = self;
    const TransferFailures::Verdict verdict =
        self->failures_.nextBlock((status & (RTAUDIO_OUTPUT_UNDERFLOW | RTAUDIO_INPUT_OVERFLOW)) != 0);
    if (verdict.lost)
        self->fail({});
    bool taken = false;
    if (!output) {
        // RtAudio reads into the block it hands over next: after a failed read it holds nothing new.
        taken = self->client_->processBlock(nullptr, verdict.lastFailed ? nullptr : static_cast<const float*>(input),
                                            frames);
    } else if (frames <= self->leadIn_.blockFrames()) {
        taken = self->client_->processBlock(self->leadIn_.clientBlock(), nullptr, frames);
        if (taken)
            self->leadIn_.deliver(static_cast<float*>(output), frames);
    } else {
        taken = self->client_->processBlock(static_cast<float*>(output), nullptr, frames);
    }
    // 2: RtAudio aborts the stream, and its thread waits.
    return taken ? 0 : 2;
}

void RtAudioDevice::streamError(RtAudioError::Type type, const std::string& text)
{
    RtAudioDevice* self = deviceOfThisThread;
    // Errors of stopping and closing come on the control thread, where nothing listens.
    if (!self)
        return;
    if (type == RtAudioError::WARNING) {
        self->failures_.transferFailed();
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
