#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace flk {

QIcon MainIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1d, 0x5f, 0xb8));
        p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
        const qreal s = size / 16.0;
        QPainterPath arrow;
        arrow.moveTo(6.5 * s, 3 * s);
        arrow.lineTo(9.5 * s, 3 * s);
        arrow.lineTo(9.5 * s, 7.5 * s);
        arrow.lineTo(12 * s, 7.5 * s);
        arrow.lineTo(8 * s, 11.5 * s);
        arrow.lineTo(4 * s, 7.5 * s);
        arrow.lineTo(6.5 * s, 7.5 * s);
        arrow.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(arrow);
        p.drawRect(QRectF(4 * s, 12.5 * s, 8 * s, 1.2 * s));
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace flk
