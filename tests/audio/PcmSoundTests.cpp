// Sound data read from files, bounded, and played once through the offline output at its
// own rate.
#include "AudioOutput.h"
#include "OfflineAudio.h"
#include "PcmSound.h"
#include "PcmSoundPlayer.h"
#include "TestEnvironment.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<char> int16Bytes(std::initializer_list<qint16> samples)
{
    std::vector<char> bytes(samples.size() * 2);
    std::size_t i = 0;
    for (qint16 sample : samples)
        qToLittleEndian(sample, bytes.data() + 2 * i++);
    return bytes;
}

} // namespace

TEST(PcmSound, ChannelsAndEncodingsBecomeStereoFloats)
{
    const auto mono = int16Bytes({16384, -32768, 1});
    auto sound = PcmSound::fromInterleaved(mono.data(), mono.size(), 1, PcmSound::Encoding::Signed16, 22050);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->sampleRate, 22050u);
    EXPECT_EQ(sound->frames, (std::vector<float>{0.5f, 0.5f, -1.0f, -1.0f, 1 / 32768.0f, 1 / 32768.0f}));

    // Three channels keep the first two; the odd trailing byte is no frame.
    auto bytes = int16Bytes({100, 200, 300, 400, 500, 600});
    bytes.push_back('x');
    sound = PcmSound::fromInterleaved(bytes.data(), bytes.size(), 3, PcmSound::Encoding::Signed16, 8000);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->frameCount(), 2u);
    EXPECT_FLOAT_EQ(sound->frames[2], 400 / 32768.0f);
    EXPECT_FLOAT_EQ(sound->frames[3], 500 / 32768.0f);

    const unsigned char u8[] = {0, 128, 255};
    sound = PcmSound::fromInterleaved(reinterpret_cast<const char*>(u8), 3, 1, PcmSound::Encoding::Unsigned8, 8000);
    EXPECT_EQ(sound->frames[0], -1.0f);
    EXPECT_EQ(sound->frames[2], 0.0f);
    EXPECT_NEAR(sound->frames[4], 1.0f, 0.01f);

    const unsigned char s24[] = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F};
    sound = PcmSound::fromInterleaved(reinterpret_cast<const char*>(s24), 6, 2, PcmSound::Encoding::Signed24, 8000);
    EXPECT_EQ(sound->frames[0], -1.0f);
    EXPECT_NEAR(sound->frames[1], 1.0f, 1e-6f);

    // Floats that are not numbers play as silence.
    const float floats[] = {0.25f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()};
    sound = PcmSound::fromInterleaved(reinterpret_cast<const char*>(floats), sizeof floats, 1,
                                      PcmSound::Encoding::Float32, 48000);
    EXPECT_EQ(sound->frames, (std::vector<float>{0.25f, 0.25f, 0, 0, 0, 0}));
}

TEST(PcmSound, RatesChannelsAndLengthsAreBounded)
{
    const auto bytes = int16Bytes({1, 2, 3, 4});
    QString error;
    for (double rate : {0.0, 7999.0, 192001.0, 44100.5, -44100.0}) {
        EXPECT_FALSE(PcmSound::fromInterleaved(bytes.data(), bytes.size(), 1, PcmSound::Encoding::Signed16, rate, &error))
            << rate;
        EXPECT_TRUE(error.contains("sample rate")) << error.toStdString();
    }
    EXPECT_TRUE(PcmSound::fromInterleaved(bytes.data(), bytes.size(), 1, PcmSound::Encoding::Signed16, 8000));
    EXPECT_TRUE(PcmSound::fromInterleaved(bytes.data(), bytes.size(), 1, PcmSound::Encoding::Signed16, 192000));
    EXPECT_FALSE(PcmSound::fromInterleaved(bytes.data(), bytes.size(), 0, PcmSound::Encoding::Signed16, 44100));
    EXPECT_FALSE(PcmSound::fromInterleaved(bytes.data(), bytes.size(), 33, PcmSound::Encoding::Signed16, 44100));

    // Too many frames is refused before anything is allocated for them.
    std::vector<char> huge((PcmSound::kMaxFrames + 1), 0);
    EXPECT_FALSE(PcmSound::fromInterleaved(huge.data(), huge.size(), 1, PcmSound::Encoding::Unsigned8, 44100, &error));
    EXPECT_TRUE(error.contains("too long")) << error.toStdString();
    EXPECT_TRUE(PcmSound::fromInterleaved(huge.data(), huge.size() - 1, 1, PcmSound::Encoding::Unsigned8, 44100));
}

TEST(PcmSoundPlayer, PlaysAtTheOutputRateOnceAndStopsAtOnce)
{
    TestEnvironment env;
    ManualMainQueue queue;
    AudioOutput::sharedOutput()->useOfflineRendering();
    PcmSoundPlayer player;

    // 11025 Hz into 44.1 kHz: four output frames per source frame, interpolated between them.
    PcmSound ramp;
    ramp.sampleRate = 11025;
    ramp.frames = {0.0f, 0.0f, 0.4f, -0.4f, 0.8f, -0.8f};
    ASSERT_TRUE(player.play(ramp, 0.5f));
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(AudioOutput::sharedOutput()->isSounding());
    const std::vector<float> mix = renderStereoFrames(16);
    for (std::size_t k = 0; k < 9; ++k) {
        EXPECT_FLOAT_EQ(mix[2 * k], 0.5f * 0.1f * float(k)) << k;
        EXPECT_FLOAT_EQ(mix[2 * k + 1], -0.5f * 0.1f * float(k)) << k;
    }
    // The last source frame is held until its span ends, then silence.
    EXPECT_FLOAT_EQ(mix[2 * 11], 0.4f);
    EXPECT_EQ(mix[2 * 12], 0.0f);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(AudioOutput::sharedOutput()->isSounding()) << "a null device may rest now";
    queue.advance(1.5);
    EXPECT_EQ(player.activeSoundCount(), 0u) << "a finished sound leaves the output";

    ASSERT_TRUE(player.play(ramp, 1.0f));
    ASSERT_TRUE(player.play(ramp, 1.0f));
    EXPECT_EQ(player.activeSoundCount(), 2u);
    player.stopAll();
    EXPECT_EQ(player.activeSoundCount(), 0u);
    EXPECT_EQ(renderStereoFrames(4), std::vector<float>(8, 0.0f));

    EXPECT_TRUE(player.play(PcmSound{}, 1.0f)) << "an empty sound starts nothing";
    EXPECT_EQ(player.activeSoundCount(), 0u);
}
