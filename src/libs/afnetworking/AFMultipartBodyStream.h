#pragma once

#include "Streams.h"
#include "URLRequest.h"

#include <chrono>
#include <limits>
#include <memory>
#include <variant>
#include <vector>

// One part of a multipart body: its boundary, headers and body (bytes, a file or a
// stream), produced in phases by successive reads. The body gives exactly the announced
// number of bytes: a longer stream is cut there, a shorter one fails the read.
class AFHTTPBodyPart {
public:
    using Body = std::variant<std::monostate, QByteArray, QString /* file path */, std::shared_ptr<InputStream>>;

    QByteArray stringEncoding = "utf-8";
    QByteArray boundary;
    HTTPHeaderFields headers;
    Body body;
    quint64 bodyContentLength = 0;
    bool hasInitialBoundary = false;
    bool hasFinalBoundary = false;

    quint64 contentLength() const;
    bool hasBytesAvailable() const;
    // Bytes produced, or -1 with streamError() telling why.
    qint64 read(char* buffer, qint64 maxLength);
    QString stringForHeaders() const;
    Error streamError() const { return error_; }
    // Same encoding, headers, body and length; starts again at the boundary. A stream
    // body is shared, so only one of the two can send it.
    std::unique_ptr<AFHTTPBodyPart> copy() const;

private:
    enum Phase { BoundaryPhase = 1, HeaderPhase = 2, BodyPhase = 3, FinalBoundaryPhase = 4 };

    QByteArray encode(const QString& text) const;
    QByteArray openingText() const;
    QByteArray closingText() const;
    InputStream* inputStream();
    qint64 readText(const QByteArray& text, char* buffer, qint64 maxLength);
    qint64 readBody(char* buffer, qint64 maxLength);
    void transitionToNextPhase();

    Phase phase_ = BoundaryPhase;
    quint64 phaseReadOffset_ = 0;
    quint64 bodyBytesRead_ = 0;
    bool passComplete_ = false;
    std::shared_ptr<InputStream> inputStream_;
    Error error_;
};

// The body of a multipart request as a stream read by the connection, optionally in
// throttled packets. Throttling holds the next packet back (secondsUntilReadable) rather
// than sleeping the reading thread.
class AFMultipartBodyStream final : public InputStream {
public:
    AFMultipartBodyStream(QByteArray stringEncoding, QByteArray boundary);

    void appendHTTPBodyPart(std::unique_ptr<AFHTTPBodyPart> part);
    bool isEmpty() const { return parts_.empty(); }
    void setInitialAndFinalBoundaries();
    quint64 contentLength() const;
    const QByteArray& boundary() const { return boundary_; }

    quint64 numberOfBytesInPacket = std::numeric_limits<qint64>::max();
    double delay = 0;

    void open() override;
    void close() override;
    qint64 read(char* buffer, qint64 maxLength) override;
    bool hasBytesAvailable() const override { return status_ == StreamStatus::Open; }
    StreamStatus streamStatus() const override { return status_; }
    Error streamError() const override { return error_; }
    double secondsUntilReadable() const override;

    // The same parts from the start, with default packets (a body stream is read once).
    std::unique_ptr<AFMultipartBodyStream> copy() const;

private:
    QByteArray stringEncoding_;
    QByteArray boundary_;
    std::vector<std::unique_ptr<AFHTTPBodyPart>> parts_;
    std::size_t current_ = 0;
    StreamStatus status_ = StreamStatus::NotOpen;
    Error error_;
    std::chrono::steady_clock::time_point notBefore_{};
};
