#pragma once

#include "AudioOutputDevice.h"

#include <rtaudio/RtAudio.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>

// The default output device through RtAudio (PulseAudio, ALSA or JACK).
//
// A sound server that goes away leaves RtAudio's thread calling back without pause, every
// write failing at once. A run of failed writes counts as the end of the device: the
// client hears of it, and its refusal of the next block stops RtAudio's thread, which then
// sleeps until the device is closed. A single failed write (an underrun) is not an end.
class RtAudioOutputDevice final : public AudioOutputDevice {
public:
    static constexpr int kFailedWritesForLoss = 3;

    ~RtAudioOutputDevice() override;

    std::optional<Stream> open(Client* client, unsigned sampleRate, unsigned bufferFrames, QString* failure) override;
    void close() override;
    QString failureReason() const override;

private:
    static int render(void* output, void* input, unsigned int frames, double streamTime, RtAudioStreamStatus status,
                      void* userData);
    static void streamError(RtAudioError::Type type, const std::string& text);
    // Stream thread, lock-free.
    void fail(const std::string& text) noexcept;
    void keepReason(const std::string& text) noexcept;

    std::unique_ptr<RtAudio> stream_;
    Client* client_ = nullptr;
    // Stream thread only.
    bool writeFailed_ = false;
    int failedWritesInARow_ = 0;
    std::atomic<bool> failed_{false};
    std::array<char, 256> reason_{}; // written by the stream thread before failed_ is set
};
