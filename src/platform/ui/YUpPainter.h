#pragma once

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QRectF>
#include <QString>

class QPainter;

// Draws with the y-up geometry of a view: every rectangle and point is given with the origin
// at the bottom-left and converted to Qt's orientation here. Text and images keep their
// upright look; text is set from the top of its rectangle, as the views expect.
class YUpPainter {
public:
    YUpPainter(QPainter& painter, double viewHeight);

    QPainter& painter() { return painter_; }
    double viewHeight() const { return height_; }
    QRectF toQt(const QRectF& rect) const;
    QPointF toQt(const QPointF& point) const;

    void setAntialiasing(bool on);
    // A one-point line in `color`.
    void drawLine(const QPointF& from, const QPointF& to, const QColor& color, double width = 1.0);
    void fillRect(const QRectF& rect, const QColor& color);
    // The named image scaled into `rect`; nothing when there is no such image.
    void drawImage(const QString& name, const QRectF& rect, double opacity = 1.0);
    // The named image at its natural size with its bottom-left corner at `origin`.
    void drawImageAt(const QString& name, const QPointF& origin, double opacity = 1.0);
    // Text in `rect`, from its top, with the alignment flags of Qt (horizontal part used).
    void drawText(const QRectF& rect, const QString& text, const QFont& font, const QColor& color,
                  Qt::Alignment alignment = Qt::AlignHCenter, bool elideTail = false);

private:
    QPainter& painter_;
    double height_;
};
