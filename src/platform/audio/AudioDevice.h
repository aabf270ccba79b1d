#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

// A sound device that exchanges blocks with a client on a thread of its own: an output
// device pulls the audio output's mix, an input device hands over what the microphone
// heard. It is the sound server's or card's stream (RtAudio), or a stand-in in tests. One
// device object serves one open stream.
class AudioDevice {
public:
    enum class Direction { Output, Input };

    // What the device exchanges its blocks with.
    class Client {
    public:
        // Device thread, never blocks: one block. An output device asks for `frames`
        // interleaved stereo frames in `output`; an input device hands over `frames` mono
        // samples in `input`, or none (null) when its last read failed. The other pointer is
        // null. False once the device has failed: the device then stops (and its thread
        // sleeps) until it is closed.
        virtual bool processBlock(float* output, const float* input, std::size_t frames) noexcept = 0;
        // Device thread, lock-free: the stream failed for good (transfers keep failing, the
        // sound server went away). Said at most once per stream.
        virtual void deviceFailed() noexcept = 0;

    protected:
        ~Client() = default;
    };

    struct Stream {
        unsigned sampleRate = 0;
        unsigned bufferFrames = 0;
        QString api;    // the sound system it goes through ("Pulse", "ALSA", ...)
        QString device; // the device's own name

        // For the log, so that a user's report says where the sound went.
        QString description() const
        {
            return QStringLiteral("%1 device \"%2\", %3 Hz, %4 frames per buffer.")
                .arg(api, device)
                .arg(sampleRate)
                .arg(bufferFrames);
        }
    };

    virtual ~AudioDevice() = default;

    // Control thread; blocks while the device opens. Opens and starts a float stream (stereo
    // out, mono in) exchanging blocks with the client, at `sampleRate` (0: the device's own
    // rate) with about `bufferFrames` frames per block. Nothing, with the reason in
    // *failure, when no device opens.
    virtual std::optional<Stream> open(Client* client, unsigned sampleRate, unsigned bufferFrames,
                                       QString* failure) = 0;
    // Control thread; blocks until the client is no longer called. Stops exchanging blocks
    // while the device stays the client's, so that a rest costs neither this process nor
    // the sound server anything; resume() goes on with the stream as it was opened. False,
    // the device playing on, where it could not start again cleanly. Harmless when paused
    // or closed.
    virtual bool pause() = 0;
    // Control thread; blocks briefly. Exchanges blocks again after pause(), at once. False,
    // with the reason in *failure, when the device went away meanwhile; it is then closed.
    virtual bool resume(QString* failure) = 0;
    // Control thread: stops and closes the stream; on return the client is no longer
    // called. Harmless when nothing is open.
    virtual void close() = 0;
    // Control thread, after deviceFailed(): what went wrong, as the device said it; never
    // empty.
    virtual QString failureReason() const = 0;
};

// Makes a new, closed device each time the output or the microphone tries to open one.
using AudioDeviceFactory = std::function<std::unique_ptr<AudioDevice>()>;
