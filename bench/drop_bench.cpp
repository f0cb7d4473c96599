// Dropping 1,000 files of 1 MiB from a folder onto another folder's button in
// the same file system and choosing "Move Here": the files move by rename and
// every record is carried along. Timed from the drop until the window is
// done (the drop menu answered at once), back and forth between the two
// folders; prints the median of the runs.
//
//     build/drop_bench            (DROP_BENCH_RUNS, default 7)
#include "Catalogue.h"
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"
#include "Manager.h"
#include "Median.h"
#include "RecordFile.h"
#include "Settings.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <vector>

using namespace flk;

namespace {

constexpr int kFiles = 1000;
const int kRuns = qEnvironmentVariableIntValue("DROP_BENCH_RUNS") > 0 ? qEnvironmentVariableIntValue("DROP_BENCH_RUNS") : 7;

void AnswerMoveHere(TfrmManager* m)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, m] {
        if (QApplication::activePopupWidget() == m->pmFileDrop) {
            m->mnuDropMove->trigger();
            m->pmFileDrop->close();
            timer->deleteLater();
        }
    });
    timer->start(0);
}

// Drops every file of `from` onto `target`, as a file manager would.
double DropAll(TfrmManager* m, TLookOutButton* from, TLookOutButton* target, const QString& fromDir)
{
    from->Press();
    QList<QUrl> urls;
    for (const QString& name : QDir(fromDir).entryList(QDir::Files))
        urls << QUrl::fromLocalFile(fromDir + name);
    QMimeData data;
    data.setUrls(urls);
    const QPoint pos = target->mapTo(m->Nav, target->rect().center());
    QElapsedTimer t;
    t.start();
    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m->Nav, &enter);
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m->Nav, &drop);
    AnswerMoveHere(m);
    QApplication::processEvents(); // the drop runs here
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("FETCHLARK_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    Settings::SetFirstRun(false);
    Settings::SetSpeed(28800);
    const QString location = home.path() + "/Bench/";
    Catalogue::AddSection("Bench", location);
    Catalogue::AddFolder("A", "Bench", 0, 0);
    Catalogue::AddFolder("B", "Bench", 0, 0);

    const QByteArray mib(1 << 20, 'x');
    QList<Profile::Write> records;
    for (int i = 0; i < kFiles; ++i) {
        const QString name = QStringLiteral("file-%1.bin").arg(i, 4, 10, QLatin1Char('0'));
        QFile f(location + "A/" + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(mib) != mib.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            return 1;
        }
        for (const char* key : {"Desc", "Source", "DateDownloaded", "LastOpened"})
            records << Profile::Write{name, key, QStringLiteral("%1 of %2").arg(key, name)};
    }
    RecordFile("Bench", "A").writeStrings(records);

    TfrmManager m;
    m.show();
    TLookOutButton* a = m.Nav->Page(0)->Button(0);
    TLookOutButton* b = m.Nav->Page(0)->Button(1);
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        const bool forth = run % 2 == 0;
        ms.push_back(forth ? DropAll(&m, a, b, location + "A/") : DropAll(&m, b, a, location + "B/"));
        const QString now = location + (forth ? "B/" : "A/");
        const int files = static_cast<int>(QDir(now).entryList(QDir::Files).size());
        const int carried = static_cast<int>(RecordFile("Bench", forth ? "B" : "A").recordNames().size());
        const int left = static_cast<int>(RecordFile("Bench", forth ? "A" : "B").recordNames().size());
        std::printf("run %d: %.0f ms, %d files and %d records arrived, %d records left behind\n", run + 1, ms.back(),
                    files, carried, left);
        if (files != kFiles || carried != kFiles || left != 0)
            return 1;
    }
    std::printf("median: %.0f ms for %d files of 1 MiB (%.2f ms per file)\n", bench::Median(ms), kFiles,
                bench::Median(ms) / kFiles);
    return 0;
}
