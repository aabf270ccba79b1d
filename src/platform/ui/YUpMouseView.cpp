#include "YUpMouseView.h"

#include "YUp.h"

#include <QGuiApplication>
#include <QMouseEvent>

QPointF YUpMouseView::pointForPosition(const QPointF& qtPosition) const
{
    return YUp::mousePoint(this, qtPosition);
}

void YUpMouseView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        mouseDownAt(pointForPosition(event->position()));
}

void YUpMouseView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        mouseDraggedAt(pointForPosition(event->position()));
}

void YUpMouseView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        mouseUpAt(pointForPosition(event->position()));
}

void YUpMouseView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    mouseExited(QGuiApplication::mouseButtons() != Qt::NoButton);
}
