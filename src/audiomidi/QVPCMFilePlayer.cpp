#include "QVPCMFilePlayer.h"

#include "Log.h"
#include "PcmSound.h"

#include <QFile>

QVPCMFilePlayer::QVPCMFilePlayer() = default;

QVPCMFilePlayer::~QVPCMFilePlayer()
{
    stop();
}

bool QVPCMFilePlayer::fail(QString* error, const QString& message)
{
    Log::line(message);
    if (error)
        *error = message;
    return false;
}

bool QVPCMFilePlayer::playFileWithPath(const QString& path, unsigned numChannels, double sampleRate,
                                       unsigned bitsPerChannel, QString* error)
{
    // The sound still playing reads its data: it ends before the data goes.
    stop();
    sampleRate_ = sampleRate;
    numChannels_ = numChannels;
    bitsPerChannel_ = bitsPerChannel;
    auto failed = [&](const QString& reason) {
        return fail(error, QStringLiteral("Could not play the PCM file %1: %2").arg(path, reason));
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(file.errorString());
    const qint64 size = file.size();
    if (size > PcmSound::kMaxFileBytes)
        return failed(QStringLiteral("larger than %1 bytes").arg(PcmSound::kMaxFileBytes));
    const QByteArray data = file.read(size);
    if (data.size() != size)
        return failed(file.errorString().isEmpty() ? QStringLiteral("the file could not be read whole")
                                                   : file.errorString());
    return playbuffer(reinterpret_cast<const qint16*>(data.constData()), data.size(), error);
}

bool QVPCMFilePlayer::playbuffer(const qint16* samples, qint64 length, QString* error)
{
    stop();
    auto failed = [&](const QString& reason) {
        return fail(error, QStringLiteral("Could not play the PCM data: %1").arg(reason));
    };
    if (bitsPerChannel_ != 16)
        return failed(QStringLiteral("%1-bit samples (16-bit ones are played)").arg(bitsPerChannel_));
    QString reason;
    std::optional<PcmSound> sound = PcmSound::fromInterleaved(
        reinterpret_cast<const char*>(samples), length > 0 ? std::size_t(length) : 0, int(numChannels_),
        PcmSound::Encoding::Signed16, sampleRate_, &reason);
    if (!sound)
        return failed(reason);
    if (!sounds_.play(std::move(*sound), float(volume_)))
        return failed(QStringLiteral("the audio output takes no more sources"));
    return true;
}

void QVPCMFilePlayer::stop()
{
    sounds_.stopAll();
}
