#include "AnotherGauge.h"

#include <QPainter>
#include <algorithm>
#include <limits>

namespace flk {

namespace {

// num / den rounded to the nearest integer, halves to even; den > 0.
__int128 RoundHalfEven(__int128 num, __int128 den)
{
    __int128 q = num / den;
    __int128 r = num % den;
    if (r < 0) { // floor division
        q -= 1;
        r += den;
    }
    if (2 * r > den || (2 * r == den && q % 2 != 0))
        q += 1;
    return q;
}

QString OutOfRange(const char* what, qint64 value, qint64 low, qint64 high)
{
    return QStringLiteral("%1 %2 is out of range %3..%4").arg(QLatin1String(what)).arg(value).arg(low).arg(high);
}

} // namespace

TAnotherGauge::TAnotherGauge(QWidget* parent) : QWidget(parent)
{
    resize(50, 150);
}

void TAnotherGauge::ApplyDownloadDialogLook()
{
    resize(50, 80);
    SetBlockHeight(5);
    SetHigh(66);
    SetLow(33);
    const QColor lime(0, 255, 0);
    SetForeColor(lime);
    SetLowColor(lime);
    SetHighColor(lime);
    SetColor(Qt::black);
}

// --- geometry -----------------------------------------------------------

int TAnotherGauge::BlockCount(qint64 value, qint64 min, qint64 max, int clientHeight, int blockHeight)
{
    if (max <= min || blockHeight <= 0)
        return 0; // an empty range lights nothing rather than dividing by zero
    const __int128 num = static_cast<__int128>(value - min) * clientHeight;
    const __int128 den = static_cast<__int128>(max - min) * blockHeight;
    const __int128 n = RoundHalfEven(num, den);
    return static_cast<int>(std::clamp<__int128>(n, std::numeric_limits<int>::min() / 2,
                                                 std::numeric_limits<int>::max() / 2));
}

int TAnotherGauge::BlocksFor(qint64 value) const
{
    return BlockCount(value, m_min, m_max, height(), m_blockHeight);
}

int TAnotherGauge::TopFor(qint64 value) const
{
    return height() - BlocksFor(value) * m_blockHeight;
}

// --- properties ---------------------------------------------------------

void TAnotherGauge::SetMin(qint64 value)
{
    if (value == m_min)
        return;
    m_min = value;
    update();
}

void TAnotherGauge::SetMax(qint64 value)
{
    if (value == m_max)
        return;
    m_max = value;
    update();
}

void TAnotherGauge::SetValue(qint64 value)
{
    if (value < m_min || value > m_max)
        throw ERangeError(OutOfRange("Value", value, m_min, m_max));
    const int oldBlocks = BlocksFor(m_value);
    const int oldTop = TopFor(m_value);
    m_value = value;
    if (BlocksFor(value) != oldBlocks) {
        // From the top of the bar down to the lower of the two column tops,
        // so that a falling value clears the blocks above it too.
        const int bottom = std::clamp(std::max(oldTop, TopFor(value)), 0, height());
        update(0, 0, BarWidth(), bottom);
    }
    emit OnChange(value);
}

void TAnotherGauge::SetLow(qint64 value)
{
    if (value < m_min || value > m_high)
        throw ERangeError(OutOfRange("Low", value, m_min, m_high));
    if (value == m_low)
        return;
    m_low = value;
    update();
}

void TAnotherGauge::SetHigh(qint64 value)
{
    if (value == m_high)
        return;
    m_high = value;
    update();
}

void TAnotherGauge::SetBlockHeight(int value)
{
    const qint64 largest = (m_max - m_min) / 4;
    if (value <= 0 || value > largest)
        throw ERangeError(OutOfRange("BlockHeight", value, 1, largest));
    if (value == m_blockHeight)
        return;
    m_blockHeight = value;
    update();
}

void TAnotherGauge::SetColorField(QColor& field, const QColor& color)
{
    if (field == color)
        return;
    field = color;
    update();
}

void TAnotherGauge::SetForeColor(const QColor& color) { SetColorField(m_foreColor, color); }
void TAnotherGauge::SetLowColor(const QColor& color) { SetColorField(m_lowColor, color); }
void TAnotherGauge::SetHighColor(const QColor& color) { SetColorField(m_highColor, color); }
void TAnotherGauge::SetColor(const QColor& color) { SetColorField(m_color, color); }

// --- painting -----------------------------------------------------------

void TAnotherGauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int H = height();
    const int W = width();
    const int w = BarWidth();
    p.fillRect(rect(), m_color);

    // A value left outside the range by a later range change is drawn
    // clipped to the bar.
    const int maxBlocks = H / m_blockHeight + 1;
    auto top = [&](qint64 v) { return H - std::clamp(BlocksFor(v), 0, maxBlocks) * m_blockHeight; };
    const int yValue = top(m_value);
    if (m_value > m_low) {
        int y = yValue;
        if (m_value > m_high) {
            const int yHigh = top(m_high);
            p.fillRect(QRect(0, y, w, std::max(0, yHigh - y)), m_highColor);
            y = yHigh;
        }
        const int yLow = top(m_low);
        p.fillRect(QRect(0, y, w, std::max(0, yLow - y)), m_foreColor);
        p.fillRect(QRect(0, yLow, w, H - yLow), m_lowColor);
    } else {
        p.fillRect(QRect(0, yValue, w, H - yValue), m_lowColor);
    }

    // Block separators, one per lit block.
    p.setPen(m_color);
    const int lit = std::clamp(BlocksFor(m_value), 0, maxBlocks);
    for (int k = 1; k <= lit; ++k)
        p.drawLine(0, H - k * m_blockHeight, w - 1, H - k * m_blockHeight);

    // The scale on the right.
    p.setPen(m_foreColor);
    const QPoint bracket[] = {{W, 0}, {w + 3, 0}, {w + 3, H - 1}, {W, H - 1}};
    p.drawPolyline(bracket, 4);
    for (int k = 1; k <= H / m_blockHeight; ++k)
        p.drawLine(w + 3, H - k * m_blockHeight, W - 3, H - k * m_blockHeight);
}

} // namespace flk
