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
        // The selected row keeps its colour and is framed, top and bottom,
        // in the selection colour: plain to see on every row colour, also
        // while the grid is locked during a run.
        painter->save();
        painter->setPen(QPen(option.palette.color(QPalette::Active, QPalette::Highlight), 2, Qt::SolidLine));
        const QRect r = opt.rect.adjusted(0, 1, 0, -1);
        painter->drawLine(r.topLeft(), r.topRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
}
