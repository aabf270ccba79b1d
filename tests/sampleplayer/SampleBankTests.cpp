#include "SampleBankSupport.h"
#include "TestEnvironment.h"

#include "Paths.h"
#include "QVInstrument.h"
#include "ZTSoundBank.h"

#include <QFile>

namespace {

class SampleBankTest : public ::testing::Test {
protected:
    QString folder(const QString& name = QStringLiteral("Test")) const
    {
        return environment.root() + QStringLiteral("/Instruments/") + name;
    }
    static TestSample silence(const QString& fileName, int frames, int noteStart, int noteLength)
    {
        return {fileName, std::vector<std::int16_t>(std::size_t(frames), 0), 440, noteStart, noteLength};
    }
    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    TestEnvironment environment;
};

} // namespace

TEST_F(SampleBankTest, ASampleHoldsItsFramesAndValues)
{
    TestSample sample = silence(QStringLiteral("a.raw"), 44100, 60, 12);
    sample.frames[0] = -2;
    sample.frames[1] = 0x1234;
    sample.loopStart = 100;
    sample.loopLength = 44000; // ends on the last frame
    writeInstrument(folder(), {sample});
    const QVSample loaded(folder(), sampleDictionary(sample));
    ASSERT_TRUE(loaded.isUsable()) << loaded.error().toStdString();
    EXPECT_EQ(loaded.size(), 88200);
    EXPECT_EQ(loaded.numSamples(), 44100);
    EXPECT_EQ(loaded.data()[0], -2);
    EXPECT_EQ(loaded.data()[1], 0x1234);
    EXPECT_EQ(loaded.loopRange().location, 100);
    EXPECT_TRUE(loaded.noteRange().contains(71));
    EXPECT_FALSE(loaded.noteRange().contains(72));
    EXPECT_TRUE(loaded.description().contains(QStringLiteral("numSamples:44100")));
    EXPECT_FALSE(QVSample().isUsable());
}

TEST_F(SampleBankTest, SamplesThatCannotPlaySafelyAreRefusedWithTheReason)
{
    const TestSample good = silence(QStringLiteral("good.raw"), 1000, 0, 128);
    writeInstrument(folder(), {good});
    writeFile(folder() + QStringLiteral("/odd.raw"), QByteArray(1001, '\0'));
    struct Case {
        const char* key;
        QVariant value;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"frequency", 0, "no pitch"},
        {"frequency", -440, "no pitch"},
        {"loopStart", -1, "negative"},
        {"loopLength", -10, "negative"},
        {"loopLength", 1, "single frame"},
        {"sampleBits", QVariant(), "only 16-bit"},
        {"sampleBits", 8, "only 16-bit"},
        {"sampleBits", 0, "only 16-bit"},
        {"loopLength", 1001, "fewer than its loop needs"}, // the file was cut before the loop ends
        {"fileName", QStringLiteral("odd.raw"), "cut off"},
        {"fileName", QStringLiteral("missing.raw"), "cannot be read"},
        {"fileName", QStringLiteral("../Test/good.raw"), "no plain file name"},
    };
    for (const Case& c : cases) {
        QVariantMap dictionary = sampleDictionary(good);
        if (c.value.isValid())
            dictionary.insert(QLatin1String(c.key), c.value);
        else
            dictionary.remove(QLatin1String(c.key));
        const QVSample sample(folder(), dictionary);
        EXPECT_FALSE(sample.isUsable()) << c.key;
        EXPECT_EQ(sample.data(), nullptr) << c.key;
        EXPECT_EQ(sample.numSamples(), 0) << c.key;
        EXPECT_TRUE(sample.error().contains(QLatin1String(c.reason))) << c.key << ": " << sample.error().toStdString();
    }
}

TEST_F(SampleBankTest, TheNoteTableTakesTheFirstSampleThatServesANote)
{
    writeInstrument(folder(), {silence(QStringLiteral("low.raw"), 10, 0, 50), silence(QStringLiteral("mid.raw"), 10, 40, 20),
                               silence(QStringLiteral("high.raw"), 10, 60, 10)},
                    {0.01, 0.02, 0.5, 0.3});
    const QVInstrument instrument(folder());
    ASSERT_TRUE(instrument.isValid()) << instrument.error().toStdString();
    EXPECT_EQ(instrument.name(), QStringLiteral("Test"));
    EXPECT_FLOAT_EQ(instrument.attack(), 0.01f);
    EXPECT_FLOAT_EQ(instrument.sustain(), 0.5f);
    EXPECT_FLOAT_EQ(instrument.rel(), 0.3f);
    EXPECT_EQ(instrument.sampleForNote(45)->fileName(), QStringLiteral("low.raw")); // listed first
    EXPECT_EQ(instrument.sampleForNote(50)->fileName(), QStringLiteral("mid.raw"));
    EXPECT_EQ(instrument.sampleForNote(69)->fileName(), QStringLiteral("high.raw"));
    EXPECT_EQ(instrument.sampleForNote(70), nullptr);
    EXPECT_EQ(instrument.sampleForNote(QVInstrument::kSticksSlot)->fileName(), QStringLiteral("Sticks.raw"));
    EXPECT_EQ(instrument.sampleForNote(QVInstrument::kClapSlot)->fileName(), QStringLiteral("Clap.raw"));
    EXPECT_EQ(instrument.sampleForNote(130), nullptr);
    EXPECT_TRUE(instrument.description().startsWith(QStringLiteral("Name: Test   Path: ")));
}

