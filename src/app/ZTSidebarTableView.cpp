#include "ZTSidebarTableView.h"

#include "Image.h"
#include "ZTScroller.h"
#include "ZTTableViewCell.h"

#include <QComboBox>
#include <QMouseEvent>
#include <QScrollBar>

#include <cmath>

namespace {

QStringList itemTexts(const QComboBox* popup)
{
    QStringList texts;
    for (int i = 0; i < popup->count(); ++i)
        texts << popup->itemText(i);
    return texts;
}

} // namespace

class ZTSidebarTableView::CellDelegate : public ZTTableViewCellDelegate {
public:
    explicit CellDelegate(ZTSidebarTableView* table) : table_(table) {}
    void tableViewCellPopupClicked(ZTTableViewCell* cell) override
    {
        if (table_->dataSource_)
            table_->dataSource_->tableViewCellPopupClicked(qlonglong(cell->row()), cell->popupButton()->currentIndex());
    }

private:
    ZTSidebarTableView* table_;
};

ZTSidebarTableView::ZTSidebarTableView(QWidget* parent)
    : QScrollArea(parent), cellDelegate_(std::make_unique<CellDelegate>(this))
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBar(new ZTScroller(Qt::Vertical, this));
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(false);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    content_ = new QWidget;
    content_->installEventFilter(this);
    setWidget(content_);
    // The dark panel behind the list shows through (setWidget has just turned the fill on).
    content_->setAutoFillBackground(false);
}

ZTSidebarTableView::~ZTSidebarTableView()
{
    for (ZTTableViewCell* cell : std::as_const(cells_))
        cell->setDelegate(nullptr);
}

void ZTSidebarTableView::reloadData()
{
    const qlonglong count = dataSource_ ? std::max<qlonglong>(0, dataSource_->numberOfRowsInTableView()) : 0;
    // Surplus cells go later: the reload may come from inside one of their pop-up actions.
    while (cells_.size() > count) {
        ZTTableViewCell* cell = cells_.takeLast();
        cell->setDelegate(nullptr);
        cell->hide();
        cell->deleteLater();
    }
    rowTops_.clear();
    double top = 0;
    const int width = viewport()->width();
    for (qlonglong row = 0; row < count; ++row) {
        const ZTSidebarCell data = dataSource_->tableViewViewForRow(row);
        const double height = std::max(1.0, dataSource_->tableViewHeightOfRow(row));
        const QRect frame(0, int(std::lround(top)), width, int(std::lround(height)));
        if (row >= cells_.size()) {
            auto* cell = new ZTTableViewCell(frame, content_);
            cell->setDelegate(cellDelegate_.get());
            cells_ << cell;
        }
        ZTTableViewCell* cell = cells_[row];
        cell->setGeometry(frame);
        cell->popupButton()->setGeometry(cell->rect());
        cell->setRow(quint64(row));
        cell->setTitle(data.title);
        cell->setTitleColor(QColor::fromRgbF(float(data.titleColor.red), float(data.titleColor.green),
                                             float(data.titleColor.blue), float(data.titleColor.alpha)));
        cell->setBackgroundImage(data.backgroundImage.isEmpty() ? nullptr : Image::named(data.backgroundImage));
        // Refilled only when the titles change: refilling clears the pop-up's choice.
        if (itemTexts(cell->popupButton()) != data.popupTitles)
            cell->setPopupTitles(data.popupTitles);
        cell->popupButton()->setEnabled(data.popupEnabled);
        // A disabled pop-up lets the click through to the row.
        cell->popupButton()->setAttribute(Qt::WA_TransparentForMouseEvents, !data.popupEnabled);
        cell->setAttribute(Qt::WA_TransparentForMouseEvents, !(data.popupEnabled && !data.popupTitles.isEmpty()));
        cell->show();
        rowTops_ << top;
        top += height;
    }
    rowTops_ << top;
    content_->resize(width, int(std::ceil(top)));
}

void ZTSidebarTableView::layoutRows()
{
    const int width = viewport()->width();
    for (qsizetype row = 0; row < cells_.size(); ++row) {
        QRect frame = cells_[row]->geometry();
        frame.setWidth(width);
        cells_[row]->setGeometry(frame);
        cells_[row]->popupButton()->setGeometry(cells_[row]->rect());
    }
    content_->resize(width, rowTops_.isEmpty() ? 0 : int(std::ceil(rowTops_.last())));
}

void ZTSidebarTableView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    layoutRows();
}

QRect ZTSidebarTableView::rectOfRow(qlonglong row) const
{
    if (row < 0 || row >= cells_.size())
        return {};
    return cells_[row]->geometry();
}

qlonglong ZTSidebarTableView::rowAtPoint(const QPoint& contentPoint) const
{
    for (qsizetype row = 0; row < cells_.size(); ++row)
        if (cells_[row]->geometry().contains(contentPoint))
            return row;
    return -1;
}

ZTTableViewCell* ZTSidebarTableView::cellForRow(qlonglong row) const
{
    return row >= 0 && row < cells_.size() ? cells_[row] : nullptr;
}

void ZTSidebarTableView::scrollRowToVisible(qlonglong row)
{
    if (row == 0 || cells_.isEmpty())
        verticalScrollBar()->setValue(0);
    else if (ZTTableViewCell* cell = cellForRow(row))
        ensureWidgetVisible(cell, 0, 0);
}

void ZTSidebarTableView::clickRow(qlonglong row)
{
    if (!dataSource_ || row < 0 || row >= cells_.size())
        return;
    const QList<qlonglong> before = selection_;
    const QList<qlonglong> allowed = dataSource_->tableViewSelectionIndexesForProposedSelection({row}, before);
    if (allowed == before)
        return;
    selection_ = allowed;
    dataSource_->tableViewSelectionDidChange();
}

bool ZTSidebarTableView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == content_ && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            clickRow(rowAtPoint(mouse->position().toPoint()));
            return true;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}
