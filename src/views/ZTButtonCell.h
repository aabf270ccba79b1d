#pragma once

#include <QRectF>
#include <QString>

class QPainter;

// Button titles with an etched look: the title in white (alpha 0.6) one point under the
// black title, both centred in the 11-point system font.
class ZTButtonCell {
public:
    // Draws `title` into `frame` (Qt coordinates of the control); returns the frame moved
    // 2 points down, where the black title went.
    static QRectF drawTitle(QPainter& painter, const QString& title, const QRectF& frame);
};
