#include "QVDateAdditions.h"

#include <QLocale>
#include <QRegularExpression>

namespace QVDateAdditions {

QString mediumDateFormat()
{
    QString format = QLocale().dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekdayFirst(QStringLiteral("^\\s*dddd[\\s,.،]*"));
    static const QRegularExpression weekdayElsewhere(QStringLiteral("[\\s,.،]*dddd"));
    format.remove(weekdayFirst);
    format.remove(weekdayElsewhere);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return format.trimmed();
}

QString mediumTimeFormat()
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?t+\\)?"));
    format.remove(zone);
    return format.trimmed();
}

QString toDateString(const QDateTime& date)
{
    if (!date.isValid())
        return QStringLiteral("");
    return QLocale().toString(date.toLocalTime().date(), mediumDateFormat());
}

QString toTimeString(const QDateTime& date)
{
    if (!date.isValid())
        return QStringLiteral("");
    return QLocale().toString(date.toLocalTime().time(), QLocale::ShortFormat);
}

QString toDateTimeString(const QDateTime& date)
{
    if (!date.isValid())
        return QStringLiteral("");
    return QStringLiteral("%1 - %2").arg(toDateString(date), toTimeString(date));
}

QString ISODate(const QDateTime& date)
{
    if (!date.isValid())
        return QStringLiteral("");
    // Stored in the statistics and compared as text: never the user's digits or calendar.
    return QLocale::c().toString(date.toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace QVDateAdditions
