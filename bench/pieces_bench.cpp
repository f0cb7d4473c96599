// The transfer engine without a window: one HTTP download, timed from Start
// to its end (HEAD included; the file is complete and closed then).
//   pieces_bench URL TARGET [connections=4]
// Prints "<seconds> <bytes>" and exits 0 when the download completed.
#include "HttpTransfer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

using namespace flk;

namespace {

struct QuietObserver : TTransferObserver {
    bool complete = false;
    QString why;
    void TransferLog(const QString& line) override
    {
        if (qEnvironmentVariableIsSet("PIECES_BENCH_LOG"))
            std::fprintf(stderr, "%s\n", qPrintable(line));
    }
    void TransferMoved(const QString&) override {}
    void TransferSized(qint64, qint64) override {}
    void TransferProgress(qint64, qint64) override {}
    void TransferAsk(TTransferQuestion) override {}
    void TransferEnded(const TTransferEnd& end) override
    {
        complete = end.outcome == TTransferOutcome::Complete;
        why = end.logLine;
        QCoreApplication::quit();
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: pieces_bench URL TARGET [connections=4]\n");
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[2]);
    QFile::remove(target);
    QuietObserver observer;
    THttpTransfer job(QString::fromLocal8Bit(argv[1]), target, &observer);
    if (argc > 3)
        job.SetConnections(std::atoi(argv[3]));
    QElapsedTimer clock;
    clock.start();
    job.Start();
    app.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (!observer.complete) {
        std::fprintf(stderr, "download failed: %s\n", qPrintable(observer.why));
        return 1;
    }
    std::printf("%.3f %lld\n", seconds, static_cast<long long>(QFileInfo(target).size()));
    return 0;
}
