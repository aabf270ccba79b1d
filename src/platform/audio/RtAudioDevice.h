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

    // What open() asks of RtAudio for a stream of the direction, but the user data.
    static RtAudioStreamRequest streamRequest(Direction direction, unsigned sampleRate, unsigned bufferFrames);

    std::optional<Stream> open(Client* client, unsigned sampleRate, unsigned bufferFrames, QString* failure) override;
    bool pause() override;
    bool resume(QString* failure) override;
    void close() override;
    QString failureReason() const override;

    // Blocks of an output stream that the sound server holds ahead of what it plays: with
    // blocks of 256 frames, 29.0 ms at 44.1 kHz and 26.7 ms at 48 kHz. A desktop busy with
    // other work leaves the stream's threads waiting for a processor for several milliseconds
    // at a time; with two blocks held notes broke up into runs of silence then. A key pressed
    // while the stream plays waits behind these blocks and the lead-in (128 frames): 31.9 ms
    // at 44.1 kHz, 29.3 ms at 48 kHz. A sixth block would make that 37.7 and 34.7 ms. RtAudio's
    // real-time scheduling is not asked for: each block also passes through the PulseAudio
    // client library's own thread, which it leaves as it is, and held notes broke up more
    // often with it.
    static constexpr unsigned kOutputBuffers = 5;

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
