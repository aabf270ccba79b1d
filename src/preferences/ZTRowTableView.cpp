#include "ZTRowTableView.h"

#include "ZTListScroller.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QHeaderView>
#include <QMimeData>
#include <QPalette>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// Rows dragged out of one table, named by that table so no other table takes them.
const QString kRowsMimeType = QStringLiteral("application/x-melvora-table-rows");

QByteArray encodeRows(const ZTRowTableView* table, const QList<int>& rows)
{
    QStringList parts{QString::number(quintptr(table))};
    for (int row : rows)
        parts << QString::number(row);
    return parts.join(QLatin1Char(',')).toUtf8();
}

// The rows when the drag came from `table`; nothing otherwise.
std::optional<QList<int>> decodeRows(const ZTRowTableView* table, const QMimeData* data)
{
    if (!data || !data->hasFormat(kRowsMimeType))
        return std::nullopt;
    const QStringList parts = QString::fromUtf8(data->data(kRowsMimeType)).split(QLatin1Char(','));
    if (parts.size() < 2 || parts.first() != QString::number(quintptr(table)))
        return std::nullopt;
    QList<int> rows;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        bool ok = false;
        const int row = parts.at(i).toInt(&ok);
        if (!ok)
            return std::nullopt;
        rows << row;
    }
    return rows;
}

Qt::CheckState checkStateFor(const QVariant& value)
{
    const int state = value.toInt();
    if (state == 1)
        return Qt::Checked;
    return state == 0 ? Qt::Unchecked : Qt::PartiallyChecked;
}

} // namespace

class ZTRowTableView::Model : public QAbstractTableModel {
public:
    Model(ZTRowTableView* table, ZTRowTableDataSource* dataSource) : table_(table), dataSource_(dataSource) {}

    void reload()
    {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : std::max(0, dataSource_->numberOfRowsInTableView(table_));
    }

    int columnCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : int(table_->columns().size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const Column& column = table_->columns().at(index.column());
        const bool group = dataSource_->isGroupRow(table_, index.row());
        if (role == Qt::FontRole && group) {
            QFont font = table_->font();
            font.setBold(true);
            return font;
        }
        if (role == Qt::BackgroundRole && group)
            return table_->palette().color(QPalette::AlternateBase);
        const bool tick = column.kind == ColumnKind::Tick;
        if ((role == Qt::DisplayRole || role == Qt::EditRole) && !tick)
            return dataSource_->objectValue(table_, column.identifier, index.row());
        if (role == Qt::CheckStateRole && tick) {
            const QVariant value = dataSource_->objectValue(table_, column.identifier, index.row());
            return value.isValid() ? QVariant(checkStateFor(value)) : QVariant();
        }
        return {};
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid())
            return false;
        const Column& column = table_->columns().at(index.column());
        if (role == Qt::CheckStateRole && column.kind == ColumnKind::Tick) {
            dataSource_->setObjectValue(table_, value.toInt() == Qt::Unchecked ? 0 : 1, column.identifier, index.row());
            return true;
        }
        if (role == Qt::EditRole && column.kind == ColumnKind::Text) {
            if (table_->committing_)
                table_->typedText_ = TypedText{index.row(), column.identifier, value};
            else
                dataSource_->setObjectValue(table_, value, column.identifier, index.row());
            return true;
        }
        return false;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return table_->dragDropMode() == QAbstractItemView::NoDragDrop ? Qt::NoItemFlags : Qt::ItemIsDropEnabled;
        const Column& column = table_->columns().at(index.column());
        Qt::ItemFlags flags = Qt::ItemIsEnabled;
        if (!dataSource_->isGroupRow(table_, index.row()))
            flags |= Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
        if (column.kind == ColumnKind::Tick)
            flags |= Qt::ItemIsUserCheckable;
        else if (dataSource_->shouldEditTableColumn(table_, column.identifier, index.row()))
            flags |= Qt::ItemIsEditable;
        return flags;
    }

    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override { return {kRowsMimeType}; }

    QMimeData* mimeData(const QModelIndexList& indexes) const override
    {
        QList<int> rows;
        for (const QModelIndex& index : indexes)
            if (!rows.contains(index.row()))
                rows << index.row();
        std::sort(rows.begin(), rows.end());
        if (rows.isEmpty() || !dataSource_->writeRows(table_, rows))
            return nullptr;
        auto* data = new QMimeData;
        data->setData(kRowsMimeType, encodeRows(table_, rows));
        return data;
    }

    bool canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int, const QModelIndex& parent) const override
    {
        const auto rows = decodeRows(table_, data);
        // Drops go between rows; a drop onto a row is refused.
        return rows && !parent.isValid() && dataSource_->validateDrop(table_, *rows, dropRow(row));
    }

    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override
    {
        if (!canDropMimeData(data, action, row, column, parent))
            return false;
        dataSource_->acceptDrop(table_, *decodeRows(table_, data), dropRow(row));
        // The moved rows are put back by the data source: nothing for the view to remove.
        return false;
    }

