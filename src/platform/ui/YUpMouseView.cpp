#include "YUpMouseView.h"

#include "YUp.h"

#include <QGuiApplication>
#include <QMouseEvent>

void YUpMouseView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        mouseDownAt(YUp::mousePoint(this, event->position()));
}

void YUpMouseView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        mouseDraggedAt(YUp::mousePoint(this, event->position()));
}

void YUpMouseView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        mouseUpAt(YUp::mousePoint(this, event->position()));
}

void YUpMouseView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    mouseExited(QGuiApplication::mouseButtons() != Qt::NoButton);
}
