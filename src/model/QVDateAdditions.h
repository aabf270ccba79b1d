#pragma once

#include <QDateTime>
#include <QString>

// Date texts in the user's locale and time zone, and the timestamp stored with each answer.
// An invalid date gives the empty text.
namespace QVDateAdditions {

// Medium date style, no time ("Mar 5, 2024").
QString toDateString(const QDateTime& date);
// Short time style, no date ("7:08 PM").
QString toTimeString(const QDateTime& date);
// "<date> - <time>" of the two above.
QString toDateTimeString(const QDateTime& date);
// "yyyy-MM-dd HH:mm:ss" in local time: Gregorian, ASCII digits, whatever the locale.
QString ISODate(const QDateTime& date);

// The medium styles, which the locale database does not name: the long form without the
// weekday and with the abbreviated month; the long time without the zone.
QString mediumDateFormat();
QString mediumTimeFormat();

} // namespace QVDateAdditions
