#pragma once

#include <QString>

#include <cstddef>
#include <optional>

// A sound device that pulls the audio output's mix block by block on a thread of its own:
// the sound server's or card's stream (RtAudio), or a stand-in in tests. One device object
// serves one open stream.
class AudioOutputDevice {
public:
    // What the device pulls its blocks from.
    class Client {
    public:
        // Device thread, never blocks: fills the next block of interleaved stereo frames.
        // False once the device has failed: the device then stops pulling (and its thread
        // sleeps) until it is closed.
        virtual bool pullBlock(float* interleavedStereo, std::size_t frames) noexcept = 0;
        // Device thread, lock-free: the stream failed for good (writes to the device keep
        // failing, the sound server went away). Said at most once per stream.
        virtual void deviceFailed() noexcept = 0;

    protected:
        ~Client() = default;
    };

    struct Stream {
        unsigned sampleRate = 0;
        unsigned bufferFrames = 0;
        QString api;    // the sound system it goes through ("Pulse", "ALSA", ...)
        QString device; // the device's own name
    };

    virtual ~AudioOutputDevice() = default;

    // Control thread; blocks while the device opens. Opens and starts a stereo float
    // stream pulling from the client, at `sampleRate` (0: the device's own rate) with about
    // `bufferFrames` frames per block. Nothing, with the reason in *failure, when no
    // device opens.
    virtual std::optional<Stream> open(Client* client, unsigned sampleRate, unsigned bufferFrames,
                                       QString* failure) = 0;
    // Control thread: stops and closes the stream; on return the client is no longer
    // called. Harmless when nothing is open.
    virtual void close() = 0;
    // Control thread, after deviceFailed(): what went wrong, as the device said it.
    virtual QString failureReason() const = 0;
};
