#pragma once

#include "AudioDevice.h"

#include <QString>

#include <rtaudio/RtAudio.h>

#include <memory>
#include <optional>

// What the audio output and the microphone ask of RtAudio: one float stream on the default
// device of a direction.
struct RtAudioStreamRequest {
    bool input = false;
    unsigned channels = 2;
    unsigned sampleRate = 0;             // 0: the device's preferred rate
    unsigned fallbackSampleRate = 44100; // when the device names no preferred rate
    unsigned bufferFrames = 256;
    unsigned numberOfBuffers = 0; // 0: RtAudio's choice
    RtAudioCallback callback = nullptr;
    void* userData = nullptr;
    // Told of the stream's failures once it runs (on the stream's thread for a failed
    // write), instead of RtAudio throwing or printing them.
    RtAudioErrorCallback errorCallback = nullptr;
};

// The stream of a request, opened and closed with failures logged, never thrown. It opens
// on the first sound system that has a device, as RtAudio itself would choose; without a
// sound server that is ALSA, where it opens the "default" device (dmix, or the desktop's
// sound server), never a card directly, which other programs would then miss.
//
// Only a stream to a PulseAudio server pauses; on other sound systems it plays on (through
// ALSA's PulseAudio plugin, a stream started again underran in its first blocks and broke
// up the note). Paused, the stream is closed, for a stream that is only stopped keeps the
// server mixing for it; but the sound system, device, rate and block size it found are
// kept, so that it opens again at once without looking for them.
//
// Control thread only.
class RtAudioStream {
public:
    // `name` says in the log whose stream failed to close ("Audio output").
    RtAudioStream(const RtAudioStreamRequest& request, QString name);
    ~RtAudioStream();
    RtAudioStream(const RtAudioStream&) = delete;
    RtAudioStream& operator=(const RtAudioStream&) = delete;

    // Looks for the device and opens and starts the stream on it; what opened, or nothing
    // with the reason in *failure. Sound systems that are not there are passed over
    // without printing anything.
    std::optional<AudioDevice::Stream> open(QString* failure);
    // Closes the stream, keeping the device it is on; false when it plays on. Harmless
    // when closed.
    bool pause();
    // Opens and starts the paused stream again as it was; false, with the reason in
    // *failure and everything closed, when it no longer opens.
    bool resume(QString* failure);
    // Closes the stream and lets the device go.
    void close();

private:
    // Under the look-up lock: opens and starts the stream on the device found.
    bool start(QString* failure);
    // Closes the stream, after what it holds has played when `drain`.
    void stop(bool drain);

    const RtAudioStreamRequest request_;
    const QString name_;
    std::unique_ptr<RtAudio> device_;
    RtAudio::StreamParameters parameters_;
    RtAudio::StreamOptions options_;
    unsigned sampleRate_ = 0;
    unsigned bufferFrames_ = 0;
};
