#include "ZTTextFieldCell.h"

QRectF ZTTextFieldCell::drawingRectForBounds(const QRectF& drawingRect, const QSizeF& cellSize)
{
    QRectF rect = drawingRect;
    const float difference = float(rect.height()) - float(cellSize.height());
    if (difference > 0) {
        rect.setHeight(rect.height() - difference);
        rect.translate(0, difference / 2);
    }
    return rect;
}
