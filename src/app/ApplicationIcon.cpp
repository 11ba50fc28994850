#include "app/ApplicationIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// Drawn on a 256 x 256 canvas, scaled to the pixmap.
QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);

    QLinearGradient mint(0, 16, 0, 240);
    mint.setColorAt(0, QColor(0x3c, 0xc2, 0x8a));
    mint.setColorAt(1, QColor(0x1f, 0x8a, 0x5c));
    painter.setPen(Qt::NoPen);
    painter.setBrush(mint);
    painter.drawRoundedRect(QRectF(16, 16, 224, 224), 48, 48);

    QPainterPath tag;
    tag.moveTo(44, 128);
    tag.lineTo(92, 70);
    tag.lineTo(204, 70);
    tag.lineTo(204, 186);
    tag.lineTo(92, 186);
    tag.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(tag);
    painter.setBrush(QColor(0x2b, 0xa8, 0x74));
    painter.drawEllipse(QPointF(88, 128), 11, 11);

    const QColor note(0x1f, 0x7a, 0x52);
    painter.setBrush(note);
    painter.save();
    painter.translate(144, 156);
    painter.rotate(-20);
    painter.drawEllipse(QPointF(0, 0), 19, 13);
    painter.restore();
    painter.drawRect(QRectF(155, 88, 8, 66));
    QPainterPath flag;
    flag.moveTo(163, 88);
    flag.cubicTo(176, 100, 190, 104, 186, 128);
    flag.cubicTo(182, 114, 174, 108, 163, 106);
    flag.closeSubpath();
    painter.drawPath(flag);
    return pixmap;
}

} // namespace

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(drawIcon(size));
    return icon;
}
