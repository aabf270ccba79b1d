#include "ZTBarGraph.h"

#include "Fonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

QColor toQColor(const ZTColor& color)
{
    return QColor::fromRgbF(float(color.red), float(color.green), float(color.blue), float(color.alpha));
}

// Lines turned by `radians` (counter-clockwise) about `anchor`, centred together across their
// run; with `alignEnd` each line's end, not its start, stands at the anchor.
ZTBarGraph::TurnedLabel turnedText(const QPointF& anchor, double radians, const QStringList& lines, const QFont& font,
                                  bool alignEnd)
{
    ZTBarGraph::TurnedLabel label;
    label.text = lines.join(QLatin1Char('\n'));
    label.font = font;
    label.transform.translate(anchor.x(), anchor.y());
    label.transform.rotate(-radians * 180.0 / M_PI);
    const QFontMetricsF metrics(font);
    const double firstBaseline = (metrics.ascent() - metrics.descent() - (lines.size() - 1) * metrics.lineSpacing()) / 2.0;
    QRectF ink;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QPointF origin(alignEnd ? -metrics.horizontalAdvance(lines[i]) : 0, firstBaseline + i * metrics.lineSpacing());
        label.origins << origin;
        ink |= metrics.tightBoundingRect(lines[i]).translated(origin);
    }
    label.ink = label.transform.mapRect(ink);
    return label;
}

// How far a turned text reaches above its anchor.
double heightAboveAnchor(double radians, const QString& text, const QFont& font)
{
    return -turnedText(QPointF(0, 0), radians, {text}, font, false).ink.top();
}

// How wide a band, centred on the anchor, the lines need across their run.
double thicknessOf(const QStringList& lines, const QFont& font)
{
    const QRectF ink = turnedText(QPointF(0, 0), 0, lines, font, false).ink;
    return 2 * std::max(-ink.top(), ink.bottom());
}

// The text's two halves at the space that makes the longer one shortest, the second never
// beginning with a dash ("I - IV -" over "V - I"); empty where there is no such space.
QStringList brokenAtSpace(const QString& text, const QFontMetricsF& metrics)
{
    QStringList best;
    double bestWidth = 0;
    for (qsizetype space = text.indexOf(QLatin1Char(' ')); space >= 0; space = text.indexOf(QLatin1Char(' '), space + 1)) {
        const QStringList halves{text.left(space).trimmed(), text.mid(space + 1).trimmed()};
        if (halves[0].isEmpty() || halves[1].isEmpty() || halves[1].startsWith(QLatin1Char('-')))
            continue;
        const double width = std::max(metrics.horizontalAdvance(halves[0]), metrics.horizontalAdvance(halves[1]));
        if (best.isEmpty() || width < bestWidth) {
            best = halves;
            bestWidth = width;
        }
    }
    return best;
}

// A turned name's place: how far it may run from its anchor and how wide a band it may take
// across its run.
struct LabelRoom {
    double length = 0;
    double thickness = 0;
};

// The lines a name stands whole on within its room: one where it fits, else two broken at a
// space; none where neither fits.
std::optional<QStringList> wholeLines(const QString& text, const QFont& font, const LabelRoom& room)
{
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(text) <= room.length)
        return QStringList{text};
    const QStringList two = brokenAtSpace(text, metrics);
    if (two.isEmpty() || thicknessOf(two, font) > room.thickness)
        return std::nullopt;
    if (std::max(metrics.horizontalAdvance(two[0]), metrics.horizontalAdvance(two[1])) > room.length)
        return std::nullopt;
    return two;
}

// A name too long for its room: on two lines where the band holds them, each shortened with "…".
QStringList shortenedLines(const QString& text, const QFont& font, const LabelRoom& room)
{
    QStringList lines = brokenAtSpace(text, QFontMetricsF(font));
    if (lines.isEmpty() || thicknessOf(lines, font) > room.thickness)
        lines = {text};
    for (QString& line : lines)
        line = ZTBarGraph::shortenedToWidth(line, room.length, font);
    return lines;
}

// The room of each turned label hanging from its anchor: down to a point above the bottom of
// the bounds, and across its run its half of the way to its neighbours, with kLabelSpacing
// between, inside the bounds.
QList<LabelRoom> roomsUnder(const QList<QPointF>& anchors, const QRectF& bounds)
{
    QList<LabelRoom> rooms;
    for (qsizetype i = 0; i < anchors.size(); ++i) {
        const double x = anchors[i].x();
        LabelRoom room{bounds.bottom() - anchors[i].y() - 1, 2 * std::min(x - bounds.left(), bounds.right() - x)};
        for (qsizetype j = 0; j < anchors.size(); ++j) {
            if (j != i)
                room.thickness = std::min(room.thickness, std::abs(anchors[j].x() - x) - ZTBarGraph::kLabelSpacing);
        }
        rooms << room;
    }
    return rooms;
}

