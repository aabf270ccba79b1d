#include "ZTScroller.h"

#include "Color.h"
#include "Image.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

ZTScroller::ZTScroller(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {}

QRect ZTScroller::knobRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

void ZTScroller::drawKnobSlotInRect(QPainter& painter, const QRectF& slot, bool) const
{
    painter.fillRect(slot, Color::white(1.0, 0.1));
}

void ZTScroller::drawKnob(QPainter& painter) const
{
    // The caps stand at the ends of the knob's length whatever the orientation.
    drawThreePartImage(painter, QRectF(knobRect()), QStringLiteral("knobTop"), QStringLiteral("knobMiddle"),
                       QStringLiteral("knobBottom"), true, 0.6);
}

void ZTScroller::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    drawKnobSlotInRect(painter, QRectF(rect()), false);
    if (maximum() > minimum())
        drawKnob(painter);
}
