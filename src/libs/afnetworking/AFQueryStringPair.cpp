#include "AFQueryStringPair.h"

#include <QStringEncoder>

#include <algorithm>

namespace {

bool isNullValue(const QVariant& value)
{
    return !value.isValid() || value.metaType().id() == QMetaType::Nullptr;
}

// RFC 3986 unreserved characters; everything else is written as %XX of its bytes in the
// encoding, apart from the extra characters a field keeps.
QString percentEscaped(const QString& text, const QByteArray& encoding, const QByteArray& alsoUnescaped)
{
    QStringEncoder encoder(encoding.constData());
    const QByteArray bytes = encoder.isValid() ? QByteArray(encoder.encode(text)) : text.toUtf8();
    QString escaped;
    escaped.reserve(bytes.size());
    static const char hex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')
            || (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
        if (unreserved || alsoUnescaped.contains(c)) {
            escaped += QLatin1Char(c);
        } else {
            escaped += QLatin1Char('%');
            escaped += QLatin1Char(hex[byte >> 4]);
            escaped += QLatin1Char(hex[byte & 15]);
        }
    }
    return escaped;
}

} // namespace

QString AFParameterDescription(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (value.metaType().id() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

AFQueryStringPair::AFQueryStringPair(QVariant field, QVariant value)
    : field_(std::move(field))
    , value_(std::move(value))
{
}

bool AFQueryStringPair::hasValue() const
{
    return !isNullValue(value_);
}

QString AFQueryStringPair::URLEncodedStringValueWithEncoding(const QByteArray& encoding) const
{
    const QString field = AFPercentEscapedQueryField(AFParameterDescription(field_), encoding);
    if (!hasValue())
        return field;
    return field + QLatin1Char('=') + AFPercentEscapedQueryValue(AFParameterDescription(value_), encoding);
}

QString AFPercentEscapedQueryField(const QString& text, const QByteArray& encoding)
{
    return percentEscaped(text, encoding, "[]");
}

QString AFPercentEscapedQueryValue(const QString& text, const QByteArray& encoding)
{
    return percentEscaped(text, encoding, {});
}

QList<AFQueryStringPair> AFQueryPairsFromKeyAndValue(const QVariant& key, const QVariant& value)
{
    QList<AFQueryStringPair> pairs;
    const int type = value.metaType().id();
    if (type == QMetaType::QVariantMap) {
        const QVariantMap dictionary = value.toMap();
        QStringList keys = dictionary.keys();
        std::stable_sort(keys.begin(), keys.end(),
                         [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        for (const QString& nestedKey : keys) {
            const QVariant nested = isNullValue(key) ? QVariant(nestedKey)
                                                     : QVariant(QStringLiteral("%1[%2]").arg(AFParameterDescription(key), nestedKey));
            pairs += AFQueryPairsFromKeyAndValue(nested, dictionary.value(nestedKey));
        }
    } else if (type == QMetaType::QVariantList || type == QMetaType::QStringList) {
        const QVariant nested = QStringLiteral("%1[]").arg(AFParameterDescription(key));
        for (const QVariant& element : value.toList())
            pairs += AFQueryPairsFromKeyAndValue(nested, element);
    } else if (value.canConvert<AFParameterSet>() && value.metaType() == QMetaType::fromType<AFParameterSet>()) {
        for (const QVariant& element : value.value<AFParameterSet>().values)
            pairs += AFQueryPairsFromKeyAndValue(key, element);
    } else {
        pairs.append(AFQueryStringPair(key, value));
    }
    return pairs;
}

QList<AFQueryStringPair> AFQueryPairsFromDictionary(const QVariantMap& dictionary)
{
    return AFQueryPairsFromKeyAndValue(QVariant(), dictionary);
}

QString AFQueryStringWithParameters(const QVariantMap& parameters, const QByteArray& encoding)
{
    QStringList parts;
    for (const AFQueryStringPair& pair : AFQueryPairsFromDictionary(parameters))
        parts << pair.URLEncodedStringValueWithEncoding(encoding);
    return parts.join(QLatin1Char('&'));
}
