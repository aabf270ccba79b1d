// The exercise screen at the sizes people meet: the least window, a 1024 x 600 netbook and a
// 1366 x 768 laptop. High notes played on the keyboard show whole on the staff with their
// names, every answered item shows a bar, and no label of the graph is cut off or covered.
#include "AxisLabelChecks.h"
#include "WindowSizes.h"

#include "ImageButton.h"
#include "YUp.h"
#include "ZTAbstractTestController.h"
#include "ZTBarGraph.h"
#include "ZTGraphHostingView.h"
#include "ZTKeyboardView.h"
#include "ZTMainViewController.h"
#include "ZTNoteView.h"
#include "ZTPreferences.h"
#include "ZTSidebarTableView.h"
#include "ZTSplitView.h"
#include "ZTTest.h"
#include "ZTUtils.h"
#include "FMDatabase.h"
#include "NotificationCenter.h"

#include <QFontMetricsF>
#include <QImage>
#include <QScrollArea>
#include <QTest>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");

class SmallWindowTest : public WindowSizeTest {
protected:
    ZTAbstractTestController* controller() const { return screen()->currentLessonController(); }

    // The level's items answered once right, once wrong, and a question left open.
    void answerEveryItemOnce()
    {
        ZTSidebarTableView* table = screen()->tableView();
        const int tries = ZTPreferences::sharedPreferences()->stringForKey(QStringLiteral("numTryouts"), kIntervals).toInt();
        for (int round = 0; round < 2; ++round) {
            screen()->nextAction(ZTMainViewController::Sender::MenuItem);
            finishPlaying();
            const QString right = controller()->currentTest()->name();
            const QVariantList rows = controller()->arrayForTableView();
            for (qsizetype row = 0; row < rows.size(); ++row) {
                const bool isRight = rows[row].toMap().value(QStringLiteral("name")).toString() == right;
                if (isRight == (round == 0)) {
                    for (int i = 0; i < (isRight ? 1 : tries); ++i)
                        QTest::mouseClick(table->contentWidget(), Qt::LeftButton, {}, table->rectOfRow(row).center());
                    break;
                }
            }
        }
        screen()->nextAction(ZTMainViewController::Sender::MenuItem);
        finishPlaying();
    }
};

} // namespace

