// The part of the exercise screen that tells the user how the exercise stands: the info
// panel's messages and feedback, and the statistics bar graph.
#include "ZTMainViewController.h"

#include "Localization.h"
#include "ZTAbstractTestController.h"
#include "ZTDataProvider.h"
#include "ZTGraphHostingView.h"
#include "ZTMusicalTest.h"
#include "ZTMusicRead.h"
#include "ZTPitch.h"
#include "ZTPreferences.h"
#include "ZTToolbarInfoView.h"

#include <QFontMetricsF>
#include <QScrollArea>

#include <algorithm>
#include <cmath>

namespace {

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

const QString kRight = QStringLiteral("Right");
const QString kWrong = QStringLiteral("Wrong");

double textWidth(const QString& text, const QFont& font)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

} // namespace

// ---- Info panel ----

void ZTMainViewController::setInfo(const QString& image, const QString& title, const QString& subTitle)
{
    ZTToolbarInfoView* info = toolbarInfoView();
    info->setImage(image);
    info->setTitle(title);
    info->setSubTitle(subTitle);
}

void ZTMainViewController::_displaySelectTestMessage()
{
    if (ZTAbstractTestController* c = currentLessonController())
        setInfo(QStringLiteral("questionIconSmall"), c->questionString(), c->questionSubString());
}

void ZTMainViewController::_displayStartTestMessage()
{
    if (ZTAbstractTestController* c = currentLessonController())
        setInfo(QStringLiteral("infoIconSmall"), c->startTestString(), QString());
}

void ZTMainViewController::_displayPracticeMessage()
{
    ZTAbstractTestController* c = currentLessonController();
    setInfo(QStringLiteral("infoIconSmall"), localized(QStringLiteral("Learning Mode")), c ? c->practiceMessage() : QString());
}

void ZTMainViewController::_finishedWasRight(bool right, const QVariantMap&)
{
    ZTAbstractTestController* c = currentLessonController();
    const int allowed = c ? prefs()->stringForKey(QStringLiteral("numTryouts"), c->testName()).toInt() : 0;
    // The wrong notification comes before the try is counted.
    const bool tryLeft = !right && c && c->numTryouts() < allowed - 1;
    // With a try left the microphone listens on without a break: reopened, it would lose the
    // note just judged, and that note, still sounding, would be counted as the next try.
    setMicEnabled(tryLeft);
    if (!c)
        return;
    const QString title = right ? localized(QStringLiteral("Right!")) : localized(QStringLiteral("Wrong!"));
    const QString image = right ? QStringLiteral("rightIconSmall") : QStringLiteral("wrongIconSmall");
    QString subTitle;
    if (right)
        subTitle = c->rightResultString();
    else if (tryLeft)
        subTitle = localized(QStringLiteral("Try again!"));
    else
        subTitle = QStringLiteral("%1: %2").arg(localized(QStringLiteral("Right result is")), c->rightResultString());
    setInfo(image, title, subTitle);
    _setupStatistics(graph());
}

void ZTMainViewController::testItemAnsweredRightNotification(const Notification& notification)
{
    _finishedWasRight(true, notification.object.toMap());
}

void ZTMainViewController::testItemAnsweredWrongNotification(const Notification& notification)
{
    _finishedWasRight(false, notification.object.toMap());
}

void ZTMainViewController::spellingTypeOrNoteNamesChangedNotification()
{
    ZTAbstractTestController* c = currentLessonController();
    if (!c)
        return;
    ZTToolbarInfoView* info = toolbarInfoView();
    const QString previous = info->subTitle();
    const std::shared_ptr<ZTTest> test = c->currentTest();
    auto musical = std::dynamic_pointer_cast<ZTMusicalTest>(test);
    if (musical)
        musical->setSpellingType(prefs()->spellingType());
    const QString rightResult = c->rightResultString();
    if (prefs()->practiceMode()) {
        info->setSubTitle(musical ? musical->spellingString() : QString());
    } else {
        const QString rightResultIs = localized(QStringLiteral("Right result is"));
        if (previous.startsWith(rightResultIs))
            info->setSubTitle(QStringLiteral("%1: %2").arg(rightResultIs, rightResult));
        else if (test && !test->name().isEmpty() && previous.startsWith(test->name()))
            info->setSubTitle(rightResult);
    }
    c->setLevel(c->level());
    if (c->testName() == QLatin1String("Pitch recognition"))
        _setupStatistics(graph());
}

void ZTMainViewController::displayInfoNotification(const Notification& notification)
{
    const QVariantMap info = notification.object.toMap();
    const QString title = info.value(QStringLiteral("title")).toString();
    const QString subTitle = info.value(QStringLiteral("subTitle")).toString();
    ZTAbstractTestController* c = currentLessonController();
    const ZTTest* test = c ? c->currentTest().get() : nullptr;
    // Single notes are named by their note names alone.
    if (dynamic_cast<const ZTPitch*>(test) || dynamic_cast<const ZTMusicRead*>(test))
        setInfo(QString(), subTitle, QString());
    else
        setInfo(QString(), title, subTitle);
}

