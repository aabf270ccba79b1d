#include "QVOggPlayer.h"

#include "Log.h"
#include "OggVorbisDecoder.h"
#include "PcmSound.h"
#include "ZTUtils.h"

#include <QFile>

namespace {

// Removes the file when it goes out of scope, whichever way the decoding ended.
class TemporaryFileRemover {
public:
    explicit TemporaryFileRemover(QString path)
        : path_(std::move(path))
    {
    }
    ~TemporaryFileRemover()
    {
        if (!path_.isEmpty())
            QFile::remove(path_);
    }
    TemporaryFileRemover(const TemporaryFileRemover&) = delete;
    TemporaryFileRemover& operator=(const TemporaryFileRemover&) = delete;

private:
    QString path_;
};

} // namespace

bool QVOggPlayer::playOggFileWithPath(const QString& path, QString* error)
{
    stop();
    const QString temporary = ZTUtils::tmpFile();
    const TemporaryFileRemover remover(temporary);
    if (temporary.isEmpty())
        return fail(error, QStringLiteral("Could not play %1: no temporary file could be made.").arg(path));

    QFile input(path);
    if (!input.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("Could not play %1: %2").arg(path, input.errorString()));
    if (input.size() > PcmSound::kMaxFileBytes)
        return fail(error, QStringLiteral("Could not play %1: larger than %2 bytes.").arg(path).arg(PcmSound::kMaxFileBytes));
    QFile output(temporary);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(error, QStringLiteral("Could not play %1: %2").arg(path, output.errorString()));

    OggVorbisDecoder decoder(input, output);
    const unsigned sampleRate = decoder.decode();
    input.close();
    const bool written = output.flush();
    output.close();
    if (sampleRate == 0)
        return fail(error, decoder.error());
    if (!written)
        return fail(error, QStringLiteral("Could not play %1: %2").arg(path, output.errorString()));
    Log::line(QStringLiteral("Done."));
    return playFileWithPath(temporary, 2, sampleRate, 16, error);
}
