#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// Pop-up buttons that show only their image, at its natural size, centred on the frame's size.
class KLPopupButtonCell {
public:
    // The image's rectangle: centred on the frame's size, whole points; the frame's origin is
    // not added (the control draws from its own origin).
    static QRectF imageRectForFrame(const QRectF& frame, const QSizeF& imageSize);
    // Draws `image`, or `alternateImage` while highlighted when there is one.
    static void drawImageWithFrame(QPainter& painter, const QRectF& frame, const QString& image,
                                   const QString& alternateImage, bool highlighted);
};
