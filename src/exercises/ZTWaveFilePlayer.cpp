#include "ZTWaveFilePlayer.h"

#include "AudioOutput.h"
#include "AudioRenderSource.h"
#include "Log.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>

// One playing sound. Only the audio thread moves the read position; the main thread only
// reads the finished flag.
class ZTWaveFilePlayer::Voice final : public AudioRenderSource {
public:
    Voice(Sound sound, float volume, double endTime)
        : sound_(std::move(sound))
        , volume_(volume)
        , endTime_(endTime)
    {
    }

    void render(float* interleavedStereo, std::size_t frames) noexcept override
    {
        const std::size_t total = sound_.frameCount();
        const std::size_t count = std::min(frames, total - std::min(position_, total));
        const float* source = sound_.frames.data() + 2 * position_;
        for (std::size_t i = 0; i < 2 * count; ++i)
            interleavedStereo[i] += source[i] * volume_;
        position_ += count;
        if (position_ >= total)
            finished_.store(true, std::memory_order_release);
    }

    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Past this time the sound is dropped even when nobody rendered it (offline output).
    double endTime() const { return endTime_; }

private:
    const Sound sound_;
    const float volume_;
    const double endTime_;
    std::size_t position_ = 0;
    std::atomic<bool> finished_{false};
};

