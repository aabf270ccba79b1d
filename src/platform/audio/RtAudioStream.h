#pragma once

#include "AudioDevice.h"

#include <QString>

#include <rtaudio/RtAudio.h>

#include <memory>

// What the audio output and the microphone share of RtAudio: one float stream on the
// default device of a direction, opened and closed with failures logged, never thrown.
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

// Opens and starts the stream on the first sound system that has a device; *opened learns
// its rate, buffer size, sound system and device. Null, with the reason in *failure, when no
// device of that direction opens or its stream does not start. Sound systems that are not
// there are passed over without printing anything.
std::unique_ptr<RtAudio> openRtAudioStream(const RtAudioStreamRequest& request, AudioDevice::Stream* opened,
                                           QString* failure);

// Stops and closes the stream and drops the device; a failure is logged under the name.
void closeRtAudioStream(std::unique_ptr<RtAudio>& device, const QString& name);
