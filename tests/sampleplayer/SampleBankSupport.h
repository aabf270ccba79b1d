#pragma once

#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QVariant>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

// A sample of a test instrument, written as raw 16-bit little-endian frames.
struct TestSample {
    QString fileName;
    std::vector<std::int16_t> frames;
    double frequency = 440;
    int noteStart = 0;
    int noteLength = 128;
    int loopStart = 0;
    int loopLength = 0;
};

struct TestEnvelope {
    double attack = 0.001, decay = 0.001, sustain = 1.0, release = 0.1;
};

inline void writeRawFile(const QString& path, const std::vector<std::int16_t>& frames)
{
    QByteArray bytes;
    for (std::int16_t frame : frames) {
        bytes.append(char(std::uint16_t(frame) & 0xFF));
        bytes.append(char(std::uint16_t(frame) >> 8));
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QVariantMap sampleDictionary(const TestSample& sample)
{
    return {{QStringLiteral("fileName"), sample.fileName},       {QStringLiteral("frequency"), sample.frequency},
            {QStringLiteral("amplitude"), 1.0},                  {QStringLiteral("loopStart"), sample.loopStart},
            {QStringLiteral("loopLength"), sample.loopLength},   {QStringLiteral("noteStart"), sample.noteStart},
            {QStringLiteral("noteLength"), sample.noteLength},   {QStringLiteral("sampleRate"), 44100},
            {QStringLiteral("sampleBits"), 16},                  {QStringLiteral("numChannels"), 1}};
}

// Writes an instrument folder: the samples and an instrument.plist that lists them.
inline QString writeInstrument(const QString& folder, const std::vector<TestSample>& samples,
                               TestEnvelope envelope = {})
{
    QDir().mkpath(folder);
    QVariantList list;
    for (const TestSample& sample : samples) {
        writeRawFile(folder + QLatin1Char('/') + sample.fileName, sample.frames);
        list.append(sampleDictionary(sample));
    }
    const QVariantMap instrument{{QStringLiteral("name"), QDir(folder).dirName()},
                                 {QStringLiteral("attack"), envelope.attack},
                                 {QStringLiteral("decay"), envelope.decay},
                                 {QStringLiteral("sustain"), envelope.sustain},
                                 {QStringLiteral("release"), envelope.release},
                                 {QStringLiteral("samples"), list}};
    EXPECT_TRUE(PropertyList::writeFileAtomically(folder + QStringLiteral("/instrument.plist"), instrument));
    return folder;
}

// `cycles` whole periods of a sine in `length` frames, followed by two frames that continue
// it, looped so that the loop's seam is seamless; its frequency is cycles x 44100 / length.
inline TestSample loopedSine(const QString& fileName, int cycles, int length, int noteStart, int noteLength)
{
    TestSample sample;
    sample.fileName = fileName;
    sample.frequency = cycles * 44100.0 / length;
    sample.noteStart = noteStart;
    sample.noteLength = noteLength;
    // The frame after the loop's last (length) is the one after its first (1).
    sample.loopStart = 0;
    sample.loopLength = length + 1;
    for (int i = 0; i < length + 2; ++i)
        sample.frames.push_back(std::int16_t(std::lround(16000 * std::sin(2 * M_PI * cycles * double(i) / length))));
    return sample;
}

inline double noteFrequency(double note)
{
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

inline double centsBetween(double frequency, double reference)
{
    return 1200.0 * std::log2(frequency / reference);
}

// The mean frequency of a clean tone: rising zero crossings, placed between frames by
// linear interpolation, counted over the whole signal.
inline double frequencyByZeroCrossings(const std::vector<float>& signal, double rate)
{
    double first = -1, last = -1;
    int count = 0;
    for (std::size_t i = 1; i < signal.size(); ++i) {
        if (signal[i - 1] < 0 && signal[i] >= 0) {
            const double t = double(i - 1) + signal[i - 1] / (signal[i - 1] - signal[i]);
            if (first < 0)
                first = t;
            last = t;
            ++count;
        }
    }
    return count < 2 ? 0.0 : (count - 1) * rate / (last - first);
}
