#include "PcmSound.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

float sampleAt(const char* bytes, PcmSound::Encoding encoding)
{
    switch (encoding) {
    case PcmSound::Encoding::Unsigned8:
        return (static_cast<unsigned char>(bytes[0]) - 128) / 128.0f;
    case PcmSound::Encoding::Signed16:
        return qFromLittleEndian<qint16>(bytes) / 32768.0f;
    case PcmSound::Encoding::Signed24: {
        const qint32 value = static_cast<unsigned char>(bytes[0]) | (static_cast<unsigned char>(bytes[1]) << 8)
                             | (static_cast<signed char>(bytes[2]) * 65536);
        return value / 8388608.0f;
    }
    case PcmSound::Encoding::Signed32:
        return qFromLittleEndian<qint32>(bytes) / 2147483648.0f;
    case PcmSound::Encoding::Float32: {
        const quint32 bits = qFromLittleEndian<quint32>(bytes);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return std::isfinite(value) ? value : 0.0f;
    }
    }
    return 0.0f;
}

} // namespace

int PcmSound::bytesPerSample(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Unsigned8:
        return 1;
    case Encoding::Signed16:
        return 2;
    case Encoding::Signed24:
        return 3;
    case Encoding::Signed32:
    case Encoding::Float32:
        return 4;
    }
    return 1;
}

bool PcmSound::isSupportedSampleRate(double rate)
{
    return rate >= kMinSampleRate && rate <= kMaxSampleRate && rate == std::floor(rate);
}

std::optional<PcmSound> PcmSound::fromInterleaved(const char* data, std::size_t bytes, int channels,
                                                  Encoding encoding, double sampleRate, QString* error)
{
    auto fail = [error](const QString& reason) -> std::optional<PcmSound> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    if (!isSupportedSampleRate(sampleRate))
        return fail(QStringLiteral("sample rate %1 Hz outside %2 to %3 Hz")
                        .arg(sampleRate)
                        .arg(kMinSampleRate)
                        .arg(kMaxSampleRate));
    if (channels < 1 || channels > kMaxChannels)
        return fail(QStringLiteral("%1 channels (1 to %2 are played)").arg(channels).arg(kMaxChannels));
    const std::size_t sampleBytes = std::size_t(bytesPerSample(encoding));
    const std::size_t frameBytes = sampleBytes * std::size_t(channels);
    const std::size_t frameCount = data ? bytes / frameBytes : 0;
    if (frameCount > kMaxFrames)
        return fail(QStringLiteral("too long (%1 frames, at most %2)").arg(frameCount).arg(kMaxFrames));

    PcmSound sound;
    sound.sampleRate = unsigned(sampleRate);
    sound.frames.resize(frameCount * 2);
    for (std::size_t f = 0; f < frameCount; ++f) {
        const char* frame = data + f * frameBytes;
        const float left = sampleAt(frame, encoding);
        sound.frames[2 * f] = left;
        sound.frames[2 * f + 1] = channels > 1 ? sampleAt(frame + sampleBytes, encoding) : left;
    }
    return sound;
}
