// The statistics bar graph: label truncation, scaling and drawing without a y range, sizing.
#include "AppTestSupport.h"
#include "AxisLabelChecks.h"

#include "FMDatabase.h"
#include "Fonts.h"
#include "ZTAbstractTestController.h"
#include "ZTBarGraph.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"
#include "ZTToolbarInfoView.h"
#include "ZTUtils.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

// Two plots' worth of records: 0 "All", 1 a gap, then the given items.
class FakeRecords : public ZTBarPlotDataSource {
public:
    QList<double> right;
    QList<double> wrong;
    qlonglong numberOfRecordsForPlot(const QString&) const override { return right.size() + 2; }
    QVariant numberForPlot(const QString& plot, int field, qlonglong record) const override
    {
        if (field == ZTBarPlot::Location)
            return double(record);
        if (record == 1)
            return {};
        const QList<double>& values = plot == QLatin1String("Right") ? right : wrong;
        if (record == 0) {
            double sum = 0;
            for (double v : values)
                sum += v;
            return sum;
        }
        return values.value(record - 2);
    }
    ZTGraphLabel dataLabelForPlot(const QString& plot, qlonglong record) const override
    {
        return {QString::number(numberForPlot(plot, 1, record).toDouble())};
    }
    std::optional<ZTColor> barFillForBarPlot(const QString&, qlonglong) const override { return std::nullopt; }
};

// How many of the labels read `text`.
qsizetype labelsReading(const QList<ZTBarGraph::TurnedLabel>& labels, const QString& text)
{
    return std::count_if(labels.begin(), labels.end(), [&](const ZTBarGraph::TurnedLabel& l) { return l.text == text; });
}

std::unique_ptr<ZTBarPlot> plot(const QString& identifier, const QColor& color, double offset, const ZTBarPlotDataSource* source)
{
    auto bars = ZTBarPlot::tubularBarPlotWithColor(color, false);
    bars->setIdentifier(identifier);
    bars->setBarWidth(0.3);
    bars->setBarOffset(offset);
    bars->setDataSource(source);
    return bars;
}

// The screen's two plots of counts, right and wrong, labelled turned as on screen.
void addTurnedCountPlots(ZTBarGraph& graph, const ZTBarPlotDataSource* records)
{
    for (auto [name, color, offset] : {std::tuple{"Right", QColor(124, 182, 82), -0.2}, std::tuple{"Wrong", QColor(214, 103, 90), 0.1}}) {
        auto bars = plot(QString::fromLatin1(name), color, offset, records);
        bars->setLabelRotation(M_PI / 2);
        bars->setLabelOffset(3.0);
        graph.addPlot(std::move(bars));
    }
}

QImage render(const ZTBarGraph& graph, const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    graph.draw(painter, QRectF(QPointF(0, 0), size));
    return image;
}

// An axis with the names turned under it at locations 0, 1, ..., as the screen sets them up
// (an empty name: no label there).
ZTXYAxis turnedNamesAxis(const QStringList& names)
{
    ZTXYAxis axis;
    for (qsizetype i = 0; i < names.size(); ++i)
        if (!names[i].isEmpty())
            axis.axisLabels << ZTAxisLabel{names[i], axis.labelTextStyle, Qt::black, double(i), 7.0, M_PI / 2};
    return axis;
}

} // namespace

TEST(GraphLabels, TruncationKeepsWhatFitsAndNeverRunsPastTheStart)
{
    const QFont font = Fonts::named(QStringLiteral("Helvetica"), 12);
    const QFontMetricsF metrics(font);
    const QString name = QStringLiteral("Augmented major seventh with a raised ninth");
    const double exact = metrics.horizontalAdvance(name);
    EXPECT_EQ(ZTMainViewController::stringByTruncating(name, exact, font), name);

    const QString shortened = ZTMainViewController::stringByTruncating(name, 150.0, font);
    EXPECT_TRUE(shortened.endsWith(kEllipsis));
    EXPECT_TRUE(name.startsWith(shortened.chopped(1)));
    EXPECT_LE(metrics.horizontalAdvance(shortened), 150.0);

    // Narrower than the ellipsis itself: nothing is left to replace, the ellipsis stands alone.
    EXPECT_EQ(ZTMainViewController::stringByTruncating(name, 1.0, font), kEllipsis);
    EXPECT_EQ(ZTMainViewController::stringByTruncating(QString(), 0.0, font), QString());
}

