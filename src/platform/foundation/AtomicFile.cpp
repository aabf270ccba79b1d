#include "AtomicFile.h"

#include <QFileDevice>
#include <QSaveFile>

#include <unistd.h>

namespace AtomicFile {
namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

bool writeFully(QFileDevice& file, const QByteArray& bytes, QString* error)
{
    // Small writes only fill Qt's buffer: a full disk shows at the flush, or at the sync.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return fail(error, file.errorString());
    if (::fsync(file.handle()) != 0)
        return fail(error, QStringLiteral("cannot sync %1 to the disk").arg(file.fileName()));
    return true;
}

bool replace(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, file.errorString());
    if (!writeFully(file, bytes, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return fail(error, file.errorString());
    return true;
}

} // namespace AtomicFile
