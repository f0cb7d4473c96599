#include "VVNavigatorGauge.h"

#include <QMetaObject>
#include <QPainter>
#include <QPalette>
#include <QResizeEvent>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace flk {

TVVNavigatorGauge::TVVNavigatorGauge(QWidget* parent) : QWidget(parent)
{
    m_foreColor = palette().color(QPalette::Dark);   // button shadow
    m_backColor = palette().color(QPalette::Button); // button face
    resize(75, 10);
    m_width = width();
    m_height = height();
    m_worker = std::thread([this] { Run(); });
}

TVVNavigatorGauge::~TVVNavigatorGauge()
{
    {
        std::lock_guard lock(m_mutex);
        m_terminated = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    // Steps still queued for this object are discarded with it.
}

void TVVNavigatorGauge::ApplyDownloadDialogLook()
{
    resize(50, 6);
    SetForeColor(QColor(0, 255, 0));
    SetBackColor(QColor(0, 0, 0));
    SetDelay(10);
    SetFillRatio(0.5);
}

// --- properties ---------------------------------------------------------

bool TVVNavigatorGauge::Active() const
{
    std::lock_guard lock(m_mutex);
    return m_active;
}

QColor TVVNavigatorGauge::ForeColor() const
{
    std::lock_guard lock(m_mutex);
    return m_foreColor;
}

QColor TVVNavigatorGauge::BackColor() const
{
    std::lock_guard lock(m_mutex);
    return m_backColor;
}

int TVVNavigatorGauge::Delay() const
{
    std::lock_guard lock(m_mutex);
    return m_delay;
}

double TVVNavigatorGauge::FillRatio() const
{
    std::lock_guard lock(m_mutex);
    return m_fillRatio;
}

int TVVNavigatorGauge::GradientColorCount() const
{
    std::lock_guard lock(m_mutex);
    return m_gradientColorCount;
}

bool TVVNavigatorGauge::WorkerIdle() const
{
    std::lock_guard lock(m_mutex);
    return m_idle;
}

std::uint64_t TVVNavigatorGauge::WorkerWakeups() const
{
    std::lock_guard lock(m_mutex);
    return m_wakeups;
}

void TVVNavigatorGauge::SetActive(bool active)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_active == active)
            return;
        m_active = active;
    }
    m_wake.notify_all();
    update(); // inactive: the control is cleared
}

void TVVNavigatorGauge::MarkRebuild()
{
    // Called with m_mutex held by the setter.
    m_rebuild = true;
}

void TVVNavigatorGauge::SetForeColor(const QColor& color)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_foreColor == color)
            return;
        m_foreColor = color;
        MarkRebuild();
    }
    m_wake.notify_all();
}

void TVVNavigatorGauge::SetBackColor(const QColor& color)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_backColor == color)
            return;
        m_backColor = color;
        MarkRebuild();
    }
    m_wake.notify_all();
}

void TVVNavigatorGauge::SetDelay(int milliseconds)
{
    std::lock_guard lock(m_mutex);
    m_delay = std::max(milliseconds, 0);
}

void TVVNavigatorGauge::SetFillRatio(double ratio)
{
    ratio = std::clamp(ratio, 0.0, 1.0);
    {
        std::lock_guard lock(m_mutex);
        if (m_fillRatio == ratio)
            return;
        m_fillRatio = ratio;
        MarkRebuild();
    }
    m_wake.notify_all();
}

void TVVNavigatorGauge::SetGradientColorCount(int count)
{
    count = std::clamp(count, 1, 255);
    {
        std::lock_guard lock(m_mutex);
        if (m_gradientColorCount == count)
            return;
        m_gradientColorCount = count;
        MarkRebuild();
    }
    m_wake.notify_all();
}

void TVVNavigatorGauge::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    {
        std::lock_guard lock(m_mutex);
        m_width = event->size().width();
        m_height = event->size().height();
        MarkRebuild(); // the block's size follows the control's
    }
    m_wake.notify_all();
}

// --- the block ----------------------------------------------------------

int TVVNavigatorGauge::BlockWidthFor(int controlWidth, double fillRatio)
{
    return static_cast<int>(std::trunc(controlWidth * fillRatio));
}

