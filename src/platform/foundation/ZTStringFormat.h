#pragma once

#include <QString>
#include <QStringList>

// Fills the placeholders of a localized format ("%@", "%ld", "%d"), left to right, with the texts
// given; placeholders beyond the texts stay as they are.
namespace ZTStringFormat {

inline QString fill(const QString& format, const QStringList& args)
{
    static const QLatin1String placeholders[] = {QLatin1String("%@"), QLatin1String("%ld"), QLatin1String("%d")};
    QString result;
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        bool filled = false;
        if (format.at(i) == QLatin1Char('%') && next < args.size()) {
            for (const QLatin1String& placeholder : placeholders) {
                if (QStringView(format).mid(i, placeholder.size()) == placeholder) {
                    result += args.at(next++);
                    i += placeholder.size() - 1;
                    filled = true;
                    break;
                }
            }
        }
        if (!filled)
            result += format.at(i);
    }
    return result;
}

} // namespace ZTStringFormat
