#include "ZTVelocityFormatter.h"

#include "Localization.h"

#include <limits>

namespace {

// The number a text starts with, as a field reads it: leading spaces, a sign, digits; the
// rest is ignored, no number is 0, and a number too large saturates.
qint64 leadingInteger(const QString& text)
{
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        const int digit = text[i].unicode() - '0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

} // namespace

QString ZTVelocityFormatter::stringForValue(qint64 value)
{
    return QStringLiteral("%1").arg(value, 3, 10, QLatin1Char('0'));
}

bool ZTVelocityFormatter::isPartialStringValid(const QString& partial, qint64 proposedLocation, const QString&,
                                               qint64 originalLocation, QString* error) const
{
    if (partial.isEmpty())
        return false;
    QString typed;
    if (proposedLocation > originalLocation && originalLocation >= 0)
        typed = partial.mid(originalLocation, proposedLocation - originalLocation);
    for (const QChar c : typed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            if (error)
                *error = localized(QStringLiteral("Input is not an integer"));
            return false;
        }
    }
    const qint64 value = leadingInteger(partial);
    if (value >= 0 && value < 128) {
        if (error)
            *error = QString();
        return true;
    }
    if (error)
        *error = localized(QStringLiteral("Input is invalid"));
    return false;
}
