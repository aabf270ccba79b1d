#pragma once

#include <QRectF>
#include <QSizeF>

// Text fields whose one line of text sits in the vertical middle of the field.
class ZTTextFieldCell {
public:
    // `drawingRect`: where the field would draw its text; `cellSize`: the size the text needs.
    // A taller rectangle shrinks to the text's height, centred in the old one.
    static QRectF drawingRectForBounds(const QRectF& drawingRect, const QSizeF& cellSize);
};
