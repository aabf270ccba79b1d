#pragma once

#include <QColor>

class QAbstractButton;

// Colours a button's title while keeping its font and alignment.
class ButtonTextColor {
public:
    static void setTextColor(QAbstractButton* button, const QColor& color);
    // The colour set with setTextColor; an invalid colour when the title carries none.
    static QColor textColor(const QAbstractButton* button);
};
