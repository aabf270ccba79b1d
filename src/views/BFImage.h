#pragma once

#include "Image.h"

#include <QImage>
#include <QList>
#include <QRectF>

#include <memory>
#include <mutex>

// Cap sizes of a stretchable picture, in points.
struct BFEdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
    friend bool operator==(const BFEdgeInsets&, const BFEdgeInsets&) = default;
};

// A picture drawn in nine parts: the corners keep their size, the edges stretch along their
// side and the centre both ways, so a frame or a button face fits any rectangle.
//
// The slices may be asked for from any thread; drawing belongs to the painting thread.
class BFImage {
public:
    BFImage(std::shared_ptr<const Image> image, const BFEdgeInsets& insets);

    // Caps of `leftCapWidth` on both sides and `topCapHeight` at top and bottom.
    static std::shared_ptr<BFImage> stretchableImageWithLeftCapWidth(std::shared_ptr<const Image> image,
                                                                     double leftCapWidth, double topCapHeight);
    static std::shared_ptr<BFImage> stretchableImageWithEdgeInsets(std::shared_ptr<const Image> image,
                                                                   const BFEdgeInsets& insets);

    const BFEdgeInsets& stretchInsets() const { return stretchInsets_; }
    QSizeF size() const;
    // The nine parts, cut on first use: top-left, top, top-right, left, centre, right,
    // bottom-left, bottom, bottom-right.
    QList<QImage> sliceImages();
    // The part of the picture in `rect` (points, origin at the lower left); an empty image
    // when the rectangle has no area.
    QImage sliceFromRect(const QRectF& rect) const;

    // Nine-part drawing into `rect` (Qt coordinates).
    void drawInRect(QPainter& painter, const QRectF& rect);
    // The same through a picture of the destination's size, kept until a destination of
    // another size comes.
    void drawCachedInRect(QPainter& painter, const QRectF& rect);

private:
    void drawNineParts(QPainter& painter, const QRectF& rect, const QList<QImage>& slices) const;

    QImage picture_; // the whole image at twice its size in points
    BFEdgeInsets stretchInsets_;
    std::mutex sliceMutex_;
    QList<QImage> sliceImages_;
    QImage cachedImage_;
    QSizeF cachedImageSize_;
};
