#pragma once

#include "ZTScroller.h"

// A scroll bar for lists on a light ground: a pale slot and a gray rounded knob that darkens
// while it is dragged. The style's own knob is a pale bevel that, when it fills most of the
// track, leaves the gray rest of the slot looking like the knob, at the wrong end. This one
// keeps the style's geometry and behaviour; only the knob is what stands out.
class ZTListScroller : public ZTScroller {
    Q_OBJECT
public:
    using ZTScroller::ZTScroller;

    void drawKnobSlotInRect(QPainter& painter, const QRectF& slot, bool highlight) const override;
    void drawKnob(QPainter& painter) const override;
};
