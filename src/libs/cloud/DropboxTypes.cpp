#include "DropboxTypes.h"

#include "Localization.h"

#include <QJsonDocument>
#include <QJsonParseError>

DropboxEndpoints DropboxEndpoints::allAt(const QUrl& base, quint16 redirectPort)
{
    DropboxEndpoints endpoints;
    endpoints.api = endpoints.content = endpoints.web = base;
    endpoints.redirectPort = redirectPort;
    return endpoints;
}

std::optional<DropboxFileMetadata> DropboxFileMetadata::fromJson(const QJsonObject& object, QString* error)
{
    auto fail = [error](const QString& reason) -> std::optional<DropboxFileMetadata> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    const QString tag = object.value(QStringLiteral(".tag")).toString();
    if (!tag.isEmpty() && tag != QLatin1String("file"))
        return fail(QStringLiteral("the path holds a %1, not a file").arg(tag.left(40)));
    DropboxFileMetadata metadata;
    metadata.rev = object.value(QStringLiteral("rev")).toString();
    // Revisions are short hexadecimal-like words; anything else is no revision of a file.
    if (metadata.rev.isEmpty() || metadata.rev.size() > 256)
        return fail(QStringLiteral("the file metadata has no usable revision"));
    metadata.serverModified = QDateTime::fromString(object.value(QStringLiteral("server_modified")).toString(), Qt::ISODate);
    if (!metadata.serverModified.isValid())
        return fail(QStringLiteral("the file metadata has no valid modification time"));
    return metadata;
}

DropboxError DropboxError::transport(const Error& error)
{
    DropboxError result;
    result.kind_ = Kind::Transport;
    result.detail_ = error.localizedDescription();
    return result;
}

DropboxError DropboxError::api(int statusCode, const QByteArray& body)
{
    DropboxError result;
    result.kind_ = Kind::Api;
    result.statusCode_ = statusCode;
    if (const auto reply = DropboxJson::objectFrom(body)) {
        result.summary_ = reply->value(QStringLiteral("error_summary")).toString().left(200);
        // The token endpoint names its errors with a plain string ("invalid_grant").
        if (result.summary_.isEmpty())
            result.summary_ = reply->value(QStringLiteral("error")).toString().left(200);
        const QJsonObject error = reply->value(QStringLiteral("error")).toObject();
        result.errorTag_ = error.value(QStringLiteral(".tag")).toString();
        result.pathTag_ = error.value(QStringLiteral("path")).toObject().value(QStringLiteral(".tag")).toString();
        result.reasonTag_ = error.value(QStringLiteral("reason")).toObject().value(QStringLiteral(".tag")).toString();
    } else {
        // Plain-text errors (bad requests) and pages of proxies: a line of them is enough.
        result.detail_ = QString::fromUtf8(body.left(200)).simplified();
    }
    return result;
}

DropboxError DropboxError::badReply(const QString& reason)
{
    DropboxError result;
    result.kind_ = Kind::BadReply;
    result.detail_ = reason;
    return result;
}

DropboxError DropboxError::notLinked(const QString& reason)
{
    DropboxError result;
    result.kind_ = Kind::NotLinked;
    result.detail_ = reason;
    return result;
}

bool DropboxError::isPathNotFound() const
{
    if (kind_ != Kind::Api || statusCode_ != 409)
        return false;
    if (!errorTag_.isEmpty())
        return errorTag_ == QLatin1String("path") && pathTag_ == QLatin1String("not_found");
    return summary_.startsWith(QLatin1String("path/not_found/"));
}

bool DropboxError::isConflict() const
{
    if (kind_ != Kind::Api || statusCode_ != 409)
        return false;
    if (!errorTag_.isEmpty())
        return errorTag_ == QLatin1String("path") && reasonTag_ == QLatin1String("conflict");
    return summary_.startsWith(QLatin1String("path/conflict/"));
}

QString DropboxError::description() const
{
    switch (kind_) {
    case Kind::None:
        return QString();
    case Kind::Transport:
        return localized(QStringLiteral("Dropbox could not be reached (%1)")).arg(detail_);
    case Kind::Api: {
        const QString what = !summary_.isEmpty() ? summary_ : detail_;
        return what.isEmpty() ? localized(QStringLiteral("Dropbox answered with HTTP status %1")).arg(statusCode_)
                              : localized(QStringLiteral("Dropbox answered with HTTP status %1: %2")).arg(statusCode_).arg(what);
    }
    case Kind::BadReply:
        return localized(QStringLiteral("Dropbox sent a reply that cannot be read (%1)")).arg(detail_);
    case Kind::NotLinked:
        return localized(QStringLiteral("Melvora is not signed in to Dropbox (%1)")).arg(detail_);
    }
    return QString();
}

namespace DropboxJson {

std::optional<QJsonObject> objectFrom(const QByteArray& body, QString* error)
{
    if (body.size() > MaxReplySize) {
        if (error)
            *error = QStringLiteral("the reply is larger than %1 bytes").arg(MaxReplySize);
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (!document.isObject()) {
        if (error)
            *error = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                   : QStringLiteral("the reply is no JSON object");
        return std::nullopt;
    }
    return document.object();
}

QByteArray headerArgument(const QJsonObject& argument)
{
    const QString json = QString::fromUtf8(QJsonDocument(argument).toJson(QJsonDocument::Compact));
    QByteArray header;
    header.reserve(json.size());
    for (const QChar c : json) {
        if (c.unicode() < 0x7f)
            header.append(char(c.unicode()));
        else
            header.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toLatin1());
    }
    return header;
}

} // namespace DropboxJson
