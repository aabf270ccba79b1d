#pragma once

#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <vector>

// A range of sample frames or of notes: location and length.
struct QVRange {
    std::int64_t location = 0;
    std::int64_t length = 0;
    bool contains(std::int64_t value) const { return value >= location && value - location < length; }
};

// One recorded sample of the sound bank, described by a dictionary and read whole from a
// headerless file of signed 16-bit little-endian mono frames.
//
// Built on the main thread, then only read (the render thread reads data()). A sample
// that could not be played safely is refused: it keeps no frames, so it sounds as silence,
// and error() says why (a frequency that is no pitch, negative or too short loop points,
// another width than 16 bits, a file cut off in the middle of a frame or before the loop
// ends, an unsafe file name, an oversized file).
class QVSample {
public:
    static constexpr std::int64_t kMaxFileBytes = 64 << 20;
    static constexpr int kBitsPerSample = 16;

    // The bare sample: no values, no frames.
    QVSample() = default;
    // Reads the dictionary, then load().
    QVSample(const QString& rootDir, const QVariantMap& dictionary);

    // Reads the whole file; false (and no frames) when it is missing or refused.
    bool load();

    // Frames and values are fit to play.
    bool isUsable() const { return error_.isEmpty() && !frames_.empty(); }
    QString error() const { return error_; }

    QString rootDir() const { return rootDir_; }
    QString fileName() const { return fileName_; }
    float frequency() const { return frequency_; }
    float amplitude() const { return amplitude_; }
    QVRange loopRange() const { return loopRange_; }
    QVRange noteRange() const { return noteRange_; }
    bool looping() const { return false; }
    std::int64_t sampleRate() const { return sampleRate_; }
    std::int64_t sampleBits() const { return sampleBits_; }
    std::int64_t numChannels() const { return numChannels_; }
    std::int64_t numSamples() const { return std::int64_t(frames_.size()); }
    std::int64_t size() const { return size_; }
    const std::int16_t* data() const { return frames_.empty() ? nullptr : frames_.data(); }

    QString description() const;

private:
    QString refusal() const;
    void refuse(const QString& reason);

    QString rootDir_;
    QString fileName_;
    float frequency_ = 0;
    float amplitude_ = 0;
    QVRange loopRange_;
    QVRange noteRange_;
    std::int64_t sampleRate_ = 0;
    std::int64_t sampleBits_ = 0;
    std::int64_t numChannels_ = 0;
    std::int64_t size_ = 0;
    std::vector<std::int16_t> frames_;
    QString error_;
};
