#pragma once

#include <QColor>

// Colours are sRGB with components from 0 to 1; a fraction n/255 is written as such.
class Color {
public:
    static QColor rgb(double red, double green, double blue, double alpha = 1.0)
    {
        return QColor::fromRgbF(float(red), float(green), float(blue), float(alpha));
    }
    static QColor white(double white, double alpha = 1.0) { return rgb(white, white, white, alpha); }
    static QColor black() { return rgb(0, 0, 0); }
    static QColor clear() { return rgb(0, 0, 0, 0); }
};