// ---- Statistics graph ----

void ZTMainViewController::statsChangedNotification()
{
    // The settings store announces so at once when it moved the rows of a custom item it
    // replaced or deleted; the shared catalogue follows the stored lists only when their
    // change is announced, 0.5 s later. A question of that item ends now, before an answer
    // in between can score it.
    if (const ZTAbstractTestController* c = currentLessonController(); c && c->testInProgress()) {
        ZTDataProvider stored;
        stored.setup();
        endQuestionIfItsItemChanged(stored);
    }
    _setupStatistics(graph());
}

void ZTMainViewController::statDBChangedNotification()
{
    ZTAbstractTestController* c = currentLessonController();
    if (!c || !c->graph())
        return;
    c->graph()->reloadData();
    c->setupPlotSpace(c->graph());
}

QString ZTMainViewController::stringByTruncating(const QString& string, double width, const QFont& textStyle)
{
    return ZTBarGraph::shortenedToWidth(string, width, textStyle);
}

ZTAxisLabel ZTMainViewController::_createAxisLabelWithText(const QString& text, const ZTXYAxis& axis, unsigned location)
{
    ZTAxisLabel label;
    label.text = text;
    label.font = axis.labelTextStyle;
    label.color = axis.labelColor;
    label.tickLocation = double(location);
    label.offset = axis.labelOffset + axis.majorTickLength / 2.0;
    label.rotation = M_PI_2;
    return label;
}

void ZTMainViewController::_setupStatistics(ZTBarGraph* graph)
{
    if (!graph)
        return;
    ZTAbstractTestController* c = currentLessonController();
    if (c)
        c->setupPlotSpace(graph);
    else
        graph->setPlotRanges(-0.75, 2.5, 0, 0);

    graph->removePlotWithIdentifier(kRight);
    graph->removePlotWithIdentifier(kWrong);
    struct PlotStyle {
        QString identifier;
        QColor color;
        double offset;
    };
    const PlotStyle styles[] = {{kRight, QColor(124, 182, 82), -0.2}, {kWrong, QColor(214, 103, 90), 0.1}};
    for (const PlotStyle& style : styles) {
        auto plot = ZTBarPlot::tubularBarPlotWithColor(style.color, false);
        plot->setLineColor(style.color);
        plot->setFill(style.color);
        plot->setBorderWidth(0);
        plot->setLabelRotation(M_PI_2);
        plot->setLabelOffset(3.0);
        plot->setBarWidth(0.3);
        plot->setBarOffset(style.offset);
        plot->setBaseValue(0);
        plot->setIdentifier(style.identifier);
        plot->setDataSource(this);
        graph->addPlot(std::move(plot));
    }

    ZTXYAxis axis;
    axis.labelingPolicy = ZTXYAxis::LabelingPolicy::None;
    axis.tickDirection = ZTXYAxis::TickDirection::None;
    axis.majorTickLength = 10.0;
    axis.minorTickLength = 5.0;

    const QString all = localized(QStringLiteral("All"));
    double widest = std::max(0.0, textWidth(all, axis.labelTextStyle));
    QList<ZTAxisLabel> labels{_createAxisLabelWithText(all, axis, 0)};
    if (c) {
        const QVariantList items = c->items();
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QVariantMap item = items[i].toMap();
            QString text = item.value(QStringLiteral("translatedName")).toString();
            if (text.isEmpty())
                text = item.value(QStringLiteral("name")).toString();
            if (textWidth(text, axis.labelTextStyle) > kMaxLabelWidth)
                text = stringByTruncating(text, kMaxLabelWidth, axis.labelTextStyle);
            widest = std::max(widest, textWidth(text, axis.labelTextStyle));
            labels << _createAxisLabelWithText(text, axis, unsigned(i + 2));
        }
    }
    ZTBarGraph::Padding padding = graph->plotAreaPadding();
    padding.bottom = widest + 11.0;
    graph->setPlotAreaPadding(padding);

    axis.axisLabels = labels;
    axis.orthogonalPosition = 0;
    axis.drawsMajorTicks = false;
    axis.drawsMinorTicks = false;
    graph->setAxes({axis});
}

void ZTMainViewController::sizeGraphView()
{
    const qsizetype itemCount = currentLessonController() ? currentLessonController()->items().size() : 0;
    const double needed = double(itemCount) * 30.0 + 100.0;
    double available = tableLeftConstraint() == kTableLeftShown ? width() - 210.0 - 17.0 : double(width());
    // A window narrower than the side parts leaves no room rather than a negative width.
    available = std::max(0.0, available - 40.0);
    graphClipWidth_ = available;
    graphWidthConstraint_ = std::max(available, needed);
    graphHostingView()->setMinimumWidth(int(std::ceil(needed)));
}
