#pragma once

#include <QStyledItemDelegate>

// Value rows of the settings outline: drawn as usual, 3 points left and 3 down.
class ZTOutlineTextCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static QRect interiorFrame(const QRect& frame) { return frame.translated(-3, 3); }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
