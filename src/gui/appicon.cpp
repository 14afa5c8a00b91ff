#include "appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A green leaf over a pale disc: the program watches nature areas.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(192, 220, 192));
    p.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
    QPainterPath leaf;
    leaf.moveTo(s * 0.22, s * 0.78);
    leaf.cubicTo(s * 0.20, s * 0.35, s * 0.50, s * 0.18, s * 0.82, s * 0.20);
    leaf.cubicTo(s * 0.80, s * 0.55, s * 0.58, s * 0.80, s * 0.22, s * 0.78);
    p.setBrush(QColor(34, 139, 34));
    p.drawPath(leaf);
    p.setPen(QPen(QColor(220, 245, 220), qMax(1.0, s / 24.0)));
    p.drawLine(QPointF(s * 0.24, s * 0.76), QPointF(s * 0.70, s * 0.32));
    return pixmap;
}

} // namespace

QIcon AppIcon()
{
    static const QIcon icon = [] {
        QIcon i;
        for (int size : {16, 24, 32, 48, 64, 128, 256})
            i.addPixmap(drawIcon(size));
        return i;
    }();
    return icon;
}