TEST(BarGraph, BarsStandOnTheAxisScaledToTheYRange)
{
    FakeRecords records;
    records.right = {4, 0};
    records.wrong = {0, 2};
    ZTBarGraph graph;
    graph.setPlotRanges(-0.75, 4.5, 0, 4 * 1.4);
    graph.addPlot(plot(QStringLiteral("Right"), QColor(124, 182, 82), -0.2, &records));
    graph.addPlot(plot(QStringLiteral("Wrong"), QColor(214, 103, 90), 0.1, &records));
    ASSERT_EQ(graph.plotWithIdentifier(QStringLiteral("Right"))->bars().size(), 4);
    EXPECT_FALSE(graph.plotWithIdentifier(QStringLiteral("Right"))->bars()[1].value.has_value()); // the gap

    const QSize size(460, 300);
    const QImage image = render(graph, size);
    const QRectF area = graph.plotAreaRect(QRectF(QPointF(0, 0), size));
    auto pixel = [&](double x, double y) {
        return image.pixelColor(int(std::lround(graph.viewX(x, area))), int(std::lround(graph.viewY(y, area))));
    };
    EXPECT_EQ(pixel(2 - 0.2, 2.0), QColor(124, 182, 82)); // item 0, right: 4 high
    EXPECT_EQ(pixel(2 - 0.2, 4.2), QColor(Qt::white));      // above it
    EXPECT_EQ(pixel(3 + 0.1, 1.0), QColor(214, 103, 90));  // item 1, wrong: 2 high
    EXPECT_EQ(pixel(3 + 0.1, 2.5), QColor(Qt::white));

    // The data source changes; nothing is read until the graph reloads.
    records.right = {0, 0};
    EXPECT_EQ(*graph.plotWithIdentifier(QStringLiteral("Right"))->bars()[2].value, 4.0);
    graph.reloadData();
    EXPECT_EQ(*graph.plotWithIdentifier(QStringLiteral("Right"))->bars()[2].value, 0.0);
}

TEST(BarGraph, NoStatisticsMeansNoDivisionByZero)
{
    FakeRecords records;
    records.right = {0, 0, 0};
    records.wrong = {0, 0, 0};
    ZTBarGraph graph;
    graph.setPlotRanges(-0.75, 5.5, 0, 0); // 1.4 x a highest count of 0
    graph.addPlot(plot(QStringLiteral("Right"), Qt::green, -0.2, &records));
    const QRectF area = graph.plotAreaRect(QRectF(0, 0, 300, 200));
    EXPECT_DOUBLE_EQ(graph.viewY(5, area), area.bottom());
    EXPECT_TRUE(std::isfinite(graph.viewX(3, area)));
    const QImage image = render(graph, {300, 200});
    // Only a bar paints the plot's colour there; the value label "0" over the base line may
    // touch the spot, in whatever face the system gives "Helvetica".
    EXPECT_NE(image.pixelColor(int(graph.viewX(2 - 0.2, area)), int(area.bottom()) - 3), QColor(Qt::green));

    // A total of 0/0 from the data source reads as an empty bar, not as a number that breaks
    // the drawing.
    class NaNRecords : public FakeRecords {
        QVariant numberForPlot(const QString& plotName, int field, qlonglong record) const override
        {
            return field == ZTBarPlot::Value && record == 0 ? QVariant(std::nan("")) : FakeRecords::numberForPlot(plotName, field, record);
        }
    } nanRecords;
    nanRecords.right = {1};
    nanRecords.wrong = {1};
    ZTBarGraph other;
    other.setPlotRanges(-0.75, 3.5, 0, 1.4);
    other.addPlot(plot(QStringLiteral("Right"), Qt::green, -0.2, &nanRecords));
    EXPECT_EQ(other.plotWithIdentifier(QStringLiteral("Right"))->bars()[0].value, 0.0);

    // An empty plot area (a window smaller than the paddings) has no negative size.
    ZTBarGraph tiny;
    tiny.setTitle(QStringLiteral("Interval recognition"));
    const QRectF none = tiny.plotAreaRect(QRectF(0, 0, 10, 10));
    EXPECT_EQ(none.width(), 0.0);
    EXPECT_EQ(none.height(), 0.0);
}

