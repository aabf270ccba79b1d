// The divider's hover buttons at the sizes people meet: the up button over the staff's pane
// covers no staff line, note or note name, and the down button sits clear of the encyclopedia
// page in Learning mode.
#include "WindowSizes.h"

#include "Fonts.h"
#include "ImageButton.h"
#include "YUp.h"
#include "ZTMainViewController.h"
#include "ZTNoteView.h"
#include "ZTPreferences.h"
#include "ZTSplitView.h"
#include "ZTWikiPane.h"

#include <QFontMetricsF>
#include <QProgressBar>

namespace {

// An encyclopedia pane that only shows a page: its heading stands at its top.
class PagePane : public ZTWikiPane {
public:
    explicit PagePane(QWidget* parent) : page(new QWidget(parent)) {}
    QWidget* view() override { return page; }
    void loadWebViewWithURL(const QUrl&, std::shared_ptr<ZTTest>, const QString&) override {}
    void printPage(QPrinter&) override {}
    QWidget* page;
};

class SplitButtonRoomTest : public WindowSizeTest {
protected:
    void SetUp() override
    {
        WindowSizeTest::SetUp();
        ZTMainViewController::setWikiPaneMaker([this](QWidget* parent, ZTWikiWebViewDelegate*, QProgressBar*) {
            pane_ = new PagePane(parent);
            return pane_;
        }, QStringLiteral("127.0.0.1"));
    }
    void TearDown() override
    {
        WindowSizeTest::TearDown();
        ZTMainViewController::setWikiPaneMaker({}, QString());
        delete pane_; // the screen went, and took the page with it
    }

    ZTSplitView* split() const { return screen()->splitView(); }

    // A widget's rectangle in `view`'s own coordinates, y-up.
    static QRectF yUpRectIn(const QWidget* view, const QWidget* widget)
    {
        const QPoint origin = view->mapFrom(view->window(), widget->mapTo(widget->window(), QPoint(0, 0)));
        return YUp::fromQt(QRectF(QRect(origin, widget->size())), view->height());
    }

    // What the staff draws that a button must leave visible, in the view's y-up pixels: every
    // line of both staves, and every head, accidental, ledger line and name.
    static QList<std::pair<std::string, QRectF>> staffParts(const ZTNoteView& staff)
    {
        QList<std::pair<std::string, QRectF>> parts;
        const double top = staff.staffTop();
        const double right = staff.visibleArea().width() - ZTNoteView::kStaffRightInset;
        for (const double bottomLine : {top, top + 95}) {
            for (int line = 0; line < 5; ++line) {
                const double y = bottomLine + ZTNoteView::kLineSpacing * line;
                // Black at its height, grey half a point above.
                parts.append({"staff line " + std::to_string(int(y - top)),
                              staff.toView(QRectF(ZTNoteView::kStaffLeft, y - 0.5, right - ZTNoteView::kStaffLeft, 1.5))});
            }
        }
        const double nameHeight = QFontMetricsF(Fonts::system(14)).height();
        for (const ZTNoteCollection& collection : staff.noteCollections()) {
            const std::string name = collection.title().toStdString();
            for (const QVNote& note : collection.notes()) {
                parts.append({name + " head", staff.toView(note.noteFrame())});
                if (!note.noteSignFrame().isNull())
                    parts.append({name + " accidental", staff.toView(note.noteSignFrame())});
                for (const ZTNoteLine& line : note.noteLines())
                    parts.append({name + " ledger line", staff.toView(QRectF(line.start().x(), line.start().y() - 1.5,
                                                                             ZTNoteView::kLedgerLineLength, 1.5))});
            }
            // A name is set from the top of its frame down.
            const QRectF frame = collection.titleFrame();
            parts.append({name + " name", staff.toView(QRectF(frame.x(), frame.bottom() - nameHeight, frame.width(), nameHeight))});
        }
        return parts;
    }

    PagePane* pane_ = nullptr;
};

} // namespace

TEST_P(SplitButtonRoomTest, TheUpButtonCoversNoStaffLineNoteOrName)
{
    ZTPreferences::sharedPreferences()->setBool(true, QStringLiteral("showNoteNames"), QStringLiteral("Interval recognition"));
    openWindow();
    ZTNoteView* staff = screen()->noteView();
    staff->setShowNoteNames(true);
    // The staves alone, then low notes with their names under the bass staff across the whole
    // width: the lowest things the staff draws, under wherever the button stands.
    QList<ZTNoteCollection> lowNotes;
    for (int i = 0; i < 40; ++i) {
        const QVNote note = QVNote::initWithNoteNr(QList<qint64>{36, 40, 43, 47}[i % 4], 0, false);
        lowNotes.append(ZTNoteCollection::noteCollectionWithNote(note));
    }
    for (const QList<ZTNoteCollection>& shown : {QList<ZTNoteCollection>(), lowNotes}) {
        staff->setNoteCollections(shown);
        split()->mouseEntered();
        QApplication::processEvents();
        ImageButton* up = split()->upButton();
        ASSERT_TRUE(up->isVisible());
        const QRectF button = yUpRectIn(staff, up);
        const QList<std::pair<std::string, QRectF>> parts = staffParts(*staff);
        ASSERT_GE(parts.size(), 10);
        for (const auto& [name, part] : parts) {
            EXPECT_FALSE(part.intersects(button)) << sizeName() << ": " << name << " at " << part.y() << ".."
                                                  << part.bottom() << ", button " << button.y() << ".." << button.bottom();
        }
    }
    // And the staff still shows whole in its pane.
    EXPECT_LE(staff->geometry().bottom(), staff->parentWidget()->height());
    saveShot(QStringLiteral("split-buttons-staff-%1").arg(QLatin1String(GetParam().name)));
}

TEST_P(SplitButtonRoomTest, TheDownButtonSitsClearOfTheEncyclopediaPage)
{
    openWindow();
    screen()->setupPracticeMode(true);
    ASSERT_NE(pane_, nullptr);
    split()->mouseEntered();
    QApplication::processEvents();

    ImageButton* down = split()->downButton();
    ASSERT_TRUE(down->isVisible());
    QWidget* window = delegate()->window();
    const QRect button(down->mapTo(window, QPoint(0, 0)), down->size());
    const QRect page(pane_->page->mapTo(window, QPoint(0, 0)), pane_->page->size());
    ASSERT_GT(page.height(), 60);
    EXPECT_FALSE(button.intersects(page)) << sizeName() << ": button " << button.top() << ".." << button.bottom()
                                          << ", page from " << page.top();
    // The button is whole in the pane above the page.
    EXPECT_TRUE(split()->lowerView()->rect().contains(down->geometry()));
    saveShot(QStringLiteral("split-buttons-page-%1").arg(QLatin1String(GetParam().name)));
}

INSTANTIATE_AT_COMMON_WINDOW_SIZES(SplitButtonRoomTest);
