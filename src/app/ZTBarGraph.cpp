#include "ZTBarGraph.h"

#include "Fonts.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QColor toQColor(const ZTColor& color)
{
    return QColor::fromRgbF(float(color.red), float(color.green), float(color.blue), float(color.alpha));
}

// Draws text turned by `radians` (counter-clockwise) about `anchor`; `alignEnd` puts the end
// of the text at the anchor instead of its start. The text is centred across its run.
void drawRotatedText(QPainter& painter, const QPointF& anchor, double radians, const QString& text,
                     const QFont& font, const QColor& color, bool alignEnd)
{
    if (text.isEmpty())
        return;
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(text);
    painter.save();
    painter.translate(anchor);
    painter.rotate(-radians * 180.0 / M_PI);
    painter.setFont(font);
    painter.setPen(color);
    const double x = alignEnd ? -width : 0;
    painter.drawText(QPointF(x, (metrics.ascent() - metrics.descent()) / 2.0), text);
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
    double top = padding_.top;
    if (!title_.isEmpty())
        top += QFontMetricsF(titleFont_).height() + std::abs(titleDisplacement_.y());
    const double width = std::max(0.0, bounds.width() - padding_.left - padding_.right);
    const double height = std::max(0.0, bounds.height() - top - padding_.bottom);
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

    const QRectF plotArea = plotAreaRect(bounds);
    for (const auto& plot : plots_)
        drawPlot(painter, *plot, plotArea);
    for (const ZTXYAxis& axis : axes_)
        drawAxis(painter, axis, plotArea);
    painter.restore();
}

void ZTBarGraph::drawPlot(QPainter& painter, const ZTBarPlot& plot, const QRectF& plotArea) const
{
    if (plot.horizontalBars() || !(xRange_.length > 0))
        return;
    const double halfWidth = plot.barWidth() / 2.0;
    for (const ZTBarPlot::Bar& bar : plot.bars()) {
        if (!bar.value)
            continue;
        const double centre = bar.location + plot.barOffset();
        const double left = viewX(centre - halfWidth, plotArea);
        const double right = viewX(centre + halfWidth, plotArea);
        const double base = viewY(plot.baseValue(), plotArea);
        const double top = viewY(*bar.value, plotArea);
        const QRectF rect = QRectF(QPointF(left, std::min(base, top)), QPointF(right, std::max(base, top)));
        if (rect.height() > 0) {
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
        // The value label stands over the bar's top, turned with the plot's rotation.
        const QPointF anchor((left + right) / 2.0, top - plot.labelOffset());
        drawRotatedText(painter, anchor, plot.labelRotation(), bar.label.text,
                        Fonts::named(bar.label.fontName, bar.label.fontSize), toQColor(bar.label.color), false);
    }
}

void ZTBarGraph::drawAxis(QPainter& painter, const ZTXYAxis& axis, const QRectF& plotArea) const
{
    const double y = viewY(axis.orthogonalPosition, plotArea);
    QPen pen(axis.axisLineColor);
    pen.setWidthF(1.0);
    painter.setPen(pen);
    painter.drawLine(QPointF(plotArea.left(), y), QPointF(plotArea.right(), y));
    if (!(xRange_.length > 0))
        return;
    for (const ZTAxisLabel& label : axis.axisLabels) {
        const double x = viewX(label.tickLocation, plotArea);
        // Turned labels end at the axis and run downwards from it.
        drawRotatedText(painter, QPointF(x, y + label.offset), label.rotation, label.text, label.font, label.color,
                        label.rotation != 0);
    }
}
