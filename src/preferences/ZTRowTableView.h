#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <QVariant>

#include <functional>
#include <optional>

class ZTRowTableView;

// What a row table asks of its owner: rows, values and edits by column identifier and row,
// group rows, and the moves of rows by drag and drop. Main thread only.
class ZTRowTableDataSource {
public:
    virtual ~ZTRowTableDataSource() = default;
    virtual int numberOfRowsInTableView(const ZTRowTableView* table) const = 0;
    // Text columns show the value as text; tick columns take 1 (on), 0 (off), -1 (mixed) or
    // no value (no tick shown).
    virtual QVariant objectValue(const ZTRowTableView* table, const QString& column, int row) const = 0;
    virtual void setObjectValue(ZTRowTableView* table, const QVariant& value, const QString& column, int row) = 0;
    virtual bool isGroupRow(const ZTRowTableView* table, int row) const = 0;
    virtual bool shouldEditTableColumn(const ZTRowTableView* table, const QString& column, int row) const = 0;
    virtual void tableViewSelectionDidChange(ZTRowTableView* table) {}

    // Moves inside one table: may these rows be dragged, may they drop above `row`, and the
    // drop itself (true when taken).
    virtual bool writeRows(const ZTRowTableView* table, const QList<int>& rows) const { return false; }
    virtual bool validateDrop(const ZTRowTableView* table, const QList<int>& rows, int row) const { return false; }
    virtual bool acceptDrop(ZTRowTableView* table, const QList<int>& rows, int row) { return false; }
};

// A table whose rows and values come from a data source. Group rows read bold on a shaded
// band and cannot be selected; one other row at a time can be. Tick columns show a check
// box per row; a click on it hands the new state to the data source, which decides.
class ZTRowTableView : public QTableView {
    Q_OBJECT
public:
    enum class ColumnKind { Text, Tick };
    struct Column {
        QString identifier;
        ColumnKind kind = ColumnKind::Text;
    };

    ZTRowTableView(QList<Column> columns, ZTRowTableDataSource* dataSource, QWidget* parent = nullptr);
    ~ZTRowTableView() override;

    // Asks the data source again. The selected row stays selected while it is still a row
    // that can be selected. An open editor is committed first (see commitEditing).
    void reloadData();
    // Hands what is typed in an open editor to the data source and closes the editor; nothing
    // when none is open. Call it before the rows change, so the text reaches the row it was
    // typed in. Whether an editor was open.
    bool commitEditing();
    // The selected row; -1 when none.
    int selectedRow() const;
    // Selects the row (-1: none); a group row or a row outside the table selects nothing.
    void selectRow(int row);
    // Starts editing the text of a column in a row, with the text selected.
    void editColumn(const QString& column, int row);
    const QList<Column>& columns() const { return columns_; }

    // Rows may be moved by dragging them within this table.
    void setRowMovingEnabled(bool enabled);
    // Called with the row of a double click on a row.
    void setDoubleAction(std::function<void(int row)> action) { doubleAction_ = std::move(action); }

protected:
    // A typed text is handed to the data source only once its editor is closed: the data
    // source may rebuild the table, which must not happen under an open editor.
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    class Model;
    struct TypedText {
        int row;
        QString column;
        QVariant value;
    };

    Model* model_;
    ZTRowTableDataSource* dataSource_;
    QList<Column> columns_;
    std::function<void(int row)> doubleAction_;
    bool committing_ = false;
    std::optional<TypedText> typedText_;
};
