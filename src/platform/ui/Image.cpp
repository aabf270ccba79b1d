#include "Image.h"

#include "Log.h"
#include "Paths.h"

#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace {

using Cache = QHash<QString, std::shared_ptr<const Image>>;

Cache& cache()
{
    static Cache images;
    return images;
}

std::shared_ptr<const Image> load(const QString& name, const QString& folder)
{
    const QString svgPath = folder + name + QStringLiteral(".svg");
    if (QFileInfo::exists(svgPath)) {
        auto renderer = std::make_unique<QSvgRenderer>(svgPath);
        if (renderer->isValid()) {
            const QSizeF size = renderer->viewBoxF().isEmpty() ? QSizeF(renderer->defaultSize())
                                                               : renderer->viewBoxF().size();
            renderer->setAspectRatioMode(Qt::IgnoreAspectRatio);
            return std::make_shared<const Image>(name, std::move(renderer), size);
        }
        Log::line(QStringLiteral("Image \"%1\" is not a valid SVG file.").arg(name));
        return nullptr;
    }
    const QString pngPath = folder + name + QStringLiteral(".png");
    if (QFileInfo::exists(pngPath)) {
        QPixmap bitmap(pngPath);
        if (!bitmap.isNull())
            return std::make_shared<const Image>(name, bitmap);
    }
    return nullptr;
}

} // namespace

Image::Image(const QString& name, std::unique_ptr<QSvgRenderer> svg, const QSizeF& size)
    : name_(name), svg_(std::move(svg)), size_(size)
{
}

Image::Image(const QString& name, const QPixmap& bitmap)
    : name_(name), bitmap_(bitmap), size_(bitmap.deviceIndependentSize())
{
}

Image::~Image() = default;

std::shared_ptr<const Image> Image::named(const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    const QString folder = Paths::resource(QStringLiteral("images/"));
    const QString key = folder + name;
    Cache& images = cache();
    const auto found = images.constFind(key);
    if (found != images.constEnd())
        return found.value();
    // Misses are cached too: views ask for their images at every draw.
    std::shared_ptr<const Image> image = load(name, folder);
    images.insert(key, image);
    return image;
}

void Image::clearCache()
{
    cache().clear();
}

void Image::draw(QPainter& painter, const QRectF& target, double opacity) const
{
    draw(painter, target, QRectF(QPointF(0, 0), size_), opacity);
}

void Image::draw(QPainter& painter, const QRectF& target, const QRectF& source, double opacity) const
{
    if (target.isEmpty() || source.isEmpty() || size_.isEmpty())
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (svg_) {
        // The whole picture is laid so that `source` lands on `target`; the clip keeps the rest out.
        const double sx = target.width() / source.width();
        const double sy = target.height() / source.height();
        const QRectF whole(target.x() - source.x() * sx, target.y() - source.y() * sy,
                           size_.width() * sx, size_.height() * sy);
        const bool partial = source != QRectF(QPointF(0, 0), size_);
        if (partial)
            painter.setClipRect(target, Qt::IntersectClip);
        painter.setRenderHint(QPainter::Antialiasing, true);
        svg_->render(&painter, whole);
    } else {
        const double scale = bitmap_.devicePixelRatio();
        const QRectF pixels(source.x() * scale, source.y() * scale, source.width() * scale,
                            source.height() * scale);
        painter.drawPixmap(target, bitmap_, pixels);
    }
    painter.restore();
}

QPixmap Image::pixmap(const QSizeF& size, double devicePixelRatio) const
{
    const QSize pixels = (size * devicePixelRatio).toSize();
    if (pixels.isEmpty())
        return {};
    QPixmap picture(pixels);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    draw(painter, QRectF(QPointF(0, 0), size));
    return picture;
}

void drawImage(QPainter& painter, const QString& name, const QRectF& target, double opacity)
{
    if (const auto image = Image::named(name))
        image->draw(painter, target, opacity);
}

void drawThreePartImage(QPainter& painter, const QRectF& target, const QString& start, const QString& middle,
                        const QString& end, bool vertical, double opacity)
{
    if (target.isEmpty())
        return;
    const auto first = Image::named(start);
    const auto fill = Image::named(middle);
    const auto last = Image::named(end);
    // Cap length at the rectangle's thickness, at most half the run each.
    auto capLength = [&](const std::shared_ptr<const Image>& cap) {
        if (!cap || cap->size().isEmpty())
            return 0.0;
        const double length = vertical ? cap->size().height() * target.width() / cap->size().width()
                                       : cap->size().width() * target.height() / cap->size().height();
        return qMin(length, (vertical ? target.height() : target.width()) / 2);
    };
    const double a = capLength(first);
    const double b = capLength(last);
    if (vertical) {
        if (first)
            first->draw(painter, QRectF(target.x(), target.y(), target.width(), a), opacity);
        if (fill)
            fill->draw(painter, QRectF(target.x(), target.y() + a, target.width(), target.height() - a - b), opacity);
        if (last)
            last->draw(painter, QRectF(target.x(), target.bottom() - b, target.width(), b), opacity);
    } else {
        if (first)
            first->draw(painter, QRectF(target.x(), target.y(), a, target.height()), opacity);
        if (fill)
            fill->draw(painter, QRectF(target.x() + a, target.y(), target.width() - a - b, target.height()), opacity);
        if (last)
            last->draw(painter, QRectF(target.right() - b, target.y(), b, target.height()), opacity);
    }
}