TEST(BarGraph, TurnedLabelsAreReadableAndNeverRunTogether)
{
    // Thirty items, most never answered: pairs of zeros side by side.
    FakeRecords records;
    for (int i = 0; i < 30; ++i) {
        records.right << (i % 7 == 0 ? 3 : 0);
        records.wrong << (i % 5 == 0 ? 1 : 0);
    }
    ZTBarGraph graph;
    graph.setPlotRanges(-0.75, 32.5, 0, 3 * 1.4);
    addTurnedCountPlots(graph, &records);
    const QRectF bounds(0, 0, 1000, 280);
    const QList<ZTBarGraph::TurnedLabel> labels = graph.valueLabels(bounds);
    ASSERT_FALSE(labels.isEmpty());
    const int axisLabelPixels = ZTXYAxis().labelTextStyle.pixelSize();
    for (qsizetype i = 0; i < labels.size(); ++i) {
        EXPECT_GE(labels[i].font.pixelSize(), axisLabelPixels);
        for (qsizetype j = i + 1; j < labels.size(); ++j) {
            const QRectF room = labels[i].ink.adjusted(-ZTBarGraph::kLabelSpacing, -ZTBarGraph::kLabelSpacing,
                                                       ZTBarGraph::kLabelSpacing, ZTBarGraph::kLabelSpacing);
            EXPECT_FALSE(room.intersects(labels[j].ink)) << qPrintable(labels[i].text) << " and " << qPrintable(labels[j].text);
        }
    }
    // The counts over answered bars stand above the zeros, so they always find room.
    EXPECT_EQ(labelsReading(labels, "3"), 5);
    EXPECT_EQ(labelsReading(labels, "1"), 6);

    // With room to spare every bar keeps its label.
    const QList<ZTBarGraph::TurnedLabel> wide = graph.valueLabels(QRectF(0, 0, 4000, 280));
    EXPECT_EQ(wide.size(), 2 * 31); // the gap has none
}

TEST(BarGraph, InALowCrowdedGraphAZeroGivesWayToTheCountBesideIt)
{
    // Bars of 1 are barely above the axis in a low graph, so their labels stand level with
    // the zeros of the other plot right beside them.
    FakeRecords records;
    for (int i = 0; i < 24; ++i) {
        records.right << (i % 3 == 0 ? 1 : 0);
        records.wrong << (i % 3 == 1 ? 1 : 0);
    }
    ZTBarGraph graph;
    graph.setPlotRanges(-0.75, 26.5, 0, 1.4);
    addTurnedCountPlots(graph, &records);
    const QList<ZTBarGraph::TurnedLabel> labels = graph.valueLabels(QRectF(0, 0, 700, 100));
    EXPECT_EQ(labelsReading(labels, "1"), 16);
    // Zeros still show where they do not crowd a count.
    EXPECT_GT(labelsReading(labels, "0"), 0);
}

// The counts and names in a face of the machine's: the graph measures whichever face the
// family resolves to, so nothing may depend on one face's widths.
class GraphInAnyFace : public ::testing::TestWithParam<const char*> {};

