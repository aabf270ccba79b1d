// Answer sounds from WAV files made here, in every sample format the reader takes, played
// through the offline output; and files cut short or not WAV at all.
#include "AudioOutput.h"
#include "OfflineAudio.h"
#include "Signals.h"
#include "TestEnvironment.h"
#include "ZTWaveFilePlayer.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

struct WaveFormat {
    int format; // 1 integer PCM, 3 float
    int bits;
    int channels;
    unsigned rate;
};

QByteArray encodeSample(float value, const WaveFormat& f)
{
    QByteArray bytes(f.bits / 8, '\0');
    char* out = bytes.data();
    if (f.format == 3) {
        std::memcpy(out, &value, 4);
    } else if (f.bits == 8) {
        out[0] = char(std::lround(value * 127.0f) + 128);
    } else {
        const auto scaled = std::int64_t(std::llround(double(value) * ((1LL << (f.bits - 1)) - 1)));
        for (int b = 0; b < f.bits / 8; ++b)
            out[b] = char((scaled >> (8 * b)) & 0xFF);
    }
    return bytes;
}

// A RIFF WAVE file of the interleaved samples; `cut` bytes are left off its end.
QByteArray waveFile(const std::vector<float>& interleaved, const WaveFormat& f, int cut = 0)
{
    QByteArray data;
    for (float sample : interleaved)
        data += encodeSample(sample, f);
    QByteArray file = "RIFF" + QByteArray(4, '\0') + "WAVEfmt ";
    auto append32 = [&file](quint32 v) {
        file += QByteArray(4, '\0');
        qToLittleEndian(v, file.data() + file.size() - 4);
    };
    auto append16 = [&file](quint16 v) {
        file += QByteArray(2, '\0');
        qToLittleEndian(v, file.data() + file.size() - 2);
    };
    append32(16);
    append16(quint16(f.format));
    append16(quint16(f.channels));
    append32(f.rate);
    append32(f.rate * quint32(f.channels * f.bits / 8));
    append16(quint16(f.channels * f.bits / 8));
    append16(quint16(f.bits));
    file += "data";
    append32(quint32(data.size()));
    file += data;
    qToLittleEndian(quint32(file.size() - 8), file.data() + 4);
    return file.left(file.size() - cut);
}

class WaveFileTest : public ::testing::Test {
protected:
    void SetUp() override { AudioOutput::sharedOutput()->useOfflineRendering(); }

    TestEnvironment env;
    ManualMainQueue queue;
};

} // namespace

TEST_F(WaveFileTest, EverySampleFormatPlaysItsOwnSamples)
{
    // Stereo files carry 440 Hz on the left and its inverse, half as loud, on the right.
    const std::size_t frames = 2000;
    const std::vector<float> tone = sineWave(440, 44100, frames, 0.8);
    const WaveFormat formats[] = {{1, 8, 1, 44100},  {1, 16, 1, 44100}, {1, 24, 2, 44100}, {1, 32, 2, 44100},
                                  {3, 32, 1, 44100}, {3, 32, 2, 44100}, {1, 16, 2, 44100}};
    for (const WaveFormat& f : formats) {
        SCOPED_TRACE(testing::Message() << "format " << f.format << ", " << f.bits << " bits, " << f.channels
                                        << " channels");
        std::vector<float> interleaved;
        for (float sample : tone) {
            interleaved.push_back(sample);
            if (f.channels == 2)
                interleaved.push_back(-sample / 2);
        }
        const QString path = env.writeFile("tone.wav", waveFile(interleaved, f));
        ZTWaveFilePlayer player;
        player.playSoundFile(path, 0.5f);
        ASSERT_EQ(player.activeSoundCount(), 1u);
        const std::vector<float> mix = renderStereoFrames(frames + 10);
        const float tolerance = f.bits == 8 ? 0.01f : 1e-4f;
        for (std::size_t i = 0; i < frames; ++i) {
            ASSERT_NEAR(mix[2 * i], 0.5f * tone[i], tolerance) << i;
            ASSERT_NEAR(mix[2 * i + 1], 0.5f * (f.channels == 2 ? -tone[i] / 2 : tone[i]), tolerance) << i;
        }
        EXPECT_EQ(mix[2 * frames + 2], 0.0f) << "and nothing after the end";
    }
}

TEST_F(WaveFileTest, ALowerRatePlaysAtItsOwnPitch)
{
    // 22.05 kHz mixed into 44.1 kHz: the tone keeps its 441 Hz, a period of 100 output frames.
    const std::vector<float> tone = sineWave(441, 22050, 4410, 0.5);
    const QString path = env.writeFile("low.wav", waveFile(tone, {1, 16, 1, 22050}));
    ZTWaveFilePlayer player;
    player.playSoundFile(path, 1.0f);
    const std::vector<float> mix = renderStereoFrames(8820);
    for (std::size_t k = 0; k < 8800; k += 7)
        ASSERT_NEAR(mix[2 * k], 0.5f * std::sin(2 * M_PI * 441.0 * double(k) / 44100.0), 0.01) << k;
}

TEST_F(WaveFileTest, TruncatedFilesPlayWhatIsThereAndGarbageIsRefused)
{
    const std::vector<float> tone = sineWave(440, 44100, 1000, 0.5);
    // The data chunk claims 2000 bytes; 1001 arrive, the last of them half a sample.
    const QString truncated = env.writeFile("cut.wav", waveFile(tone, {1, 16, 1, 44100}, 999));
    const auto sound = ZTWaveFilePlayer::readWaveFile(truncated);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->frameCount(), 500u);
    ZTWaveFilePlayer player;
    player.playSoundFile(truncated, 1.0f);
    EXPECT_EQ(player.activeSoundCount(), 1u);

    LogCapture log;
    QByteArray noise(5000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919) % 251);
    const QString garbage = env.writeFile("noise.wav", noise);
    QString error;
    EXPECT_FALSE(ZTWaveFilePlayer::readWaveFile(garbage, &error));
    EXPECT_EQ(error, "not a RIFF WAVE file");
    // Header only: the format chunk is cut off before its data chunk.
    const QString headerOnly = env.writeFile("header.wav", waveFile(tone, {1, 16, 1, 44100}).left(30));
    EXPECT_FALSE(ZTWaveFilePlayer::readWaveFile(headerOnly, &error));
    EXPECT_FALSE(ZTWaveFilePlayer::readWaveFile(env.root() + "/missing.wav", &error));

    ZTWaveFilePlayer other;
    other.playSoundFile(garbage, 1.0f);
    other.playSoundFile(headerOnly, 1.0f);
    EXPECT_EQ(other.activeSoundCount(), 0u);
    EXPECT_TRUE(log.contains("noise.wav")) << log.lines().join('\n').toStdString();
    EXPECT_TRUE(log.contains("header.wav"));
}
