#include "ZTMarkLettering.h"

#include <QFontMetricsF>
#include <QList>
#include <QPainterPathStroker>
#include <QPolygonF>

#include <algorithm>

namespace {

constexpr char32_t kFlat = 0x266D;
constexpr char32_t kSharp = 0x266F;
constexpr char32_t kDoubleSharp = 0x1D12A;
constexpr char32_t kDoubleFlat = 0x1D12B;

// Proportions of the signs, in capital heights.
constexpr double kSharpWidth = 0.75;
constexpr double kSharpTop = 1.1;
constexpr double kSharpBottom = -0.15;
constexpr double kFlatWidth = 0.6;
constexpr double kFlatTop = 1.2;
constexpr double kDoubleSharpSize = 0.62;
constexpr double kBearing = 0.08;

QPainterPath rect(double x, double y, double width, double height)
{
    QPainterPath path;
    path.addRect(x, y, width, height);
    return path;
}

QPainterPath stroked(const QPainterPath& centreLine, double width, Qt::PenCapStyle cap)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(centreLine);
}

} // namespace

bool ZTMarkLettering::isAccidentalSign(char32_t codePoint)
{
    return codePoint == kFlat || codePoint == kSharp || codePoint == kDoubleSharp || codePoint == kDoubleFlat;
}

ZTMarkLettering::ZTMarkLettering(const QString& name, const QFont& font)
{
    const QFontMetricsF metrics(font);
    capHeight_ = metrics.capHeight();
    // A plain vertical letter's ink width is the font's stem.
    QPainterPath stemGlyph;
    stemGlyph.addText(0, 0, font, QStringLiteral("l"));
    stem_ = std::clamp(stemGlyph.boundingRect().width(), 0.08 * capHeight_, 0.3 * capHeight_);

    const QList<uint> codePoints = name.toUcs4();
    QString run;
    auto flushLetters = [&] {
        if (run.isEmpty())
            return;
        outline_.addText(advance_, 0, font, run);
        advance_ += metrics.horizontalAdvance(run);
        run.clear();
    };
    for (const uint codePoint : codePoints) {
        if (!isAccidentalSign(codePoint)) {
            run += QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1);
            continue;
        }
        flushLetters();
        advance_ += addSign(codePoint, advance_);
    }
    flushLetters();
}

double ZTMarkLettering::addSign(char32_t codePoint, double x)
{
    const double bearing = kBearing * capHeight_;
    const double left = x + bearing;
    switch (codePoint) {
    case kSharp:
        outline_.addPath(sharp(left));
        return kSharpWidth * capHeight_ + 2 * bearing;
    case kFlat:
        outline_.addPath(flat(left));
        return kFlatWidth * capHeight_ + 2 * bearing;
    case kDoubleFlat:
        outline_.addPath(flat(left));
        outline_.addPath(flat(left + (kFlatWidth + kBearing) * capHeight_));
        return (2 * kFlatWidth + kBearing) * capHeight_ + 2 * bearing;
    default:
        outline_.addPath(doubleSharp(left));
        return kDoubleSharpSize * capHeight_ + 2 * bearing;
    }
}

// Two upright stems crossed by two heavier bars that rise to the right.
QPainterPath ZTMarkLettering::sharp(double x) const
{
    const double c = capHeight_;
    const double width = kSharpWidth * c;
    const double stemWidth = 0.8 * stem_;
    const double barThickness = 1.05 * stem_;
    const double rise = 0.22 * c;
    QPainterPath sign;
    for (const double stemCentre : {0.3, 0.7})
        sign = sign.united(rect(x + stemCentre * width - stemWidth / 2, -kSharpTop * c, stemWidth, (kSharpTop - kSharpBottom) * c));
    for (const double barCentre : {0.3, 0.68}) {
        const double y = -barCentre * c; // y-down
        QPainterPath bar;
        bar.addPolygon(QPolygonF({QPointF(x, y + rise / 2 + barThickness / 2), QPointF(x + width, y - rise / 2 + barThickness / 2),
                                  QPointF(x + width, y - rise / 2 - barThickness / 2), QPointF(x, y + rise / 2 - barThickness / 2)}));
        bar.closeSubpath();
        sign = sign.united(bar);
    }
    return sign;
}

// A stem as tall as an ascender with a bowl on its lower half.
QPainterPath ZTMarkLettering::flat(double x) const
{
    const double c = capHeight_;
    const double width = kFlatWidth * c;
    const double stemWidth = 0.85 * stem_;
    const double inner = x + stemWidth / 2;
    QPainterPath bowl;
    bowl.moveTo(inner, -0.5 * c);
    bowl.cubicTo(x + 0.55 * width, -0.72 * c, x + 1.05 * width, -0.62 * c, x + width - stem_ / 2, -0.42 * c);
    bowl.cubicTo(x + 0.85 * width, -0.2 * c, x + 0.5 * width, -0.08 * c, inner, -stem_ / 4);
    return rect(x, -kFlatTop * c, stemWidth, kFlatTop * c).united(stroked(bowl, stem_, Qt::FlatCap));
}

// A cross with its arms thickened at the ends, centred on the letters' middle.
QPainterPath ZTMarkLettering::doubleSharp(double x) const
{
    const double c = capHeight_;
    const double size = kDoubleSharpSize * c;
    const double top = -(0.5 * c + size / 2);
    QPainterPath arms;
    arms.moveTo(x, top);
    arms.lineTo(x + size, top + size);
    arms.moveTo(x + size, top);
    arms.lineTo(x, top + size);
    QPainterPath sign = stroked(arms, stem_, Qt::SquareCap).intersected(rect(x, top, size, size));
    const double head = 1.5 * stem_;
    for (const QPointF& corner : {QPointF(x, top), QPointF(x + size, top), QPointF(x, top + size), QPointF(x + size, top + size)})
        sign = sign.united(rect(corner.x() - (corner.x() > x ? head : 0), corner.y() - (corner.y() > top ? head : 0), head, head));
    return sign;
}
