#pragma once

#include <QFont>
#include <QPainterPath>
#include <QString>

// The outline of a note's name as a mark shows it: the letters and digits in the mark's font,
// the accidental signs drawn as shapes of their own. The system fonts draw their signs as
// hairlines half as wide as a letter, and some have no double sharp or flat at all; these
// shapes take their size from the letters of the font actually used (cap height and stem),
// so a sign reads at the weight of the letters beside it in any font.
class ZTMarkLettering {
public:
    ZTMarkLettering(const QString& name, const QFont& font);

    // On the baseline (y 0, Qt's y-down) from x 0.
    const QPainterPath& outline() const { return outline_; }
    // The natural width, side bearings included.
    double advance() const { return advance_; }
    // The height of the font's capitals, which the name is centred on.
    double capHeight() const { return capHeight_; }

    static bool isAccidentalSign(char32_t codePoint);

private:
    // Appends one sign at the pen position and returns its advance.
    double addSign(char32_t codePoint, double x);
    QPainterPath sharp(double x) const;
    QPainterPath flat(double x) const;
    QPainterPath doubleSharp(double x) const;

    QPainterPath outline_;
    double advance_ = 0;
    double capHeight_ = 0;
    double stem_ = 0;
};
