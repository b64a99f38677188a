#include "windowicon.h"

#include <QPainter>
#include <QPixmap>

namespace {

const QColor blue(0x4a, 0x7f, 0xb5);
const QColor green(0x5f, 0x9a, 0x4a);
const QColor amber(0xc9, 0x8a, 0x2e);

// The picture of packaging/q7prjmerge.svg, on its 64 by 64 grid.
QPixmap paintedIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.setPen(Qt::NoPen);
    const QColor blocks[] = {blue, green, amber};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(blocks[i]);
        painter.drawRoundedRect(QRectF(4 + 19 * i, 6, 18, 14), 2, 2);
    }
    painter.setPen(QPen(QColor(0x44, 0x44, 0x44), 3, Qt::SolidLine, Qt::RoundCap));
    for (const qreal x : {13.0, 32.0, 51.0})
        painter.drawLine(QPointF(x, 22), QPointF(32, 38));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x35, 0x56, 0x7a));
    painter.drawRoundedRect(QRectF(10, 40, 44, 18), 3, 3);
    const QRectF parts[] = {{14, 44, 11, 10}, {27, 44, 11, 10}, {40, 44, 10, 10}};
    for (int i = 0; i < 3; ++i)
        painter.fillRect(parts[i], blocks[i]);
    return pixmap;
}

} // namespace

QIcon windowIcon()
{
    QIcon painted;
    for (const int size : {16, 32, 48, 64})
        painted.addPixmap(paintedIcon(size));
    return QIcon::fromTheme("q7prjmerge", painted);
}
