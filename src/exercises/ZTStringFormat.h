#pragma once

#include <QString>
#include <QStringList>

// Fills the placeholders of a localized format ("%@", "%ld"), left to right, with the texts
// given; placeholders beyond the texts stay as they are.
namespace ZTStringFormat {

inline QString fill(const QString& format, const QStringList& args)
{
    QString result;
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format.at(i) == QLatin1Char('%') && next < args.size()) {
            if (format.mid(i, 2) == QLatin1String("%@")) {
                result += args.at(next++);
                i += 1;
                continue;
            }
            if (format.mid(i, 3) == QLatin1String("%ld")) {
                result += args.at(next++);
                i += 2;
                continue;
            }
        }
        result += format.at(i);
    }
    return result;
}

} // namespace ZTStringFormat
