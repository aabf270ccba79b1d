#include "BFImage.h"

#include <QPainter>

namespace {

constexpr double kPixelsPerPoint = 2.0;

} // namespace

BFImage::BFImage(std::shared_ptr<const Image> image, const BFEdgeInsets& insets) : stretchInsets_(insets)
{
    if (!image || image->size().isEmpty())
        return;
    picture_ = image->pixmap(image->size(), kPixelsPerPoint).toImage();
}

std::shared_ptr<BFImage> BFImage::stretchableImageWithLeftCapWidth(std::shared_ptr<const Image> image,
                                                                   double leftCapWidth, double topCapHeight)
{
    return std::make_shared<BFImage>(std::move(image),
                                     BFEdgeInsets{topCapHeight, leftCapWidth, topCapHeight, leftCapWidth});
}

std::shared_ptr<BFImage> BFImage::stretchableImageWithEdgeInsets(std::shared_ptr<const Image> image,
                                                                 const BFEdgeInsets& insets)
{
    return std::make_shared<BFImage>(std::move(image), insets);
}

QSizeF BFImage::size() const
{
    return QSizeF(picture_.size()) / kPixelsPerPoint;
}

QImage BFImage::sliceFromRect(const QRectF& rect) const
{
    if (rect.width() <= 0 || rect.height() <= 0 || picture_.isNull())
        return {};
    // The rectangle counts up from the lower left; the picture's rows run down from the top.
    const QRectF pixels(rect.x() * kPixelsPerPoint, (size().height() - rect.bottom()) * kPixelsPerPoint,
                        rect.width() * kPixelsPerPoint, rect.height() * kPixelsPerPoint);
    QImage slice = picture_.copy(pixels.toRect());
    slice.setDevicePixelRatio(kPixelsPerPoint);
    return slice;
}

QList<QImage> BFImage::sliceImages()
{
    std::lock_guard lock(sliceMutex_);
    if (!sliceImages_.isEmpty())
        return sliceImages_;
    const double T = stretchInsets_.top, L = stretchInsets_.left, B = stretchInsets_.bottom, R = stretchInsets_.right;
    const double W = size().width(), H = size().height();
    const double middleWidth = W - L - R, middleHeight = H - T - B;
    sliceImages_ = {sliceFromRect({0, H - T, L, T}),           sliceFromRect({L, H - T, middleWidth, T}),
                    sliceFromRect({W - R, H - T, R, T}),       sliceFromRect({0, B, L, middleHeight}),
                    sliceFromRect({L, B, middleWidth, middleHeight}), sliceFromRect({W - R, B, R, middleHeight}),
                    sliceFromRect({0, 0, L, B}),               sliceFromRect({L, 0, middleWidth, B}),
                    sliceFromRect({W - R, 0, R, B})};
    return sliceImages_;
}

void BFImage::drawNineParts(QPainter& painter, const QRectF& rect, const QList<QImage>& slices) const
{
    if (slices.size() != 9 || rect.isEmpty())
        return;
    const double T = stretchInsets_.top, L = stretchInsets_.left, B = stretchInsets_.bottom, R = stretchInsets_.right;
    const double xs[3] = {rect.left(), rect.left() + L, rect.right() - R};
    const double widths[3] = {L, rect.width() - L - R, R};
    const double ys[3] = {rect.top(), rect.top() + T, rect.bottom() - B};
    const double heights[3] = {T, rect.height() - T - B, B};
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            const QImage& slice = slices[row * 3 + column];
            const QRectF target(xs[column], ys[row], widths[column], heights[row]);
            if (!slice.isNull() && target.width() > 0 && target.height() > 0)
                painter.drawImage(target, slice);
        }
    painter.restore();
}

void BFImage::drawInRect(QPainter& painter, const QRectF& rect)
{
    drawNineParts(painter, rect, sliceImages());
}

void BFImage::drawCachedInRect(QPainter& painter, const QRectF& rect)
{
    if (cachedImageSize_ != rect.size() || cachedImage_.isNull()) {
        cachedImageSize_ = rect.size();
        cachedImage_ = QImage((rect.size() * kPixelsPerPoint).toSize(), QImage::Format_ARGB32_Premultiplied);
        if (cachedImage_.isNull())
            return;
        cachedImage_.setDevicePixelRatio(kPixelsPerPoint);
        cachedImage_.fill(Qt::transparent);
        QPainter cache(&cachedImage_);
        drawNineParts(cache, QRectF(QPointF(0, 0), rect.size()), sliceImages());
    }
    // The rendering goes where it was asked for, wherever that is.
    painter.drawImage(rect.topLeft(), cachedImage_);
}
