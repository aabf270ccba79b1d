#include "ZTWindowPlacement.h"

#include "SaturatingCast.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

// Beyond any screen arrangement; a stored value outside is not a window's.
constexpr int kMaxCoordinate = 100000;
constexpr int kMaxBorder = 1000;

const QString kX = QStringLiteral("x");
const QString kY = QStringLiteral("y");
const QString kWidth = QStringLiteral("width");
const QString kHeight = QStringLiteral("height");
const QString kMaximized = QStringLiteral("maximized");
const QString kBorderLeft = QStringLiteral("borderLeft");
const QString kBorderTop = QStringLiteral("borderTop");
const QString kBorderRight = QStringLiteral("borderRight");
const QString kBorderBottom = QStringLiteral("borderBottom");

std::optional<int> boundedInteger(const QVariantMap& map, const QString& key, int lowest, int highest)
{
    const QVariant value = map.value(key);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        break;
    default:
        return std::nullopt;
    }
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < lowest || number > highest)
        return std::nullopt;
    return saturatingCast<int>(number);
}

ZTWindowPlacement::ScreenAreas& screenAreasOverride()
{
    static ZTWindowPlacement::ScreenAreas areas;
    return areas;
}

} // namespace

QVariantMap ZTWindowFrame::toVariantMap() const
{
    return {{kX, frame.x()},
            {kY, frame.y()},
            {kWidth, frame.width()},
            {kHeight, frame.height()},
            {kMaximized, maximized},
            {kBorderLeft, margins.left()},
            {kBorderTop, margins.top()},
            {kBorderRight, margins.right()},
            {kBorderBottom, margins.bottom()}};
}

std::optional<ZTWindowFrame> ZTWindowFrame::fromVariant(const QVariant& value)
{
    const QVariantMap map = value.toMap();
    const auto x = boundedInteger(map, kX, -kMaxCoordinate, kMaxCoordinate);
    const auto y = boundedInteger(map, kY, -kMaxCoordinate, kMaxCoordinate);
    const auto width = boundedInteger(map, kWidth, 1, kMaxCoordinate);
    const auto height = boundedInteger(map, kHeight, 1, kMaxCoordinate);
    const auto left = boundedInteger(map, kBorderLeft, 0, kMaxBorder);
    const auto top = boundedInteger(map, kBorderTop, 0, kMaxBorder);
    const auto right = boundedInteger(map, kBorderRight, 0, kMaxBorder);
    const auto bottom = boundedInteger(map, kBorderBottom, 0, kMaxBorder);
    if (!x || !y || !width || !height || !left || !top || !right || !bottom)
        return std::nullopt;
    ZTWindowFrame frame;
    frame.frame = QRect(*x, *y, *width, *height);
    frame.margins = QMargins(*left, *top, *right, *bottom);
    frame.maximized = map.value(kMaximized).toBool();
    return frame;
}

ZTWindowPlacement::ZTWindowPlacement(QList<QRect> areas) : areas_(std::move(areas))
{
    areas_.removeIf([](const QRect& area) { return area.isEmpty(); });
}

QList<QRect> ZTWindowPlacement::screenAreas()
{
    if (screenAreasOverride())
        return screenAreasOverride()();
    QList<QRect> areas;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas << primary->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            areas << screen->availableGeometry();
    return areas;
}

void ZTWindowPlacement::setScreenAreas(ScreenAreas areas)
{
    screenAreasOverride() = std::move(areas);
}

QRect ZTWindowPlacement::initialFrame(const QSize& preferred, const QSize& minimum) const
{
    const QRect area = areas_.isEmpty() ? QRect() : areas_.first();
    const QSize size = preferred.boundedTo(area.isEmpty() ? preferred : area.size());
    QRect frame(QPoint(), size);
    frame.moveCenter(area.center());
    return fit(frame, minimum);
}

QRect ZTWindowPlacement::fit(const QRect& frame, const QSize& minimum) const
{
    const QRect area = areaFor(frame);
    if (area.isEmpty())
        return QRect(frame.topLeft(), frame.size().expandedTo(minimum));
    const QSize size = frame.size().boundedTo(area.size()).expandedTo(minimum);
    const int x = std::clamp(frame.x(), area.x(), std::max(area.x(), area.x() + area.width() - size.width()));
    const int y = std::clamp(frame.y(), area.y(), std::max(area.y(), area.y() + area.height() - size.height()));
    return QRect(QPoint(x, y), size);
}

QRect ZTWindowPlacement::areaFor(const QRect& frame) const
{
    QRect best = areas_.isEmpty() ? QRect() : areas_.first();
    qint64 bestOverlap = 0;
    for (const QRect& area : areas_) {
        const QRect overlap = area.intersected(frame);
        const qint64 size = qint64(overlap.width()) * overlap.height();
        if (!overlap.isEmpty() && size > bestOverlap) {
            best = area;
            bestOverlap = size;
        }
    }
    return best;
}
