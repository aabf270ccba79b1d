#pragma once

#include <QPointF>
#include <QRectF>

class QWidget;

// Views keep their geometry with the origin at the bottom-left and y growing upward; Qt
// paints and reports the mouse with y growing downward. Every conversion between the two
// goes through here, so a view's logic never sees Qt's orientation.
class YUp {
public:
    // A y-up point or rectangle of a view `viewHeight` high in Qt's coordinates, and back.
    // The mapping is its own inverse.
    static QPointF toQt(const QPointF& point, double viewHeight)
    {
        return {point.x(), viewHeight - point.y()};
    }
    static QRectF toQt(const QRectF& rect, double viewHeight)
    {
        return {rect.x(), viewHeight - rect.y() - rect.height(), rect.width(), rect.height()};
    }
    static QPointF fromQt(const QPointF& point, double viewHeight) { return toQt(point, viewHeight); }
    static QRectF fromQt(const QRectF& rect, double viewHeight) { return toQt(rect, viewHeight); }

    // The pointer of a mouse event (Qt position in the widget) in the widget's y-up frame.
    static QPointF mousePoint(const QWidget* widget, const QPointF& qtPosition);
    // Places a child widget by its y-up frame in the parent's coordinates.
    static void place(QWidget* child, const QRectF& frame);
    // The child's frame in the parent's y-up coordinates.
    static QRectF frameOf(const QWidget* child);
};
