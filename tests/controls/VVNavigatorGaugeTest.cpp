// The activity indicator: its limits, the shaded block, and the worker that
// sweeps only while the indicator is active.
#include "VVNavigatorGauge.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QPalette>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

using flk::TVVNavigatorGauge;

namespace {

const QColor Lime(0, 255, 0);
const QColor Black(0, 0, 0);

// Runs the event loop until done() or a generous deadline; returns done().
template <typename Pred> bool PumpUntil(Pred done)
{
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

// Keeps the event loop running for a while, to give a worker every chance
// to produce frames it should not.
void PumpFor(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

} // namespace

TEST(ActivityIndicatorProperties, Defaults)
{
    TVVNavigatorGauge g;
    EXPECT_FALSE(g.Active());
    EXPECT_EQ(g.ForeColor(), g.palette().color(QPalette::Dark));
    EXPECT_EQ(g.BackColor(), g.palette().color(QPalette::Button));
    EXPECT_EQ(g.Delay(), 20);
    EXPECT_DOUBLE_EQ(g.FillRatio(), 0.5);
    EXPECT_EQ(g.GradientColorCount(), 64);
    EXPECT_EQ(g.size(), QSize(75, 10));
}

TEST(ActivityIndicatorProperties, LimitsOfRatioAndGradient)
{
    TVVNavigatorGauge g;
    g.SetFillRatio(1.5);
    EXPECT_DOUBLE_EQ(g.FillRatio(), 1.0);
    g.SetFillRatio(-0.2);
    EXPECT_DOUBLE_EQ(g.FillRatio(), 0.0);
    g.SetGradientColorCount(0);
    EXPECT_EQ(g.GradientColorCount(), 1);
    g.SetGradientColorCount(300);
    EXPECT_EQ(g.GradientColorCount(), 255);
}

TEST(ActivityIndicatorProperties, DownloadDialogLookHasA25PixelBlock)
{
    TVVNavigatorGauge g;
    g.ApplyDownloadDialogLook();
    EXPECT_EQ(g.size(), QSize(50, 6));
    EXPECT_EQ(g.ForeColor(), Lime);
    EXPECT_EQ(g.BackColor(), Black);
    EXPECT_EQ(g.Delay(), 10);
    EXPECT_EQ(g.BlockWidth(), 25);
    EXPECT_EQ(TVVNavigatorGauge::BlockWidthFor(75, 0.5), 37); // truncated
    EXPECT_EQ(TVVNavigatorGauge::BlockWidthFor(75, 0.0), 0);
}

TEST(ActivityIndicatorBlock, ShadedFromBackToForeInSteps)
{
    const QImage right = TVVNavigatorGauge::BuildBlock(QSize(25, 6), Black, Lime, 64, true);
    ASSERT_EQ(right.size(), QSize(25, 6));
    EXPECT_EQ(right.pixelColor(24, 0), Lime);              // the leading edge
    EXPECT_LT(right.pixelColor(0, 0).green(), 16);          // the trailing edge, near BackColor
    for (int x = 1; x < 25; ++x)
        EXPECT_GE(right.pixelColor(x, 3).green(), right.pixelColor(x - 1, 3).green());
    EXPECT_EQ(right.pixelColor(0, 0).red(), 0);

    const QImage left = TVVNavigatorGauge::BuildBlock(QSize(25, 6), Black, Lime, 64, false);
    for (int x = 0; x < 25; ++x)
        EXPECT_EQ(left.pixelColor(x, 2), right.pixelColor(24 - x, 2));

    // Two colour steps: half the block in each.
    const QImage two = TVVNavigatorGauge::BuildBlock(QSize(10, 1), Black, QColor(0, 200, 0), 2, true);
    EXPECT_EQ(two.pixelColor(0, 0), QColor(0, 100, 0));
    EXPECT_EQ(two.pixelColor(4, 0), QColor(0, 100, 0));
    EXPECT_EQ(two.pixelColor(5, 0), QColor(0, 200, 0));
}

TEST(ActivityIndicatorWorker, IdleUntilActivated)
{
    TVVNavigatorGauge g;
    g.show();
    ASSERT_TRUE(PumpUntil([&] { return g.WorkerIdle(); }));
    const auto wakeups = g.WorkerWakeups();
    g.resize(60, 8); // a size change alone does not wake the sleeping worker
    PumpFor(100);
    EXPECT_EQ(g.FrameCount(), 0u);
    EXPECT_EQ(g.WorkerWakeups(), wakeups);
    EXPECT_TRUE(g.WorkerIdle());
}

TEST(ActivityIndicatorWorker, SweepsWhileActiveAndStopsWhenInactive)
{
    TVVNavigatorGauge g;
    g.ApplyDownloadDialogLook();
    g.SetDelay(1);
    g.show();
    g.SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return g.FrameCount() >= 30; }));
    EXPECT_FALSE(g.WorkerIdle());

    // It moved one pixel per step into the control from the left.
    const int seen = g.BlockPosition();
    ASSERT_TRUE(PumpUntil([&] { return g.BlockPosition() != seen; }));
    const QImage image = g.grab().toImage();
    const int x = g.BlockPosition() + g.BlockWidth() - 1; // the block's leading edge
    if (x >= 0 && x < 50) {
        EXPECT_EQ(image.pixelColor(x, 3), Lime);
    }

    g.SetActive(false);
    ASSERT_TRUE(PumpUntil([&] { return g.WorkerIdle(); }));
    QApplication::processEvents();
    const auto frames = g.FrameCount();
    const auto wakeups = g.WorkerWakeups();
    PumpFor(100);
    EXPECT_EQ(g.FrameCount(), frames);
    EXPECT_EQ(g.WorkerWakeups(), wakeups);

    // Inactive, it paints nothing of its own: the block and black are gone.
    const QImage cleared = g.grab().toImage();
    for (int px = 0; px < 50; ++px)
        EXPECT_NE(cleared.pixelColor(px, 3), Lime);

    g.SetActive(true); // and resumes
    ASSERT_TRUE(PumpUntil([&] { return g.FrameCount() > frames + 5; }));
}