int TVVNavigatorGauge::BlockWidth() const
{
    return BlockWidthFor(width(), FillRatio());
}

QImage TVVNavigatorGauge::BuildBlock(QSize size, const QColor& back, const QColor& fore, int count, bool towardsRight)
{
    if (size.isEmpty())
        return QImage();
    count = std::clamp(count, 1, 255);
    QImage image(size, QImage::Format_RGB32);
    const int w = size.width();
    auto mix = [count](int from, int to, int band) { return from + (to - from) * (band + 1) / count; };
    for (int x = 0; x < w; ++x) {
        const int column = towardsRight ? x : w - 1 - x;
        const int band = ((column + 1) * count - 1) / w; // the band holding the column
        const QRgb c = qRgb(mix(back.red(), fore.red(), band), mix(back.green(), fore.green(), band),
                            mix(back.blue(), fore.blue(), band));
        for (int y = 0; y < size.height(); ++y)
            image.setPixel(x, y, c);
    }
    return image;
}

// --- the worker ---------------------------------------------------------

void TVVNavigatorGauge::Run()
{
    std::unique_lock lock(m_mutex);
    QImage movingRight, movingLeft;
    int blockWidth = 0;
    int x = 0;
    bool right = true;
    bool sweeping = false;

    for (;;) {
        if (!m_active && !m_terminated) {
            // Suspended: sleep until activated, with no timeout.
            m_idle = true;
            m_wake.wait(lock, [this] { return m_active || m_terminated; });
            m_idle = false;
            ++m_wakeups;
        }
        if (m_terminated)
            return;

        if (m_rebuild) {
            m_rebuild = false;
            const QSize size(BlockWidthFor(m_width, m_fillRatio), m_height);
            const QColor back = m_backColor, fore = m_foreColor;
            const int count = m_gradientColorCount;
            lock.unlock();
            movingRight = BuildBlock(size, back, fore, count, true);
            movingLeft = BuildBlock(size, back, fore, count, false);
            lock.lock();
            blockWidth = size.width();
            sweeping = false;
            if (!HandOver(lock, Step{QImage(), 0, true, 0}))
                continue;
        }

        if (!sweeping) {
            // Enter from the left edge.
            x = 1 - blockWidth;
            right = true;
            sweeping = true;
        }
        if (!HandOver(lock, Step{right ? movingRight : movingLeft, x, false, 0}))
            continue;

        if (right && ++x > m_width) {
            right = false; // it has left the right edge: come back
            x = m_width - 1;
        } else if (!right && --x < -blockWidth) {
            sweeping = false; // it has left the left edge: next sweep
        }

        const auto delay = std::chrono::milliseconds(m_delay);
        m_wake.wait_for(lock, delay, [this] { return m_terminated || m_rebuild || !m_active; });
        ++m_wakeups;
    }
}

bool TVVNavigatorGauge::HandOver(std::unique_lock<std::mutex>& lock, Step step)
{
    step.seq = ++m_stepsPosted;
    const quint64 seq = step.seq;
    lock.unlock();
    QMetaObject::invokeMethod(this, [this, step] { PerformStep(step); }, Qt::QueuedConnection);
    lock.lock();
    m_wake.wait(lock, [this, seq] { return m_stepsDone >= seq || m_terminated; });
    ++m_wakeups;
    return !m_terminated && m_active;
}

void TVVNavigatorGauge::PerformStep(const Step& step)
{
    bool active;
    {
        std::lock_guard lock(m_mutex);
        active = m_active;
    }
    if (active) {
        if (step.clear) {
            m_hasFrame = false; // fill with BackColor only
        } else {
            m_block = step.block;
            m_blockX = step.x;
            m_hasFrame = true;
        }
        ++m_frames;
        update();
    }
    {
        std::lock_guard lock(m_mutex);
        m_stepsDone = std::max(m_stepsDone, step.seq);
    }
    m_wake.notify_all();
}

void TVVNavigatorGauge::paintEvent(QPaintEvent*)
{
    if (!Active())
        return; // an idle indicator shows nothing
    QPainter p(this);
    p.fillRect(rect(), BackColor());
    if (m_hasFrame && !m_block.isNull())
        p.drawImage(m_blockX, 0, m_block);
}

} // namespace flk
