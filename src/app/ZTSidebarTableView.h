#pragma once

#include "ZTMainWindowServices.h"

#include <QList>
#include <QScrollArea>

class ZTTableViewCell;

// Where the sidebar's rows come from and where its clicks go (the exercise controller,
// through the main view controller).
class ZTSidebarDataSource {
public:
    virtual ~ZTSidebarDataSource() = default;
    virtual qlonglong numberOfRowsInTableView() const = 0;
    virtual ZTSidebarCell tableViewViewForRow(qlonglong row) const = 0;
    virtual double tableViewHeightOfRow(qlonglong row) const = 0;
    // The rows that may become the selection instead of `proposed`.
    virtual QList<qlonglong> tableViewSelectionIndexesForProposedSelection(const QList<qlonglong>& proposed,
                                                                          const QList<qlonglong>& current) const = 0;
    virtual void tableViewSelectionDidChange() = 0;
    virtual void tableViewCellPopupClicked(qlonglong row, qlonglong selectedIndex) = 0;
};

// The exercise sidebar: one cell per row, stacked from the top, in a scroll area with a slim
// scroller. A click proposes its row as the selection; the data source decides.
class ZTSidebarTableView : public QScrollArea, public ZTSidebarControl {
    Q_OBJECT
public:
    explicit ZTSidebarTableView(QWidget* parent = nullptr);
    ~ZTSidebarTableView() override;

    void setDataSource(ZTSidebarDataSource* dataSource) { dataSource_ = dataSource; }
    ZTSidebarDataSource* dataSource() const { return dataSource_; }

    // ---- ZTSidebarControl ----
    int tag() const override { return tag_; }
    void setTag(int tag) override { tag_ = tag; }
    // Asks the data source for every row again. Safe from inside a row's own pop-up action.
    void reloadData() override;
    qint64 selectedRow() const override { return selection_.isEmpty() ? -1 : selection_.first(); }
    void deselectAll() override { selection_.clear(); }

    // Selects the row as a click would (the data source may refuse).
    void clickRow(qlonglong row);
    void selectRow(qlonglong row) { selection_ = {row}; }
    qlonglong numberOfRows() const { return qlonglong(cells_.size()); }
    // The row's rectangle in the content widget; empty past the end.
    QRect rectOfRow(qlonglong row) const;
    qlonglong rowAtPoint(const QPoint& contentPoint) const;
    ZTTableViewCell* cellForRow(qlonglong row) const;
    QWidget* contentWidget() const { return content_; }
    void scrollRowToVisible(qlonglong row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class CellDelegate;
    void layoutRows();

    ZTSidebarDataSource* dataSource_ = nullptr;
    QWidget* content_ = nullptr;
    QList<ZTTableViewCell*> cells_;
    QList<double> rowTops_;
    int tag_ = 0;
    QList<qlonglong> selection_;
    std::unique_ptr<CellDelegate> cellDelegate_;
};
