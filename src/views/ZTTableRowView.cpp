#include "ZTTableRowView.h"

#include "Color.h"

#include <QPainter>

ZTTableRowView::ZTTableRowView(QWidget* parent) : QWidget(parent) {}

QColor ZTTableRowView::selectionColor()
{
    return Color::rgb(40 / 255.0, 45 / 255.0, 52 / 255.0, 1.0);
}

void ZTTableRowView::drawSelectionInRect(QPainter& painter, const QRectF&) const
{
    if (style_ == SelectionHighlightStyle::None)
        return;
    painter.fillRect(QRectF(rect()), selectionColor());
}

void ZTTableRowView::paintEvent(QPaintEvent*)
{
    if (!selected_)
        return;
    QPainter painter(this);
    drawSelectionInRect(painter, QRectF(rect()));
}
