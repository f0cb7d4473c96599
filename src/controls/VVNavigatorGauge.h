#pragma once
// The activity indicator: a shaded block sweeping left and right while a
// transfer runs. A worker thread paces the sweep and hands every step to the
// GUI thread, which draws it while the worker waits. While inactive the
// worker sleeps on a condition and costs no processor time.

#include <QColor>
#include <QImage>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace flk {

class TVVNavigatorGauge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(QColor ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(QColor BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(int Delay READ Delay WRITE SetDelay)
    Q_PROPERTY(double FillRatio READ FillRatio WRITE SetFillRatio)
    Q_PROPERTY(int GradientColorCount READ GradientColorCount WRITE SetGradientColorCount)

public:
    explicit TVVNavigatorGauge(QWidget* parent = nullptr);
    ~TVVNavigatorGauge() override; // stops and joins the worker

    bool Active() const;
    QColor ForeColor() const;
    QColor BackColor() const;
    int Delay() const;
    double FillRatio() const;
    int GradientColorCount() const;

    // true resumes the sweep; false suspends the worker and clears the control.
    void SetActive(bool active);
    void SetForeColor(const QColor& color);
    void SetBackColor(const QColor& color);
    void SetDelay(int milliseconds);         // pause between two steps
    void SetFillRatio(double ratio);         // limited to 0 .. 1
    void SetGradientColorCount(int count);   // limited to 1 .. 255

    // The download dialog's indicator: 50 x 6, lime on black, Delay 10,
    // FillRatio 0.5.
    void ApplyDownloadDialogLook();

    // Width of the shaded block: Trunc(width * FillRatio).
    int BlockWidth() const;
    static int BlockWidthFor(int controlWidth, double fillRatio);
    // A block shaded in `count` steps from `back` to `fore`; towardsRight
    // puts the ForeColor end on the right (the block moving right).
    static QImage BuildBlock(QSize size, const QColor& back, const QColor& fore, int count, bool towardsRight);

    // Observation of the sweep, for callers that wait on it.
    std::uint64_t FrameCount() const { return m_frames; }  // steps drawn on the GUI thread
    int BlockPosition() const { return m_blockX; }           // left edge of the drawn block
    bool WorkerIdle() const;                                  // asleep until activated
    std::uint64_t WorkerWakeups() const;                      // times the worker woke up

    QSize sizeHint() const override { return {75, 10}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    struct Step {
        QImage block;
        int x = 0;
        bool clear = false; // fill with BackColor only
        quint64 seq = 0;
    };

    void Run();                                  // the worker's loop
    bool HandOver(std::unique_lock<std::mutex>& lock, Step step); // false: stop the sweep
    void PerformStep(const Step& step);          // on the GUI thread
    void MarkRebuild();

    // Shared with the worker, guarded by m_mutex.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_active = false;
    bool m_terminated = false;
    bool m_rebuild = true;
    bool m_idle = false;
    std::uint64_t m_wakeups = 0;
    quint64 m_stepsPosted = 0;
    quint64 m_stepsDone = 0;
    QColor m_foreColor;
    QColor m_backColor;
    int m_delay = 20;
    double m_fillRatio = 0.5;
    int m_gradientColorCount = 64;
    int m_width = 75;
    int m_height = 10;

    // GUI thread only.
    QImage m_block;
    int m_blockX = 0;
    bool m_hasFrame = false;
    std::atomic<std::uint64_t> m_frames{0};

    std::thread m_worker; // last: starts after everything above exists
};

} // namespace flk
