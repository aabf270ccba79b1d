#pragma once

#include <QFont>
#include <QString>

// Fonts by the names the views use. Sizes are pixel sizes ("n pt system font" is n pixels).
class Fonts {
public:
    static QFont system(double size, bool bold = false);
    // A family by name. "DS-Digital" (the seven-segment display face) is served by the DSEG
    // font; "Helvetica" by the closest sans-serif face the system has.
    static QFont named(const QString& family, double size, bool bold = false);
    // The seven-segment digits of the count-down.
    static QFont digital(double size);
    // The family the digital face resolved to (empty when no DSEG font could be found).
    static QString digitalFamily();
};
