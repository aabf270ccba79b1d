#pragma once

#include <QPointF>
#include <QWidget>

// A view whose mouse handling works on y-up points: the left button's press, drag and
// release, and the pointer leaving the view. The Qt events are converted here, so the views
// (and tests that drive them directly) deal only in their own geometry.
class YUpMouseView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual void mouseDownAt(const QPointF& point) = 0;
    virtual void mouseDraggedAt(const QPointF& point) = 0;
    virtual void mouseUpAt(const QPointF& point) = 0;
    // The pointer left the view, with a button held or not.
    virtual void mouseExited(bool buttonHeld) = 0;

protected:
    // The y-up point of the view's geometry under a Qt position in the widget. A view that
    // draws its geometry scaled or moved maps the pointer back here.
    virtual QPointF pointForPosition(const QPointF& qtPosition) const;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
};
