#include "ViewTestSupport.h"

#include "ButtonTextColor.h"
#include "KLPopupButtonCell.h"
#include "ZTSliderCell.h"
#include "ZTTableRowView.h"
#include "ZTTableViewCell.h"
#include "ZTTextFieldCell.h"
#include "ZTVelocityFormatter.h"

#include <QComboBox>
#include <QPushButton>

namespace {

class PopupDelegate : public ZTTableViewCellDelegate {
public:
    void tableViewCellPopupClicked(ZTTableViewCell* cell) override { picks.append({cell->row(), cell->popupButton()->currentIndex()}); }
    QList<QPair<quint64, int>> picks;
};

using CellTest = ViewTest;

} // namespace

TEST_F(CellTest, PopupTitlesShowAndHideThePopup)
{
    ZTTableViewCell cell(QRect(0, 0, 200, 22));
    EXPECT_TRUE(cell.popupButton()->isHidden());
    EXPECT_EQ(cell.popupButton()->geometry(), QRect(0, 0, 200, 22));
    cell.setPopupTitles({QStringLiteral("Root"), QStringLiteral("1st"), QStringLiteral("2nd")});
    EXPECT_FALSE(cell.popupButton()->isHidden());
    EXPECT_EQ(cell.popupButton()->count(), 3);
    EXPECT_EQ(cell.popupButton()->currentIndex(), -1);
    cell.setPopupTitles({});
    EXPECT_TRUE(cell.popupButton()->isHidden());
    EXPECT_EQ(cell.popupButton()->count(), 0);
}

TEST_F(CellTest, ChoosingAnEntryTellsTheDelegate)
{
    ZTTableViewCell cell(QRect(0, 0, 200, 22));
    cell.setPopupTitles({QStringLiteral("Root"), QStringLiteral("1st")});
    cell.setRow(4);
    cell.popupButton()->setCurrentIndex(1);
    emit cell.popupButton()->activated(1); // no delegate: nothing to tell
    PopupDelegate delegate;
    cell.setDelegate(&delegate);
    emit cell.popupButton()->activated(1);
    EXPECT_EQ(delegate.picks, (QList<QPair<quint64, int>>{{4, 1}}));
}

TEST_F(CellTest, DrawingATitleSettlesTheDefaultFontAndColour)
{
    ZTTableViewCell cell(QRect(0, 0, 120, 22));
    cell.setTitle(QStringLiteral("A rather long exercise name that cannot fit"));
    EXPECT_FALSE(cell.font().has_value());
    EXPECT_FALSE(cell.titleColor().isValid());
    cell.grab();
    ASSERT_TRUE(cell.font().has_value());
    EXPECT_EQ(cell.font()->pixelSize(), 13);
    EXPECT_EQ(cell.titleColor(), QColor(Qt::black));
    EXPECT_EQ(cell.titleRect(), QRectF(15, 2, 100, 22));
}

TEST_F(CellTest, RowSelectionFollowsTheHighlightStyle)
{
    ZTTableRowView row;
    row.resize(100, 22);
    row.setSelected(true);
    EXPECT_EQ(colorAt(&row, {50, 11}), ZTTableRowView::selectionColor());
    row.setSelectionHighlightStyle(ZTTableRowView::SelectionHighlightStyle::None);
    EXPECT_NE(colorAt(&row, {50, 11}), ZTTableRowView::selectionColor());
}

TEST_F(CellTest, ButtonTitleColourKeepsTheFont)
{
    QPushButton button(QStringLiteral("Next"));
    EXPECT_FALSE(ButtonTextColor::textColor(&button).isValid());
    QFont font = button.font();
    font.setPixelSize(17);
    button.setFont(font);
    ButtonTextColor::setTextColor(&button, Qt::white);
    EXPECT_EQ(ButtonTextColor::textColor(&button), QColor(Qt::white));
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(Qt::white));
    EXPECT_EQ(button.font().pixelSize(), 17);
}

TEST_F(CellTest, VelocityEntryAcceptsOnlyMidiVelocities)
{
    ZTVelocityFormatter formatter;
    QString error = QStringLiteral("old");
    EXPECT_EQ(ZTVelocityFormatter::stringForValue(7), QStringLiteral("007"));
    EXPECT_TRUE(formatter.isPartialStringValid(QStringLiteral("127"), 3, QStringLiteral("12"), 2, &error));
    EXPECT_TRUE(error.isNull());
    EXPECT_FALSE(formatter.isPartialStringValid(QStringLiteral("129"), 3, QStringLiteral("12"), 2, &error));
    EXPECT_EQ(error, QStringLiteral("Input is invalid"));
    EXPECT_FALSE(formatter.isPartialStringValid(QStringLiteral("12a"), 3, QStringLiteral("12"), 2, &error));
    EXPECT_EQ(error, QStringLiteral("Input is not an integer"));
    EXPECT_TRUE(formatter.isPartialStringValid(QStringLiteral("12"), 2, QStringLiteral("127"), 3, &error));
    error = QStringLiteral("old");
    EXPECT_FALSE(formatter.isPartialStringValid(QString(), 0, QStringLiteral("127"), 0, &error));
    EXPECT_EQ(error, QStringLiteral("old"));
    EXPECT_FALSE(formatter.isPartialStringValid(QStringLiteral("99999999999999999999999"), 23, QStringLiteral("9"), 1, &error));
    EXPECT_EQ(error, QStringLiteral("Input is invalid"));
}

TEST_F(CellTest, SliderValueFollowsTheKnobAndIsSharedWithCopies)
{
    ZTSliderCell cell;
    cell.setMinValue(0);
    cell.setMaxValue(127);
    const QRectF track(0, 0, 110, 20);
    ZTSliderCell copy = cell;
    copy.drawKnob(QRectF(99.99, 0, 10, 20), track); // a hair short of the end
    EXPECT_EQ(cell.myIntegerValue(), 126);
    copy.drawKnob(QRectF(100, 0, 10, 20), track);
    EXPECT_EQ(cell.myIntegerValue(), 127);
    cell.drawKnob(QRectF(0, 0, 110, 20), track); // no room to move
    EXPECT_EQ(copy.myIntegerValue(), 0);
}

TEST_F(CellTest, TextAndImagesAreCentred)
{
    EXPECT_EQ(ZTTextFieldCell::drawingRectForBounds(QRectF(2, 2, 100, 30), QSizeF(100, 16)), QRectF(2, 9, 100, 16));
    EXPECT_EQ(ZTTextFieldCell::drawingRectForBounds(QRectF(2, 2, 100, 12), QSizeF(100, 16)), QRectF(2, 2, 100, 12));
    EXPECT_EQ(KLPopupButtonCell::imageRectForFrame(QRectF(40, 40, 31, 20), QSizeF(10, 10)), QRectF(11, 5, 10, 10));
}