private:
    // A drop below the last row arrives as -1.
    int dropRow(int row) const { return row < 0 ? rowCount({}) : row; }

    ZTRowTableView* table_;
    ZTRowTableDataSource* dataSource_;
};

ZTRowTableView::ZTRowTableView(QList<Column> columns, ZTRowTableDataSource* dataSource, QWidget* parent)
    : QTableView(parent)
    , dataSource_(dataSource)
    , columns_(std::move(columns))
{
    model_ = new Model(this, dataSource);
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setShowGrid(false);
    setWordWrap(false);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(20);
    horizontalHeader()->setStretchLastSection(true);
    setVerticalScrollBar(new ZTListScroller(Qt::Vertical, this));
    setHorizontalScrollBar(new ZTListScroller(Qt::Horizontal, this));
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_.at(i).kind == ColumnKind::Tick)
            horizontalHeader()->resizeSection(i, 28);

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, dataSource] { dataSource->tableViewSelectionDidChange(this); });
    connect(this, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (doubleAction_ && index.isValid())
            doubleAction_(index.row());
    });
}

ZTRowTableView::~ZTRowTableView() = default;

void ZTRowTableView::reloadData()
{
    commitEditing();
    const int selected = selectedRow();
    {
        const QSignalBlocker quiet(selectionModel());
        model_->reload();
    }
    // The model reset dropped the selection; a row that can still be selected gets it back.
    const bool keeps = selected >= 0 && selected < model_->rowCount({})
        && model_->flags(model_->index(selected, 0)).testFlag(Qt::ItemIsSelectable);
    if (keeps) {
        const QSignalBlocker quiet(selectionModel());
        QTableView::selectRow(selected);
    }
    viewport()->update();
}

int ZTRowTableView::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ZTRowTableView::selectRow(int row)
{
    if (row >= 0 && row < model_->rowCount({}) && model_->flags(model_->index(row, 0)).testFlag(Qt::ItemIsSelectable)) {
        QTableView::selectRow(row);
        return;
    }
    clearSelection();
}

void ZTRowTableView::editColumn(const QString& column, int row)
{
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns_.at(i).identifier == column) {
            const QModelIndex index = model_->index(row, i);
            setCurrentIndex(index);
            edit(index);
            return;
        }
    }
}

bool ZTRowTableView::commitEditing()
{
    if (state() != QAbstractItemView::EditingState)
        return false;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor)
        return false;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void ZTRowTableView::commitData(QWidget* editor)
{
    committing_ = true;
    QTableView::commitData(editor);
    committing_ = false;
}

void ZTRowTableView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    if (const std::optional<TypedText> typed = std::exchange(typedText_, std::nullopt))
        dataSource_->setObjectValue(this, typed->value, typed->column, typed->row);
}

void ZTRowTableView::setRowMovingEnabled(bool enabled)
{
    setDragEnabled(enabled);
    setAcceptDrops(enabled);
    setDropIndicatorShown(enabled);
    setDragDropOverwriteMode(false);
    setDragDropMode(enabled ? QAbstractItemView::InternalMove : QAbstractItemView::NoDragDrop);
    setDefaultDropAction(Qt::MoveAction);
}