TEST_P(GraphInAnyFace, InALowGraphEveryCountIsABarOverHalfThePlotAndEveryLabelIsWhole)
{
    const QString family = QString::fromLatin1(GetParam());
    struct CountsInFace : FakeRecords {
        QString family;
        ZTGraphLabel dataLabelForPlot(const QString& plot, qlonglong record) const override
        {
            ZTGraphLabel label = FakeRecords::dataLabelForPlot(plot, record);
            label.fontName = family;
            return label;
        }
    } records;
    records.family = family;
    records.right = {1, 0, 12, 1};
    records.wrong = {0, 1, 3, 100};
    ZTBarGraph graph;
    graph.setPlotRanges(-0.75, 6.5, 0, 100 * 1.4);
    addTurnedCountPlots(graph, &records);
    const QStringList names{"All", "", "Perfect fourth", "Perfect fifth", "Octave", "Augmented fourth"};
    ZTXYAxis axis = turnedNamesAxis(names);
    for (ZTAxisLabel& label : axis.axisLabels)
        label.font = Fonts::named(family, 12);
    graph.setAxes({axis});
    ZTBarGraph::Padding padding;
    padding.top = 24;
    padding.bottom = QFontMetricsF(axis.axisLabels[0].font).horizontalAdvance("Augmented fourth") + 11;
    graph.setPlotAreaPadding(padding);

    for (const int height : {100, 135, 160, 300}) {
        const std::string where = family.toStdString() + " " + std::to_string(height);
        const QRectF bounds(0, 0, 700, height);
        const QRectF area = graph.plotAreaRect(bounds);
        EXPECT_GE(area.height(), ZTBarGraph::kMinimumPlotHeight) << where;
        double tallest = 0;
        for (const ZTBarPlot* bars : graph.allPlots()) {
            const QList<QRectF> rects = graph.barRects(*bars, bounds);
            for (qsizetype i = 0; i < rects.size(); ++i) {
                if (!bars->bars()[i].value || *bars->bars()[i].value == 0)
                    continue;
                EXPECT_GE(rects[i].height(), ZTBarGraph::kMinimumBarHeight) << where << " " << i;
                EXPECT_GE(rects[i].top(), area.top());
                EXPECT_DOUBLE_EQ(rects[i].bottom(), area.bottom());
                tallest = std::max(tallest, rects[i].height());
            }
        }
        EXPECT_GE(tallest, area.height() / 2) << where;
        // The counts over the bars stay whole in the plot area, under its top padding.
        const QList<ZTBarGraph::TurnedLabel> counts = graph.valueLabels(bounds);
        EXPECT_EQ(labelsReading(counts, "100"), 1) << where;
        EXPECT_EQ(labelsReading(counts, "104"), 1) << where;
        for (const ZTBarGraph::TurnedLabel& label : counts)
            EXPECT_TRUE(area.contains(label.ink)) << where << " " << label.text.toStdString();
        // Item names run down from the axis to the bottom at most, broken, smaller or at last
        // shortened where longer, all in one size.
        const QList<ZTBarGraph::TurnedLabel> labels = graph.turnedAxisLabels(bounds);
        ASSERT_EQ(labels.size(), 5);
        expectInsideAndApart(labels, bounds, where);
        for (qsizetype i = 0; i < labels.size(); ++i) {
            EXPECT_TRUE(readsAs(labels[i], names[i < 1 ? i : i + 1])) << where << " " << labels[i].text.toStdString();
            EXPECT_EQ(labels[i].font, labels[0].font) << where << " " << labels[i].text.toStdString();
        }
        // Counts and names give way together: as large as each other.
        for (const ZTBarGraph::TurnedLabel& count : counts)
            EXPECT_EQ(count.font.pixelSize(), labels[0].font.pixelSize()) << where;
        // 50 points under the axis hold the perfect intervals' names whole on two lines.
        if (bounds.bottom() - area.bottom() >= 58) {
            for (qsizetype i = 1; i <= 3; ++i)
                EXPECT_FALSE(isShortened(labels[i])) << where << " " << labels[i].text.toStdString();
        }
    }

    // With room the bars keep the y range's scale and the names are whole.
    const QRectF roomy(0, 0, 700, 400);
    const QRectF area = graph.plotAreaRect(roomy);
    const QList<QRectF> right = graph.barRects(*graph.plotWithIdentifier("Right"), roomy);
    EXPECT_NEAR(right[4].height(), 12 * area.height() / 140, 1e-9);
    for (const ZTBarGraph::TurnedLabel& label : graph.turnedAxisLabels(roomy)) {
        EXPECT_FALSE(isShortened(label)) << label.text.toStdString();
        EXPECT_FALSE(label.text.contains('\n')) << label.text.toStdString();
    }

    // Drawn: a count of one in a graph 100 high is a bar of its colour.
    const QImage image = render(graph, {700, 100});
    const QRectF one = graph.barRects(*graph.plotWithIdentifier("Right"), QRectF(0, 0, 700, 100))[2];
    EXPECT_EQ(image.pixelColor(one.center().toPoint()), QColor(124, 182, 82));
}

