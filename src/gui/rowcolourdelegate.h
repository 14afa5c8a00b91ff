#pragma once

#include <QStyledItemDelegate>

// Paints a row's kod colour under every cell, also on the selected row, so
// that a marked or failed record keeps its colour when it is selected; the
// text keeps the grid's own colour.
class RowColourDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
