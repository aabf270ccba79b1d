#pragma once

#include "ZTMainWindowServices.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

// Where the bars of a plot come from (the exercise controller, through the main view
// controller). Records are read when a plot is added and on reloadData, never while drawing.
class ZTBarPlotDataSource {
public:
    virtual ~ZTBarPlotDataSource() = default;
    virtual qlonglong numberOfRecordsForPlot(const QString& plotIdentifier) const = 0;
    // Field 0: the bar's location; field 1: its value (invalid for no bar).
    virtual QVariant numberForPlot(const QString& plotIdentifier, int field, qlonglong recordIndex) const = 0;
    virtual ZTGraphLabel dataLabelForPlot(const QString& plotIdentifier, qlonglong recordIndex) const = 0;
    // None: the plot's own fill.
    virtual std::optional<ZTColor> barFillForBarPlot(const QString& plotIdentifier, qlonglong recordIndex) const = 0;
};

// A range of data values: location .. location + length.
struct ZTPlotRange {
    double location = 0;
    double length = 0;
    friend bool operator==(const ZTPlotRange&, const ZTPlotRange&) = default;
};

// One series of vertical bars with value labels over them.
class ZTBarPlot {
public:
    enum Field { Location = 0, Value = 1 };

    struct Bar {
        double location = 0;
        std::optional<double> value; // none: no bar and no label
        std::optional<QColor> fill;
        ZTGraphLabel label;
    };

    // Vertical bars of one colour (line and fill), as the statistics graph wants them.
    static std::unique_ptr<ZTBarPlot> tubularBarPlotWithColor(const QColor& color, bool horizontalBars);

    QString identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }
    QColor lineColor() const { return lineColor_; }
    void setLineColor(const QColor& color) { lineColor_ = color; }
    QColor fill() const { return fill_; }
    void setFill(const QColor& color) { fill_ = color; }
    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double width) { lineWidth_ = width; }
    // In data units of the x range.
    double barWidth() const { return barWidth_; }
    void setBarWidth(double width) { barWidth_ = width; }
    double barOffset() const { return barOffset_; }
    void setBarOffset(double offset) { barOffset_ = offset; }
    double baseValue() const { return baseValue_; }
    void setBaseValue(double value) { baseValue_ = value; }
    // Radians, counter-clockwise.
    double labelRotation() const { return labelRotation_; }
    void setLabelRotation(double radians) { labelRotation_ = radians; }
    // Points between the bar's top and its label.
    double labelOffset() const { return labelOffset_; }
    void setLabelOffset(double offset) { labelOffset_ = offset; }
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width) { borderWidth_ = width; }
    bool horizontalBars() const { return horizontalBars_; }
    const ZTBarPlotDataSource* dataSource() const { return dataSource_; }
    void setDataSource(const ZTBarPlotDataSource* dataSource) { dataSource_ = dataSource; }

    // Reads every record from the data source again.
    void reloadData();
    const QList<Bar>& bars() const { return bars_; }

private:
    QString identifier_;
    QColor lineColor_ = Qt::black;
    QColor fill_ = Qt::gray;
    double lineWidth_ = 1.0;
    double barWidth_ = 0.5;
    double barOffset_ = 0;
    double baseValue_ = 0;
    double labelRotation_ = 0;
    double labelOffset_ = 2.0;
    double borderWidth_ = 0;
    bool horizontalBars_ = false;
    const ZTBarPlotDataSource* dataSource_ = nullptr;
    QList<Bar> bars_;
};

// A label of the x axis at a data location.
struct ZTAxisLabel {
    QString text;
    QFont font;
    QColor color = Qt::black;
    double tickLocation = 0;
    // Points between the axis line and the label.
    double offset = 0;
    double rotation = 0;
};

// The x axis: a line at the orthogonal position with custom labels under it.
class ZTXYAxis {
public:
    enum class LabelingPolicy { None, Automatic };
    enum class TickDirection { None, Positive, Negative };

    ZTXYAxis();

    LabelingPolicy labelingPolicy = LabelingPolicy::None;
    TickDirection tickDirection = TickDirection::None;
    double majorTickLength = 10.0;
    double minorTickLength = 5.0;
    double labelOffset = 2.0;
    QFont labelTextStyle;
    QColor labelColor = Qt::black;
    QColor axisLineColor = Qt::black;
    double orthogonalPosition = 0;
    bool drawsMajorTicks = false;
    bool drawsMinorTicks = false;
    QList<ZTAxisLabel> axisLabels;
};

// The statistics bar graph: a plot space with x and y ranges, bar plots, one x axis and a
// plot area inset by paddings. Drawing goes through draw(), which the hosting view and
// printing share.
class ZTBarGraph : public ZTGraphControl {
public:
    struct Padding {
        double left = 20;
        double top = 20;
        double right = 20;
        double bottom = 20;
    };

    // Least room between two value labels: closer ones would read as one number.
    static constexpr double kLabelSpacing = 3.0;
    // A value above the base is never drawn lower than this, so that every count shows as a bar.
    static constexpr double kMinimumBarHeight = 4.0;
    // In bounds too low for the paddings the plot area keeps at least this height, and more
    // where the counts over the bars need it; the turned axis labels under it are fitted to
    // the room that is left.
    static constexpr double kMinimumPlotHeight = 28.0;
    // The least pixel size a turned axis label, and a count with it, is set in to fit.
    static constexpr int kSmallestAxisLabelSize = 9;

    // The text, shortened with a trailing "…" where it is wider than `width`: as many of its
    // first characters as fit with the ellipsis; the ellipsis alone where none does.
    static QString shortenedToWidth(const QString& text, double width, const QFont& font);