INSTANTIATE_TEST_SUITE_P(Faces, GraphInAnyFace, ::testing::Values("Helvetica", "DejaVu Sans", "FreeSerif", "FreeMono"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return QString::fromLatin1(info.param).remove(' ').toStdString();
                         });

TEST(BarGraph, TurnedNamesBreakThenGetSmallerBeforeTheyAreShortened)
{
    const QStringList names{"All", "", "Perfect fourth", "Perfect fifth", "Octave", "I - IV - V - I"};
    ZTBarGraph graph;
    graph.setPlotRanges(-0.75, names.size() + 0.5, 0, 1.4);
    graph.setAxes({turnedNamesAxis(names)});
    ZTBarGraph::Padding padding;
    padding.top = 24;
    padding.bottom = 150;
    graph.setPlotAreaPadding(padding);
    // The plot area keeps its least height under the top padding; the names hang from 7 points
    // under the axis and keep a point clear of the bottom.
    const double hangsFrom = padding.top + ZTBarGraph::kMinimumPlotHeight + 7;
    auto labelsWithRoom = [&](double room, double width = 700) {
        const QRectF bounds(0, 0, width, hangsFrom + room + 1);
        const QList<ZTBarGraph::TurnedLabel> labels = graph.turnedAxisLabels(bounds);
        EXPECT_EQ(labels.size(), 5);
        expectInsideAndApart(labels, bounds, "room " + std::to_string(room) + ", width " + std::to_string(width));
        for (qsizetype i = 0; i < labels.size(); ++i) {
            EXPECT_TRUE(readsAs(labels[i], names[i < 1 ? i : i + 1])) << labels[i].text.toStdString();
            EXPECT_GE(labels[i].font.pixelSize(), ZTBarGraph::kSmallestAxisLabelSize);
            EXPECT_EQ(labels[i].font, labels[0].font) << labels[i].text.toStdString(); // never mixed sizes
        }
        return labels;
    };
    const QFont font = ZTXYAxis().labelTextStyle;
    auto widest = [](const QFont& face, const QStringList& lines) {
        double width = 0;
        for (const QString& line : lines)
            width = std::max(width, QFontMetricsF(face).horizontalAdvance(line));
        return width;
    };

    // Room for the longest name: every name on one line in the axis's own font.
    for (const ZTBarGraph::TurnedLabel& label : labelsWithRoom(widest(font, names))) {
        EXPECT_FALSE(label.text.contains('\n')) << label.text.toStdString();
        EXPECT_EQ(label.font, font);
    }

    // Room for the longer half only: broken at the space, in the same font, the two lines side
    // by side across the run, each ending at the axis.
    {
        const QList<ZTBarGraph::TurnedLabel> labels = labelsWithRoom(widest(font, {"Perfect", "fourth", "Octave", "I - IV -", "V - I"}));
        EXPECT_EQ(labels[1].text, "Perfect\nfourth");
        EXPECT_EQ(labels[2].text, "Perfect\nfifth");
        EXPECT_EQ(labels[4].text, "I - IV -\nV - I"); // a line never begins with the dash
        EXPECT_EQ(labels[3].text, "Octave");
        for (const ZTBarGraph::TurnedLabel& label : labels)
            EXPECT_EQ(label.font, font);
        const QRectF broken = labels[1].ink;
        EXPECT_GT(broken.width(), 1.5 * labels[3].ink.width());
        EXPECT_NEAR(broken.top(), labels[3].ink.top(), 2.0);
    }

    // Shorter than that at the axis's size: every name a pixel smaller at a time, all in one
    // size, and whole.
    QFont smaller = font;
    smaller.setPixelSize(font.pixelSize() - 2);
    {
        const QList<ZTBarGraph::TurnedLabel> labels = labelsWithRoom(widest(smaller, {"Perfect", "fourth", "Octave"}));
        for (const ZTBarGraph::TurnedLabel& label : labels) {
            EXPECT_LT(label.font.pixelSize(), font.pixelSize()) << label.text.toStdString();
            EXPECT_EQ(label.font.pixelSize(), labels[0].font.pixelSize());
            EXPECT_FALSE(isShortened(label)) << label.text.toStdString();
        }
        EXPECT_EQ(labels[1].text, "Perfect\nfourth");
    }

    // Too short even in the smallest size: shortened there, on two lines where they fit.
    QFont smallest = font;
    smallest.setPixelSize(ZTBarGraph::kSmallestAxisLabelSize);
    {
        const QList<ZTBarGraph::TurnedLabel> labels = labelsWithRoom(widest(smallest, {"Perf" + kEllipsis}));
        EXPECT_TRUE(labels[1].text.contains('\n'));
        EXPECT_TRUE(labels[1].text.startsWith("Per")) << labels[1].text.toStdString();
        for (const ZTBarGraph::TurnedLabel& label : labels.mid(1, 3)) {
            EXPECT_TRUE(isShortened(label)) << label.text.toStdString();
            EXPECT_EQ(label.font, smallest);
        }
    }

    // Items too close together for two lines side by side: one line each, smaller or shortened,
    // still apart.
    const double twoLines = QFontMetricsF(smallest).lineSpacing() + QFontMetricsF(smallest).capHeight();
    const double narrow = (twoLines - 1) * (names.size() + 0.5) + padding.left + padding.right;
    for (const ZTBarGraph::TurnedLabel& label : labelsWithRoom(widest(font, {"Perfect"}), narrow))
        EXPECT_FALSE(label.text.contains('\n')) << label.text.toStdString();
}

