#include "ZTOutlineTextCell.h"

void ZTOutlineTextCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem moved(option);
    moved.rect = interiorFrame(option.rect);
    QStyledItemDelegate::paint(painter, moved, index);
}
