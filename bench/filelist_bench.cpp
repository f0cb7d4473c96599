// The manager window's file list at size: two folders of 10,000 files each,
// 2,000 of them with a download record, then the same with 100,000 files
// (20,000 records). Measures, through the real window
// (offscreen, in a throw-away program folder):
//   - pressing a folder (CatClick) until its list is filled and painted,
//     coming from an empty folder;
//   - switching between the two large folders;
//   - selecting a file until the information panel is filled;
//   - the longest stretch the GUI thread spends without running its
//     messages while a large folder loads.
// Run by hand:  build/filelist_bench [runs] [largest file count]
#include "Catalogue.h"
#include "FolderList.h"
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"
#include "Manager.h"
#include "Median.h"
#include "Profile.h"
#include "Settings.h"
#include "StoredDate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

int kFiles = 10000;
int kRecords = 2000;

void FillFolder(const QString& section, const QString& folder)
{
    const QString directory = flk::Catalogue::FolderDirectory(flk::Catalogue::SectionLocation(1), folder);
    for (int i = 0; i < kFiles; ++i) {
        QFile file(directory + QStringLiteral("download-%1.zip").arg(i, 5, 10, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly))
            file.write("x");
    }
    // One write of the whole record file, as 2,000 downloads would leave it.
    QByteArray ini;
    for (int i = 0; i < kRecords; ++i) {
        ini += QStringLiteral("[download-%1.zip]\r\n").arg(i * (kFiles / kRecords), 5, 10, QLatin1Char('0')).toUtf8();
        ini += "Desc=A file of the benchmark\r\nSource=http://example.org/file.zip\r\nOpenWhen=0\r\nDelete=1\r\n"
               "DeleteDays=30\r\nDateDownloaded=" +
               flk::StoredDate::Today().toUtf8() + "\r\n";
    }
    QFile records(flk::Catalogue::FolderFile(section, folder));
    if (records.open(QIODevice::WriteOnly))
        records.write(ini);
}

// Largest gap between two runs of a 1 ms timer while `work` runs.
template <typename Work> double LongestBlock(Work work)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.elapsed();
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start();
    last = clock.elapsed();
    work();
    longest = std::max(longest, clock.elapsed() - last);
    return double(longest);
}

double Ms(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int RunCase(int runs);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    const int largest = argc > 2 ? std::max(10000, atoi(argv[2])) : 100000;
    for (int files : {10000, largest}) {
        kFiles = files;
        kRecords = files / 5;
        if (const int failed = RunCase(files > 10000 ? std::max(1, runs / 3) : runs))
            return failed;
        if (files == largest)
            break;
    }
    return 0;
}

int RunCase(int runs)
{
    QTemporaryDir scratch;
    qputenv("FETCHLARK_HOME", (scratch.path() + "/").toUtf8());

    flk::Catalogue::BuildDefaultCatalogue();
    flk::Settings::SetFirstRun(false);
    flk::Settings::SetSpeed(28800);
    std::printf("writing 2 x %d files with %d records each...\n", kFiles, kRecords);
    FillFolder("Programs", "Games");
    FillFolder("Programs", "Utilities");

    flk::TfrmManager manager;
    manager.resize(900, 700);
    manager.show();
    QApplication::processEvents();
    flk::TLookOutPage* programs = manager.Nav->Page(0);
    flk::TLookOutButton* empty = programs->Button(0); // Productivity: no files
    flk::TLookOutButton* games = programs->Button(1);
    flk::TLookOutButton* utilities = programs->Button(2);

    auto pressAndPaint = [&](flk::TLookOutButton* button) {
        QElapsedTimer t;
        t.start();
        button->Press();
        manager.FEDownloads->View()->viewport()->repaint();
        return Ms(t);
    };

    std::vector<double> first, switches, panel, fill, blocks;
    for (int r = 0; r < runs; ++r) {
        pressAndPaint(empty);
        first.push_back(pressAndPaint(games));
        if (manager.FEDownloads->ItemCount() != kFiles) {
            std::fprintf(stderr, "listed %d files, expected %d\n", manager.FEDownloads->ItemCount(), kFiles);
            return 1;
        }
        switches.push_back(pressAndPaint(utilities));
        switches.push_back(pressAndPaint(games));
        pressAndPaint(empty);
        blocks.push_back(LongestBlock([&] { games->Press(); }));
    }
    // The same in the icon styles, where the view lays every item out.
    std::vector<double> iconSwitches, iconBlocks;
    for (auto style : {flk::TFolderList::vsLargeIcons, flk::TFolderList::vsList}) {
        manager.FEDownloads->SetViewStyle(style);
        for (int r = 0; r < runs; ++r) {
            pressAndPaint(games);
            iconSwitches.push_back(pressAndPaint(utilities));
            pressAndPaint(empty);
            iconBlocks.push_back(LongestBlock([&] { games->Press(); }));
        }
    }
    manager.FEDownloads->SetViewStyle(flk::TFolderList::vsDetails);
    const QStringList names = manager.FEDownloads->FileNames();
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        manager.FEDownloads->SelectFile(names[(i * 97) % names.size()]);
        flk::ProcessMessages();
        panel.push_back(Ms(t));
        QElapsedTimer f;
        f.start();
        manager.UpdateInfo();
        fill.push_back(Ms(f));
    }
    using flk::bench::Median;
    std::printf("--- %d files ---\n", kFiles);
    std::printf("folder of %d files pressed, filled and painted: median %.1f ms (target < 500)\n", kFiles, Median(first));
    std::printf("switch between two such folders:              median %.1f ms (target < 300)\n", Median(switches));
    std::printf("switch, large icons and list styles:          median %.1f ms (target < 300)\n", Median(iconSwitches));
    std::printf("longest GUI-thread block, icon styles:        median %.1f ms, worst %.1f ms (target < 16)\n",
                Median(iconBlocks), *std::max_element(iconBlocks.begin(), iconBlocks.end()));
    std::printf("select a file (the previous one's record stored) and fill the panel: median %.2f ms\n", Median(panel));
    std::printf("fill the panel from a record (UpdateInfo):    median %.2f ms (target < 10)\n", Median(fill));
    std::printf("longest GUI-thread block while loading:       median %.1f ms, worst %.1f ms (target < 16)\n",
                Median(blocks), *std::max_element(blocks.begin(), blocks.end()));
    return 0;
}
