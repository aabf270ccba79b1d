#include "URLRequest.h"

QString HTTPHeaderFields::value(const QString& name) const
{
    for (const auto& [fieldName, fieldValue] : fields_)
        if (fieldName.compare(name, Qt::CaseInsensitive) == 0)
            return fieldValue;
    return {};
}

bool HTTPHeaderFields::contains(const QString& name) const
{
    return std::any_of(fields_.begin(), fields_.end(),
                       [&](const auto& field) { return field.first.compare(name, Qt::CaseInsensitive) == 0; });
}

void HTTPHeaderFields::set(const QString& name, const QString& value)
{
    for (auto& field : fields_) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0) {
            field.second = value;
            return;
        }
    }
    fields_.append({name, value});
}

void HTTPHeaderFields::remove(const QString& name)
{
    fields_.removeIf([&](const auto& field) { return field.first.compare(name, Qt::CaseInsensitive) == 0; });
}

URLRequest::URLRequest(QUrl requestURL)
    : url(std::move(requestURL))
{
}

QString URLRequest::description() const
{
    return QStringLiteral("<URLRequest: %1>").arg(url.toString());
}

namespace {
// The media type and the parameters of a Content-Type value.
QStringList contentTypeParts(const QString& contentType)
{
    QStringList parts = contentType.split(QLatin1Char(';'));
    for (QString& part : parts)
        part = part.trimmed();
    return parts;
}
} // namespace

QString URLResponse::MIMEType() const
{
    const QString type = contentTypeParts(headers.value(QStringLiteral("Content-Type"))).value(0);
    return type.toLower();
}

QString URLResponse::textEncodingName() const
{
    const QStringList parts = contentTypeParts(headers.value(QStringLiteral("Content-Type")));
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qsizetype equals = parts[i].indexOf(QLatin1Char('='));
        if (equals > 0 && parts[i].left(equals).trimmed().compare(QLatin1String("charset"), Qt::CaseInsensitive) == 0) {
            QString name = parts[i].mid(equals + 1).trimmed();
            if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
                name = name.mid(1, name.size() - 2);
            return name;
        }
    }
    return {};
}

qint64 URLResponse::expectedContentLength() const
{
    bool ok = false;
    const qint64 length = headers.value(QStringLiteral("Content-Length")).trimmed().toLongLong(&ok);
    return ok && length >= 0 ? length : -1;
}

QString URLResponse::description() const
{
    return QStringLiteral("<URLResponse: %1 { status code: %2 }>").arg(url.toString()).arg(statusCode);
}
