#pragma once

#include <QStyledItemDelegate>

// Group rows of the settings outline: drawn as usual, 5 points right and 3 down.
class ZTOutlineHeaderCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static QRect interiorFrame(const QRect& frame) { return frame.translated(5, 3); }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
