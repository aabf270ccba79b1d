#include "AFStreamingMultipartFormData.h"

#include "AFHTTPRequestOperation.h"
#include "Localization.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QRandomGenerator>

#include <cassert>

namespace {

QByteArray randomBoundary()
{
    QRandomGenerator* random = QRandomGenerator::system();
    return "Boundary+" + QByteArray::number(random->generate64(), 16).rightJustified(16, '0').toUpper();
}

// A quoted header parameter that cannot end early or start a new header line.
QString quotedParameter(QString text)
{
    return text.replace(QLatin1Char('"'), QLatin1String("%22"))
        .replace(QLatin1Char('\r'), QLatin1String("%0D"))
        .replace(QLatin1Char('\n'), QLatin1String("%0A"));
}

Error badFileURL(const QString& reason)
{
    return Error(AFNetworkingErrorDomain, -1000,
                 {{Error::LocalizedFailureReasonKey, localized(reason)}, {Error::LocalizedDescriptionKey, localized(reason)}});
}

} // namespace

AFStreamingMultipartFormData::AFStreamingMultipartFormData(const URLRequest& request, const QByteArray& stringEncoding)
    : request_(request)
    , stringEncoding_(stringEncoding)
    , bodyStream_(std::make_shared<AFMultipartBodyStream>(stringEncoding, randomBoundary()))
{
}

void AFStreamingMultipartFormData::appendPart(HTTPHeaderFields headers, AFHTTPBodyPart::Body body, quint64 length)
{
    auto part = std::make_unique<AFHTTPBodyPart>();
    part->stringEncoding = stringEncoding_;
    part->headers = std::move(headers);
    part->body = std::move(body);
    part->bodyContentLength = length;
    bodyStream_->appendHTTPBodyPart(std::move(part));
}

HTTPHeaderFields AFStreamingMultipartFormData::fileHeaders(const QString& name, const QString& fileName,
                                                          const QString& mimeType)
{
    HTTPHeaderFields headers;
    headers.set(QStringLiteral("Content-Disposition"), QStringLiteral("form-data; name=\"%1\"; filename=\"%2\"")
                                                           .arg(quotedParameter(name), quotedParameter(fileName)));
    headers.set(QStringLiteral("Content-Type"), mimeType);
    return headers;
}

bool AFStreamingMultipartFormData::appendPartWithFileURL(const QUrl& fileURL, const QString& name, Error* error)
{
    assert(!fileURL.isEmpty() && "Invalid parameter not satisfying: fileURL");
    assert(!name.isEmpty() && "Invalid parameter not satisfying: name");
    const QString fileName = fileURL.fileName();
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    const QString mimeType = type.isValid() && !type.isDefault() ? type.name() : QStringLiteral("application/octet-stream");
    return appendPartWithFileURL(fileURL, name, fileName, mimeType, error);
}

bool AFStreamingMultipartFormData::appendPartWithFileURL(const QUrl& fileURL, const QString& name,
                                                         const QString& fileName, const QString& mimeType, Error* error)
{
    assert(!fileURL.isEmpty() && !name.isEmpty() && !fileName.isEmpty() && !mimeType.isEmpty()
           && "Invalid parameter not satisfying: fileURL && name && fileName && mimeType");
    if (!fileURL.isLocalFile()) {
        if (error)
            *error = badFileURL(QStringLiteral("Expected URL to be a file URL"));
        return false;
    }
    const QFileInfo file(fileURL.toLocalFile());
    if (!file.isFile() || !file.isReadable()) {
        if (error)
            *error = badFileURL(QStringLiteral("File URL not reachable."));
        return false;
    }
    appendPart(fileHeaders(name, fileName, mimeType), file.absoluteFilePath(), quint64(file.size()));
    return true;
}

void AFStreamingMultipartFormData::appendPartWithInputStream(std::shared_ptr<InputStream> inputStream,
                                                             const QString& name, const QString& fileName,
                                                             quint64 length, const QString& mimeType)
{
    assert(!name.isEmpty() && !fileName.isEmpty() && !mimeType.isEmpty()
           && "Invalid parameter not satisfying: name && fileName && mimeType");
    appendPart(fileHeaders(name, fileName, mimeType), std::move(inputStream), length);
}

void AFStreamingMultipartFormData::appendPartWithFileData(const QByteArray& data, const QString& name,
                                                          const QString& fileName, const QString& mimeType)
{
    assert(!name.isEmpty() && !fileName.isEmpty() && !mimeType.isEmpty()
           && "Invalid parameter not satisfying: name && fileName && mimeType");
    appendPartWithHeaders(fileHeaders(name, fileName, mimeType), data);
}

void AFStreamingMultipartFormData::appendPartWithFormData(const QByteArray& data, const QString& name)
{
    assert(!name.isEmpty() && "Invalid parameter not satisfying: name");
    HTTPHeaderFields headers;
    headers.set(QStringLiteral("Content-Disposition"), QStringLiteral("form-data; name=\"%1\"").arg(quotedParameter(name)));
    appendPartWithHeaders(headers, data);
}

void AFStreamingMultipartFormData::appendPartWithHeaders(const HTTPHeaderFields& headers, const QByteArray& body)
{
    appendPart(headers, body, quint64(body.size()));
}

void AFStreamingMultipartFormData::throttleBandwidthWithPacketSize(quint64 numberOfBytes, double delay)
{
    bodyStream_->numberOfBytesInPacket = numberOfBytes;
    bodyStream_->delay = delay;
}

URLRequest AFStreamingMultipartFormData::requestByFinalizingMultipartFormData()
{
    if (bodyStream_->isEmpty())
        return request_;
    bodyStream_->setInitialAndFinalBoundaries();
    request_.headers.set(QStringLiteral("Content-Type"),
                         QStringLiteral("multipart/form-data; boundary=%1").arg(QString::fromLatin1(boundary())));
    request_.headers.set(QStringLiteral("Content-Length"), QString::number(bodyStream_->contentLength()));
    request_.HTTPBody.clear();
    request_.HTTPBodyStream = bodyStream_;
    return request_;
}