TEST_F(SampleBankTest, ARefusedSampleIsLeftOutAndTheNextOneServesItsNotes)
{
    TestSample broken = silence(QStringLiteral("broken.raw"), 10, 0, 128);
    broken.frequency = 0;
    writeInstrument(folder(), {broken, silence(QStringLiteral("good.raw"), 10, 0, 128)});
    LogCapture log;
    const QVInstrument instrument(folder());
    EXPECT_TRUE(instrument.isValid());
    EXPECT_EQ(instrument.samples().size(), 1u);
    EXPECT_EQ(instrument.sampleForNote(0)->fileName(), QStringLiteral("good.raw"));
    EXPECT_TRUE(log.contains(QStringLiteral("sample 1 is refused: the frequency 0 is no pitch")));
}

TEST_F(SampleBankTest, ABadInstrumentFileIsRefusedClearlyAndLeavesEveryNoteSilent)
{
    const TestSample good = silence(QStringLiteral("good.raw"), 10, 0, 128);
    const QVariantMap goodDictionary = sampleDictionary(good);
    struct Case {
        const char* name;
        QByteArray contents; // empty: no file
        const char* reason;
    };
    auto plist = [](const QVariant& value) { return PropertyList::toXml(value); };
    auto withEnvelope = [&](const char* key, double value) {
        return plist(QVariantMap{{QStringLiteral("samples"), QVariantList{goodDictionary}}, {QLatin1String(key), value}});
    };
    const std::vector<Case> cases{
        {"Missing", {}, "cannot be read"},
        {"Garbage", "not a property list", "is no property list"},
        {"Array", plist(QVariantList{goodDictionary}), "holds no dictionary"},
        {"NoSamples", plist(QVariantMap{{QStringLiteral("name"), QStringLiteral("x")}}), "no \"samples\" list"},
        {"NegativeRelease", withEnvelope("release", -1), "envelope time"},
        {"EndlessAttack", withEnvelope("attack", 1e9), "envelope time"},
        {"LoudSustain", withEnvelope("sustain", 2), "sustain level"},
        {"NothingPlays", plist(QVariantMap{{QStringLiteral("samples"), QVariantList{QVariantMap{}}}}), "no sample that can play"},
        {"Huge", QByteArray(QVInstrument::kMaxFileBytes + 1, ' '), "larger than"},
    };
    for (const Case& c : cases) {
        QDir().mkpath(folder(QLatin1String(c.name)));
        writeRawFile(folder(QLatin1String(c.name)) + QStringLiteral("/good.raw"), good.frames);
        if (!c.contents.isEmpty())
            writeFile(folder(QLatin1String(c.name)) + QStringLiteral("/instrument.plist"), c.contents);
        LogCapture log;
        const QVInstrument instrument(folder(QLatin1String(c.name)));
        EXPECT_FALSE(instrument.isValid()) << c.name;
        EXPECT_TRUE(instrument.error().contains(QLatin1String(c.reason))) << c.name << ": " << instrument.error().toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("is refused"))) << c.name;
        EXPECT_TRUE(instrument.samples().empty()) << c.name;
        for (unsigned slot = 0; slot < QVInstrument::kSlotCount; ++slot)
            EXPECT_EQ(instrument.sampleForNote(slot), nullptr) << c.name << " " << slot;
    }
}

TEST_F(SampleBankTest, ProgramNumbersOutsideTheListChooseTheFirstEntry)
{
    const QList<SoftSynthSoundEntry> programs = ZTSoundBank::programs();
    ASSERT_GE(programs.size(), 2);
    for (int program : {-1, int(programs.size()), 1000})
        EXPECT_EQ(ZTSoundBank::entryForProgram(program).key, programs.first().key) << program;
    EXPECT_EQ(ZTSoundBank::entryForProgram(1).key, programs.at(1).key);

    for (const QString& key : {QString(), QStringLiteral(".."), QStringLiteral("../Piano"), QStringLiteral("a/b")})
        EXPECT_TRUE(ZTSoundBank::instrumentFolder(key).isNull()) << key.toStdString();
    EXPECT_EQ(ZTSoundBank::instrumentFolder(QStringLiteral("Piano")), Paths::resource(QStringLiteral("Instruments/Piano")));

    environment.useResources(environment.root());
    LogCapture log;
    EXPECT_TRUE(ZTSoundBank::programs().isEmpty());
    EXPECT_TRUE(ZTSoundBank::entryForProgram(0).key.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("MelvoraSounds.plist")));
}

TEST_F(SampleBankTest, EveryProgramOfTheBankLoadsAndCoversEverySlot)
{
    const QList<SoftSynthSoundEntry> programs = ZTSoundBank::programs();
    QStringList keys;
    for (const SoftSynthSoundEntry& entry : programs)
        keys << entry.key;
    for (const char* expected : {"Piano", "ElectricPiano", "Organ", "NylonGuitar", "SteelGuitar", "Strings", "Flute", "Choir"})
        EXPECT_TRUE(keys.contains(QLatin1String(expected))) << expected;

    for (const SoftSynthSoundEntry& entry : programs) {
        LogCapture log;
        const QVInstrument instrument(ZTSoundBank::instrumentFolder(entry.key));
        EXPECT_TRUE(instrument.isValid()) << entry.key.toStdString() << ": " << instrument.error().toStdString();
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(QLatin1Char('\n')).toStdString();
        EXPECT_FALSE(entry.value.isEmpty());
        EXPECT_EQ(instrument.name(), entry.value);
        for (unsigned slot = 0; slot < QVInstrument::kSlotCount; ++slot)
            EXPECT_TRUE(instrument.sampleForNote(slot)) << entry.key.toStdString() << " " << slot;
    }
}
