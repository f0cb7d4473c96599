// Downloads a large file from a loopback lighttpd through the test HTTP proxy
// with THttpCli and with curl (-x, the same proxy), alternating: http in
// absolute form and https in a CONNECT tunnel. Prints the medians and ratios.
// Usage: proxy_bench [size-in-MiB=256] [runs=5]

#include "FileStream.h"
#include "HttpProt.h"
#include "LoopbackHttpd.h"
#include "Median.h"
#include "TimedDownload.h"
#include "TestHttpProxy.h"
#include "TlsCertificates.h"

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
using flk::test::TestHttpProxy;
using flk::test::TlsCertificates;

namespace {

double OurDownload(const QString& url, const QString& proxy, const QString& path, qint64 size)
{
    flk::THttpCli http;
    http.ProxyRules = flk::TProxyRules({{"http_proxy", proxy}, {"https_proxy", proxy}});
    return flk::bench::TimedClientGet(http, url, path, size);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 256;
    const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 5;
    const qint64 size = mib * 1024 * 1024;

    TlsCertificates certs;
    certs.TrustTestAuthority();
    LoopbackHttpd server({}, {certs.PemFile(TlsCertificates::Good)});
    if (!certs.IsValid() || !server.IsRunning()) {
        std::fprintf(stderr, "setup: %s %s\n", qPrintable(certs.ErrorText()), qPrintable(server.ErrorText()));
        return 1;
    }
    TestHttpProxy proxy;
    const QString via = QString::fromLatin1(proxy.Address());
    const QString served = server.AddFileOfSize("big.bin", size);
    QTemporaryDir out;
    const double mb = static_cast<double>(size) / (1024 * 1024);

    for (const QString& url : {server.Url("big.bin"), server.TlsUrl("big.bin")}) {
        std::vector<double> ours, curl;
        for (int i = 0; i < runs; ++i) {
            double a = 0, b = 0;
            for (int k = 0; k < 2; ++k) {
                ::sync();
                if ((i + k) % 2 == 0) {
                    a = OurDownload(url, via, out.filePath("ours.bin"), size);
                    QFile::remove(out.filePath("ours.bin"));
                } else {
                    b = flk::bench::TimedCurl({"-x", via, "--cacert", certs.AuthorityFile()}, url, out.filePath("curl.bin"), size);
                    QFile::remove(out.filePath("curl.bin"));
                }
            }
            if (a < 0 || b < 0) {
                std::fprintf(stderr, "run %d failed (fetchlark %.3f, curl %.3f)\n", i + 1, a, b);
                QFile::remove(served);
                return 1;
            }
            ours.push_back(a);
            curl.push_back(b);
        }
        const double mo = Median(ours), mc = Median(curl);
        std::printf("%s through the proxy, %lld MiB, %d runs\n", qPrintable(url.left(5)), mib, runs);
        std::printf("  median fetchlark: %.3f s (%.0f MiB/s)\n", mo, mb / mo);
        std::printf("  median curl -x:   %.3f s (%.0f MiB/s)\n", mc, mb / mc);
        std::printf("  fetchlark/curl throughput ratio: %.2f\n", mc / mo);
        std::fflush(stdout);
    }
    QFile::remove(served);
    return 0;
}
