#pragma once

#include "AudioInput.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <utility>

// The process's microphone in tests and benchmarks: the shared input opens stand-in devices
// of one rate (none: a machine without a microphone) that have no thread; the test hands
// their samples in itself, on its own thread, as the capture thread would.
class HandFedMicrophone {
public:
    // Main thread: from now on the shared input opens hand-fed devices of this rate; a rate
    // of 0 stands for a machine without one. Closes the open input and unregisters every sink.
    static void use(unsigned sampleRate)
    {
        AudioInput::sharedInput()->useDevices([sampleRate] { return std::make_unique<Device>(sampleRate); });
        opens_ = 0;
    }
    // One thread at a time: hands the samples to every sink. False while no device is open,
    // or once the open one has failed.
    static bool deliver(const float* samples, std::size_t frames)
    {
        AudioDevice::Client* client = client_.load();
        return client && samples && client->processBlock(nullptr, samples, frames);
    }
    // The open device fails as a device whose sound server went away.
    static void lose()
    {
        if (AudioDevice::Client* client = client_.load())
            client->deviceFailed();
    }
    // How often a device has been opened since use().
    static unsigned opens() { return opens_.load(); }

private:
    class Device final : public AudioDevice {
    public:
        explicit Device(unsigned sampleRate) : sampleRate_(sampleRate) {}

        std::optional<Stream> open(Client* client, unsigned, unsigned bufferFrames, QString* failure) override
        {
            if (sampleRate_ == 0) {
                *failure = QStringLiteral("no audio input device");
                return std::nullopt;
            }
            open_ = true;
            client_ = client;
            ++opens_;
            return Stream{sampleRate_, bufferFrames, QStringLiteral("Fake"), QStringLiteral("Test Microphone")};
        }
        // A microphone is never paused.
        bool pause() override { return false; }
        bool resume(QString*) override { return open_; }
        void close() override
        {
            if (std::exchange(open_, false))
                client_ = nullptr;
        }
        QString failureReason() const override { return QStringLiteral("the fake device went away"); }

    private:
        const unsigned sampleRate_;
        bool open_ = false;
    };

    // The open device's client; null while none is open.
    static inline std::atomic<AudioDevice::Client*> client_{nullptr};
    static inline std::atomic<unsigned> opens_{0};
};
