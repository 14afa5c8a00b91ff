#pragma once

#include <QStyledItemDelegate>

// Paints a row's kod colour under every cell, also on the selected row, so
// that a marked or failed record keeps its colour when it is selected. The
// selected row of a colour is framed above and below by a thick line and
// written in bold, both in black or white, whichever stands out more from
// that colour; other rows keep the grid's own text colour.
class RowColourDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Height of the frame lines of the selected row, in pixels.
    static constexpr int FrameWidth = 3;

    // Black or white, whichever contrasts more with the colour.
    static QColor InkOn(const QColor& background);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
