#pragma once

#include "AudioDevice.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// A sound server for tests of the audio output and the microphone. While it runs, a stream
// opened on it exchanges blocks on a thread of its own, as a device does, but only as many
// as the test asks for: an output stream pulls the mix, an input stream hands over blocks
// of the input level. Stopping it fails the open stream the way a sound server's client
// fails when the server goes away: the stream's thread calls back again and again without
// pause, every transfer failing (an input stream then hands over nothing), and reports the
// failure once, until the client refuses a block. A paused stream exchanges nothing; it
// resumes only while the server runs.
//
// A pause the test holds stays under way until it is let go, the stream exchanging blocks
// meanwhile; as with RtAudio's PulseAudio stream, which renders a block before it looks at
// its state, and whose pause flushes what was written, those blocks are never heard. A held
// pause that the server then refuses throws nothing away.
class FakeSoundServer : public std::enable_shared_from_this<FakeSoundServer> {
public:
    static constexpr unsigned kOwnRate = 48000;

    // Devices on this server, for an output or an input of the test's own.
    AudioDeviceFactory deviceFactory(AudioDevice::Direction direction)
    {
        std::weak_ptr<FakeSoundServer> server = weak_from_this();
        return [server, direction]() -> std::unique_ptr<AudioDevice> {
            return std::make_unique<Device>(server.lock(), direction);
        };
    }

    void start() { setRunning(true); }
    // Whether its streams pause when asked (a sound system on which they would not start
    // again cleanly plays on).
    void setPausable(bool pausable)
    {
        std::lock_guard lock(mutex_);
        pausable_ = pausable;
    }
    void stop() { setRunning(false); }
    // The next pause waits, once asked for, until letPauseGo(); then it pauses, or is
    // refused when the server does not pause.
    void holdNextPause()
    {
        std::lock_guard lock(mutex_);
        holdingPause_ = true;
    }
    // Whether a held pause has been asked for and waits.
    bool isPauseHeld() const { return read(pauseHeld_); }
    void letPauseGo()
    {
        std::lock_guard lock(mutex_);
        pauseHeld_ = false;
        changed_.notify_all();
    }
    // What an input stream hears: every sample of its blocks.
    void setInputLevel(float level)
    {
        std::lock_guard lock(mutex_);
        inputLevel_ = level;
    }

    // Test thread: lets the open stream exchange that many blocks and waits until it has;
    // false when no stream runs.
    bool pull(int blocks)
    {
        std::unique_lock lock(mutex_);
        if (!streaming())
            return false;
        const int target = pulled_ + blocks;
        wanted_ += blocks;
        changed_.notify_all();
        // A block in exchange when the stream paused still counts.
        changed_.wait(lock, [&] { return pulled_ >= target || (!streaming() && !exchanging_); });
        return pulled_ >= target;
    }

    // Whether a stream is open and not paused.
    bool isStreaming() const
    {
        std::lock_guard lock(mutex_);
        return streaming();
    }
    int opens() const { return read(opens_); }
    int refusedOpens() const { return read(refusedOpens_); }
    int pauses() const { return read(pauses_); }
    int refusedPauses() const { return read(refusedPauses_); }
    int resumes() const { return read(resumes_); }
    int pulled() const { return read(pulled_); }
    int pullsAfterFailure() const { return read(pullsAfterFailure_); }
    int thrownAway() const { return read(thrownAway_); }
    std::vector<float> lastBlock() const { return read(lastBlock_); }

private:
    class Device final : public AudioDevice {
    public:
        Device(std::shared_ptr<FakeSoundServer> server, Direction direction)
            : server_(std::move(server))
            , direction_(direction)
        {
        }
        ~Device() override { close(); }

        std::optional<Stream> open(Client* client, unsigned sampleRate, unsigned bufferFrames,
                                   QString* failure) override
        {
            std::lock_guard lock(server_->mutex_);
            if (!server_->running_) {
                ++server_->refusedOpens_;
                *failure = QStringLiteral("connection refused");
                return std::nullopt;
            }
            ++server_->opens_;
            server_->open_ = this;
            client_ = client;
            frames_ = bufferFrames;
            thread_ = std::thread([this] { run(); });
            return Stream{sampleRate ? sampleRate : kOwnRate, bufferFrames, QStringLiteral("Fake"),
                          direction_ == Direction::Output ? QStringLiteral("Test Speakers")
                                                          : QStringLiteral("Test Microphone")};
        }

