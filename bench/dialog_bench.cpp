// The download dialog (offscreen) fetching a large file over HTTP from a
// loopback lighttpd, against curl on the same file, alternating.
//   dialog_bench [--https] [size-in-MiB=1024] [runs=5]
// A dialog run is timed from the Download click to its "Received ... bytes"
// log line (the file is complete and flushed then), HEAD included; curl is
// timed as a whole process. Both are also charged their CPU time (this
// process's own, curl's as a waited-for child). Last line: "dialog/curl
// throughput ratio: R" (curl time / dialog time), "https dialog/curl ..."
// with --https: the same over TLS from lighttpd's mod_openssl, with a test
// authority both clients trust. Every file it makes is deleted at the end.
#include "AnotherGauge.h"
#include "Asker.h"
#include "BenchDialog.h"
#include "Catalogue.h"
#include "LoopbackHttpd.h"
#include "Median.h"
#include "TlsCertificates.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace flk;
using flk::bench::Median;
using flk::bench::ShowUnattended;
using flk::bench::TimeDownload;

namespace {

struct Run {
    double seconds = -1;
    double cpu = 0;
};

double CpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One download through a fresh dialog; seconds (-1 when it failed) and CPU.
Run DialogDownload(const QString& url, const QString& target, qint64 size)
{
    QFile::remove(target);
    const double cpu = CpuSeconds(RUSAGE_SELF);
    auto* asker = new TfrmAsker;
    asker->edtName->setText(QStringLiteral("big.bin"));
    asker->edtDesc->setText(QStringLiteral("bench"));
    asker->edtSource->setEditText(url);
    asker->SourceUrl = url;
    asker->Protocol = url.section(QLatin1Char(':'), 0, 0);
    ShowUnattended(asker);
    const double seconds = TimeDownload(asker, [](const QString& line) { return line.startsWith(QLatin1String("Received ")); });
    const bool complete = seconds >= 0 && asker->dg->Value() == size;
    delete asker;
    const bool ok = complete && QFile(target).size() == size;
    return {ok ? seconds : -1, CpuSeconds(RUSAGE_SELF) - cpu};
}

Run CurlDownload(const QString& url, const QString& path, qint64 size, const QString& authority)
{
    QStringList args{QStringLiteral("-s"), QStringLiteral("-o"), path, url};
    if (!authority.isEmpty())
        args << QStringLiteral("--cacert") << authority;
    const double cpu = CpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer t;
    t.start();
    const int rc = QProcess::execute(QStringLiteral("curl"), args);
    const double s = t.nsecsElapsed() / 1e9;
    return {rc == 0 && QFile(path).size() == size ? s : -1, CpuSeconds(RUSAGE_CHILDREN) - cpu};
}

bool SameBytes(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd())
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir work;
    qputenv("FETCHLARK_HOME", (work.path() + QStringLiteral("/program")).toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QDir().mkpath(work.path() + QStringLiteral("/program/Bench/Files"));
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool https = args.removeAll(QStringLiteral("--https")) > 0;
    const qint64 mib = args.size() > 0 ? args[0].toLongLong() : 1024;
    const int runs = args.size() > 1 ? args[1].toInt() : 5;
    const qint64 size = mib * 1024 * 1024;

    Catalogue::AddSection(QStringLiteral("Bench"), work.path() + QStringLiteral("/program/Bench/"));
    Catalogue::AddFolder(QStringLiteral("Files"), QStringLiteral("Bench"), 0, 0);
    const QString target = work.path() + QStringLiteral("/program/Bench/Files/big.bin");
    const QString curlOut = work.path() + QStringLiteral("/curl.bin");

    test::TlsCertificates certs;
    if (https && !certs.IsValid()) {
        std::fprintf(stderr, "certificates: %s\n", qPrintable(certs.ErrorText()));
        return 1;
    }
    certs.TrustTestAuthority();
    test::LoopbackHttpd server({}, https ? QStringList{certs.PemFile(test::TlsCertificates::Good)} : QStringList{});
    if (!server.IsRunning()) {
        std::fprintf(stderr, "lighttpd: %s\n", qPrintable(server.ErrorText()));
        return 1;
    }
    std::printf("creating a %lld MiB file...\n", mib);
    std::fflush(stdout);
    const QString served = server.AddFileOfSize(QStringLiteral("big.bin"), size);
    const QString url = https ? server.TlsUrl(QStringLiteral("big.bin")) : server.Url(QStringLiteral("big.bin"));
    const QString authority = https ? certs.AuthorityFile() : QString();

    std::vector<double> ours, curl, oursCpu, curlCpu;
    int rc = 0;
    for (int i = 0; i < runs && rc == 0; ++i) {
        const Run dialogRun = DialogDownload(url, target, size);
        const double a = dialogRun.seconds;
        if (a >= 0 && i == 0 && !SameBytes(served, target)) {
            std::fprintf(stderr, "the dialog's copy differs from the served file\n");
            rc = 1;
        }
        QFile::remove(target);
        const Run curlRun = CurlDownload(url, curlOut, size, authority);
        const double b = curlRun.seconds;
        QFile::remove(curlOut);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "run %d failed (dialog %.3f, curl %.3f)\n", i + 1, a, b);
            rc = 1;
            break;
        }
        std::printf("run %d: dialog %.3f s (CPU %.3f s), curl %.3f s (CPU %.3f s)\n", i + 1, a, dialogRun.cpu, b,
                    curlRun.cpu);
        std::fflush(stdout);
        ours.push_back(a);
        curl.push_back(b);
        oursCpu.push_back(dialogRun.cpu);
        curlCpu.push_back(curlRun.cpu);
    }
    QFile::remove(served);
    if (rc != 0)
        return rc;
    const double mo = Median(ours), mc = Median(curl);
    const double mb = static_cast<double>(size) / (1024 * 1024);
    std::printf("median dialog: %.3f s (%.0f MiB/s)\n", mo, mb / mo);
    std::printf("median curl:   %.3f s (%.0f MiB/s)\n", mc, mb / mc);
    const double gib = mb / 1024;
    std::printf("CPU seconds per GiB (median): dialog %.3f, curl %.3f\n", Median(oursCpu) / gib,
                Median(curlCpu) / gib);
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    std::printf("peak resident memory of the dialog's process: %.1f MiB\n", self.ru_maxrss / 1024.0);
    std::printf("%sdialog/curl throughput ratio: %.2f\n", https ? "https " : "", mc / mo);
    return 0;
}