// How many pixels smaller than its own size a turned label may be set.
int mostReduction(const QFont& font)
{
    return std::max(0, font.pixelSize() - ZTBarGraph::kSmallestAxisLabelSize);
}

// The font `pixels` smaller, but never beyond mostReduction.
QFont reducedBy(const QFont& font, int pixels)
{
    QFont smaller = font;
    if (const int step = std::min(pixels, mostReduction(font)); step > 0)
        smaller.setPixelSize(font.pixelSize() - step);
    return smaller;
}

// The names of an axis: each hangs from under the axis at its tick and has its room there.
struct NamePlaces {
    QList<const ZTAxisLabel*> labels;
    QList<QPointF> anchors;
    QList<LabelRoom> rooms;
};

NamePlaces namePlaces(const ZTBarGraph& graph, const ZTXYAxis& axis, const QRectF& plotArea, const QRectF& bounds)
{
    NamePlaces places;
    const double y = graph.viewY(axis.orthogonalPosition, plotArea);
    for (const ZTAxisLabel& label : axis.axisLabels) {
        if (!label.text.isEmpty()) {
            places.labels << &label;
            places.anchors << QPointF(graph.viewX(label.tickLocation, plotArea), y + label.offset);
        }
    }
    // Turned labels end at the axis and run downwards from it.
    places.rooms = roomsUnder(places.anchors, bounds);
    return places;
}

void drawTurnedText(QPainter& painter, const ZTBarGraph::TurnedLabel& label)
{
    painter.save();
    painter.setTransform(label.transform, true);
    painter.setFont(label.font);
    painter.setPen(label.color);
    const QStringList lines = label.text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size() && i < label.origins.size(); ++i)
        painter.drawText(label.origins[i], lines[i]);
    painter.restore();
}

} // namespace

// ---- ZTBarPlot ----

std::unique_ptr<ZTBarPlot> ZTBarPlot::tubularBarPlotWithColor(const QColor& color, bool horizontalBars)
{
    auto plot = std::make_unique<ZTBarPlot>();
    plot->lineColor_ = color;
    plot->fill_ = color;
    plot->horizontalBars_ = horizontalBars;
    return plot;
}

void ZTBarPlot::reloadData()
{
    bars_.clear();
    if (!dataSource_)
        return;
    const qlonglong count = std::max<qlonglong>(0, dataSource_->numberOfRecordsForPlot(identifier_));
    for (qlonglong record = 0; record < count; ++record) {
        Bar bar;
        const QVariant location = dataSource_->numberForPlot(identifier_, Location, record);
        bar.location = location.isValid() ? location.toDouble() : double(record);
        const QVariant value = dataSource_->numberForPlot(identifier_, Value, record);
        if (value.isValid() && !value.isNull()) {
            const double number = value.toDouble();
            // A total over no answers may come as 0/0; it is shown as an empty bar.
            bar.value = std::isfinite(number) ? number : 0.0;
            bar.label = dataSource_->dataLabelForPlot(identifier_, record);
        }
        if (const auto fill = dataSource_->barFillForBarPlot(identifier_, record))
            bar.fill = toQColor(*fill);
        bars_ << bar;
    }
}

// ---- ZTXYAxis ----

ZTXYAxis::ZTXYAxis() : labelTextStyle(Fonts::named(QStringLiteral("Helvetica"), 12)) {}

// ---- ZTBarGraph ----

QString ZTBarGraph::shortenedToWidth(const QString& text, double width, const QFont& font)
{
    const QFontMetricsF metrics(font);
    const QString ellipsis = QStringLiteral("\u2026");
    QString copy = text;
    if (metrics.horizontalAdvance(copy) <= width)
        return copy;
    const double room = width - metrics.horizontalAdvance(ellipsis);
    qsizetype i = copy.size() - 1;
    while (i >= 0 && metrics.horizontalAdvance(copy) > room) {
        copy.remove(i, 1);
        --i;
    }
    // Nothing left to replace (the ellipsis alone is too wide): the ellipsis stands alone.
    if (i < 0)
        return ellipsis;
    copy.replace(i, 1, ellipsis);
    return copy;
}

