#pragma once

#include "AFMultipartBodyStream.h"
#include "Error.h"
#include "URLRequest.h"

#include <QUrl>

#include <memory>

// What the block of a multipart request appends parts through.
class AFMultipartFormData {
public:
    virtual ~AFMultipartFormData() = default;
    // File name from the URL, MIME type from its extension ("application/octet-stream"
    // when unknown). False, with *error set, for a URL that is no reachable file.
    virtual bool appendPartWithFileURL(const QUrl& fileURL, const QString& name, Error* error) = 0;
    virtual bool appendPartWithFileURL(const QUrl& fileURL, const QString& name, const QString& fileName,
                                       const QString& mimeType, Error* error) = 0;
    // The stream must give exactly length bytes.
    virtual void appendPartWithInputStream(std::shared_ptr<InputStream> inputStream, const QString& name,
                                           const QString& fileName, quint64 length, const QString& mimeType) = 0;
    virtual void appendPartWithFileData(const QByteArray& data, const QString& name, const QString& fileName,
                                        const QString& mimeType) = 0;
    virtual void appendPartWithFormData(const QByteArray& data, const QString& name) = 0;
    virtual void appendPartWithHeaders(const HTTPHeaderFields& headers, const QByteArray& body) = 0;
    // Sends the body in packets of that many bytes, each held back for the delay.
    virtual void throttleBandwidthWithPacketSize(quint64 numberOfBytes, double delay) = 0;
};

// Builds a streamed multipart/form-data body under a random boundary. Names and file
// names are escaped in the Content-Disposition header (", CR and LF as %22, %0D, %0A).
class AFStreamingMultipartFormData final : public AFMultipartFormData {
public:
    AFStreamingMultipartFormData(const URLRequest& request, const QByteArray& stringEncoding);

    bool appendPartWithFileURL(const QUrl& fileURL, const QString& name, Error* error) override;
    bool appendPartWithFileURL(const QUrl& fileURL, const QString& name, const QString& fileName,
                               const QString& mimeType, Error* error) override;
    void appendPartWithInputStream(std::shared_ptr<InputStream> inputStream, const QString& name,
                                   const QString& fileName, quint64 length, const QString& mimeType) override;
    void appendPartWithFileData(const QByteArray& data, const QString& name, const QString& fileName,
                                const QString& mimeType) override;
    void appendPartWithFormData(const QByteArray& data, const QString& name) override;
    void appendPartWithHeaders(const HTTPHeaderFields& headers, const QByteArray& body) override;
    void throttleBandwidthWithPacketSize(quint64 numberOfBytes, double delay) override;

    // The request with the body stream and its Content-Type and Content-Length; unchanged
    // when nothing was appended.
    URLRequest requestByFinalizingMultipartFormData();
    const QByteArray& boundary() const { return bodyStream_->boundary(); }

private:
    void appendPart(HTTPHeaderFields headers, AFHTTPBodyPart::Body body, quint64 length);
    static HTTPHeaderFields fileHeaders(const QString& name, const QString& fileName, const QString& mimeType);

    URLRequest request_;
    QByteArray stringEncoding_;
    std::shared_ptr<AFMultipartBodyStream> bodyStream_;
};
