#pragma once

#include <QByteArray>
#include <QString>

class QFileDevice;

// Writing files the user owns so that a failed write (a full disk, an I/O error) never
// leaves a shorter or emptier file under the old name.
namespace AtomicFile {

// Writes every byte and forces them to the disk. False, with the reason in *error, when any
// write, the flush or the sync failed; the file then holds an unknown part of the bytes.
bool writeFully(QFileDevice& file, const QByteArray& bytes, QString* error = nullptr);

// Replaces the file as a whole: the bytes go to a new file beside it, which takes the name
// only when every byte reached the disk. On failure the old file stays as it was and no
// temporary file is left.
bool replace(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace AtomicFile
