#include "rowcolourdelegate.h"

#include <QPainter>

#include <cmath>

namespace {

// Relative luminance as the accessibility guidelines define it.
double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

} // namespace

QColor RowColourDelegate::InkOn(const QColor& background)
{
    const double l = luminance(background);
    // Contrast with black (l + 0.05) / 0.05 against white 1.05 / (l + 0.05).
    return (l + 0.05) * (l + 0.05) >= 0.05 * 1.05 ? QColor(Qt::black) : QColor(Qt::white);
}

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
    const QBrush brush = background.value<QBrush>();
    const QColor ink = InkOn(brush.color());
    opt.palette.setBrush(QPalette::Text, selected ? QBrush(ink) : option.palette.brush(QPalette::Text));
    if (selected)
        opt.font.setBold(true);
    painter->fillRect(opt.rect, brush);
    QStyledItemDelegate::paint(painter, opt, index);
    if (selected) {
        // The selection colour of the style may be close to the row's own
        // (blue-grey on grey): the frame is black or white, plain to see on
        // every row colour, also while the grid is locked during a run.
        const QRect r = opt.rect;
        painter->fillRect(QRect(r.left(), r.top(), r.width(), FrameWidth), ink);
        painter->fillRect(QRect(r.left(), r.bottom() - FrameWidth + 1, r.width(), FrameWidth), ink);
    }
}