TEST_P(SmallWindowTest, HighNotesBarsOfOneAndTheirLabelsShowWhole)
{
    ZTPreferences::sharedPreferences()->setBool(true, QStringLiteral("showNoteNames"), kIntervals);
    openWindow();
    ASSERT_EQ(controller()->testName(), kIntervals);
    answerEveryItemOnce();

    // C6, then C7 from the on-screen keyboard: each, its ledger lines and its name inside the
    // staff, the staff whole in its pane.
    auto* keyboard = dynamic_cast<ZTKeyboardView*>(screen()->instrumentViewWidget());
    ASSERT_NE(keyboard, nullptr);
    ZTNoteView* staff = screen()->noteView();
    const QRectF inside(0, 0, staff->width(), staff->height());
    // The staff's pane shows its whole height and its right bar line.
    const QWidget* pane = staff->parentWidget();
    EXPECT_GE(staff->y(), 0);
    EXPECT_LE(staff->geometry().bottom(), pane->height());
    const double barLine = staff->toView(QRectF(staff->visibleArea().width() - ZTNoteView::kStaffRightInset, 0, 1, 1)).x();
    EXPECT_LT(staff->x() + barLine, pane->width());
    for (const qint64 nr : {84, 96}) {
        keyboard->keyDown(nr);
        keyboard->keyUp(nr);
        ASSERT_FALSE(staff->noteCollections().isEmpty());
        const ZTNoteCollection& played = staff->noteCollections().last();
        const QVNote& note = *played.firstNote();
        ASSERT_EQ(note.nr(), nr);
        EXPECT_TRUE(inside.contains(staff->toView(note.noteFrame()))) << nr;
        EXPECT_FALSE(note.noteLines().isEmpty());
        for (const ZTNoteLine& line : note.noteLines())
            EXPECT_TRUE(inside.contains(staff->toView(QRectF(line.start().x(), line.start().y() - 1.5, 32, 1.5)))) << nr;
        ASSERT_FALSE(played.title().isEmpty());
        const QRectF frame = played.titleFrame();
        EXPECT_TRUE(inside.contains(staff->toView(QRectF(frame.x(), frame.bottom() - 17, frame.width(), 17))))
            << played.title().toStdString();
        // In the window's picture the head is there.
        const QImage picture = delegate()->window()->grab().toImage();
        const QRect head = YUp::toQt(staff->toView(note.noteFrame()), staff->height()).toAlignedRect();
        int ink = 0;
        for (int y = head.top(); y <= head.bottom(); ++y)
            for (int x = head.left(); x <= head.right(); ++x)
                ink += qGray(picture.pixel(staff->mapTo(delegate()->window(), QPoint(x, y)) * picture.devicePixelRatio())) < 160 ? 1 : 0;
        EXPECT_GE(ink, 8) << nr;
        saveShot(QStringLiteral("small-%1-note-%2").arg(QLatin1String(GetParam().name)).arg(nr));
        advance(0.6);
    }

    // Every answered count is a bar; bars and labels lie inside the graph, clear of the
    // divider's down button.
    ZTSplitView* split = screen()->splitView();
    split->mouseEntered();
    QApplication::processEvents();
    ZTGraphHostingView* host = screen()->graphHostingView();
    const ZTBarGraph* graph = screen()->graph();
    const QRectF bounds(host->rect());
    ImageButton* down = split->downButton();
    ASSERT_TRUE(down->isVisible());
    const QRectF button(host->mapFrom(delegate()->window(), down->mapTo(delegate()->window(), QPoint(0, 0))), down->size());
    QList<QRectF> shown;
    int ones = 0;
    for (const QString& name : {QStringLiteral("Right"), QStringLiteral("Wrong")}) {
        const ZTBarPlot* plot = graph->plotWithIdentifier(name);
        const QList<QRectF> rects = graph->barRects(*plot, bounds);
        for (qsizetype i = 0; i < rects.size(); ++i) {
            const auto& value = plot->bars()[i].value;
            if (!value || *value <= 0)
                continue;
            ones += *value == 1.0 ? 1 : 0;
            EXPECT_GE(rects[i].height(), ZTBarGraph::kMinimumBarHeight) << name.toStdString() << " " << i;
            shown << rects[i];
        }
    }
    EXPECT_GT(ones, 0);
    for (const ZTBarGraph::TurnedLabel& label : graph->valueLabels(bounds) + graph->turnedAxisLabels(bounds)) {
        shown << label.ink;
        EXPECT_TRUE(bounds.contains(label.ink)) << label.text.toStdString();
    }
    for (const QRectF& part : shown)
        EXPECT_FALSE(part.intersects(button));

    // In the window's picture the count-one bars show in their colours.
    const QImage picture = delegate()->window()->grab().toImage();
    const ZTBarPlot* right = graph->plotWithIdentifier(QStringLiteral("Right"));
    const QList<QRectF> rightRects = graph->barRects(*right, bounds);
    for (qsizetype i = 2; i < rightRects.size(); ++i) {
        if (right->bars()[i].value != 1.0)
            continue;
        const QPoint at = host->mapTo(delegate()->window(), rightRects[i].center().toPoint()) * picture.devicePixelRatio();
        EXPECT_EQ(picture.pixelColor(at), QColor(124, 182, 82)) << i;
    }
    saveShot(QStringLiteral("small-%1-graph").arg(QLatin1String(GetParam().name)));
}

namespace {

// Whether the name could stand whole in the smallest label size within `length` along its run
// and `band` across it: on one line, or on two broken at any space.
bool fitsInSmallestSize(const QString& name, QFont font, double length, double band)
{
    font.setPixelSize(ZTBarGraph::kSmallestAxisLabelSize);
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(name) <= length)
        return true;
    const double twoLines = metrics.lineSpacing() + metrics.height();
    for (qsizetype space = name.indexOf(' '); space >= 0; space = name.indexOf(' ', space + 1)) {
        if (twoLines <= band && std::max(metrics.horizontalAdvance(name.left(space)), metrics.horizontalAdvance(name.mid(space + 1))) <= length)
            return true;
    }
    return false;
}

} // namespace

