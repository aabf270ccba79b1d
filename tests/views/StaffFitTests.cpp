// The staff in a view too short for what it shows: every note, with its ledger lines,
// accidental and name, and both clefs stay whole inside the view; where everything fits, the
// layout's own geometry is kept.
#include "ViewTestSupport.h"

#include "Fonts.h"
#include "Image.h"
#include "ZTInterval.h"
#include "ZTNoteView.h"
#include "YUp.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

// The staff view heights the main window gives: its least, at 1024 x 600 and at 1366 x 768.
constexpr int kShortHeights[] = {150, 155, 222};

class StaffFitTest : public ViewTest {
protected:
    // Everything the staff draws, each in layout points (y-up), named for the messages: the
    // clefs and the brace where they stand above the staff's bottom line, and for every
    // placed note its head, accidental and ledger lines, and every group's name as set.
    static QList<std::pair<QString, QRectF>> drawnParts(const ZTNoteView& view, int placedPerGroup = -1)
    {
        const double top = view.staffTop();
        QList<std::pair<QString, QRectF>> parts;
        const std::pair<const char*, QPointF> images[] = {
            {"violinKey", {51, top + 78}}, {"bassKey", {55, top + 7}}, {"bracket", {22, top + 1}}};
        for (const auto& [name, origin] : images)
            parts.append({QString::fromLatin1(name), QRectF(origin, Image::named(QString::fromLatin1(name))->size())});
        parts.append({QStringLiteral("staff"), QRectF(41, top, view.visibleArea().width() - 70, 136)});
        const double lineHeight = QFontMetricsF(Fonts::system(14)).height();
        for (const ZTNoteCollection& group : view.noteCollections()) {
            const qint64 placed = placedPerGroup < 0 ? group.numNotes() : placedPerGroup;
            for (qint64 j = 0; j < placed; ++j) {
                const QVNote& note = group.notes()[j];
                const QString name = note.nameWithSpellingType(QStringLiteral("NoteName"), QStringLiteral("Scientific"));
                parts.append({name + QStringLiteral(" head"), note.noteFrame()});
                if (!note.noteSignFrame().isNull())
                    parts.append({name + QStringLiteral(" accidental"), note.noteSignFrame()});
                for (const ZTNoteLine& line : note.noteLines())
                    parts.append({name + QStringLiteral(" ledger line"), QRectF(line.start().x(), line.start().y() - 1.5, 32, 1.5)});
            }
            if (!group.title().isEmpty()) {
                const QRectF frame = group.titleFrame();
                parts.append({group.title() + QStringLiteral(" name"),
                              QRectF(frame.x(), frame.bottom() - lineHeight, frame.width(), lineHeight)});
            }
        }
        return parts;
    }

    // Whether every part, as the view draws it, lies inside the view (above `floor` pixels).
    static ::testing::AssertionResult allInside(const ZTNoteView& view, double floor = 0, int placedPerGroup = -1)
    {
        const QRectF inside(0, floor, view.width(), view.height() - floor);
        for (const auto& [name, part] : drawnParts(view, placedPerGroup)) {
            const QRectF shown = view.toView(part);
            if (!inside.contains(shown.adjusted(0.01, 0.01, -0.01, -0.01)))
                return ::testing::AssertionFailure()
                       << name.toStdString() << " at y " << shown.y() << " to " << shown.bottom() << " in a view "
                       << view.height() << " high";
        }
        return ::testing::AssertionSuccess();
    }
};

} // namespace

TEST_F(StaffFitTest, EveryKeyboardNoteIsWholeWithItsLedgerLinesAccidentalAndName)
{
    for (const int height : kShortHeights) {
        ZTNoteView view(QRect(0, 0, 700, height));
        view.setShowNoteNames(true);
        for (qint64 nr = 0; nr < 128; ++nr) {
            ZTNoteCollection group;
            group.addNote(nr % 12 == 1 ? altered(nr + 1, -1) : note(nr));
            view.setNoteCollections({group});
            ASSERT_TRUE(allInside(view)) << "note " << nr;
            EXPECT_GT(view.drawingScale(), 0.4) << "note " << nr;
        }
    }
}