TEST(ActivityIndicatorWorker, SweepsToTheRightEdgeAndBack)
{
    TVVNavigatorGauge g;
    g.ApplyDownloadDialogLook(); // 50 wide, block 25
    g.SetDelay(0);
    g.show();
    g.SetActive(true);
    int rightmost = -1000;
    bool cameBack = false;
    ASSERT_TRUE(PumpUntil([&] {
        rightmost = std::max(rightmost, g.BlockPosition());
        cameBack = rightmost >= 50 && g.BlockPosition() < 0;
        return cameBack;
    }));
    EXPECT_EQ(rightmost, 50); // left the right edge, no further
}

TEST(ActivityIndicatorWorker, DestroyedWhileActive)
{
    for (int i = 0; i < 20; ++i) {
        auto g = std::make_unique<TVVNavigatorGauge>();
        g->SetDelay(i % 3);
        g->show();
        g->SetActive(true);
        PumpUntil([&] { return g->FrameCount() >= static_cast<unsigned>(i % 4); });
        g.reset(); // joins the worker, even with a step queued for the GUI
        QApplication::processEvents();
    }
    SUCCEED() << "no hang, no crash";
}

TEST(ActivityIndicatorWorker, ChangesWhileActiveRestartTheSweep)
{
    TVVNavigatorGauge g;
    g.ApplyDownloadDialogLook();
    g.SetDelay(1);
    g.show();
    g.SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return g.FrameCount() >= 10; }));
    g.SetFillRatio(0.2); // 10 pixels
    ASSERT_TRUE(PumpUntil([&] { return g.BlockPosition() == -9; }));
    EXPECT_EQ(g.BlockWidth(), 10);
}
