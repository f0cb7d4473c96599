// The scheduled file events over a whole catalogue with nothing due: 10
// sections of 10 folders of 200 download records each, every file on disk,
// opened and not marked for deletion. The program's start waits on this walk.
// Prints the median of several runs.
#include "Catalogue.h"
#include "FileEvents.h"
#include "FileListHost.h"
#include "Median.h"
#include "StoredDate.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <utility>
#include <vector>

using namespace flk;

namespace {

constexpr int kSections = 10;
constexpr int kFolders = 10;
constexpr int kRecords = 200;
const int kRuns = qEnvironmentVariableIntValue("EVENTS_BENCH_RUNS") > 0 ? qEnvironmentVariableIntValue("EVENTS_BENCH_RUNS") : 9;

class FileList : public QObject, public FileListHost {
public:
    bool HasFolderButton() const override { return true; }
    void RefreshFileList() override {}
    void AfterDelete() override {}
    QString SelectedFilePath() const override { return {}; }
    void ClearDeleteBox() override {}
};

QByteArray folderFile(const QString& folderDir)
{
    const QByteArray downloaded = StoredDate::ToText(QDate::currentDate().addDays(-3)).toUtf8();
    const QByteArray opened = StoredDate::ToText(QDate::currentDate().addDays(-1)).toUtf8();
    QByteArray content;
    for (int i = 0; i < kRecords; ++i) {
        const QByteArray name = "download-" + QByteArray::number(i) + ".zip";
        content += "[" + name + "]\nDesc=Installer for a program, version " + QByteArray::number(i) + "\n";
        content += "Source=http://downloads.example.test/files/" + name + "\n";
        content += "OpenWhen=0\nPrompt=1\nPromptDays=10\nDelete=0\nDeleteDays=30\n";
        content += "DateDownloaded=" + downloaded + "\nScanWhenDone=0\nLastOpened=" + opened + "\n";
        QFile(folderDir + QString::fromUtf8(name)).open(QIODevice::WriteOnly);
    }
    return content;
}

// User and system CPU time of the process so far.
std::pair<double, double> cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return {ms(u.ru_utime), ms(u.ru_stime)};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("FETCHLARK_HOME", dir.path().toUtf8());
    const QString root = dir.path() + "/";
    for (int s = 0; s < kSections; ++s) {
        const QString section = QStringLiteral("Section %1").arg(s);
        Catalogue::AddSection(section, root + section + "/");
        for (int f = 0; f < kFolders; ++f) {
            const QString folder = QStringLiteral("Folder %1").arg(f);
            Catalogue::AddFolder(folder, section, 0, s);
            QFile file(Catalogue::FolderFile(section, folder));
            if (!file.open(QIODevice::WriteOnly)
                || file.write(folderFile(Catalogue::FolderDirectory(root + section + "/", folder))) < 0)
                return 1;
        }
    }

    FileList list;
    std::vector<double> wall;
    std::vector<double> user;
    std::vector<double> system;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        const auto start = cpuMs();
        t.start();
        FileEvents(list).scanforevents();
        wall.push_back(t.nsecsElapsed() / 1e6);
        const auto end = cpuMs();
        user.push_back(end.first - start.first);
        system.push_back(end.second - start.second);
    }
    // On a shared machine the wall time includes waiting for a core; the
    // process's own CPU time is the steadier figure.
    std::printf("walk over %d sections x %d folders x %d records, nothing due, %d runs:\n", kSections, kFolders,
                kRecords, kRuns);
    std::printf("  wall: median %.1f ms (min %.1f)\n", bench::Median(wall), *std::min_element(wall.begin(), wall.end()));
    std::printf("  cpu:  median %.1f ms user + %.1f ms system\n", bench::Median(user), bench::Median(system));
    return 0;
}
