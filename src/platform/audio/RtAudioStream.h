#pragma once

#include <QString>

#include <rtaudio/RtAudio.h>

#include <functional>
#include <memory>

// What the audio output and the microphone share of RtAudio: one float stream on the
// default device of a direction, opened and closed with failures logged, never thrown.
struct RtAudioStreamRequest {
    bool input = false;
    unsigned channels = 2;
    unsigned fallbackSampleRate = 44100; // when the device names no preferred rate
    unsigned bufferFrames = 256;
    unsigned numberOfBuffers = 0; // 0: RtAudio's choice
    RtAudioCallback callback = nullptr;
    void* userData = nullptr;
};

// Opens and starts the stream; `opened` learns its rate and buffer size before it starts.
// Null, with the reason in *failure, when no device of that direction opens.
std::unique_ptr<RtAudio> openRtAudioStream(const RtAudioStreamRequest& request,
                                           const std::function<void(unsigned sampleRate, unsigned bufferFrames)>& opened,
                                           QString* failure);

// Stops and closes the stream and drops the device; a failure is logged under the name.
void closeRtAudioStream(std::unique_ptr<RtAudio>& device, const QString& name);
