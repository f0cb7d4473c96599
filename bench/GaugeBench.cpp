// Cost of the gauge setters at transfer rates, and processor time of an idle
// and an active activity indicator. Run by hand:
//   QT_QPA_PLATFORM=offscreen ./gauge_bench
#include "AnotherGauge.h"
#include "RinGauge.h"
#include "VVNavigatorGauge.h"

#include <QApplication>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {

double ProcessCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void Pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    // A 4 GiB file in 8 KiB blocks.
    const qint64 size = 4LL << 30;
    const qint64 block = 8192;
    flk::TAnotherGauge dg;
    dg.ApplyDownloadDialogLook();
    dg.SetMax(size);
    dg.show();
    QElapsedTimer t;
    t.start();
    qint64 calls = 0;
    for (qint64 v = 0; v <= size; v += block, ++calls)
        dg.SetValue(v);
    const double ns = t.nsecsElapsed() / double(calls);
    std::printf("TAnotherGauge::SetValue: %lld calls, %.1f ns/call (%.0f GB/s of 8 KiB blocks)\n",
                static_cast<long long>(calls), ns, block / ns);

    flk::TRingGauge ring;
    ring.ApplyDownloadDialogLook();
    ring.show();
    t.restart();
    calls = 0;
    for (int i = 0; i < 10'000'000; ++i, ++calls)
        ring.SetProgress(i % 38600);
    std::printf("TRingGauge::SetProgress: %.1f ns/call\n", t.nsecsElapsed() / double(calls));

    flk::TVVNavigatorGauge active;
    active.ApplyDownloadDialogLook();
    active.show();
    Pump(200);
    double cpu = ProcessCpuSeconds();
    QThread::sleep(2); // the GUI thread sleeps too: only the worker could run
    std::printf("inactive indicator, 2 s: %.4f s of processor time, %llu frames\n", ProcessCpuSeconds() - cpu,
                static_cast<unsigned long long>(active.FrameCount()));

    active.SetActive(true);
    cpu = ProcessCpuSeconds();
    Pump(2000);
    std::printf("active indicator (Delay 10), 2 s: %.4f s of processor time, %llu frames\n",
                ProcessCpuSeconds() - cpu, static_cast<unsigned long long>(active.FrameCount()));
    active.SetActive(false);
    return 0;
}