ZTBarGraph::ZTBarGraph() : titleFont_(Fonts::system(16, true)) {}

ZTBarGraph::~ZTBarGraph() = default;

void ZTBarGraph::reloadData()
{
    for (auto& plot : plots_)
        plot->reloadData();
    setNeedsDisplay();
}

void ZTBarGraph::setPlotRanges(double xLocation, double xLength, double yLocation, double yLength)
{
    xRange_ = {xLocation, xLength};
    yRange_ = {yLocation, yLength};
    setNeedsDisplay();
}

void ZTBarGraph::addPlot(std::unique_ptr<ZTBarPlot> plot)
{
    if (!plot)
        return;
    plot->reloadData();
    plots_.push_back(std::move(plot));
    setNeedsDisplay();
}

void ZTBarGraph::removePlotWithIdentifier(const QString& identifier)
{
    std::erase_if(plots_, [&](const auto& plot) { return plot->identifier() == identifier; });
    setNeedsDisplay();
}

ZTBarPlot* ZTBarGraph::plotWithIdentifier(const QString& identifier) const
{
    for (const auto& plot : plots_) {
        if (plot->identifier() == identifier)
            return plot.get();
    }
    return nullptr;
}

std::vector<const ZTBarPlot*> ZTBarGraph::allPlots() const
{
    std::vector<const ZTBarPlot*> plots;
    for (const auto& plot : plots_)
        plots.push_back(plot.get());
    return plots;
}

void ZTBarGraph::setAxes(const QList<ZTXYAxis>& axes)
{
    axes_ = axes;
    setNeedsDisplay();
}

void ZTBarGraph::setPlotAreaPadding(const Padding& padding)
{
    padding_ = padding;
    setNeedsDisplay();
}

void ZTBarGraph::setTitle(const QString& title)
{
    title_ = title;
    setNeedsDisplay();
}

void ZTBarGraph::setNeedsDisplay() const
{
    if (needsDisplay_)
        needsDisplay_();
}

QRectF ZTBarGraph::plotAreaRect(const QRectF& bounds) const
{
    return plotAreaRect(bounds, textReduction(bounds));
}

QRectF ZTBarGraph::plotAreaRect(const QRectF& bounds, int reduction) const
{
    double top = padding_.top;
    if (!title_.isEmpty())
        top += QFontMetricsF(titleFont_).height() + std::abs(titleDisplacement_.y());
    const double width = std::max(0.0, bounds.width() - padding_.left - padding_.right);
    const double bottom = std::min(padding_.bottom, std::max(0.0, bounds.height() - top - leastPlotHeight(reduction)));
    const double height = std::max(0.0, bounds.height() - top - bottom);
    return {bounds.left() + padding_.left, bounds.top() + top, width, height};
}

double ZTBarGraph::viewX(double x, const QRectF& plotArea) const
{
    if (!(xRange_.length > 0))
        return plotArea.left();
    return plotArea.left() + (x - xRange_.location) / xRange_.length * plotArea.width();
}

double ZTBarGraph::viewY(double y, const QRectF& plotArea) const
{
    if (!(yRange_.length > 0))
        return plotArea.bottom();
    return plotArea.bottom() - (y - yRange_.location) / yRange_.length * plotArea.height();
}

void ZTBarGraph::draw(QPainter& painter, const QRectF& bounds) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    if (!title_.isEmpty()) {
        painter.setFont(titleFont_);
        painter.setPen(Qt::black);
        const QRectF titleRect(bounds.left() + titleDisplacement_.x(), bounds.top() + padding_.top / 2 + titleDisplacement_.y(),
                               bounds.width(), QFontMetricsF(titleFont_).height());
        painter.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop, title_);
    }

    const int reduction = textReduction(bounds);
    const QRectF plotArea = plotAreaRect(bounds, reduction);
    const double scale = barScale(plotArea, reduction);
    for (const auto& plot : plots_)
        drawBars(painter, *plot, plotArea, scale);
    // Labels after every bar, so that none is painted over.
    for (const TurnedLabel& label : valueLabels(plotArea, scale, reduction))
        drawTurnedText(painter, label);
    for (const ZTXYAxis& axis : axes_) {
        QPen pen(axis.axisLineColor);
        pen.setWidthF(1.0);
        painter.setPen(pen);
        const double y = viewY(axis.orthogonalPosition, plotArea);
        painter.drawLine(QPointF(plotArea.left(), y), QPointF(plotArea.right(), y));
    }
    for (const TurnedLabel& label : turnedAxisLabels(bounds, plotArea, reduction))
        drawTurnedText(painter, label);
    painter.restore();
}

