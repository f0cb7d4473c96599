// Downloads a large file from a loopback lighttpd with THttpCli (GetSync into
// the downloads' file stream) and with curl, alternating, and prints the medians and their ratio.
// Usage: http_bench [size-in-MiB=1024] [runs=5]

#include "FileStream.h"
#include "HttpProt.h"
#include "LoopbackHttpd.h"
#include "Median.h"
#include "TimedDownload.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>
#include <cstdio>
#include <vector>

using flk::bench::Median;
using flk::test::LoopbackHttpd;

namespace {

double OurDownload(const QString& url, const QString& path, qint64 size)
{
    flk::THttpCli http;
    return flk::bench::TimedClientGet(http, url, path, size);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 5;
    const qint64 size = mib * 1024 * 1024;

    LoopbackHttpd server;
    if (!server.IsRunning()) {
        std::fprintf(stderr, "lighttpd: %s\n", qPrintable(server.ErrorText()));
        return 1;
    }
    std::printf("creating a %lld MiB file...\n", mib);
    std::fflush(stdout);
    const QString served = server.AddFileOfSize("big.bin", size);
    QTemporaryDir out;
    const QString url = server.Url("big.bin");

    std::vector<double> ours, curl;
    for (int i = 0; i < runs; ++i) {
        // Each download starts with no dirty pages pending, and the order
        // alternates, so neither tool pays for the other's write-back.
        double a = 0, b = 0;
        for (int k = 0; k < 2; ++k) {
            ::sync();
            if ((i + k) % 2 == 0) {
                a = OurDownload(url, out.filePath("ours.bin"), size);
                QFile::remove(out.filePath("ours.bin"));
            } else {
                b = flk::bench::TimedCurl({}, url, out.filePath("curl.bin"), size);
                QFile::remove(out.filePath("curl.bin"));
            }
        }
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "run %d failed (fetchlark %.3f, curl %.3f)\n", i + 1, a, b);
            QFile::remove(served);
            return 1;
        }
        std::printf("run %d: fetchlark %.3f s, curl %.3f s\n", i + 1, a, b);
        std::fflush(stdout);
        ours.push_back(a);
        curl.push_back(b);
    }
    QFile::remove(served);
    const double mo = Median(ours), mc = Median(curl);
    const double mb = static_cast<double>(size) / (1024 * 1024);
    std::printf("median fetchlark: %.3f s (%.0f MiB/s)\n", mo, mb / mo);
    std::printf("median curl:      %.3f s (%.0f MiB/s)\n", mc, mb / mc);
    std::printf("fetchlark/curl throughput ratio: %.2f\n", mc / mo);
    return 0;
}
