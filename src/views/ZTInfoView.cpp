#include "ZTInfoView.h"

#include "Color.h"

#include <QPainter>

ZTInfoView::ZTInfoView(QWidget* parent) : QWidget(parent) {}

void ZTInfoView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

ZTBorderdView::ZTBorderdView(QWidget* parent) : QWidget(parent) {}

QColor ZTBorderdView::borderColor()
{
    return Color::white(180 / 255.0);
}

void ZTBorderdView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(borderColor(), 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