QFont ZTBarGraph::countFont(const ZTGraphLabel& label, int reduction)
{
    const double smallest = std::min(label.fontSize, double(kSmallestAxisLabelSize));
    return Fonts::named(label.fontName, std::max(label.fontSize - reduction, smallest));
}

std::optional<double> ZTBarGraph::countReach(const ZTBarPlot& plot, const ZTBarPlot::Bar& bar, int reduction)
{
    if (!bar.value || !(*bar.value > plot.baseValue()) || bar.label.text.isEmpty())
        return std::nullopt;
    return plot.labelOffset() + heightAboveAnchor(plot.labelRotation(), bar.label.text, countFont(bar.label, reduction));
}

double ZTBarGraph::leastPlotHeight(int reduction) const
{
    double height = kMinimumPlotHeight;
    for (const auto& plot : plots_) {
        for (const ZTBarPlot::Bar& bar : plot->bars()) {
            if (const std::optional<double> reach = countReach(*plot, bar, reduction))
                height = std::max({height, 2 * *reach, kMinimumBarHeight + *reach});
        }
    }
    return height;
}

double ZTBarGraph::barScale(const QRectF& plotArea, int reduction) const
{
    if (!(yRange_.length > 0))
        return 0;
    double scale = plotArea.height() / yRange_.length;
    // Each bar's value label stands inside the plot area, over the bar's top.
    for (const auto& plot : plots_) {
        const double base = viewY(plot->baseValue(), plotArea);
        for (const ZTBarPlot::Bar& bar : plot->bars()) {
            if (const std::optional<double> reach = countReach(*plot, bar, reduction)) {
                const double room = base - plotArea.top() - *reach;
                scale = std::min(scale, std::max(0.0, room) / (*bar.value - plot->baseValue()));
            }
        }
    }
    return scale;
}

QRectF ZTBarGraph::barRect(const ZTBarPlot& plot, const ZTBarPlot::Bar& bar, const QRectF& plotArea, double scale) const
{
    const double centre = bar.location + plot.barOffset();
    const double halfWidth = plot.barWidth() / 2.0;
    const double left = viewX(centre - halfWidth, plotArea);
    const double right = viewX(centre + halfWidth, plotArea);
    const double base = viewY(plot.baseValue(), plotArea);
    const double value = bar.value.value_or(plot.baseValue()) - plot.baseValue();
    const double height = value > 0 ? std::max(value * scale, kMinimumBarHeight) : value * scale;
    return QRectF(QPointF(left, std::min(base, base - height)), QPointF(right, std::max(base, base - height)));
}

QList<QRectF> ZTBarGraph::barRects(const ZTBarPlot& plot, const QRectF& bounds) const
{
    const int reduction = textReduction(bounds);
    const QRectF plotArea = plotAreaRect(bounds, reduction);
    return barRects(plot, plotArea, barScale(plotArea, reduction));
}

QList<QRectF> ZTBarGraph::barRects(const ZTBarPlot& plot, const QRectF& plotArea, double scale) const
{
    QList<QRectF> rects;
    if (plot.horizontalBars() || !(xRange_.length > 0))
        return rects;
    for (const ZTBarPlot::Bar& bar : plot.bars())
        rects << (bar.value ? barRect(plot, bar, plotArea, scale) : QRectF());
    return rects;
}

void ZTBarGraph::drawBars(QPainter& painter, const ZTBarPlot& plot, const QRectF& plotArea, double scale) const
{
    const QList<QRectF> rects = barRects(plot, plotArea, scale);
    for (qsizetype i = 0; i < rects.size(); ++i) {
        const ZTBarPlot::Bar& bar = plot.bars()[i];
        const QRectF& rect = rects[i];
        if (!(rect.height() > 0))
            continue;
        painter.save();
        painter.setClipRect(plotArea.adjusted(0, -1, 0, 1));
        painter.fillRect(rect, bar.fill.value_or(plot.fill()));
        if (plot.lineWidth() > 0) {
            QPen pen(plot.lineColor());
            pen.setWidthF(plot.lineWidth());
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect.adjusted(0.5, 0.5, -0.5, 0));
        }
        painter.restore();
    }
}

QList<ZTBarGraph::TurnedLabel> ZTBarGraph::valueLabels(const QRectF& bounds) const
{
    const int reduction = textReduction(bounds);
    const QRectF plotArea = plotAreaRect(bounds, reduction);
    return valueLabels(plotArea, barScale(plotArea, reduction), reduction);
}