TEST_F(StaffFitTest, TheLayoutKeepsItsGeometryWhereItFitsAndMovesBeforeItShrinks)
{
    // An empty staff with room: as laid out, centred.
    ZTNoteView roomy(QRect(0, 0, 600, 240));
    roomy.setShowNoteNames(true);
    roomy.setNoteCollections({group({60}), group({67})});
    EXPECT_EQ(roomy.drawingScale(), 1.0);
    EXPECT_EQ(roomy.toView(QRectF(0, 0, 10, 10)), QRectF(0, 0, 10, 10));
    EXPECT_TRUE(allInside(roomy));

    // A C6 and the names under the staff need 210 points: in 222 the drawing moves, whole.
    ZTNoteView laptop(QRect(0, 0, 600, 222));
    laptop.setShowNoteNames(true);
    laptop.setNoteCollections({group({60}), group({84})});
    EXPECT_EQ(laptop.drawingScale(), 1.0);
    EXPECT_NE(laptop.toView(QRectF(0, 0, 10, 10)).y(), 0.0);
    EXPECT_TRUE(allInside(laptop));

    // At the least height the clefs alone are taller than the view: drawn smaller, evenly.
    ZTNoteView least(QRect(0, 0, 600, 150));
    EXPECT_LT(least.drawingScale(), 1.0);
    const QRectF unit = least.toView(QRectF(0, 0, 100, 100));
    EXPECT_DOUBLE_EQ(unit.width(), unit.height());
    EXPECT_TRUE(allInside(least));
    // The staff lines still reach the view's right end, 29 points (scaled) in.
    EXPECT_NEAR(least.toView(QRectF(least.visibleArea().width() - 29, 0, 0, 0)).x(), least.width() - 29 * least.drawingScale(), 0.01);
}

TEST_F(StaffFitTest, QuestionsFromTheBottomToTheTopOfTheRangeFitTogether)
{
    // An interval question's notes and answers far apart: one drawing holds them all.
    auto interval = std::shared_ptr<ZTInterval>(ZTTest::create<ZTInterval>());
    ZTNoteView view(QRect(0, 0, 900, 150));
    view.setTest(interval);
    view.setShowNoteNames(true);
    ZTNoteCollection highSharp;
    highSharp.addNote(altered(125, 1));
    view.setNoteCollections({group({21, 108}), group({36}), highSharp, group({0})});
    EXPECT_TRUE(allInside(view));

    // A chord question places only the first tone of each group and the whole chord.
    ZTNoteView chords(QRect(0, 0, 900, 155));
    chords.setShowNoteNames(true);
    chords.setNoteCollections({group({72, 76, 79, 84, 88})});
    EXPECT_TRUE(allInside(chords));
}

TEST_F(StaffFitTest, WhileEditingTheNotesStayClearOfTheFooterBar)
{
    ZTNoteView view(QRect(0, 0, 600, 170));
    view.setEditing(true);
    view.setShowNoteNames(true);
    view.setNoteCollections({group({40}), group({60}), group({86})});
    EXPECT_TRUE(allInside(view, ZTNoteView::kFooterBarHeight));
}

TEST_F(StaffFitTest, APressOnAShrunkenStaffSoundsTheGroupUnderThePointer)
{
    QWidget window;
    window.resize(500, 150);
    auto* view = new ZTNoteView(QRect(0, 0, 500, 150), &window);
    view->setNoteCollections({group({36}), group({96})});
    ASSERT_LT(view->drawingScale(), 1.0);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QRectF high = view->toView(view->noteCollections()[1].firstNote()->noteFrame());
    QTest::mousePress(view, Qt::LeftButton, {}, qtPoint(view, high.center()));
    QTest::mouseRelease(view, Qt::LeftButton, {}, qtPoint(view, high.center()));
    ASSERT_EQ(instrument_->events.size(), 2);
    EXPECT_EQ(instrument_->events[0], qMakePair(QStringLiteral("on"), 96));

    // The whole height of the view is the group's: a press at its very top hits it.
    instrument_->events.clear();
    const QPoint atTop(qtPoint(view, {high.center().x(), 149.5}));
    QTest::mousePress(view, Qt::LeftButton, {}, atTop);
    QTest::mouseRelease(view, Qt::LeftButton, {}, atTop);
    ASSERT_FALSE(instrument_->events.isEmpty());
    EXPECT_EQ(instrument_->events[0].second, 96);
}

TEST_F(StaffFitTest, TheDrawnPictureShowsTheHighNoteItsNameAndTheWholeClef)
{
    ZTNoteView view(QRect(0, 0, 600, 150));
    view.setShowNoteNames(true);
    view.setNoteCollections({group({84}), group({101})});
    QImage picture(view.size(), QImage::Format_ARGB32);
    picture.fill(Qt::white);
    view.render(&picture);
    saveShot(&view, QStringLiteral("staff-fit-150"));

    // Dark pixels where a layout rectangle is drawn.
    auto inkIn = [&](const QRectF& layoutRect) {
        const QRect area = YUp::toQt(view.toView(layoutRect), view.height()).toAlignedRect().intersected(picture.rect());
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark += qGray(picture.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    const double top = view.staffTop();
    for (const ZTNoteCollection& group : view.noteCollections()) {
        EXPECT_GT(inkIn(group.firstNote()->noteFrame()), 6) << group.title().toStdString();
        EXPECT_GT(inkIn(QRectF(group.titleFrame().x(), group.titleFrame().bottom() - 17, 100, 17)), 6)
            << group.title().toStdString();
    }
    // The treble clef's top curl: its upper fifth.
    EXPECT_GT(inkIn(QRectF(51, top + 78 + 76 * 0.8, 27, 76 * 0.2)), 6);
}
