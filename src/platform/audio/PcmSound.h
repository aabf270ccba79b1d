#pragma once

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <optional>
#include <vector>

// A sound read from a file: interleaved stereo float frames at the file's sample rate.
// Every reader of sound files builds one through fromInterleaved(), which bounds what it
// accepts.
struct PcmSound {
    static constexpr unsigned kMinSampleRate = 8000;
    static constexpr unsigned kMaxSampleRate = 192000;
    static constexpr int kMaxChannels = 32;
    // About six minutes at 44.1 kHz: 128 MiB of frames.
    static constexpr std::size_t kMaxFrames = std::size_t(1) << 24;
    // What a reader takes in at most: that many frames of stereo float.
    static constexpr qint64 kMaxFileBytes = qint64(kMaxFrames) * 8;

    enum class Encoding { Unsigned8, Signed16, Signed24, Signed32, Float32 };
    static int bytesPerSample(Encoding encoding);
    static bool isSupportedSampleRate(double rate);

    // Little-endian samples of `channels` interleaved channels. Mono goes to both sides;
    // of more channels the first two are kept; a trailing partial frame is dropped and
    // float samples that are not finite become silence. Nothing (and the reason) for a
    // rate or channel count out of bounds or more than kMaxFrames frames.
    static std::optional<PcmSound> fromInterleaved(const char* data, std::size_t bytes, int channels,
                                                   Encoding encoding, double sampleRate,
                                                   QString* error = nullptr);

    std::size_t frameCount() const { return frames.size() / 2; }
    double seconds() const { return sampleRate ? double(frameCount()) / sampleRate : 0.0; }

    unsigned sampleRate = 0;
    std::vector<float> frames;
};
