#include "YUpPainter.h"

#include "Image.h"
#include "YUp.h"

#include <QFontMetricsF>
#include <QPainter>

YUpPainter::YUpPainter(QPainter& painter, double viewHeight) : painter_(painter), height_(viewHeight) {}

QRectF YUpPainter::toQt(const QRectF& rect) const
{
    return YUp::toQt(rect, height_);
}

QPointF YUpPainter::toQt(const QPointF& point) const
{
    return YUp::toQt(point, height_);
}

void YUpPainter::setAntialiasing(bool on)
{
    painter_.setRenderHint(QPainter::Antialiasing, on);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

void YUpPainter::drawLine(const QPointF& from, const QPointF& to, const QColor& color, double width)
{
    QPen pen(color);
    pen.setWidthF(width);
    pen.setCapStyle(Qt::FlatCap);
    painter_.setPen(pen);
    painter_.drawLine(toQt(from), toQt(to));
}

void YUpPainter::fillRect(const QRectF& rect, const QColor& color)
{
    painter_.fillRect(toQt(rect), color);
}

void YUpPainter::drawImage(const QString& name, const QRectF& rect, double opacity)
{
    ::drawImage(painter_, name, toQt(rect), opacity);
}

void YUpPainter::drawImageAt(const QString& name, const QPointF& origin, double opacity)
{
    if (const auto image = Image::named(name))
        image->draw(painter_, toQt(QRectF(origin, image->size())), opacity);
}

void YUpPainter::drawText(const QRectF& rect, const QString& text, const QFont& font,
                          const QColor& color, Qt::Alignment alignment, bool elideTail)
{
    if (text.isEmpty())
        return;
    const QRectF target = toQt(rect);
    painter_.save();
    painter_.setFont(font);
    painter_.setPen(color);
    QString shown = text;
    if (elideTail)
        shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, target.width());
    painter_.drawText(target, int((alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextSingleLine), shown);
    painter_.restore();
}
