#include "ProgressAnimation.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace flk {

TAnimate::TAnimate(QWidget* parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
    setAccessibleName(QStringLiteral("Searching"));
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % kFrames;
        update();
    });
}

void TAnimate::SetActive(bool active)
{
    if (active)
        m_timer.start();
    else
        m_timer.stop();
}

void TAnimate::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The folder, open, with a few sheets in it.
    const QRectF back(6, 12, 52, 32);
    p.setPen(QPen(QColor(0x8a, 0x6d, 0x1d), 1));
    p.setBrush(QColor(0xe5, 0xb5, 0x3c));
    p.drawRect(back);
    p.drawRect(QRectF(6, 8, 18, 5));
    p.setBrush(Qt::white);
    p.setPen(QPen(Qt::gray, 1));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(12 + i * 6, 14 - i * 2, 30, 22));
    QPainterPath front;
    front.moveTo(6, 44);
    front.lineTo(12, 22);
    front.lineTo(64, 22);
    front.lineTo(58, 44);
    front.closeSubpath();
    p.setPen(QPen(QColor(0x8a, 0x6d, 0x1d), 1));
    p.setBrush(QColor(0xf5, 0xc9, 0x50));
    p.drawPath(front);
    // The glass, circling over the folder.
    const double a = 2 * std::numbers::pi * m_frame / kFrames;
    const QPointF centre(38 + 14 * std::cos(a), 24 + 8 * std::sin(a));
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(7, 7), centre + QPointF(15, 15));
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    p.setBrush(QColor(0xc8, 0xe6, 0xff, 170));
    p.drawEllipse(centre, 9, 9);
}

} // namespace flk
