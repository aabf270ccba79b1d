#include "Streams.h"

#include <cstring>

namespace {
Error fileError(const QFile& file, const QString& what)
{
    return Error(StreamErrorDomain, file.error(),
                 {{Error::LocalizedDescriptionKey,
                   QStringLiteral("%1 \"%2\": %3").arg(what, file.fileName(), file.errorString())}});
}
} // namespace

DataInputStream::DataInputStream(QByteArray data)
    : data_(std::move(data))
{
}

void DataInputStream::open()
{
    if (status_ == StreamStatus::NotOpen)
        status_ = data_.isEmpty() ? StreamStatus::AtEnd : StreamStatus::Open;
}

void DataInputStream::close()
{
    status_ = StreamStatus::Closed;
}

qint64 DataInputStream::read(char* buffer, qint64 maxLength)
{
    if (status_ != StreamStatus::Open)
        return 0;
    const qint64 count = std::min(maxLength, qint64(data_.size()) - offset_);
    std::memcpy(buffer, data_.constData() + offset_, size_t(count));
    offset_ += count;
    if (offset_ == data_.size())
        status_ = StreamStatus::AtEnd;
    return count;
}

bool DataInputStream::hasBytesAvailable() const
{
    return status_ == StreamStatus::Open;
}

FileInputStream::FileInputStream(const QString& path)
    : file_(path)
{
}

void FileInputStream::open()
{
    if (status_ != StreamStatus::NotOpen)
        return;
    if (file_.open(QIODevice::ReadOnly)) {
        status_ = file_.atEnd() ? StreamStatus::AtEnd : StreamStatus::Open;
    } else {
        status_ = StreamStatus::Error;
        error_ = fileError(file_, QStringLiteral("Cannot open"));
    }
}

void FileInputStream::close()
{
    file_.close();
    if (status_ != StreamStatus::Error)
        status_ = StreamStatus::Closed;
}

qint64 FileInputStream::read(char* buffer, qint64 maxLength)
{
    if (status_ == StreamStatus::Error)
        return -1;
    if (status_ != StreamStatus::Open)
        return 0;
    const qint64 count = file_.read(buffer, maxLength);
    if (count < 0) {
        status_ = StreamStatus::Error;
        error_ = fileError(file_, QStringLiteral("Cannot read"));
        return -1;
    }
    if (count == 0 || file_.atEnd())
        status_ = StreamStatus::AtEnd;
    return count;
}

bool FileInputStream::hasBytesAvailable() const
{
    return status_ == StreamStatus::Open;
}

MemoryOutputStream::MemoryOutputStream(qint64 limit)
    : limit_(limit)
{
}

void MemoryOutputStream::open()
{
    if (status_ == StreamStatus::NotOpen)
        status_ = StreamStatus::Open;
}

void MemoryOutputStream::close()
{
    if (status_ != StreamStatus::Error)
        status_ = StreamStatus::Closed;
}

qint64 MemoryOutputStream::write(const char* buffer, qint64 length)
{
    if (status_ == StreamStatus::Error)
        return -1;
    if (data_.size() + length > limit_) {
        status_ = StreamStatus::Error;
        error_ = Error(StreamErrorDomain, -1103,
                       {{Error::LocalizedDescriptionKey,
                         QStringLiteral("The response body is larger than the %1 MB kept in memory; "
                                        "download it into a file instead.")
                             .arg(limit_ / (1024 * 1024))}});
        return -1;
    }
    data_.append(buffer, length);
    return length;
}

bool MemoryOutputStream::discardWrittenData()
{
    data_.clear();
    return status_ != StreamStatus::Error;
}

FileOutputStream::FileOutputStream(const QString& path, bool append)
    : file_(path)
    , append_(append)
{
}

void FileOutputStream::fail(const QString& what)
{
    status_ = StreamStatus::Error;
    error_ = fileError(file_, what);
}

void FileOutputStream::open()
{
    if (status_ != StreamStatus::NotOpen)
        return;
    const auto mode = QIODevice::WriteOnly | (append_ ? QIODevice::Append : QIODevice::Truncate);
    if (file_.open(mode))
        status_ = StreamStatus::Open;
    else
        fail(QStringLiteral("Cannot open"));
}

void FileOutputStream::close()
{
    if (file_.isOpen() && !file_.flush())
        fail(QStringLiteral("Cannot write"));
    file_.close();
    if (status_ != StreamStatus::Error)
        status_ = StreamStatus::Closed;
}

qint64 FileOutputStream::write(const char* buffer, qint64 length)
{
    if (status_ != StreamStatus::Open)
        return -1;
    const qint64 written = file_.write(buffer, length);
    if (written != length) {
        fail(QStringLiteral("Cannot write"));
        return -1;
    }
    return written;
}

std::optional<qint64> FileOutputStream::currentFileOffset() const
{
    if (file_.isOpen())
        return file_.pos();
    return file_.size();
}

bool FileOutputStream::discardWrittenData()
{
    if (status_ != StreamStatus::Open)
        return false;
    if (!file_.resize(0) || !file_.seek(0)) {
        fail(QStringLiteral("Cannot restart"));
        return false;
    }
    return true;
}
