#pragma once

#include "Error.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QMetaType>

#include <memory>
#include <optional>

class InputStream;

// HTTP header fields in the order they were set; names compare case-insensitively.
class HTTPHeaderFields {
public:
    QString value(const QString& name) const;
    bool contains(const QString& name) const;
    // An empty value still sets the field; remove() takes it away.
    void set(const QString& name, const QString& value);
    void remove(const QString& name);
    const QList<QPair<QString, QString>>& fields() const { return fields_; }
    bool operator==(const HTTPHeaderFields& other) const = default;

private:
    QList<QPair<QString, QString>> fields_;
};

// A request to load: URL, method, header fields and a body given as bytes or a stream.
// Copies share the body stream, which can be read only once.
struct URLRequest {
    static constexpr double DefaultTimeoutInterval = 60.0;
    static constexpr double DefaultConnectTimeout = 30.0;

    URLRequest() = default;
    explicit URLRequest(QUrl url);

    QUrl url;
    QString HTTPMethod = QStringLiteral("GET");
    HTTPHeaderFields headers;
    QByteArray HTTPBody;
    std::shared_ptr<InputStream> HTTPBodyStream;
    // Seconds without progress after which the load fails with a time-out.
    double timeoutInterval = DefaultTimeoutInterval;
    // Seconds allowed to reach the server and send the request.
    double connectTimeout = DefaultConnectTimeout;
    // Set by a request builder that could not write the body; the load fails with it.
    Error bodyError;

    QString valueForHTTPHeaderField(const QString& name) const { return headers.value(name); }
    void setValueForHTTPHeaderField(const QString& value, const QString& name) { headers.set(name, value); }
    // "<URLRequest: url>"
    QString description() const;
};

// The header of a response. Non-HTTP responses (file URLs) have no status code.
struct URLResponse {
    QUrl url;
    bool isHTTP = true;
    int statusCode = 0;
    HTTPHeaderFields headers;

    // The Content-Type's media type in lower case, empty when there is none.
    QString MIMEType() const;
    // The Content-Type's charset parameter, empty when there is none.
    QString textEncodingName() const;
    // The Content-Length, -1 when the response gives none.
    qint64 expectedContentLength() const;
    QString description() const;
};

Q_DECLARE_METATYPE(URLRequest)
Q_DECLARE_METATYPE(URLResponse)
