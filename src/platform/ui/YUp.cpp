#include "YUp.h"

#include <QWidget>

QPointF YUp::mousePoint(const QWidget* widget, const QPointF& qtPosition)
{
    return fromQt(qtPosition, widget ? widget->height() : 0.0);
}

void YUp::place(QWidget* child, const QRectF& frame)
{
    if (!child)
        return;
    const QWidget* parent = child->parentWidget();
    const double parentHeight = parent ? parent->height() : frame.height();
    child->setGeometry(toQt(frame, parentHeight).toAlignedRect());
}

QRectF YUp::frameOf(const QWidget* child)
{
    if (!child)
        return {};
    const QWidget* parent = child->parentWidget();
    const double parentHeight = parent ? parent->height() : child->height();
    return fromQt(QRectF(child->geometry()), parentHeight);
}
