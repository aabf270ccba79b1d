#include "AFMultipartBodyStream.h"

#include <QStringEncoder>

#include <cstring>

namespace {
const QString CRLF = QStringLiteral("\r\n");
}

QByteArray AFHTTPBodyPart::encode(const QString& text) const
{
    QStringEncoder encoder(stringEncoding.constData());
    return encoder.isValid() ? QByteArray(encoder.encode(text)) : text.toUtf8();
}

QByteArray AFHTTPBodyPart::openingText() const
{
    const QString boundaryText = QString::fromLatin1(boundary);
    return encode(hasInitialBoundary ? QStringLiteral("--%1%2").arg(boundaryText, CRLF)
                                     : QStringLiteral("%1--%2%3").arg(CRLF, boundaryText, CRLF));
}

QByteArray AFHTTPBodyPart::closingText() const
{
    return hasFinalBoundary ? encode(QStringLiteral("%1--%2--%3").arg(CRLF, QString::fromLatin1(boundary), CRLF))
                            : QByteArray();
}

QString AFHTTPBodyPart::stringForHeaders() const
{
    QString text;
    for (const auto& [name, value] : headers.fields())
        text += QStringLiteral("%1: %2%3").arg(name, value, CRLF);
    return text + CRLF;
}

quint64 AFHTTPBodyPart::contentLength() const
{
    return quint64(openingText().size()) + quint64(encode(stringForHeaders()).size()) + bodyContentLength
        + quint64(closingText().size());
}

InputStream* AFHTTPBodyPart::inputStream()
{
    if (!inputStream_) {
        if (const auto* bytes = std::get_if<QByteArray>(&body))
            inputStream_ = std::make_shared<DataInputStream>(*bytes);
        else if (const auto* path = std::get_if<QString>(&body))
            inputStream_ = std::make_shared<FileInputStream>(*path);
        else if (const auto* stream = std::get_if<std::shared_ptr<InputStream>>(&body))
            inputStream_ = *stream;
        else
            inputStream_ = std::make_shared<DataInputStream>(QByteArray());
    }
    return inputStream_.get();
}

bool AFHTTPBodyPart::hasBytesAvailable() const
{
    return !passComplete_ && error_.isNull();
}

void AFHTTPBodyPart::transitionToNextPhase()
{
    switch (phase_) {
    case BoundaryPhase:
        phase_ = HeaderPhase;
        break;
    case HeaderPhase:
        phase_ = BodyPhase;
        inputStream()->open();
        break;
    case BodyPhase:
        phase_ = FinalBoundaryPhase;
        inputStream()->close();
        break;
    default:
        // After its closing text the part is done; its stream is spent by then.
        phase_ = BoundaryPhase;
        passComplete_ = true;
        break;
    }
    phaseReadOffset_ = 0;
}

qint64 AFHTTPBodyPart::readText(const QByteArray& text, char* buffer, qint64 maxLength)
{
    const qint64 count = std::min<qint64>(qint64(text.size()) - qint64(phaseReadOffset_), maxLength);
    if (count > 0)
        std::memcpy(buffer, text.constData() + phaseReadOffset_, size_t(count));
    phaseReadOffset_ += quint64(std::max<qint64>(count, 0));
    if (phaseReadOffset_ >= quint64(text.size()))
        transitionToNextPhase();
    return std::max<qint64>(count, 0);
}

qint64 AFHTTPBodyPart::readBody(char* buffer, qint64 maxLength)
{
    InputStream* stream = inputStream();
    const qint64 wanted = std::min<qint64>(maxLength, qint64(bodyContentLength - bodyBytesRead_));
    qint64 count = 0;
    if (wanted > 0) {
        count = stream->read(buffer, wanted);
        if (count < 0) {
            error_ = stream->streamError();
            return -1;
        }
        bodyBytesRead_ += quint64(count);
    }
    const StreamStatus status = stream->streamStatus();
    const bool ended = status == StreamStatus::AtEnd || status == StreamStatus::Closed || status == StreamStatus::Error;
    if (bodyBytesRead_ == bodyContentLength) {
        transitionToNextPhase();
    } else if (ended || (count == 0 && stream->secondsUntilReadable() <= 0)) {
        const QString name = headers.value(QStringLiteral("Content-Disposition"));
        error_ = Error(StreamErrorDomain, -1021,
                       {{Error::LocalizedDescriptionKey,
                         QStringLiteral("The body of the part (%1) ended after %2 of its announced %3 bytes.")
                             .arg(name)
                             .arg(bodyBytesRead_)
                             .arg(bodyContentLength)}});
        return -1;
    }
    return count;
}

