// What an IPv6 address that does not answer costs a download: THttpCli
// fetches the same file from a loopback lighttpd by a name with only an IPv4
// address and by a name whose first address is a silent IPv6 one (Happy
// Eyeballs then starts IPv4 after its delay), alternating, and prints the
// medians and their difference; curl (whose Happy Eyeballs delay is 200 ms)
// does the same in the same run, as the reference. The names come from the hosts file that
// ipv6_bench.sh puts in place; run that script, not this program.
// Usage: ipv6_bench v4-name dual-name [runs=9] [size-in-KiB=1024]

#include "FileStream.h"
#include "HttpProt.h"
#include "LoopbackHttpd.h"
#include "Median.h"
#include "TimedDownload.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using flk::bench::Median;
using flk::test::LoopbackHttpd;

namespace {

// Milliseconds, -1 when it failed.
double Download(const QString& url, const QString& path, qint64 size)
{
    flk::THttpCli http;
    const double s = flk::bench::TimedClientGet(http, url, path, size);
    return s < 0 ? -1 : s * 1000;
}

double CurlDownload(const QString& url, const QString& path, qint64 size)
{
    const double s = flk::bench::TimedCurl({}, url, path, size);
    return s < 0 ? -1 : s * 1000;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: ipv6_bench v4-name dual-name [runs] [KiB]\n");
        return 2;
    }
    const QString v4Name = argv[1], dualName = argv[2];
    const int runs = argc > 3 ? QByteArray(argv[3]).toInt() : 9;
    const qint64 size = (argc > 4 ? QByteArray(argv[4]).toLongLong() : 1024) * 1024;

    LoopbackHttpd server;
    if (!server.IsRunning()) {
        std::fprintf(stderr, "lighttpd: %s\n", qPrintable(server.ErrorText()));
        return 1;
    }
    server.AddFileOfSize("f.bin", size);
    QTemporaryDir out;
    const auto url = [&](const QString& name) { return QString("http://%1:%2/f.bin").arg(name).arg(server.Port()); };

    std::vector<double> v4, dual, curl4, curlDual;
    for (int i = 0; i < runs; ++i) {
        const bool v4First = i % 2 == 0;
        const double a = Download(url(v4First ? v4Name : dualName), out.filePath("a.bin"), size);
        const double b = Download(url(v4First ? dualName : v4Name), out.filePath("b.bin"), size);
        if (a < 0 || b < 0)
            return 1;
        v4.push_back(v4First ? a : b);
        dual.push_back(v4First ? b : a);
        curl4.push_back(CurlDownload(url(v4Name), out.filePath("c.bin"), size));
        curlDual.push_back(CurlDownload(url(dualName), out.filePath("d.bin"), size));
        std::printf("run %d: IPv4 only %.1f ms, silent IPv6 first %.1f ms; curl %.1f / %.1f ms\n", i + 1,
                    v4.back(), dual.back(), curl4.back(), curlDual.back());
    }
    const double m4 = Median(v4), md = Median(dual);
    std::printf("median of %d runs, %lld KiB: IPv4 only %.1f ms, silent IPv6 first %.1f ms, delay %.1f ms"
                " (limit 300 ms)\n",
                runs, size / 1024, m4, md, md - m4);
    const double c4 = Median(curl4), cd = Median(curlDual);
    std::printf("curl (includes its process start): IPv4 only %.1f ms, silent IPv6 first %.1f ms, delay %.1f ms\n",
                c4, cd, cd - c4);
    return md - m4 <= 300 ? 0 : 3;
}
