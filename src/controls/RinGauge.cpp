#include "RinGauge.h"

#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace flk {

namespace {

constexpr int MinimumSide = 130;
constexpr qint64 MinimumSpan = 50;

// Round to the nearest integer, halves to even (the default FP rounding mode).
int RoundEven(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

double Radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

// Qt measures arc angles counter-clockwise from three o'clock; ours run
// clockwise from straight down.
double QtAngle(double angle)
{
    return 270.0 - angle;
}

} // namespace

TRingGauge::TRingGauge(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(MinimumSide, MinimumSide);
    resize(300, 300);
}

void TRingGauge::ApplyDownloadDialogLook()
{
    resize(130, 130);
    SetSectorDegree(80);
    SetNeedleWidth(2);
    SetFirstPartColor(QColor(255, 0, 0));
    SetThirdPartColor(QColor(0, 255, 0));
    SetMax(38600);
}

// --- limits -------------------------------------------------------------

qint64 TRingGauge::PointGap() const
{
    return (m_max - m_min) * 5 / 100;
}

qint64 TRingGauge::Carry(qint64 v, qint64 oldMin, qint64 oldMax) const
{
    const __int128 moved = static_cast<__int128>(v - oldMin) * (m_max - m_min) / (oldMax - oldMin);
    return m_min + static_cast<qint64>(moved);
}

void TRingGauge::ChangeRange(qint64 newMin, qint64 newMax)
{
    const qint64 oldMin = m_min;
    const qint64 oldMax = m_max;
    m_min = newMin;
    m_max = newMax;
    m_first = Carry(m_first, oldMin, oldMax);
    m_second = Carry(m_second, oldMin, oldMax);
    m_progress = Carry(m_progress, oldMin, oldMax);
    update();
}

void TRingGauge::SetMin(qint64 value)
{
    value = std::min(value, m_max - MinimumSpan);
    if (value != m_min)
        ChangeRange(value, m_max);
}

void TRingGauge::SetMax(qint64 value)
{
    value = std::max(value, m_min + MinimumSpan);
    if (value != m_max)
        ChangeRange(m_min, value);
}

void TRingGauge::SetProgress(qint64 value)
{
    value = std::clamp(value, m_min, m_max);
    if (value == m_progress)
        return;
    const bool needleMoves = AngleOf(value) != AngleOf(m_progress);
    m_progress = value;
    // Speed ticks may come often; repaint only when the needle moves.
    if (needleMoves)
        update(RingSquare().adjusted(-2, -2, 2, 2));
}

void TRingGauge::SetFirstIndicationPoint(qint64 value)
{
    const qint64 s = PointGap();
    value = std::min(value, m_second - s);
    value = std::max(value, m_min + s);
    if (value == m_first)
        return;
    m_first = value;
    update();
}

void TRingGauge::SetSecondIndicationPoint(qint64 value)
{
    const qint64 s = PointGap();
    value = std::max(value, m_first + s);
    value = std::min(value, m_max - s);
    if (value == m_second)
        return;
    m_second = value;
    update();
}

void TRingGauge::SetColor(QColor& field, const QColor& color)
{
    if (field == color)
        return;
    field = color;
    update();
}

void TRingGauge::SetInt(int& field, int value)
{
    if (field == value)
        return;
    field = value;
    update();
}

void TRingGauge::SetFirstPartColor(const QColor& color) { SetColor(m_firstColor, color); }
void TRingGauge::SetSecondPartColor(const QColor& color) { SetColor(m_secondColor, color); }
void TRingGauge::SetThirdPartColor(const QColor& color) { SetColor(m_thirdColor, color); }
void TRingGauge::SetSectorDegree(int value) { SetInt(m_sectorDegree, std::clamp(value, 6, 300)); }
void TRingGauge::SetOuterRadius(int value) { SetInt(m_outerRadius, value); }
void TRingGauge::SetInnerRadius(int value) { SetInt(m_innerRadius, value); }
void TRingGauge::SetNeedleRadius(int value) { SetInt(m_needleRadius, value); }
void TRingGauge::SetNeedleWidth(int value) { SetInt(m_needleWidth, std::max(value, 1)); }

// --- geometry -----------------------------------------------------------

QRect TRingGauge::RingSquare() const
{
    const int side = std::min(width(), height()) - 10;
    return QRect(5, 10, side, side);
}

QPoint TRingGauge::Centre() const
{
    const QRect sq = RingSquare();
    const int left = sq.left(), top = sq.top();
    const int right = left + sq.width(), bottom = top + sq.height();
    return QPoint(left + (right - left) / 2, top + (bottom - top) / 2);
}

int TRingGauge::AngleOf(qint64 value) const
{
    const __int128 along = static_cast<__int128>(value - m_min) * (360 - m_sectorDegree) / (m_max - m_min);
    return static_cast<int>(along) + m_sectorDegree / 2;
}

QPoint TRingGauge::PointAt(double angle, double radius) const
{
    const QPoint c = Centre();
    const double a = Radians(angle);
    return QPoint(c.x() - RoundEven(radius * std::sin(a)), c.y() + RoundEven(radius * std::cos(a)));
}

std::vector<int> TRingGauge::TickAngles() const
{
    std::vector<int> angles;
    for (int i = 0; i < 20; ++i)
        angles.push_back(m_sectorDegree / 2 + (360 - m_sectorDegree) * i * 5 / 100);
    return angles;
}

int TRingGauge::SpanEndAngle() const
{
    return m_sectorDegree / 2 + (360 - m_sectorDegree);
}

void TRingGauge::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int h = RingSquare().width() / 2;
    m_outerRadius = h - 15;
    m_innerRadius = h - 30;
    m_needleRadius = h - 25;
}

