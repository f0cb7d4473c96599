// The setup wizard's search over this machine's whole file system, as the
// wizard runs it: on a worker thread behind the progress window, while a 5 ms
// timer on the GUI thread records the longest gap between its ticks.
//
//     build/program_search_bench [ROOT] [RUNS]      (defaults: / and 5)
//
// Prints each run, then the median time and the longest GUI-thread gap.

#include "Median.h"
#include "ProgramSearch.h"
#include "Progress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/");
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

    QStringList names;
    for (const flk::KnownProgram& program : flk::KnownPrograms())
        names << program.name;
    flk::TfrmProgress progress;
    progress.show();

    std::vector<double> seconds;
    std::vector<double> gaps;
    for (int i = 0; i < runs; ++i) {
        flk::ProgramSearch search(root, names);
        QElapsedTimer tick;
        double longest = 0;
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            longest = std::max(longest, tick.nsecsElapsed() / 1e6);
            tick.restart();
        });
        QElapsedTimer clock;
        clock.start();
        tick.start();
        timer.start();
        const QList<flk::ProgramHit> hits = progress.Search(search);
        timer.stop();
        const double s = clock.nsecsElapsed() / 1e9;
        seconds.push_back(s);
        gaps.push_back(longest);
        std::printf("run %d: %.3f s, %d folders, %lld hits, longest GUI gap %.1f ms\n", i + 1, s,
                    search.FoldersRead(), static_cast<long long>(hits.size()), longest);
        for (const flk::ProgramHit& hit : hits)
            std::printf("    %s\n", qPrintable(hit.path()));
    }
    std::printf("median %.3f s; longest GUI-thread gap %.1f ms (median of runs %.1f ms)\n",
                flk::bench::Median(seconds), *std::max_element(gaps.begin(), gaps.end()),
                flk::bench::Median(gaps));
    return 0;
}
