#include "KLPopupButtonCell.h"

#include "Image.h"

#include <cmath>

QRectF KLPopupButtonCell::imageRectForFrame(const QRectF& frame, const QSizeF& imageSize)
{
    return QRectF(std::round(frame.width() / 2 - imageSize.width() / 2),
                  std::round(frame.height() / 2 - imageSize.height() / 2), imageSize.width(), imageSize.height());
}

void KLPopupButtonCell::drawImageWithFrame(QPainter& painter, const QRectF& frame, const QString& image,
                                           const QString& alternateImage, bool highlighted)
{
    const QString name = highlighted && !alternateImage.isEmpty() ? alternateImage : image;
    const auto picture = Image::named(name);
    if (!picture)
        return;
    picture->draw(painter, imageRectForFrame(frame, picture->size()));
}
