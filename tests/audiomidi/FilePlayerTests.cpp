// The raw PCM and Ogg Vorbis players on files made here, played through the offline output.
#include "AudioMidiTestSupport.h"
#include "OggVorbisDecoder.h"
#include "OfflineAudio.h"
#include "OggVorbisWriter.h"
#include "QVOggPlayer.h"
#include "QVPCMFilePlayer.h"
#include "Signals.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cmath>

namespace {

class FilePlayerTest : public AudioMidiTest {
protected:
    static QByteArray pcm16(const std::vector<float>& samples)
    {
        QByteArray bytes(qsizetype(samples.size() * 2), '\0');
        for (std::size_t i = 0; i < samples.size(); ++i)
            qToLittleEndian(qint16(std::lround(samples[i] * 32767.0f)), bytes.data() + 2 * i);
        return bytes;
    }

    // Stereo frames of the output at 44.1 kHz.
    static std::vector<float> render(double seconds)
    {
        return renderStereoFrames(std::size_t(seconds * 44100));
    }

    // Frames up to the last one that sounds on either side.
    static std::size_t soundingFrames(const std::vector<float>& mix)
    {
        for (std::size_t i = mix.size(); i > 0; --i)
            if (std::abs(mix[i - 1]) > 1e-4f)
                return (i + 1) / 2;
        return 0;
    }

    // The frequency of one side between two frames, from its rising zero crossings.
    static double frequencyOf(const std::vector<float>& mix, int side, std::size_t from, std::size_t to)
    {
        double first = -1, last = -1;
        int crossings = 0;
        for (std::size_t k = from + 1; k < to; ++k) {
            const float a = mix[2 * (k - 1) + side], b = mix[2 * k + side];
            if (a < 0 && b >= 0) {
                const double at = double(k - 1) + a / (a - b);
                if (first < 0)
                    first = at;
                last = at;
                ++crossings;
            }
        }
        return crossings > 1 ? (crossings - 1) * 44100.0 / (last - first) : 0.0;
    }

    QStringList temporaryFiles() const { return QDir(environment.root() + "/tmp").entryList(QDir::Files); }
};

} // namespace