namespace {

struct Level {
    QString exercise;
    QString id;
    bool wholeAtEverySize;
};
const Level kLevels[] = {{kIntervals, "int_0", true},                  // Perfect intervals
                         {kIntervals, "int_4", true},                  // All simple intervals
                         {"Chord recognition", "int_5", false},        // All chords
                         {"Chord progressions", "int_3", false}};      // All progressions

} // namespace

// The item names under the graph of the current level: each inside the graph, apart from the
// others and written where it stands, all in one size, and whole unless neither a second line
// nor the smallest size would hold it in its room (and then only where `mayBeShortened`).
void expectNamesWholeWhereTheyFit(const ZTMainViewController* screen, bool mayBeShortened, const std::string& where)
{
    ZTGraphHostingView* host = screen->graphHostingView();
    const ZTBarGraph* graph = screen->graph();
    const QRectF bounds(host->rect());
    QList<ZTAxisLabel> names;
    for (const ZTAxisLabel& name : graph->axes().first().axisLabels)
        if (!name.text.isEmpty())
            names << name;
    const QList<ZTBarGraph::TurnedLabel> labels = graph->turnedAxisLabels(bounds);
    ASSERT_EQ(labels.size(), screen->currentLessonController()->items().size() + 1) << where;

    expectInsideAndApart(labels, bounds, where);
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const ZTBarGraph::TurnedLabel& label = labels[i];
        EXPECT_TRUE(readsAs(label, names[i].text)) << where << ": " << label.text.toStdString();
        EXPECT_GE(label.font.pixelSize(), ZTBarGraph::kSmallestAxisLabelSize);
        EXPECT_EQ(label.font, labels[0].font) << where << ": " << label.text.toStdString(); // one size for all
        // (Names over 150 points come to the graph shortened already.)
        if (QString(label.text).replace('\n', ' ') == names[i].text)
            continue;
        EXPECT_TRUE(mayBeShortened) << where << ": " << label.text.toStdString();
        const QPointF anchor = label.transform.map(QPointF(0, 0));
        double band = 2 * std::min(anchor.x(), bounds.width() - anchor.x());
        for (const ZTBarGraph::TurnedLabel& other : labels) {
            if (&other != &label)
                band = std::min(band, std::abs(other.transform.map(QPointF(0, 0)).x() - anchor.x()) - ZTBarGraph::kLabelSpacing);
        }
        if (!names[i].text.contains(QStringLiteral(" -"))) {
            EXPECT_FALSE(fitsInSmallestSize(names[i].text, names[i].font, bounds.bottom() - anchor.y() - 1, band))
                << where << ": " << label.text.toStdString();
        }
    }

    // In the graph's picture each label is written where it stands, a broken one on both of
    // its lines.
    const QImage picture = host->grab().toImage();
    auto inkIn = [&](const QRectF& area) {
        const QRect pixels = QRectF(area.topLeft() * picture.devicePixelRatio(), area.size() * picture.devicePixelRatio()).toAlignedRect();
        int dark = 0;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            for (int x = pixels.left(); x <= pixels.right(); ++x)
                dark += picture.rect().contains(x, y) && qGray(picture.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    for (const ZTBarGraph::TurnedLabel& label : labels) {
        EXPECT_GE(inkIn(label.ink), 6) << where << ": " << label.text.toStdString();
        if (label.text.contains('\n')) {
            const QRectF& ink = label.ink;
            EXPECT_GE(inkIn(QRectF(ink.left(), ink.top(), ink.width() / 2, ink.height())), 4) << label.text.toStdString();
            EXPECT_GE(inkIn(QRectF(ink.center().x(), ink.top(), ink.width() / 2, ink.height())), 4) << label.text.toStdString();
        }
    }
}

TEST_P(SmallWindowTest, ItemNamesStandWholeSideBySideInsideTheGraph)
{
    openWindow();
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    const bool least = GetParam().screen.isEmpty();
    for (const Level& level : kLevels) {
        prefs->setString(level.id, QStringLiteral("level"), level.exercise);
        prefs->setCurrentExercise(level.exercise);
        advance(0.6);
        QApplication::processEvents();
        const std::string where = level.exercise.toStdString() + " " + level.id.toStdString();
        ASSERT_EQ(controller()->testName(), level.exercise);
        // Shortened only in the least window.
        expectNamesWholeWhereTheyFit(screen(), least && !level.wholeAtEverySize, where);
        if (level.wholeAtEverySize) {
            QStringList shown;
            for (const ZTBarGraph::TurnedLabel& label : screen()->graph()->turnedAxisLabels(QRectF(screen()->graphHostingView()->rect())))
                shown << label.text;
            EXPECT_EQ(QSet<QString>(shown.begin(), shown.end()).size(), shown.size()) << where; // told apart
        }
        saveShot(QStringLiteral("small-%1-names-%2-%3").arg(QLatin1String(GetParam().name), QString(level.exercise).remove(' '), level.id));
    }
}

TEST_P(SmallWindowTest, WellAnsweredLevelsShowTallBarsWithWholeCounts)
{
    openWindow();
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_TRUE(db && db->open());
    for (const Level& level : {kLevels[0], kLevels[1], kLevels[2]}) {
        prefs->setString(level.id, QStringLiteral("level"), level.exercise);
        prefs->setCurrentExercise(level.exercise);
        advance(0.6);
        ASSERT_EQ(controller()->testName(), level.exercise);
        // Counts as a diligent user's: two-digit counts per item, three-digit totals.
        const QVariantList items = controller()->items();
        const int right[] = {26, 13, 12};
        const int wrong[] = {5, 3, 2, 1};
        for (qsizetype i = 0; i < items.size(); ++i)
            ASSERT_TRUE(db->executeUpdate(QStringLiteral("INSERT INTO stats (testName, itemName, right, wrong) VALUES (?, ?, ?, ?)"),
                                          {level.exercise, items[i].toMap().value(QStringLiteral("name")), right[i % 3], wrong[i % 4]}));
        NotificationCenter::defaultCenter().post(QStringLiteral("ZTStatsChangedNotification"));
        QApplication::processEvents();
        const std::string where = level.exercise.toStdString() + " " + level.id.toStdString();

        const ZTBarGraph* graph = screen()->graph();
        const QRectF bounds(screen()->graphHostingView()->rect());
        const QRectF plot = graph->plotAreaRect(bounds);
        double tallest = 0;
        QMap<double, double> heightOfCount;
        for (const QString& name : {QStringLiteral("Right"), QStringLiteral("Wrong")}) {
            const ZTBarPlot* bars = graph->plotWithIdentifier(name);
            const QList<QRectF> rects = graph->barRects(*bars, bounds);
            for (qsizetype i = 2; i < rects.size(); ++i) {
                tallest = std::max(tallest, rects[i].height());
                heightOfCount[*bars->bars()[i].value] = rects[i].height();
            }
        }
        EXPECT_GE(tallest, plot.height() / 2) << where;
        // Bars tell the counts apart: twice the count, twice the height (above the least bar).
        EXPECT_NEAR(heightOfCount[26], 2 * heightOfCount[13], 1e-6) << where;
        EXPECT_GT(heightOfCount[13], heightOfCount[12]) << where;
        // Every count stands whole inside the plot.
        const QList<ZTBarGraph::TurnedLabel> counts = graph->valueLabels(bounds);
        // (Where bars stand too close for two turned counts side by side, one gives way.)
        EXPECT_GE(counts.size(), items.size() + 1) << where;
        for (const ZTBarGraph::TurnedLabel& count : counts)
            EXPECT_TRUE(plot.contains(count.ink)) << where << ": " << count.text.toStdString();
        expectNamesWholeWhereTheyFit(screen(), true, where);
        saveShot(QStringLiteral("small-%1-counts-%2-%3").arg(QLatin1String(GetParam().name), QString(level.exercise).remove(' '), level.id));
    }
}

INSTANTIATE_AT_COMMON_WINDOW_SIZES(SmallWindowTest);