namespace {

// Grace beyond a sound's length before it is dropped unrendered.
constexpr double kReapGrace = 1.0;
// Rates sound cards use, and a length no answer sound comes near: beyond them a file would
// ask for gigabytes once converted to the output's rate.
constexpr unsigned kMinSampleRate = 8000;
constexpr unsigned kMaxSampleRate = 192000;
constexpr qsizetype kMaxSeconds = 60;

float sampleAt(const char* bytes, int bitsPerSample, bool isFloat)
{
    if (isFloat) {
        float value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    switch (bitsPerSample) {
    case 8:
        return (static_cast<unsigned char>(bytes[0]) - 128) / 128.0f;
    case 16:
        return qFromLittleEndian<qint16>(bytes) / 32768.0f;
    case 24: {
        const qint32 value = (static_cast<unsigned char>(bytes[0]) | (static_cast<unsigned char>(bytes[1]) << 8)
                              | (static_cast<signed char>(bytes[2]) * 65536));
        return value / 8388608.0f;
    }
    case 32:
        return qFromLittleEndian<qint32>(bytes) / 2147483648.0f;
    default:
        return 0;
    }
}

} // namespace

ZTWaveFilePlayer::ZTWaveFilePlayer() = default;

ZTWaveFilePlayer::~ZTWaveFilePlayer()
{
    if (voices_.empty())
        return;
    AudioOutput* output = AudioOutput::sharedOutput();
    for (const auto& voice : voices_)
        output->removeSource(voice.get());
}

std::optional<ZTWaveFilePlayer::Sound> ZTWaveFilePlayer::readWaveFile(const QString& path, QString* error)
{
    auto fail = [error](const QString& reason) -> std::optional<Sound> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray data = file.readAll();
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        return fail(QStringLiteral("not a RIFF WAVE file"));

    int format = 0, channels = 0, bits = 0;
    unsigned rate = 0;
    QByteArray samples;
    bool haveFormat = false, haveData = false;
    qsizetype offset = 12;
    while (offset + 8 <= data.size()) {
        const QByteArray id = data.mid(offset, 4);
        const quint32 size = qFromLittleEndian<quint32>(data.constData() + offset + 4);
        const qsizetype body = offset + 8;
        const qsizetype available = std::min<qsizetype>(size, data.size() - body);
        if (id == "fmt " && available >= 16) {
            format = qFromLittleEndian<quint16>(data.constData() + body);
            channels = qFromLittleEndian<quint16>(data.constData() + body + 2);
            rate = qFromLittleEndian<quint32>(data.constData() + body + 4);
            bits = qFromLittleEndian<quint16>(data.constData() + body + 14);
            if (format == 0xFFFE && available >= 26) // extensible: the sub-format's first word
                format = qFromLittleEndian<quint16>(data.constData() + body + 24);
            haveFormat = true;
        } else if (id == "data") {
            samples = data.mid(body, available);
            haveData = true;
        }
        offset = body + qsizetype(size) + (size & 1); // chunks are padded to even sizes
    }
    if (!haveFormat || !haveData)
        return fail(QStringLiteral("no format or no data chunk"));
    const bool isFloat = format == 3;
    if ((format != 1 && !isFloat) || (isFloat && bits != 32)
        || (!isFloat && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return fail(QStringLiteral("unsupported sample format %1 with %2 bits").arg(format).arg(bits));
    if (channels < 1)
        return fail(QStringLiteral("no channels"));
    if (rate < kMinSampleRate || rate > kMaxSampleRate)
        return fail(QStringLiteral("a sample rate of %1 Hz, outside %2 to %3 Hz").arg(rate).arg(kMinSampleRate).arg(kMaxSampleRate));

    const int bytesPerSample = bits / 8;
    const qsizetype frameBytes = qsizetype(bytesPerSample) * channels;
    const qsizetype frames = samples.size() / frameBytes;
    if (frames > kMaxSeconds * qsizetype(rate))
        return fail(QStringLiteral("longer than %1 seconds").arg(kMaxSeconds));
    Sound sound;
    sound.sampleRate = rate;
    sound.frames.resize(std::size_t(frames) * 2);
    for (qsizetype f = 0; f < frames; ++f) {
        const char* frame = samples.constData() + f * frameBytes;
        const float left = sampleAt(frame, bits, isFloat);
        const float right = channels > 1 ? sampleAt(frame + bytesPerSample, bits, isFloat) : left;
        sound.frames[2 * f] = left;
        sound.frames[2 * f + 1] = right;
    }
    return sound;
}

ZTWaveFilePlayer::Sound ZTWaveFilePlayer::resampled(const Sound& sound, unsigned sampleRate)
{
    if (sound.sampleRate == sampleRate || sound.sampleRate == 0 || sound.frameCount() == 0) {
        Sound same = sound;
        same.sampleRate = sampleRate;
        return same;
    }
    const std::size_t inFrames = sound.frameCount();
    const double step = double(sound.sampleRate) / sampleRate;
    const std::size_t outFrames = std::max<std::size_t>(1, std::size_t(inFrames / step));
    Sound out;
    out.sampleRate = sampleRate;
    out.frames.resize(outFrames * 2);
    for (std::size_t i = 0; i < outFrames; ++i) {
        const double position = i * step;
        const std::size_t a = std::min(std::size_t(position), inFrames - 1);
        const std::size_t b = std::min(a + 1, inFrames - 1);
        const float t = float(position - double(a));
        for (int c = 0; c < 2; ++c)
            out.frames[2 * i + c] = sound.frames[2 * a + c] * (1 - t) + sound.frames[2 * b + c] * t;
    }
    return out;
}

void ZTWaveFilePlayer::playSoundFile(const QString& path, float volume)
{
    reapFinishedVoices();
    QString error;
    std::optional<Sound> sound = readWaveFile(path, &error);
    if (!sound) {
        Log::line(QStringLiteral("Could not play the sound %1: %2").arg(path, error));
        return;
    }
    AudioOutput* output = AudioOutput::sharedOutput();
    Sound converted = resampled(*sound, output->sampleRate());
    const double seconds = double(converted.frameCount()) / converted.sampleRate;
    auto voice = std::make_unique<Voice>(std::move(converted), volume, MainQueue::now() + seconds + kReapGrace);
    if (!output->addSource(voice.get())) {
        Log::line(QStringLiteral("Could not play the sound %1: the audio output takes no more sources").arg(path));
        return;
    }
    voices_.push_back(std::move(voice));
    scheduleReaper();
}

void ZTWaveFilePlayer::scheduleReaper()
{
    if (voices_.empty()) {
        reaper_.cancel();
        return;
    }
    double firstEnd = voices_.front()->endTime();
    for (const auto& voice : voices_)
        firstEnd = std::min(firstEnd, voice->endTime());
    reaper_ = MainQueue::after(std::max(0.0, firstEnd - MainQueue::now()) + 0.1, [this] {
        reapFinishedVoices();
        scheduleReaper();
    });
}

void ZTWaveFilePlayer::reapFinishedVoices()
{
    const double now = MainQueue::now();
    AudioOutput* output = nullptr;
    for (auto it = voices_.begin(); it != voices_.end();) {
        if ((*it)->finished() || now >= (*it)->endTime()) {
            if (!output)
                output = AudioOutput::sharedOutput();
            output->removeSource(it->get());
            it = voices_.erase(it);
        } else {
            ++it;
        }
    }
}
