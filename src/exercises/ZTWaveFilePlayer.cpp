#include "ZTWaveFilePlayer.h"

#include "Log.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

std::optional<PcmSound> ZTWaveFilePlayer::readWaveFile(const QString& path, QString* error)
{
    auto fail = [error](const QString& reason) -> std::optional<PcmSound> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    if (file.size() > PcmSound::kMaxFileBytes)
        return fail(QStringLiteral("larger than %1 bytes").arg(PcmSound::kMaxFileBytes));
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
    std::optional<PcmSound::Encoding> encoding;
    switch (bits) {
    case 8:
        encoding = PcmSound::Encoding::Unsigned8;
        break;
    case 16:
        encoding = PcmSound::Encoding::Signed16;
        break;
    case 24:
        encoding = PcmSound::Encoding::Signed24;
        break;
    case 32:
        encoding = format == 3 ? PcmSound::Encoding::Float32 : PcmSound::Encoding::Signed32;
        break;
    }
    if ((format != 1 && format != 3) || !encoding || (format == 3 && bits != 32))
        return fail(QStringLiteral("unsupported sample format %1 with %2 bits").arg(format).arg(bits));
    return PcmSound::fromInterleaved(samples.constData(), std::size_t(samples.size()), channels, *encoding, rate,
                                     error);
}

void ZTWaveFilePlayer::playSoundFile(const QString& path, float volume)
{
    QString error;
    std::optional<PcmSound> sound = readWaveFile(path, &error);
    if (!sound) {
        Log::line(QStringLiteral("Could not play the sound %1: %2").arg(path, error));
        return;
    }
    if (!sounds_.play(std::move(*sound), volume))
        Log::line(QStringLiteral("Could not play the sound %1: the audio output takes no more sources").arg(path));
}
