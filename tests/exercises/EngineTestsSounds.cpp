// The answer sounds: bundle WAV files decoded, mixed once into the (offline) audio output at
// the given volume, and dropped when done; and the exam runner standing in for the settings.
#include "EngineFixture.h"

#include "AudioOutput.h"
#include "Paths.h"
#include "ZTExamsController.h"
#include "ZTIntervalController.h"
#include "ZTWaveFilePlayer.h"

#include <QFile>

#include <algorithm>
#include <cmath>

TEST(WaveFilePlayer, DecodesMixesAndDropsBundleSounds)
{
    TestEnvironment env;
    ManualMainQueue queue;
    const QString path = Paths::resource("sounds/chime.wav");
    const auto sound = ZTWaveFilePlayer::readWaveFile(path);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->sampleRate, 22050u);
    ASSERT_GT(sound->frameCount(), 1000u);
    float peak = 0;
    for (float sample : sound->frames)
        peak = std::max(peak, std::abs(sample));
    EXPECT_GT(peak, 0.05f);
    EXPECT_LE(peak, 1.0f);

    // Mixed at the output's 44.1 kHz: every other frame lies halfway between two of the file's.
    AudioOutput* output = AudioOutput::sharedOutput();
    output->useOfflineRendering();
    ASSERT_EQ(output->sampleRate(), 2 * sound->sampleRate);
    ZTWaveFilePlayer player;
    player.playSoundFile(path, 0.5f);
    ASSERT_EQ(player.activeSoundCount(), 1u);
    std::vector<float> mix(2 * 512, 0.0f);
    ASSERT_TRUE(output->renderOffline(mix.data(), 512));
    for (std::size_t i = 0; i < mix.size(); ++i) {
        const std::size_t frame = i / 2, side = i % 2;
        const float* source = sound->frames.data() + 2 * (frame / 2) + side;
        const float expected = frame % 2 ? (source[0] + source[2]) / 2 : source[0];
        ASSERT_FLOAT_EQ(mix[i], 0.5f * expected) << i;
    }

    // Unrendered or finished, the sound is gone a little after its length.
    queue.advance(double(sound->frameCount()) / sound->sampleRate + 2);
    EXPECT_EQ(player.activeSoundCount(), 0u);

    const QString broken = env.root() + "/broken.wav";
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("RIFF\x04\0\0\0WAVEjunk", 16);
    file.close();
    LogCapture log;
    EXPECT_FALSE(ZTWaveFilePlayer::readWaveFile(broken));
    player.playSoundFile(broken, 0.7f);
    EXPECT_EQ(player.activeSoundCount(), 0u);
    EXPECT_TRUE(log.contains("broken.wav"));
}

namespace {

// A mono 16-bit WAV file of silence.
QString writeWave(const QString& path, quint32 rate, quint32 frames)
{
    auto le = [](quint32 value, int bytes) {
        QByteArray out;
        for (int i = 0; i < bytes; ++i)
            out.append(char((value >> (8 * i)) & 0xFF));
        return out;
    };
    const QByteArray samples(qsizetype(frames) * 2, '\0');
    const QByteArray format = le(1, 2) + le(1, 2) + le(rate, 4) + le(rate * 2, 4) + le(2, 2) + le(16, 2);
    const QByteArray body = "WAVEfmt " + le(16, 4) + format + "data" + le(quint32(samples.size()), 4) + samples;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("RIFF" + le(quint32(body.size()), 4) + body);
    return path;
}

} // namespace

TEST(WaveFilePlayer, OnlyRatesSoundCardsUseAreRead)
{
    TestEnvironment env;
    const QString path = env.root() + "/answer.wav";
    for (const quint32 rate : {8000u, 44100u, 192000u})
        EXPECT_TRUE(ZTWaveFilePlayer::readWaveFile(writeWave(path, rate, 100))) << rate;
    for (const quint32 rate : {0u, 1u, 7999u, 192001u, 0xFFFFFFFFu}) {
        QString error;
        EXPECT_FALSE(ZTWaveFilePlayer::readWaveFile(writeWave(path, rate, 100), &error)) << rate;
        EXPECT_TRUE(error.contains("sample rate")) << error.toStdString();
    }
}

TEST_F(EngineTest, AnswerSoundsFollowTheSettings)
{
    prefs()->setSoundRightAnswer("chime");
    prefs()->setSoundWrongAnswer("");
    prefs()->setString("2", "numTryouts", "Interval recognition");
    auto* intervals = make<ZTIntervalController>(0);
    intervals->nextTest();
    click(otherItemName());
    EXPECT_TRUE(sounds->sounds.empty()) << "no wrong-answer sound chosen";
    click(currentName());
    ASSERT_EQ(sounds->sounds.size(), 1u);
    EXPECT_EQ(sounds->sounds[0].first, Paths::resource("sounds/chime.wav"));
    EXPECT_FLOAT_EQ(sounds->sounds[0].second, 0.7f);
}

namespace {

struct FakeExam : ZTExamsController {
    QStringList itemsForCurrentTest() const override { return {"Minor second", "Major second", "Octave"}; }
    QString answerTimeForCurrentTest() const override { return "Unlimited"; }
    int numberOfTryoutsForCurrentTest() const override { return 1; }
    bool showNoteNameForCurrentTest() const override { return false; }
    bool showfirstnoteForCurrentTest() const override { return false; }
    QString basenoteForCurrentTest() const override { return "55,55"; }
    int descendingForCurrentTest() const override { return 0; }
    void processRightAnswerWithItem(const QVariantMap& item, ZTTest*) override { right << item.value("name").toString(); }
    void processWrongAnswerWithItem(const QVariantMap& item, ZTTest*, bool ended) override
    {
        wrong << item.value("name").toString();
        endedFlags << ended;
    }
    QStringList right, wrong;
    QList<bool> endedFlags;
};

} // namespace

TEST_F(EngineTest, ExamRunnerStandsInForSettingsAndStatistics)
{
    prefs()->setAutoPlay(true);
    FakeExam exam;
    controller = ZTAbstractTestController::create<ZTIntervalController>(0, &exam);
    controller->setTableView(&sidebar);
    ASSERT_EQ(controller->items().size(), 3);
    EXPECT_EQ(controller->items().at(2).toMap().value("name"), "Octave") << "catalogue order";

    controller->nextTest();
    EXPECT_EQ(std::dynamic_pointer_cast<ZTMusicalTest>(controller->currentTest())->rootNoteNr(), 55);
    click(currentName());
    EXPECT_EQ(exam.right, QStringList{currentName()});
    EXPECT_FALSE(controller->autoTimerIsValid()) << "the exam decides when to go on";

    controller->nextTest();
    click(otherItemName());
    EXPECT_EQ(exam.endedFlags, QList<bool>{true}) << "one try only";
    EXPECT_FALSE(controller->testInProgress());
    EXPECT_EQ(statsRowCount(), 0);
    EXPECT_TRUE(results("Interval recognition").empty());
}
