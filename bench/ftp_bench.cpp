// Downloads one file from an FTP server with TFtpClient in the download
// dialog's sequence and prints the seconds the transfer took.
//   ftp_bench HOST PORT DIR FILE LOCAL [active]
// Output: "seconds: S" and "bytes: N"; exit status 1 when the download failed.

#include "Ftpcli.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace flk;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 6) {
        std::fprintf(stderr, "usage: ftp_bench HOST PORT DIR FILE LOCAL [active]\n");
        return 2;
    }
    TFtpClient ftp;
    ftp.HostName = argv[1];
    ftp.Port = argv[2];
    ftp.HostDirName = argv[3];
    ftp.HostFileName = argv[4];
    ftp.LocalFileName = argv[5];
    ftp.PassiveMode = !(argc > 6 && QByteArray(argv[6]) == "active");
    ftp.UserName = "anonymous";
    ftp.PassWord = "bench@example.org";
    ftp.Timeout = 30;
    ftp.ShareMode = ftpShareDenyNone;

    QElapsedTimer clock;
    clock.start();
    bool ok = ftp.ConnectSync() && ftp.CwdSync() && ftp.TypeSetSync() && ftp.GetSync();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (!ok)
        std::fprintf(stderr, "failed: %s\n", qPrintable(ftp.ErrorMessage()));
    ftp.QuitSync();
    ftp.AbortSync();
    std::printf("seconds: %.3f\nbytes: %lld\n", seconds, static_cast<long long>(ftp.ByteCount()));
    return ok ? 0 : 1;
}
