#include "rowcolourdelegate.h"

#include <QPainter>

void RowColourDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant background = index.data(Qt::BackgroundRole);
    if (!background.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const bool selected = opt.state & QStyle::State_Selected;
    opt.state &= ~QStyle::State_Selected;
    opt.palette.setBrush(QPalette::Text, option.palette.brush(QPalette::Text));
    painter->fillRect(opt.rect, background.value<QBrush>());
    QStyledItemDelegate::paint(painter, opt, index);
    if (selected) {
        // The selected row is marked by a frame only.
        painter->save();
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DotLine));
        painter->drawLine(opt.rect.topLeft(), opt.rect.topRight());
        painter->drawLine(opt.rect.bottomLeft(), opt.rect.bottomRight());
        painter->restore();
    }
}