// --- painting -----------------------------------------------------------

namespace {

QRectF Circle(QPointF c, double r)
{
    return QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r);
}

// An arc of our clockwise angles from `from` to `to`.
void DrawArc(QPainter& p, QPointF c, double r, double from, double to)
{
    QPainterPath path;
    path.arcMoveTo(Circle(c, r), QtAngle(from));
    path.arcTo(Circle(c, r), QtAngle(from), -(to - from));
    p.drawPath(path);
}

// The ring between two radii from one angle to another.
QPainterPath RingPart(QPointF c, double inner, double outer, double from, double to)
{
    QPainterPath path;
    path.arcMoveTo(Circle(c, outer), QtAngle(from));
    path.arcTo(Circle(c, outer), QtAngle(from), -(to - from));
    path.arcTo(Circle(c, inner), QtAngle(to), to - from);
    path.closeSubpath();
    return path;
}

} // namespace

void TRingGauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());

    const QPointF c = Centre();
    const double outer = m_outerRadius, inner = m_innerRadius;
    const int half = m_sectorDegree / 2;
    const int aMin = AngleOf(m_min), aMax = AngleOf(m_max);
    const int aFirst = AngleOf(m_first), aSecond = AngleOf(m_second);
    const QPen black(Qt::black, 1);

    // The three parts (drawn directly rather than flood-filled).
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.fillPath(RingPart(c, inner, outer, aMin, aFirst), m_firstColor);
    p.fillPath(RingPart(c, inner, outer, aFirst, aSecond), m_secondColor);
    p.fillPath(RingPart(c, inner, outer, aSecond, aMax), m_thirdColor);

    // Edges reaching 2 degrees past the end lines into the gap.
    p.setPen(black);
    p.setBrush(Qt::NoBrush);
    DrawArc(p, c, outer, half - 2, 360 - (half - 2));
    DrawArc(p, c, inner, half - 2, 360 - (half - 2));

    p.setRenderHint(QPainter::Antialiasing, false);
    for (int a : {aMin, aMax})
        p.drawLine(PointAt(a, outer + 2), PointAt(a, inner - 4));
    for (int a : {aFirst, aSecond})
        p.drawLine(PointAt(a, outer), PointAt(a, inner - 4));

    // The raised look.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::white, 1));
    DrawArc(p, c, outer + 1, aMin, aMax);
    p.setPen(black);
    DrawArc(p, c, inner - 3, aMin, aMax);

    p.setRenderHint(QPainter::Antialiasing, false);
    const std::vector<int> ticks = TickAngles();
    for (size_t i = 0; i < ticks.size(); ++i)
        p.drawLine(PointAt(ticks[i], inner - 3), PointAt(ticks[i], inner - (i % 2 == 0 ? 12 : 8)));
    p.drawLine(PointAt(SpanEndAngle(), inner - 3), PointAt(SpanEndAngle(), inner - 12));

    // The needle inverts what lies under it.
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.setPen(QPen(Qt::black, m_needleWidth, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(Centre(), PointAt(AngleOf(m_progress), m_needleRadius));
}

} // namespace flk