TEST_F(AppTest, GraphAreaScrollsWhenTheWindowIsTooNarrowAndNeverGoesNegative)
{
    launch();
    ZTMainViewController* view = screen();
    view->setMinimumSize(0, 0);
    const double needed = double(view->currentLessonController()->items().size()) * 30.0 + 100.0;
    view->resize(1000, 600);
    view->sizeGraphView();
    EXPECT_DOUBLE_EQ(view->graphClipWidth(), 1000.0 - 210.0 - 17.0 - 40.0);
    EXPECT_DOUBLE_EQ(view->graphWidthConstraint(), std::max(view->graphClipWidth(), needed));

    view->resize(240, 600);
    view->sizeGraphView();
    EXPECT_EQ(view->graphClipWidth(), 0.0);
    EXPECT_DOUBLE_EQ(view->graphWidthConstraint(), needed);
}

TEST_F(AppTest, ARenamedItemShowsItsCountsUnderItsNewName)
{
    const QString chords = QStringLiteral("Chord recognition");
    launch();
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    prefs->setString(QStringLiteral("int_0"), QStringLiteral("level"), chords);
    prefs->setCurrentExercise(chords);
    const QVariantList notes{QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 1}, {"off", 0}, {"note", 0}}}}},
                             QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 3}, {"off", -1}, {"note", 3}}}}},
                             QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 5}, {"off", -1}, {"note", 6}}}}},
                             QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 7}, {"off", 0}, {"note", 11}}}}}};
    prefs->addCustomExercise({{"name", "Tense"}, {"definition", notes}, {"group", "0"}, {"level", 0LL},
                              {"isMinor", false}, {"chordId", "dimMaj7"}},
                             chords);
    advance(0.6);
    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_TRUE(db && db->open());
    ASSERT_TRUE(db->executeUpdate("INSERT INTO stats (testName, itemName, right, wrong) VALUES (?, ?, 3, 1)",
                                  {chords, QStringLiteral("Tense")}));

    prefs->replaceExerciseName(QStringLiteral("Very tense"), 0, chords);
    advance(0.6);

    ZTAbstractTestController* lesson = screen()->currentLessonController();
    ASSERT_EQ(lesson->testName(), chords);
    qsizetype index = -1;
    for (qsizetype i = 0; i < lesson->items().size(); ++i)
        if (lesson->items()[i].toMap().value("name") == QStringLiteral("Very tense"))
            index = i;
    ASSERT_GE(index, 0);
    const ZTBarGraph* graph = screen()->graph();
    const double location = double(index + 2);
    QStringList labels;
    for (const ZTAxisLabel& label : graph->axes().first().axisLabels)
        if (label.tickLocation == location)
            labels << label.text;
    EXPECT_EQ(labels, QStringList({"Very tense"}));
    EXPECT_EQ(graph->plotWithIdentifier(QStringLiteral("Right"))->bars()[index + 2].value, 3.0);
    EXPECT_EQ(graph->plotWithIdentifier(QStringLiteral("Wrong"))->bars()[index + 2].value, 1.0);
}