TEST_F(FilePlayerTest, OneSecondOfMonoPcmPlaysForOneSecondOnBothSides)
{
    const std::vector<float> tone = sineWave(440, 44100, 44100, 0.5);
    const QString path = environment.writeFile("tone.raw", pcm16(tone));
    ASSERT_EQ(QFileInfo(path).size(), 88200);
    QVPCMFilePlayer player;
    EXPECT_EQ(player.volume(), 1.0);
    ASSERT_TRUE(player.playFileWithPath(path, 1, 44100, 16));
    EXPECT_TRUE(player.isPlaying());
    const std::vector<float> mix = render(1.2);
    EXPECT_NEAR(double(soundingFrames(mix)), 44100.0, 2.0);
    for (std::size_t k = 0; k < 44100; k += 97) {
        ASSERT_NEAR(mix[2 * k], tone[k], 1e-4f) << k;
        ASSERT_EQ(mix[2 * k + 1], mix[2 * k]) << k;
    }
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(FilePlayerTest, StereoPcmPlaysItsTwoChannelsAtItsOwnRate)
{
    // 22.05 kHz stereo: 440 Hz on the left, 660 Hz on the right, 0.5 s.
    const std::vector<float> left = sineWave(440, 22050, 11025), right = sineWave(660, 22050, 11025);
    std::vector<float> interleaved;
    for (std::size_t i = 0; i < left.size(); ++i) {
        interleaved.push_back(left[i]);
        interleaved.push_back(right[i]);
    }
    QVPCMFilePlayer player;
    ASSERT_TRUE(player.playFileWithPath(environment.writeFile("stereo.raw", pcm16(interleaved)), 2, 22050, 16));
    const std::vector<float> mix = render(0.7);
    EXPECT_NEAR(double(soundingFrames(mix)), 22050.0, 4.0);
    EXPECT_NEAR(frequencyOf(mix, 0, 0, 22000), 440.0, 0.5);
    EXPECT_NEAR(frequencyOf(mix, 1, 0, 22000), 660.0, 0.5);
}

TEST_F(FilePlayerTest, PcmPlaybackEndsAtOnceAndOnlyOneSoundPlays)
{
    const QString low = environment.writeFile("low.raw", pcm16(sineWave(220, 44100, 44100, 0.25)));
    const QString high = environment.writeFile("high.raw", pcm16(sineWave(880, 44100, 44100, 0.25)));
    QVPCMFilePlayer player;
    ASSERT_TRUE(player.playFileWithPath(low, 1, 44100, 16));
    render(0.1);
    // A new file replaces the one that plays; its volume was set while the first played.
    player.setVolume(0.5);
    ASSERT_TRUE(player.playFileWithPath(high, 1, 44100, 16));
    std::vector<float> mix = render(0.2);
    EXPECT_NEAR(frequencyOf(mix, 0, 0, mix.size() / 2), 880.0, 1.0);
    float peak = 0;
    for (float sample : mix)
        peak = std::max(peak, std::abs(sample));
    EXPECT_NEAR(peak, 0.125f, 0.002f);

    player.stop();
    EXPECT_FALSE(player.isPlaying());
    mix = render(0.1);
    EXPECT_EQ(soundingFrames(mix), 0u);
    player.stop(); // nothing left: harmless
}

TEST_F(FilePlayerTest, BadPcmFilesAndFormatsAreErrorsNotTheEnd)
{
    QVPCMFilePlayer player;
    QString error;
    LogCapture log;
    EXPECT_FALSE(player.playbuffer(nullptr, 0, &error)) << "no format before the first file";
    EXPECT_FALSE(player.playFileWithPath(environment.root() + "/missing.raw", 1, 44100, 16, &error));
    EXPECT_TRUE(error.contains("missing.raw")) << error.toStdString();
    EXPECT_TRUE(log.contains("missing.raw"));

    const QString path = environment.writeFile("short.raw", pcm16({0.1f, 0.2f, 0.3f}));
    EXPECT_FALSE(player.playFileWithPath(path, 1, 4000, 16, &error));
    EXPECT_TRUE(error.contains("sample rate")) << error.toStdString();
    EXPECT_FALSE(player.playFileWithPath(path, 1, 250000, 16));
    EXPECT_FALSE(player.playFileWithPath(path, 0, 44100, 16));
    EXPECT_FALSE(player.playFileWithPath(path, 1, 44100, 8, &error));
    EXPECT_TRUE(error.contains("8-bit")) << error.toStdString();
    EXPECT_FALSE(player.isPlaying());

    // An empty file, and a file of one odd byte, start no sound.
    EXPECT_TRUE(player.playFileWithPath(environment.writeFile("empty.raw", {}), 1, 44100, 16));
    EXPECT_TRUE(player.playFileWithPath(environment.writeFile("odd.raw", "x"), 1, 44100, 16));
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(soundingFrames(render(0.1)), 0u);
}

TEST_F(FilePlayerTest, MonoOggPlaysAtItsOwnRateOnBothSidesAndLeavesNoTemporaryFile)
{
    const QString path = environment.writeFile("mono.ogg", oggVorbisFile({sineWave(440, 22050, 22050)}, 22050, 7,
                                                         {"TITLE=Test tone", "ARTIST=Melvora"}));
    QVOggPlayer player;
    LogCapture log;
    ASSERT_TRUE(player.playOggFileWithPath(path));
    EXPECT_TRUE(log.contains("TITLE=Test tone"));
    EXPECT_TRUE(log.contains("ARTIST=Melvora"));
    EXPECT_TRUE(log.contains("Done."));
    EXPECT_TRUE(temporaryFiles().isEmpty()) << temporaryFiles().join(' ').toStdString();

    const std::vector<float> mix = render(1.3);
    EXPECT_NEAR(double(soundingFrames(mix)), 44100.0, 300.0);
    EXPECT_NEAR(frequencyOf(mix, 0, 4410, 40000), 440.0, 0.5);
    for (std::size_t k = 0; k < 44100; k += 101)
        ASSERT_EQ(mix[2 * k], mix[2 * k + 1]) << k;
}

TEST_F(FilePlayerTest, StereoOggPlaysWithItsRealChannels)
{
    const std::vector<float> left = sineWave(440, 44100, 44100), right = sineWave(660, 44100, 44100, 0.3);
    QVOggPlayer player;
    ASSERT_TRUE(player.playOggFileWithPath(environment.writeFile("stereo.ogg", oggVorbisFile({left, right}, 44100))));
    const std::vector<float> mix = render(1.3);
    // Not twice as long, as two channels read as one would be.
    EXPECT_NEAR(double(soundingFrames(mix)), 44100.0, 300.0);
    EXPECT_NEAR(frequencyOf(mix, 0, 4410, 40000), 440.0, 0.5);
    EXPECT_NEAR(frequencyOf(mix, 1, 4410, 40000), 660.0, 0.5);
}

TEST_F(FilePlayerTest, ChainedOggPlaysItsStreamsInTurnAndSkipsOnesAtAnotherRate)
{
    const QByteArray first = oggVorbisFile({sineWave(440, 22050, 11025)}, 22050, 1);
    const QByteArray second = oggVorbisFile({sineWave(660, 22050, 11025), sineWave(660, 22050, 11025)}, 22050, 2);
    const QByteArray faster = oggVorbisFile({sineWave(880, 44100, 22050)}, 44100, 3);
    QVOggPlayer player;
    LogCapture log;
    ASSERT_TRUE(player.playOggFileWithPath(environment.writeFile("chain.ogg", first + faster + second)));
    EXPECT_TRUE(log.contains("Skipping a chained Vorbis stream at 44100 Hz in a file at 22050 Hz."));
    const std::vector<float> mix = render(1.3);
    EXPECT_NEAR(double(soundingFrames(mix)), 44100.0, 600.0);
    EXPECT_NEAR(frequencyOf(mix, 0, 2000, 20000), 440.0, 1.0);
    EXPECT_NEAR(frequencyOf(mix, 1, 24000, 42000), 660.0, 1.0);
}

TEST_F(FilePlayerTest, TruncatedOggPlaysWhatArrivedAndBrokenOggIsAnError)
{
    // Five seconds of a tone in noise (many pages), cut off after about three of them.
    std::vector<float> noisy = sineWave(440, 44100, 5 * 44100, 0.3);
    unsigned seed = 1;
    for (float& sample : noisy) {
        seed = seed * 1103515245u + 12345u;
        sample += 0.2f * (float(seed >> 16 & 0x7FFF) / 16384.0f - 1.0f);
    }
    const QByteArray whole = oggVorbisFile({noisy}, 44100);
    QVOggPlayer player;
    ASSERT_TRUE(player.playOggFileWithPath(environment.writeFile("cut.ogg", whole.left(whole.size() * 6 / 10))));
    const std::vector<float> mix = render(5.5);
    EXPECT_GT(soundingFrames(mix), 2 * 44100u);
    EXPECT_LT(soundingFrames(mix), 4 * 44100u);

    QByteArray noise(10000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919) % 251);
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* message;
    };
    const Case cases[] = {
        {"noise.ogg", noise, "Input does not appear to be an Ogg bitstream."},
        {"short-noise.ogg", noise.left(100), "Input does not appear to be an Ogg bitstream."},
        {"empty.ogg", {}, "Input does not appear to be an Ogg bitstream."},
        {"headers.ogg", whole.left(200), "End of file before finding all Vorbis headers!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        QString error;
        EXPECT_FALSE(player.playOggFileWithPath(environment.writeFile(c.name, c.bytes), &error));
        EXPECT_EQ(error.toStdString(), c.message);
        EXPECT_TRUE(log.contains(c.message));
        EXPECT_FALSE(player.isPlaying());
        EXPECT_TRUE(temporaryFiles().isEmpty()) << temporaryFiles().join(' ').toStdString();
    }
    QString error;
    EXPECT_FALSE(player.playOggFileWithPath(environment.root() + "/missing.ogg", &error));
    EXPECT_TRUE(error.contains("missing.ogg"));
    EXPECT_TRUE(temporaryFiles().isEmpty());
}

TEST_F(FilePlayerTest, LoudOggIsClippedAndSaysSo)
{
    bool clipped = false;
    EXPECT_EQ(OggVorbisDecoder::toPcm16(1.0f, &clipped), 32767);
    EXPECT_FALSE(clipped);
    EXPECT_EQ(OggVorbisDecoder::toPcm16(-1.0f, &clipped), -32767);
    EXPECT_FALSE(clipped);
    EXPECT_EQ(OggVorbisDecoder::toPcm16(1.5f, &clipped), 32767);
    EXPECT_TRUE(clipped);

    QVOggPlayer player;
    LogCapture log;
    const QByteArray loud = oggVorbisFile({sineWave(440, 44100, 8192, 1.5)}, 44100);
    ASSERT_TRUE(player.playOggFileWithPath(environment.writeFile("loud.ogg", loud)));
    EXPECT_TRUE(log.contains("Clipping in frame"));
}
