#include "PlistValues.h"

#include "SaturatingCast.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QVariantList>
#include <QVariantMap>

#include <cmath>
#include <limits>

namespace PlistValues {
namespace {

bool isIntegral(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

// What no signed 64-bit value holds; toLongLong() would wrap it negative.
bool isBeyondSignedRange(const QVariant& value)
{
    return (value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::ULong)
        && value.toULongLong() > qulonglong(std::numeric_limits<qlonglong>::max());
}

bool isReal(const QVariant& value)
{
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

bool isNumber(const QVariant& value)
{
    return isIntegral(value) || isReal(value);
}

bool isList(const QVariant& value)
{
    return value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList;
}

bool isMap(const QVariant& value)
{
    return value.typeId() == QMetaType::QVariantMap || value.typeId() == QMetaType::QVariantHash;
}

double leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}

} // namespace

int toInteger(const QVariant& value)
{
    if (isNumber(value))
        return saturatingCast<int>(value.toDouble());
    if (value.typeId() == QMetaType::QString) {
        static const QRegularExpression integer(QStringLiteral("^\\s*([+-]?\\d+)"));
        const QRegularExpressionMatch match = integer.match(value.toString());
        return match.hasMatch() ? saturatingCast<int>(match.captured(1).toDouble()) : 0;
    }
    return 0;
}

std::optional<qlonglong> toWholeNumber(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool || isBeyondSignedRange(value))
        return std::nullopt;
    if (isIntegral(value))
        return value.toLongLong();
    if (isReal(value)) {
        constexpr double largestExact = 9007199254740992.0; // 2^53
        const double real = value.toDouble();
        if (std::trunc(real) != real || std::abs(real) > largestExact)
            return std::nullopt;
        return qlonglong(real);
    }
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const qlonglong number = value.toString().trimmed().toLongLong(&ok);
        return ok ? std::optional<qlonglong>(number) : std::nullopt;
    }
    return std::nullopt;
}

float toFloat(const QVariant& value)
{
    if (isNumber(value))
        return float(value.toDouble());
    if (value.typeId() == QMetaType::QString)
        return float(leadingNumber(value.toString()));
    return 0.0f;
}

bool toBool(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (isIntegral(value))
        return value.toLongLong() != 0;
    if (isReal(value))
        return value.toDouble() != 0.0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        int i = 0;
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            ++i;
        while (i < text.size() && text.at(i) == QLatin1Char('0'))
            ++i;
        if (i >= text.size())
            return false;
        const QChar c = text.at(i);
        return c == QLatin1Char('Y') || c == QLatin1Char('y') || c == QLatin1Char('T') || c == QLatin1Char('t')
            || (c >= QLatin1Char('1') && c <= QLatin1Char('9'));
    }
    return false;
}

QString toStringOrNull(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (isNumber(value))
        return value.toString();
    return {};
}

bool objectsEqual(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    if (isNumber(a) || isNumber(b)) {
        if (!isNumber(a) || !isNumber(b))
            return false;
        if (isIntegral(a) && isIntegral(b))
            return isBeyondSignedRange(a) == isBeyondSignedRange(b) && a.toLongLong() == b.toLongLong();
        return a.toDouble() == b.toDouble();
    }
    if (isList(a) || isList(b)) {
        if (!isList(a) || !isList(b))
            return false;
        const QVariantList left = a.toList();
        const QVariantList right = b.toList();
        if (left.size() != right.size())
            return false;
        for (qsizetype i = 0; i < left.size(); ++i)
            if (!objectsEqual(left.at(i), right.at(i)))
                return false;
        return true;
    }
    if (isMap(a) || isMap(b)) {
        if (!isMap(a) || !isMap(b))
            return false;
        const QVariantMap left = a.toMap();
        const QVariantMap right = b.toMap();
        if (left.size() != right.size())
            return false;
        for (auto it = left.constBegin(); it != left.constEnd(); ++it) {
            auto other = right.constFind(it.key());
            if (other == right.constEnd() || !objectsEqual(it.value(), *other))
                return false;
        }
        return true;
    }
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return a.typeId() == b.typeId() && a.toString() == b.toString();
    if (a.typeId() == QMetaType::QDateTime && b.typeId() == QMetaType::QDateTime)
        return a.toDateTime() == b.toDateTime();
    return a == b;
}

} // namespace PlistValues
