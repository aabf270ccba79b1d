#include "ZTTableViewBackView.h"

#include "Color.h"

#include <QPainter>
#include <QPainterPath>

QColor ZTTableViewBackView::backgroundColor()
{
    return Color::rgb(40 / 255.0, 45 / 255.0, 52 / 255.0);
}

ZTTableViewBackView::ZTTableViewBackView(QWidget* parent) : QWidget(parent) {}

void ZTTableViewBackView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.fillPath(path, backgroundColor());
}