qint64 AFHTTPBodyPart::read(char* buffer, qint64 maxLength)
{
    qint64 total = 0;
    if (phase_ == BoundaryPhase)
        total += readText(openingText(), buffer, maxLength);
    if (phase_ == HeaderPhase)
        total += readText(encode(stringForHeaders()), buffer + total, maxLength - total);
    if (phase_ == BodyPhase) {
        const qint64 count = readBody(buffer + total, maxLength - total);
        if (count < 0)
            return -1;
        total += count;
    }
    if (phase_ == FinalBoundaryPhase)
        total += readText(closingText(), buffer + total, maxLength - total);
    return total;
}

std::unique_ptr<AFHTTPBodyPart> AFHTTPBodyPart::copy() const
{
    auto part = std::make_unique<AFHTTPBodyPart>();
    part->stringEncoding = stringEncoding;
    part->boundary = boundary;
    part->headers = headers;
    part->body = body;
    part->bodyContentLength = bodyContentLength;
    return part;
}

AFMultipartBodyStream::AFMultipartBodyStream(QByteArray stringEncoding, QByteArray boundary)
    : stringEncoding_(std::move(stringEncoding))
    , boundary_(std::move(boundary))
{
}

void AFMultipartBodyStream::appendHTTPBodyPart(std::unique_ptr<AFHTTPBodyPart> part)
{
    part->boundary = boundary_;
    parts_.push_back(std::move(part));
}

void AFMultipartBodyStream::setInitialAndFinalBoundaries()
{
    if (parts_.empty())
        return;
    for (auto& part : parts_)
        part->hasInitialBoundary = part->hasFinalBoundary = false;
    parts_.front()->hasInitialBoundary = true;
    parts_.back()->hasFinalBoundary = true;
}

quint64 AFMultipartBodyStream::contentLength() const
{
    quint64 length = 0;
    for (const auto& part : parts_)
        length += part->contentLength();
    return length;
}

void AFMultipartBodyStream::open()
{
    if (status_ == StreamStatus::Open)
        return;
    status_ = StreamStatus::Open;
    setInitialAndFinalBoundaries();
    current_ = 0;
}

void AFMultipartBodyStream::close()
{
    status_ = StreamStatus::Closed;
}

double AFMultipartBodyStream::secondsUntilReadable() const
{
    const auto wait = notBefore_ - std::chrono::steady_clock::now();
    return status_ == StreamStatus::Open ? std::max(0.0, std::chrono::duration<double>(wait).count()) : 0.0;
}

qint64 AFMultipartBodyStream::read(char* buffer, qint64 maxLength)
{
    if (status_ != StreamStatus::Open || secondsUntilReadable() > 0)
        return 0;
    const qint64 cap = std::min<qint64>(qint64(std::min<quint64>(numberOfBytesInPacket, quint64(std::numeric_limits<qint64>::max()))), maxLength);
    if (cap <= 0)
        return 0;
    qint64 total = 0;
    while (total < cap) {
        if (current_ < parts_.size() && parts_[current_]->hasBytesAvailable()) {
            const qint64 count = parts_[current_]->read(buffer + total, maxLength - total);
            if (count < 0) {
                error_ = parts_[current_]->streamError();
                status_ = StreamStatus::Error;
                return total > 0 ? total : -1;
            }
            total += count;
            if (delay > 0) {
                notBefore_ = std::chrono::steady_clock::now()
                    + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(delay));
                return total;
            }
            if (count == 0 && parts_[current_]->hasBytesAvailable())
                return total; // the part's stream has nothing yet
        } else if (++current_ >= parts_.size()) {
            status_ = StreamStatus::AtEnd;
            return total;
        }
    }
    return total;
}

std::unique_ptr<AFMultipartBodyStream> AFMultipartBodyStream::copy() const
{
    auto stream = std::make_unique<AFMultipartBodyStream>(stringEncoding_, boundary_);
    for (const auto& part : parts_)
        stream->appendHTTPBodyPart(part->copy());
    stream->setInitialAndFinalBoundaries();
    return stream;
}
