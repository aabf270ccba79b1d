#include "ZTListScroller.h"

#include "Color.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr double kKnobInset = 3.0;

} // namespace

void ZTListScroller::drawKnobSlotInRect(QPainter& painter, const QRectF& slot, bool) const
{
    painter.fillRect(slot, Color::rgb(243 / 255.0, 244 / 255.0, 246 / 255.0));
    // A hairline between the list and its slot.
    painter.setPen(Color::rgb(218 / 255.0, 221 / 255.0, 226 / 255.0));
    if (orientation() == Qt::Vertical)
        painter.drawLine(QPointF(slot.left() + 0.5, slot.top()), QPointF(slot.left() + 0.5, slot.bottom()));
    else
        painter.drawLine(QPointF(slot.left(), slot.top() + 0.5), QPointF(slot.right(), slot.top() + 0.5));
}

void ZTListScroller::drawKnob(QPainter& painter) const
{
    const QRectF knob = QRectF(knobRect()).adjusted(kKnobInset, kKnobInset, -kKnobInset, -kKnobInset);
    if (knob.isEmpty())
        return;
    const double radius = std::min(knob.width(), knob.height()) / 2;
    const double shade = (isSliderDown() ? 120 : 160) / 255.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Color::rgb(shade, shade + 4 / 255.0, shade + 10 / 255.0));
    painter.drawRoundedRect(knob, radius, radius);
}