    ZTBarGraph();
    ~ZTBarGraph() override;
    ZTBarGraph(const ZTBarGraph&) = delete;
    ZTBarGraph& operator=(const ZTBarGraph&) = delete;

    // ---- ZTGraphControl ----
    void reloadData() override;
    void setPlotRanges(double xLocation, double xLength, double yLocation, double yLength) override;

    ZTPlotRange xRange() const { return xRange_; }
    ZTPlotRange yRange() const { return yRange_; }

    // The plot reads its records at once.
    void addPlot(std::unique_ptr<ZTBarPlot> plot);
    void removePlotWithIdentifier(const QString& identifier);
    ZTBarPlot* plotWithIdentifier(const QString& identifier) const;
    std::vector<const ZTBarPlot*> allPlots() const;

    const QList<ZTXYAxis>& axes() const { return axes_; }
    void setAxes(const QList<ZTXYAxis>& axes);

    Padding plotAreaPadding() const { return padding_; }
    void setPlotAreaPadding(const Padding& padding);

    QString title() const { return title_; }
    void setTitle(const QString& title);
    QPointF titleDisplacement() const { return titleDisplacement_; }
    void setTitleDisplacement(const QPointF& displacement) { titleDisplacement_ = displacement; }
    QFont titleFont() const { return titleFont_; }

    // Called whenever the graph wants to be drawn again.
    void setNeedsDisplayHandler(std::function<void()> handler) { needsDisplay_ = std::move(handler); }

    // ---- Geometry (Qt coordinates of the drawing bounds) ----
    // The bounds less the paddings. While the bounds have room for it below the top padding,
    // it is high enough that the tallest bar takes at least half of it with its count above
    // it, and never lower than kMinimumPlotHeight.
    QRectF plotAreaRect(const QRectF& bounds) const;
    // Horizontal position of a data x value; the left edge when the x range is empty.
    double viewX(double x, const QRectF& plotArea) const;
    // Vertical position of a data y value; the base line when the y range is empty.
    double viewY(double y, const QRectF& plotArea) const;

    void draw(QPainter& painter, const QRectF& bounds) const;

    // A label as drawn: its lines turned about its anchor.
    struct TurnedLabel {
        QString text; // as shown; the lines of a broken label are joined by "\n"
        QFont font;
        QColor color;
        QTransform transform;   // from the text's own frame to the drawing bounds
        QList<QPointF> origins; // where each line starts in the text's own frame
        QRectF ink;             // the glyphs' bounds in the drawing bounds
    };
    // The bars of a plot as draw() puts them down, one per record (empty for a record
    // without a value). Heights follow the y range, except that no value label stands above
    // the plot area (a low plot area draws its bars lower) and a value above the base is at
    // least kMinimumBarHeight high.
    QList<QRectF> barRects(const ZTBarPlot& plot, const QRectF& bounds) const;
    // The value labels that draw() puts over the bars, those of bars above their base first,
    // then plot by plot: a label that would come nearer than kLabelSpacing to one placed
    // before it is left out, so a zero gives way to a count. They are set as many pixels
    // smaller than their own size as the turned axis labels, so that counts and names are as
    // large as each other and give way together in a low graph.
    QList<TurnedLabel> valueLabels(const QRectF& bounds) const;
    // The axis labels as draw() puts them down. A turned label longer than the room between
    // the axis and the bottom of the bounds is broken into two lines at a space, where its
    // half of the way to the next label and the bounds are wide enough for them. Failing
    // that, the turned labels and the counts are all set a pixel smaller and tried again
    // (smaller counts leave the names more room), down to kSmallestAxisLabelSize. They share
    // the largest size at which every name stands whole; where one cannot, all are set in
    // the smallest size and that one is shortened, line by line.
    QList<TurnedLabel> turnedAxisLabels(const QRectF& bounds) const;

private:
    void setNeedsDisplay() const;
    // How many pixels smaller than their own sizes the names and counts are set (see
    // turnedAxisLabels), and whether every turned name stands whole at that.
    int textReduction(const QRectF& bounds) const;
    bool turnedNamesStandWhole(const QRectF& bounds, int reduction) const;
    QRectF plotAreaRect(const QRectF& bounds, int reduction) const;
    // The height the plot area needs for the counts over its bars (see plotAreaRect).
    double leastPlotHeight(int reduction) const;
    static QFont countFont(const ZTGraphLabel& label, int reduction);
    // How far above a bar's top its count reaches (offset and ink); none for a bar at or
    // below its base or without a count.
    static std::optional<double> countReach(const ZTBarPlot& plot, const ZTBarPlot::Bar& bar, int reduction);
    // Pixels per unit of a bar's height in the plot area.
    double barScale(const QRectF& plotArea, int reduction) const;
    QList<TurnedLabel> valueLabels(const QRectF& plotArea, double scale, int reduction) const;
    QList<TurnedLabel> turnedAxisLabels(const QRectF& bounds, const QRectF& plotArea, int reduction) const;
    QRectF barRect(const ZTBarPlot& plot, const ZTBarPlot::Bar& bar, const QRectF& plotArea, double scale) const;
    // barRects for a plot area and bar scale measured once for every plot.
    QList<QRectF> barRects(const ZTBarPlot& plot, const QRectF& plotArea, double scale) const;
    void drawBars(QPainter& painter, const ZTBarPlot& plot, const QRectF& plotArea, double scale) const;

    ZTPlotRange xRange_{0, 1};
    ZTPlotRange yRange_{0, 1};
    std::vector<std::unique_ptr<ZTBarPlot>> plots_;
    QList<ZTXYAxis> axes_;
    Padding padding_;
    QString title_;
    QPointF titleDisplacement_;
    QFont titleFont_;
    std::function<void()> needsDisplay_;
};
