#pragma once

#include "AudioDevice.h"
#include "OutputLeadIn.h"
#include "RtAudioStream.h"
#include "TransferFailures.h"

#include <rtaudio/RtAudio.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>

// The default output or input device through RtAudio (PulseAudio, ALSA or JACK).
//
// A sound server that goes away leaves RtAudio's thread calling back without pause, every
// write or read failing at once. A run of failed transfers counts as the end of the
// device: the client hears of it, and its refusal of the next block stops RtAudio's
// thread, which then sleeps until the device is closed. An underrun or overrun is no
// failure (TransferFailures).
//
// An output stream that opens, or resumes after a pause, begins with a short silence
// (OutputLeadIn).
class RtAudioDevice final : public AudioDevice {
public:
    explicit RtAudioDevice(Direction direction);
    ~RtAudioDevice() override;

    std::optional<Stream> open(Client* client, unsigned sampleRate, unsigned bufferFrames, QString* failure) override;
    bool pause() override;
    bool resume(QString* failure) override;
    void close() override;
    QString failureReason() const override;

private:
    // The largest block an output stream leads in; RtAudio may choose a larger one than asked.
    static constexpr unsigned kLargestLeadInBlock = 4096;

    static int transfer(void* output, void* input, unsigned int frames, double streamTime, RtAudioStreamStatus status,
                        void* userData);
    static void streamError(RtAudioError::Type type, const std::string& text);
    // Stream thread, lock-free.
    void fail(const std::string& text) noexcept;
    void keepReason(const std::string& text) noexcept;

    const Direction direction_;
    std::unique_ptr<RtAudioStream> stream_;
    Client* client_ = nullptr;
    // The stream's thread, while one runs.
    TransferFailures failures_;
    OutputLeadIn leadIn_;
    std::atomic<bool> failed_{false};
    std::array<char, 256> reason_{}; // written by the stream thread before failed_ is set
};
