// The speed limit against a loopback lighttpd: for 1, 4 and 16 MiB/s, a file
// of ten seconds at the limit is fetched (a) by one client through its own
// limit, (b) by two clients at once through the shared limit of all
// downloads (each fetching half), and (c) by curl --limit-rate, in turn. It
// prints each run's achieved rate and its deviation from the limit, the
// medians, and the processor time the limited clients used.
// Usage: ratelimit_bench [runs=3] [rates in MiB/s, default "1,4,16"]
//        ratelimit_bench [runs=5] uncapped [size in MiB=1024]
// The second form fetches one large file with no limit set, alternately by a
// client without a limit object and by one reading through a download's and
// the shared limit with both at 0, as every download does now: what the
// check costs where nothing limits.

#include "FileStream.h"
#include "HttpProt.h"
#include "LoopbackHttpd.h"
#include "Median.h"
#include "RateLimit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>
#include <cstdio>
#include <memory>
#include <vector>

using flk::bench::Median;
using flk::test::LoopbackHttpd;

namespace {

constexpr qint64 kMiB = 1 << 20;
constexpr int kSeconds = 10;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Result {
    double seconds = -1;
    double cpu = 0;
};

// Fetches every url at once, each into its own file, each client reading
// through its own limit whose parent is `all`; -1 seconds on a failure.
Result Fetch(const QStringList& urls, const QString& folder, qint64 ownRate, flk::TRateLimit* all,
             qint64 expectedEach)
{
    std::vector<std::unique_ptr<flk::TFileStream>> files;
    std::vector<std::unique_ptr<flk::TRateLimit>> limits;
    std::vector<std::unique_ptr<flk::THttpCli>> clients;
    QEventLoop loop;
    int running = 0;
    bool failed = false;
    for (int i = 0; i < urls.size(); ++i) {
        files.push_back(std::make_unique<flk::TFileStream>(folder + QStringLiteral("/out%1.bin").arg(i)));
        if (!files.back()->Create())
            return {};
        limits.push_back(std::make_unique<flk::TRateLimit>(all));
        limits.back()->SetRate(ownRate);
        auto http = std::make_unique<flk::THttpCli>();
        http->URL = urls[i];
        http->ReceiveStream = files.back().get();
        http->RateLimit = all ? limits.back().get() : nullptr;
        http->OnRequestDone = [&](flk::THttpCli* c, flk::THttpRequest, quint16 error) {
            failed |= error != 0 || c->ResponseStatus() != 200;
            if (--running == 0)
                loop.quit();
        };
        clients.push_back(std::move(http));
    }
    const double cpu = CpuSeconds();
    QElapsedTimer t;
    t.start();
    for (auto& c : clients) {
        ++running;
        c->Get();
    }
    loop.exec();
    Result r{t.nsecsElapsed() / 1e9, CpuSeconds() - cpu};
    for (size_t i = 0; i < files.size(); ++i) {
        files[i]->close();
        failed |= QFileInfo(files[i]->fileName()).size() != expectedEach;
        QFile::remove(files[i]->fileName());
    }
    if (failed)
        r.seconds = -1;
    return r;
}

double Curl(const QString& url, const QString& path, qint64 rate, qint64 size)
{
    QElapsedTimer t;
    t.start();
    const int rc = QProcess::execute("curl", {"-s", "--limit-rate", QString::number(rate), "-o", path, url});
    const double s = t.nsecsElapsed() / 1e9;
    const bool ok = rc == 0 && QFileInfo(path).size() == size;
    QFile::remove(path);
    return ok ? s : -1;
}

void Report(const char* who, qint64 rate, qint64 size, const std::vector<double>& seconds)
{
    const double achieved = size / Median(seconds) / kMiB;
    const double limit = double(rate) / kMiB;
    std::printf("  median %-28s %7.3f MiB/s  (%+.2f %% of the limit)\n", who, achieved,
                (achieved / limit - 1) * 100);
}

int Uncapped(int runs, qint64 mib)
{
    LoopbackHttpd server;
    if (!server.IsRunning()) {
        std::fprintf(stderr, "lighttpd: %s\n", qPrintable(server.ErrorText()));
        return 1;
    }
    const qint64 size = mib * kMiB;
    const QString served = server.AddFileOfSize(QStringLiteral("big.bin"), size);
    QTemporaryDir out;
    std::vector<double> bare, checked, bareCpu, checkedCpu;
    for (int i = 0; i < runs; ++i) {
        flk::TRateLimit all;
        for (int k = 0; k < 2; ++k) {
            ::sync();
            const bool withLimit = (i + k) % 2 == 1;
            const Result r = Fetch({server.Url(QStringLiteral("big.bin"))}, out.path(), 0,
                                   withLimit ? &all : nullptr, size);
            if (r.seconds < 0) {
                std::fprintf(stderr, "run %d failed\n", i + 1);
                QFile::remove(served);
                return 1;
            }
            (withLimit ? checked : bare).push_back(r.seconds);
            (withLimit ? checkedCpu : bareCpu).push_back(r.cpu);
        }
        std::printf("  run %d: no limit object %.3f s (cpu %.3f s), limits at 0 %.3f s (cpu %.3f s)\n", i + 1,
                    bare.back(), bareCpu.back(), checked.back(), checkedCpu.back());
        std::fflush(stdout);
    }
    QFile::remove(served);
    const double mb = Median(bare), mc = Median(checked);
    std::printf("median no limit object: %.3f s (%.0f MiB/s)\n", mb, mib / mb);
    std::printf("median limits at 0:     %.3f s (%.0f MiB/s)\n", mc, mib / mc);
    std::printf("median processor time: no limit object %.3f s, limits at 0 %.3f s\n", Median(bareCpu),
                Median(checkedCpu));
    std::printf("limits-at-0/no-limit-object throughput ratio: %.3f\n", mb / mc);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[2]) == "uncapped")
        return Uncapped(QByteArray(argv[1]).toInt(), argc > 3 ? QByteArray(argv[3]).toLongLong() : 1024);
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 3;
    const QList<QByteArray> rates = QByteArray(argc > 2 ? argv[2] : "1,4,16").split(',');

    LoopbackHttpd server;
    if (!server.IsRunning()) {
        std::fprintf(stderr, "lighttpd: %s\n", qPrintable(server.ErrorText()));
        return 1;
    }
    QTemporaryDir out;
    for (const QByteArray& mibText : rates) {
        const qint64 rate = mibText.toLongLong() * kMiB;
        const qint64 size = rate * kSeconds;
        const QString whole = server.AddFileOfSize(QStringLiteral("whole%1.bin").arg(rate), size);
        const QString halfA = server.AddFileOfSize(QStringLiteral("a%1.bin").arg(rate), size / 2);
        const QString halfB = server.AddFileOfSize(QStringLiteral("b%1.bin").arg(rate), size / 2);
        std::printf("limit %s MiB/s, %lld MiB in all (%d s at the limit)\n", mibText.constData(), size / kMiB,
                    kSeconds);
        std::vector<double> own, shared, curl;
        double ownCpu = 0, sharedCpu = 0;
        for (int i = 0; i < runs; ++i) {
            flk::TRateLimit none;
            const Result a = Fetch({server.Url(QStringLiteral("whole%1.bin").arg(rate))}, out.path(), rate, &none, size);
            flk::TRateLimit all;
            all.SetRate(rate);
            const Result b = Fetch({server.Url(QStringLiteral("a%1.bin").arg(rate)),
                                    server.Url(QStringLiteral("b%1.bin").arg(rate))},
                                   out.path(), 0, &all, size / 2);
            const double c = Curl(server.Url(QStringLiteral("whole%1.bin").arg(rate)), out.filePath("curl.bin"), rate,
                                  size);
            if (a.seconds < 0 || b.seconds < 0 || c < 0) {
                std::fprintf(stderr, "run %d failed (%.3f %.3f %.3f)\n", i + 1, a.seconds, b.seconds, c);
                return 1;
            }
            std::printf("  run %d: own limit %.3f s (%.2f MiB/s, cpu %.2f s), two sharing the limit of all "
                        "%.3f s (%.2f MiB/s, cpu %.2f s), curl %.3f s (%.2f MiB/s)\n",
                        i + 1, a.seconds, size / a.seconds / kMiB, a.cpu, b.seconds, size / b.seconds / kMiB, b.cpu,
                        c, size / c / kMiB);
            std::fflush(stdout);
            own.push_back(a.seconds);
            shared.push_back(b.seconds);
            curl.push_back(c);
            ownCpu += a.cpu;
            sharedCpu += b.cpu;
        }
        Report("own limit:", rate, size, own);
        Report("two sharing the limit of all:", rate, size, shared);
        Report("curl --limit-rate:", rate, size, curl);
        std::printf("  processor time per run: own %.2f s, shared %.2f s\n", ownCpu / runs, sharedCpu / runs);
        QFile::remove(whole);
        QFile::remove(halfA);
        QFile::remove(halfB);
    }
    return 0;
}
