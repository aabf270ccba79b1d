#include "ZTExamJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

namespace {

bool isStorableCharacter(QChar c)
{
    const char16_t code = c.unicode();
    return code >= 0x20 ? code != 0xFFFE && code != 0xFFFF : (code == u'\t' || code == u'\n' || code == u'\r');
}

QString storableText(QString text)
{
    text.removeIf([](QChar c) { return !isStorableCharacter(c); });
    return text;
}

// Invalid for a null (left out by the caller) and for nesting beyond the limit (*tooDeep).
QVariant plistValueOf(const QJsonValue& value, int depth, bool* tooDeep)
{
    if (depth > ZTExamJson::kMaxDepth) {
        *tooDeep = true;
        return {};
    }
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double: {
        const QVariant number = value.toVariant();
        if (number.typeId() == QMetaType::LongLong)
            return number;
        const double real = value.toDouble();
        if (std::trunc(real) == real && std::abs(real) < 9.0e15)
            return qlonglong(real);
        return real;
    }
    case QJsonValue::String:
        return storableText(value.toString());
    case QJsonValue::Array: {
        QVariantList list;
        for (const QJsonValue& element : value.toArray()) {
            const QVariant converted = plistValueOf(element, depth + 1, tooDeep);
            if (converted.isValid())
                list.append(converted);
        }
        return list;
    }
    case QJsonValue::Object: {
        QVariantMap map;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QVariant converted = plistValueOf(it.value(), depth + 1, tooDeep);
            if (converted.isValid())
                map.insert(storableText(it.key()), converted);
        }
        return map;
    }
    default:
        return {};
    }
}

} // namespace

namespace ZTExamJson {

std::optional<QVariant> parse(const QByteArray& body, QString* error)
{
    // Wrapping the body in an array lets a bare value stand at the top.
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson("[" + body + "]", &parseError);
    if (parseError.error != QJsonParseError::NoError || document.array().size() != 1) {
        if (error)
            *error = parseError.error != QJsonParseError::NoError
                ? QStringLiteral("%1 at offset %2").arg(parseError.errorString()).arg(qMax(0, parseError.offset - 1))
                : QStringLiteral("not one JSON value");
        return std::nullopt;
    }
    bool tooDeep = false;
    const QVariant value = plistValueOf(document.array().first(), 0, &tooDeep);
    if (tooDeep) {
        if (error)
            *error = QStringLiteral("nested deeper than %1 levels").arg(kMaxDepth);
        return std::nullopt;
    }
    return value;
}

QByteArray prettyPrinted(const QVariantMap& body)
{
    return QJsonDocument(QJsonObject::fromVariantMap(body)).toJson(QJsonDocument::Indented);
}

} // namespace ZTExamJson
