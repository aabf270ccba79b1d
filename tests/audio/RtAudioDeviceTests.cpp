// What the device asks of RtAudio, checked without opening a stream.
#include "AudioOutput.h"
#include "RtAudioDevice.h"

#include <gtest/gtest.h>

TEST(RtAudioDevice, AnOutputStreamHoldsEnoughAheadForABusyDesktopAndAKeySoundsWithinThirtyThreeMilliseconds)
{
    for (const unsigned rate : {44100u, 48000u}) {
        const RtAudioStreamRequest output = RtAudioDevice::streamRequest(AudioDevice::Direction::Output, rate,
                                                                         AudioOutput::kPreferredBufferFrames);
        EXPECT_FALSE(output.input);
        EXPECT_EQ(output.channels, 2u);
        EXPECT_EQ(output.sampleRate, rate);
        EXPECT_EQ(output.bufferFrames, AudioOutput::kPreferredBufferFrames) << "blocks stay short; there are more";
        const double aheadMs = 1000.0 * output.numberOfBuffers * output.bufferFrames / rate;
        const double leadInMs = 1000.0 * OutputLeadIn::kFrames / rate;
        // Enough that a busy desktop does not drain it...
        EXPECT_GE(aheadMs, 25.0) << rate;
        // ...and a key, behind the lead-in too, sounds about as soon as a player expects:
        // five blocks take 31.9 ms at 44.1 kHz, a sixth 34.7 ms even at 48 kHz.
        EXPECT_LE(aheadMs + leadInMs, 33.0) << rate;
        EXPECT_NE(output.callback, nullptr);
        EXPECT_NE(output.errorCallback, nullptr);
    }
}

TEST(RtAudioDevice, AnInputStreamTakesRtAudiosChoiceOfBuffersOnOneChannel)
{
    const RtAudioStreamRequest input = RtAudioDevice::streamRequest(AudioDevice::Direction::Input, 0, 256);
    EXPECT_TRUE(input.input);
    EXPECT_EQ(input.channels, 1u);
    EXPECT_EQ(input.sampleRate, 0u) << "the device's own rate";
    EXPECT_EQ(input.numberOfBuffers, 0u);
}