TEST(InfoPanel, TextStandsInTheMiddleClearOfTheEdges)
{
    const QSizeF size(400, ZTToolbarInfoView::kPreferredHeight);
    ZTToolbarInfoView panel;
    QImage image(size.toSize(), QImage::Format_ARGB32);
    auto draw = [&] {
        QPainter painter(&image);
        panel.draw(painter, size);
    };
    // Free room above and below the text (y-up rectangles), equal within a point.
    auto expectCentred = [&](const QRectF& top, const QRectF& bottom) {
        const double above = size.height() - top.bottom();
        const double below = bottom.top();
        EXPECT_NEAR(above, below, 1.0);
        EXPECT_GE(below, ZTToolbarInfoView::kVerticalMargin - 1);
    };
    draw();
    EXPECT_TRUE(panel.imageRect().isNull());
    EXPECT_TRUE(panel.titleRect().isNull());

    // A title alone sits in the middle, not at the top.
    panel.setTitle(QStringLiteral("Click on  \u25B6  to play the next chord."));
    draw();
    expectCentred(panel.titleRect(), panel.titleRect());
    EXPECT_NEAR(panel.titleRect().center().x(), 200.0, 1.0);

    // Icon, a 5-point gap and the title form one centred group on the title's line.
    panel.setImage(QStringLiteral("rightIconSmall"));
    panel.setTitle(QStringLiteral("Right!"));
    panel.setSubTitle(QStringLiteral("Octave (C4 - C5)"));
    draw();
    const QRectF icon = panel.imageRect();
    const QRectF title = panel.titleRect();
    EXPECT_EQ(title.x(), icon.right() + ZTToolbarInfoView::kIconGap);
    EXPECT_NEAR(icon.left() + (title.right() - icon.left()) / 2, 200.0, 1.0);
    EXPECT_NEAR(icon.center().y(), title.center().y(), 0.5);
    EXPECT_LE(panel.subTitleRect().bottom(), title.top()); // under the title (y-up)
    expectCentred(title, panel.subTitleRect());

    // A prompt whose subtitle takes two lines still keeps clear of the edges and the ends.
    panel.setImage(QStringLiteral("questionIconSmall"));
    panel.setTitle(QStringLiteral("Which chord progression was played? To repeat it, click  \u27F3 ."));
    panel.setSubTitle(QStringLiteral("Choose the right chord progression from the sidebar or play it with the keyboard."));
    const QSizeF narrow(300, size.height());
    {
        QImage small(narrow.toSize(), QImage::Format_ARGB32);
        QPainter painter(&small);
        panel.draw(painter, narrow);
    }
    const QRectF sub = panel.subTitleRect();
    EXPECT_GT(sub.height(), QFontMetricsF(Fonts::system(10)).lineSpacing()); // wrapped
    EXPECT_GE(sub.left(), ZTToolbarInfoView::kTextInset);
    EXPECT_LE(sub.right(), narrow.width() - ZTToolbarInfoView::kTextInset);
    EXPECT_GE(panel.imageRect().left(), ZTToolbarInfoView::kTextInset);
    const double above = narrow.height() - panel.titleRect().bottom();
    EXPECT_NEAR(above, sub.top(), 1.0);
    EXPECT_GE(sub.top(), 2.0);

    // Far too much text is cut off at whole lines inside the panel.
    panel.setSubTitle(QString(QStringLiteral("a long explanation ")).repeated(12));
    draw();
    EXPECT_GE(panel.subTitleRect().top(), 0.0);
    EXPECT_LE(panel.titleRect().bottom(), size.height());
}
