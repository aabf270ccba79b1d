#pragma once

#include "Error.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

enum class StreamStatus { NotOpen, Opening, Open, Reading, Writing, AtEnd, Closed, Error };

// A source of bytes read once from start to end. Used from one thread at a time.
class InputStream {
public:
    virtual ~InputStream() = default;
    virtual void open() = 0;
    virtual void close() = 0;
    // Bytes read; 0 at the end (or when none are ready yet, see secondsUntilReadable); -1 on
    // failure, with streamError() telling why.
    virtual qint64 read(char* buffer, qint64 maxLength) = 0;
    virtual bool hasBytesAvailable() const = 0;
    virtual StreamStatus streamStatus() const = 0;
    virtual Error streamError() const = 0;
    // Seconds until more bytes may be read; above 0 while a throttled stream holds back.
    virtual double secondsUntilReadable() const { return 0; }
};

// A sink that takes a body chunk by chunk. Used from one thread at a time.
class OutputStream {
public:
    virtual ~OutputStream() = default;
    virtual void open() = 0;
    virtual void close() = 0;
    // Bytes written, -1 on failure (streamError() tells why).
    virtual qint64 write(const char* buffer, qint64 length) = 0;
    virtual StreamStatus streamStatus() const = 0;
    virtual Error streamError() const = 0;
    // The file position of a file stream; nothing for other streams.
    virtual std::optional<qint64> currentFileOffset() const { return std::nullopt; }
    // Everything written to an in-memory stream; nothing for other streams.
    virtual std::optional<QByteArray> dataWrittenToMemory() const { return std::nullopt; }
    // Drops what was written so far, so that a download can start over; false when the
    // stream cannot.
    virtual bool discardWrittenData() { return false; }
};

// Domain of the errors the streams below report.
inline const QString StreamErrorDomain = QStringLiteral("MelvoraStreamErrorDomain");

class DataInputStream final : public InputStream {
public:
    explicit DataInputStream(QByteArray data);
    void open() override;
    void close() override;
    qint64 read(char* buffer, qint64 maxLength) override;
    bool hasBytesAvailable() const override;
    StreamStatus streamStatus() const override { return status_; }
    Error streamError() const override { return {}; }

private:
    QByteArray data_;
    qint64 offset_ = 0;
    StreamStatus status_ = StreamStatus::NotOpen;
};

class FileInputStream final : public InputStream {
public:
    explicit FileInputStream(const QString& path);
    void open() override;
    void close() override;
    qint64 read(char* buffer, qint64 maxLength) override;
    bool hasBytesAvailable() const override;
    StreamStatus streamStatus() const override { return status_; }
    Error streamError() const override { return error_; }

private:
    QFile file_;
    StreamStatus status_ = StreamStatus::NotOpen;
    Error error_;
};

// Keeps what is written in memory, up to a limit; a write past the limit fails, so a
// runaway body cannot take all memory.
class MemoryOutputStream final : public OutputStream {
public:
    static constexpr qint64 DefaultLimit = 64 * 1024 * 1024;
    explicit MemoryOutputStream(qint64 limit = DefaultLimit);
    void open() override;
    void close() override;
    qint64 write(const char* buffer, qint64 length) override;
    StreamStatus streamStatus() const override { return status_; }
    Error streamError() const override { return error_; }
    std::optional<QByteArray> dataWrittenToMemory() const override { return data_; }
    bool discardWrittenData() override;

private:
    QByteArray data_;
    qint64 limit_;
    StreamStatus status_ = StreamStatus::NotOpen;
    Error error_;
};

// Writes to a file, appending to what it holds when asked to.
class FileOutputStream final : public OutputStream {
public:
    FileOutputStream(const QString& path, bool append);
    void open() override;
    void close() override;
    qint64 write(const char* buffer, qint64 length) override;
    StreamStatus streamStatus() const override { return status_; }
    Error streamError() const override { return error_; }
    std::optional<qint64> currentFileOffset() const override;
    bool discardWrittenData() override;

private:
    void fail(const QString& what);

    QFile file_;
    bool append_;
    StreamStatus status_ = StreamStatus::NotOpen;
    Error error_;
};
