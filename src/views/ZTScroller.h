#pragma once

#include <QScrollBar>

// A slim scroll bar for dark panes: a faint slot and a rounded knob from the images
// "knobTop", "knobMiddle" and "knobBottom" at 60 % opacity.
class ZTScroller : public QScrollBar {
    Q_OBJECT
public:
    explicit ZTScroller(Qt::Orientation orientation, QWidget* parent = nullptr);

    virtual void drawKnobSlotInRect(QPainter& painter, const QRectF& slot, bool highlight) const;
    virtual void drawKnob(QPainter& painter) const;
    // The knob's rectangle as the style lays it out.
    QRect knobRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