QList<ZTBarGraph::TurnedLabel> ZTBarGraph::valueLabels(const QRectF& plotArea, double scale, int reduction) const
{
    QList<TurnedLabel> placed;
    if (!(xRange_.length > 0))
        return placed;
    struct Candidate {
        TurnedLabel label;
        bool counts; // over a bar above its base: a count the user must be able to read
    };
    QList<Candidate> candidates;
    for (const auto& plot : plots_) {
        const QList<QRectF> rects = barRects(*plot, plotArea, scale);
        for (qsizetype i = 0; i < rects.size(); ++i) {
            const ZTBarPlot::Bar& bar = plot->bars()[i];
            if (!bar.value || bar.label.text.isEmpty())
                continue;
            // The value label stands over the bar's top, turned with the plot's rotation.
            const QPointF anchor(rects[i].center().x(), rects[i].top() - plot->labelOffset());
            TurnedLabel label = turnedText(anchor, plot->labelRotation(), {bar.label.text}, countFont(bar.label, reduction), false);
            label.color = toQColor(bar.label.color);
            candidates.append({label, *bar.value > plot->baseValue()});
        }
    }
    // Where a label already stands there is no room: a later one is left out rather than run
    // into it (two zeros side by side would read as "00"). The labels of bars go down first,
    // so that a zero beside it never hides a count.
    std::stable_partition(candidates.begin(), candidates.end(), [](const Candidate& c) { return c.counts; });
    for (const Candidate& candidate : candidates) {
        const QRectF room = candidate.label.ink.adjusted(-kLabelSpacing, -kLabelSpacing, kLabelSpacing, kLabelSpacing);
        if (std::none_of(placed.cbegin(), placed.cend(), [&](const TurnedLabel& other) { return other.ink.intersects(room); }))
            placed.append(candidate.label);
    }
    return placed;
}

int ZTBarGraph::textReduction(const QRectF& bounds) const
{
    if (!(xRange_.length > 0))
        return 0;
    int most = 0;
    for (const ZTXYAxis& axis : axes_) {
        for (const ZTAxisLabel& label : axis.axisLabels) {
            if (label.rotation != 0 && !label.text.isEmpty())
                most = std::max(most, mostReduction(label.font));
        }
    }
    for (int reduction = 0; reduction < most; ++reduction) {
        if (turnedNamesStandWhole(bounds, reduction))
            return reduction;
    }
    return most;
}

bool ZTBarGraph::turnedNamesStandWhole(const QRectF& bounds, int reduction) const
{
    const QRectF plotArea = plotAreaRect(bounds, reduction);
    for (const ZTXYAxis& axis : axes_) {
        const NamePlaces places = namePlaces(*this, axis, plotArea, bounds);
        for (qsizetype i = 0; i < places.labels.size(); ++i) {
            const ZTAxisLabel& label = *places.labels[i];
            if (label.rotation != 0 && !wholeLines(label.text, reducedBy(label.font, reduction), places.rooms[i]))
                return false;
        }
    }
    return true;
}

QList<ZTBarGraph::TurnedLabel> ZTBarGraph::turnedAxisLabels(const QRectF& bounds) const
{
    const int reduction = textReduction(bounds);
    return turnedAxisLabels(bounds, plotAreaRect(bounds, reduction), reduction);
}

QList<ZTBarGraph::TurnedLabel> ZTBarGraph::turnedAxisLabels(const QRectF& bounds, const QRectF& plotArea, int reduction) const
{
    QList<TurnedLabel> turned;
    if (!(xRange_.length > 0))
        return turned;
    for (const ZTXYAxis& axis : axes_) {
        const NamePlaces places = namePlaces(*this, axis, plotArea, bounds);
        for (qsizetype i = 0; i < places.labels.size(); ++i) {
            const ZTAxisLabel& label = *places.labels[i];
            const bool down = label.rotation != 0;
            const QFont font = down ? reducedBy(label.font, reduction) : label.font;
            QStringList lines{label.text};
            if (down) {
                const std::optional<QStringList> whole = wholeLines(label.text, font, places.rooms[i]);
                lines = whole ? *whole : shortenedLines(label.text, font, places.rooms[i]);
            }
            TurnedLabel drawn = turnedText(places.anchors[i], label.rotation, lines, font, down);
            drawn.color = label.color;
            turned << drawn;
        }
    }
    return turned;
}
