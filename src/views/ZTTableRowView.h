#pragma once

#include <QWidget>

// The sidebar's row: a selected row is filled with the sidebar's dark selection colour,
// unless the table shows no selection highlight.
class ZTTableRowView : public QWidget {
    Q_OBJECT
public:
    enum class SelectionHighlightStyle { None, Regular };

    explicit ZTTableRowView(QWidget* parent = nullptr);

    void setSelectionHighlightStyle(SelectionHighlightStyle style) { style_ = style; update(); }
    SelectionHighlightStyle selectionHighlightStyle() const { return style_; }
    void setSelected(bool selected) { selected_ = selected; update(); }
    bool isSelected() const { return selected_; }

    // Fills the whole row (whatever `rect` is) with the selection colour, or nothing with
    // the no-highlight style.
    void drawSelectionInRect(QPainter& painter, const QRectF& rect) const;
    static QColor selectionColor();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SelectionHighlightStyle style_ = SelectionHighlightStyle::Regular;
    bool selected_ = false;
};
