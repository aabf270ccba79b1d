#include "ZTButtonCell.h"

#include "Color.h"
#include "Fonts.h"

#include <QPainter>

QRectF ZTButtonCell::drawTitle(QPainter& painter, const QString& title, const QRectF& frame)
{
    painter.save();
    painter.setFont(Fonts::system(11));
    painter.setPen(Color::white(1.0, 0.6));
    painter.drawText(frame.translated(0, 3), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, title);
    const QRectF drawn = frame.translated(0, 2);
    painter.setPen(Color::black());
    painter.drawText(drawn, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, title);
    painter.restore();
    return drawn;
}