        bool pause() override
        {
            {
                std::unique_lock lock(server_->mutex_);
                if (std::exchange(server_->holdingPause_, false)) {
                    server_->pauseHeld_ = true;
                    server_->changed_.wait(lock, [this] { return !server_->pauseHeld_; });
                }
                if (!server_->pausable_) {
                    ++server_->refusedPauses_;
                    return false;
                }
                if (paused_ || closing_)
                    return true;
                paused_ = true;
                ++server_->pauses_;
                // What the test asked for and did not get dies with the pause.
                server_->wanted_ = 0;
            }
            server_->changed_.notify_all();
            thread_.join();
            return true;
        }

        bool resume(QString* failure) override
        {
            {
                std::lock_guard lock(server_->mutex_);
                if (!paused_)
                    return true;
                if (!server_->running_) {
                    *failure = QStringLiteral("connection refused");
                    ++server_->refusedOpens_;
                } else {
                    paused_ = false;
                    ++server_->resumes_;
                    thread_ = std::thread([this] { run(); });
                    return true;
                }
            }
            close();
            return false;
        }

        void close() override
        {
            {
                std::lock_guard lock(server_->mutex_);
                closing_ = true;
                if (server_->open_ == this)
                    server_->open_ = nullptr;
            }
            server_->changed_.notify_all();
            if (thread_.joinable())
                thread_.join();
        }

        bool isPaused() const { return paused_; }

        QString failureReason() const override { return QStringLiteral("the server went away"); }

    private:
        void run()
        {
            FakeSoundServer& server = *server_;
            std::vector<float> block(std::size_t(frames_) * 2);
            std::unique_lock lock(server.mutex_);
            bool failureReported = false;
            while (!closing_ && !paused_ && !refused_) {
                if (!server.running_) {
                    ++server.pullsAfterFailure_;
                    lock.unlock();
                    refused_ = !transfer(block, nullptr);
                    if (!refused_ && !std::exchange(failureReported, true))
                        client_->deviceFailed();
                    lock.lock();
                    server.changed_.notify_all();
                } else if (server.wanted_ > 0) {
                    --server.wanted_;
                    server.exchanging_ = true;
                    std::fill(block.begin(), block.end(), server.inputLevel_);
                    lock.unlock();
                    refused_ = !transfer(block, block.data());
                    lock.lock();
                    if (server.pauseHeld_ && server.pausable_)
                        ++server.thrownAway_;
                    else
                        server.lastBlock_ = block;
                    ++server.pulled_;
                    server.exchanging_ = false;
                    server.changed_.notify_all();
                } else {
                    server.changed_.wait(lock);
                }
            }
            // A refused block stops the stream: its thread sleeps until it is closed.
            server.changed_.wait(lock, [this] { return closing_ || paused_; });
        }

        // One block with the client: the output's mix into the block, or what was heard.
        bool transfer(std::vector<float>& block, const float* heard)
        {
            if (direction_ == Direction::Output)
                return client_->processBlock(block.data(), nullptr, frames_);
            return client_->processBlock(nullptr, heard, frames_);
        }

        std::shared_ptr<FakeSoundServer> server_;
        const Direction direction_;
        Client* client_ = nullptr;
        unsigned frames_ = 0;
        std::thread thread_;
        bool closing_ = false; // under the server's mutex
        bool paused_ = false;  // under the server's mutex
        bool refused_ = false; // the stream's thread
    };

    void setRunning(bool running)
    {
        std::lock_guard lock(mutex_);
        running_ = running;
        changed_.notify_all();
    }

    bool streaming() const { return open_ && running_ && !open_->isPaused(); }

    template <typename T>
    T read(const T& field) const
    {
        std::lock_guard lock(mutex_);
        return field;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool running_ = false;
    bool pausable_ = true;
    Device* open_ = nullptr;
    int opens_ = 0;
    int refusedOpens_ = 0;
    int pauses_ = 0;
    int refusedPauses_ = 0;
    int resumes_ = 0;
    int wanted_ = 0;
    int pulled_ = 0;
    bool exchanging_ = false; // a wanted block is with the client
    int pullsAfterFailure_ = 0;
    bool holdingPause_ = false; // the next pause is held
    bool pauseHeld_ = false;    // a pause waits for the test
    int thrownAway_ = 0;
    float inputLevel_ = 0.0f;
    std::vector<float> lastBlock_;
};
