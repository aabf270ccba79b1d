#pragma once

#include <QPixmap>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>

class QPainter;
class QSvgRenderer;

// A bundle image looked up by name in resources/images: "<name>.svg" (drawn as vectors,
// crisp at any scale) or else "<name>.png". Images are loaded once and cached by path;
// a name with no file gives null, and drawing a null image draws nothing.
class Image {
public:
    static std::shared_ptr<const Image> named(const QString& name);
    // Forgets every cached image (tests that switch bundles).
    static void clearCache();

    QString name() const { return name_; }
    // The natural size in points (the SVG's width and height).
    QSizeF size() const { return size_; }

    // Draws the whole image scaled into `target` (Qt coordinates), source-over.
    void draw(QPainter& painter, const QRectF& target, double opacity = 1.0) const;
    // Draws the part `source` of the image (image points, y down from its top) into `target`.
    void draw(QPainter& painter, const QRectF& target, const QRectF& source, double opacity) const;
    // A picture of the image for widgets that want pixels (button icons, cursors).
    QPixmap pixmap(const QSizeF& size, double devicePixelRatio = 1.0) const;

    Image(const QString& name, std::unique_ptr<QSvgRenderer> svg, const QSizeF& size);
    Image(const QString& name, const QPixmap& bitmap);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

private:
    QString name_;
    std::unique_ptr<QSvgRenderer> svg_;
    QPixmap bitmap_;
    QSizeF size_;
};

// Draws `name` (nothing when it is missing); the convenience most views use.
void drawImage(QPainter& painter, const QString& name, const QRectF& target, double opacity = 1.0);

// A stretchable picture from three images: the start and end caps keep their proportions
// (scaled to the rectangle's thickness) and the middle image fills what lies between.
// Vertical runs from the top (start) to the bottom (end) in Qt coordinates.
void drawThreePartImage(QPainter& painter, const QRectF& target, const QString& start, const QString& middle,
                        const QString& end, bool vertical, double opacity = 1.0);
