// One FTP download through the real download dialog (offscreen), timed from
// the Download click to the client's completion line in the details log
// (the file is complete and closed then; the dialog's goodbye and its
// half-second pause afterwards are not part of the transfer).
//   ftp_dialog_bench HOST PORT DIR FILE WORKDIR
// Prints "seconds: S" and "bytes: N". The file lands in
// WORKDIR/program/Bench/Files/FILE; the caller compares it.
#include "AnotherGauge.h"
#include "Asker.h"
#include "BenchDialog.h"
#include "Catalogue.h"
#include "Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>

using namespace flk;
using flk::bench::ShowUnattended;
using flk::bench::TimeDownload;

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s HOST PORT DIR FILE WORKDIR\n", argv[0]);
        return 2;
    }
    const QString work = QString::fromLocal8Bit(argv[5]);
    QDir().mkpath(work + "/program");
    qputenv("FETCHLARK_HOME", (work + "/program").toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QString host = QString::fromLocal8Bit(argv[1]);
    const QString port = QString::fromLocal8Bit(argv[2]);
    const QString dir = QString::fromLocal8Bit(argv[3]);
    const QString file = QString::fromLocal8Bit(argv[4]);
    Catalogue::AddSection("Bench", work + "/program/Bench/");
    Catalogue::AddFolder("Files", "Bench", 0, 0);
    QDir().mkpath(work + "/program/Bench/Files");

    auto* asker = new TfrmAsker;
    const QString url = "ftp://" + host + ":" + port + dir + file;
    asker->edtName->setText(file);
    asker->edtDesc->setText("bench");
    asker->edtSource->setEditText(url);
    asker->SourceUrl = url;
    asker->Protocol = "ftp";
    asker->RemoteFileName = file;
    asker->UrlBase = "ftp://" + host + ":" + port + dir;
    ShowUnattended(asker);
    const double seconds = TimeDownload(asker, [](const QString& line) {
        return line.startsWith("! ") && line.contains(" bytes received");
    });

    const qint64 bytes = QFile(asker->TargetPath()).size();
    bool failed = seconds < 0;
    if (failed)
        std::fprintf(stderr, "the transfer never reported its end\n");
    for (int i = 0; i < asker->ListBox1->count(); ++i)
        if (asker->ListBox1->item(i)->text().startsWith("FTP Error#")) {
            std::fprintf(stderr, "%s\n", qPrintable(asker->ListBox1->item(i)->text()));
            failed = true;
        }
    std::printf("seconds: %.3f\nbytes: %lld\nshown: %s\n", seconds, bytes, qPrintable(asker->lbldlbytes->text()));
    delete asker;
    return failed ? 1 : 0;
}
