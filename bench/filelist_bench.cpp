// The manager window's file list at size: two folders of 10,000 files each,
// 2,000 of them with a download record, then the same with 100,000 files
// (20,000 records). Measures, through the real window
// (offscreen, in a throw-away program folder):
//   - pressing a folder (CatClick) until its list is filled and painted,
//     coming from an empty folder;
//   - switching between the two large folders;
//   - selecting a file until the information panel is filled;
//   - the longest stretch the GUI thread spends without running its
//     messages while a large folder loads or switches (a 1 ms timer's
//     longest gap, layout and painting included), and what filled the
//     stretches over 8 ms: each event's own time (its nested events taken
//     out) by receiver class and event type, and the time spent outside
//     any event (the press itself: showing the reading);
// each in the three view styles (details, large icons, list).
// Run by hand:  build/filelist_bench [runs] [largest file count] [large: that case only]
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
#include <QMap>
#include <QMetaEnum>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <map>

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

// The GUI thread's own processor time, in ms.
double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Times every event the application delivers, each by its own time (the
// events it ran nested taken out), so that a long stretch of the GUI thread
// can be put down to what filled it.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (!m_timing)
            return QApplication::notify(receiver, event);
        const qint64 start = m_clock.nsecsElapsed();
        const qint64 nestedBefore = m_nested;
        m_nested = 0;
        const int type = event->type(); // the event may be gone after delivery
        const char* className = receiver->metaObject()->className();
        const bool result = QApplication::notify(receiver, event);
        const qint64 total = m_clock.nsecsElapsed() - start;
        const qint64 own = total - m_nested;
        m_nested = nestedBefore + total;
        if (own >= 100000) // a tenth of a ms: below that it is not what makes a block
            m_gapEvents[Label(className, type)] += own / 1e6;
        m_gapInEvents += own / 1e6;
        return result;
    }

    void StartTiming()
    {
        m_clock.start();
        m_timing = true;
        StartGap();
    }
    void StopTiming() { m_timing = false; }
    // A new stretch starts (the 1 ms timer ran).
    void StartGap()
    {
        m_gapEvents.clear();
        m_gapInEvents = 0;
    }
    // What filled the stretch that just ended, `wallMs` long: its biggest
    // events and the rest (outside any event: code the press ran itself).
    void EndGap(double wallMs, double cpuMs)
    {
        if (wallMs >= 8) {
            Long entry{wallMs, cpuMs, std::max(0.0, wallMs - m_gapInEvents), {}};
            std::multimap<double, QString, std::greater<>> byTime;
            for (auto it = m_gapEvents.cbegin(); it != m_gapEvents.cend(); ++it)
                byTime.emplace(it.value(), it.key());
            for (auto it = byTime.begin(); it != byTime.end() && entry.top.size() < 3; ++it)
                entry.top.push_back({it->second, it->first});
            m_long.push_back(std::move(entry));
        }
        StartGap();
    }
    void Report(const char* title)
    {
        std::sort(m_long.begin(), m_long.end(), [](const Long& a, const Long& b) { return a.wall > b.wall; });
        std::printf("%s: %zu stretches over 8 ms; the longest:\n", title, m_long.size());
        for (size_t i = 0; i < m_long.size() && i < 6; ++i) {
            const Long& l = m_long[i];
            std::printf("  %5.1f ms (cpu %5.1f): outside events %5.1f", l.wall, l.cpu, l.outside);
            for (const auto& [label, ms] : l.top)
                std::printf("; %s %.1f", qPrintable(label), ms);
            std::printf("\n");
        }
        m_long.clear();
    }

private:
    struct Long {
        double wall, cpu, outside;
        std::vector<std::pair<QString, double>> top;
    };
    static QString Label(const char* className, int type)
    {
        const char* name = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
        return QString::fromLatin1(className) + QLatin1Char('/') +
               (name ? QString::fromLatin1(name) : QString::number(type));
    }

    bool m_timing = false;
    QElapsedTimer m_clock;
    qint64 m_nested = 0;
    QMap<QString, double> m_gapEvents;
    double m_gapInEvents = 0;
    std::vector<Long> m_long;
};

TimedApplication* timedApp = nullptr;

// The longest gap between two runs of a 1 ms timer while `work` runs (the
// window ran no messages for that long), and the longest stretch of the GUI
// thread's own processor time between two runs: on a busy machine a gap
// also holds the time other programs had the processor.
struct Block {
    double wall = 0;
    double cpu = 0;
};

template <typename Work> Block LongestBlock(Work work)
{
    QElapsedTimer clock;
    clock.start();
    double lastWall = 0;
    double lastCpu = ThreadCpuMs();
    Block longest;
    auto mark = [&] {
        const double wall = clock.nsecsElapsed() / 1e6;
        const double cpu = ThreadCpuMs();
        longest.wall = std::max(longest.wall, wall - lastWall);
        longest.cpu = std::max(longest.cpu, cpu - lastCpu);
        timedApp->EndGap(wall - lastWall, cpu - lastCpu);
        lastWall = wall;
        lastCpu = cpu;
    };
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, mark);
    tick.start();
    timedApp->StartTiming();
    work();
    mark();
    timedApp->StopTiming();
    return longest;
}

// How long the window is left to lay out and paint after a press.
constexpr int kSettleMs = 150;

double Ms(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int RunCase(int runs);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    timedApp = &app;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    const int largest = argc > 2 ? std::max(10000, atoi(argv[2])) : 100000;
    const bool largeOnly = argc > 3 && QByteArray(argv[3]) == "large";
    for (int files : {10000, largest}) {
        if (largeOnly && files != largest)
            continue;
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

    // A press and what follows it: the view's deferred layout and painting.
    auto pressAndSettle = [&](flk::TLookOutButton* button) {
        button->Press();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < kSettleMs)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
    };

    // Every view style: the time to show a large folder (from an empty one)
    // and to switch between the two large ones, and the longest block of the
    // GUI thread while it loads or switches.
    struct StyleRuns {
        const char* name;
        flk::TFolderList::ViewStyle style;
        std::vector<double> first, switches, blocks, cpuBlocks;
    };
    std::vector<StyleRuns> styles = {{"details", flk::TFolderList::vsDetails, {}, {}, {}, {}},
                                     {"large icons", flk::TFolderList::vsLargeIcons, {}, {}, {}, {}},
                                     {"list", flk::TFolderList::vsList, {}, {}, {}, {}}};
    for (StyleRuns& style : styles) {
        manager.FEDownloads->SetViewStyle(style.style);
        for (int r = 0; r < runs; ++r) {
            pressAndPaint(empty);
            style.first.push_back(pressAndPaint(games));
            if (manager.FEDownloads->ItemCount() != kFiles) {
                std::fprintf(stderr, "listed %d files, expected %d\n", manager.FEDownloads->ItemCount(), kFiles);
                return 1;
            }
            style.switches.push_back(pressAndPaint(utilities));
            style.switches.push_back(pressAndPaint(games));
            pressAndSettle(empty);
            for (flk::TLookOutButton* to : {games, utilities}) { // loads, then switches
                const Block block = LongestBlock([&] { pressAndSettle(to); });
                style.blocks.push_back(block.wall);
                style.cpuBlocks.push_back(block.cpu);
            }
        }
        timedApp->Report(style.name);
    }
    std::vector<double> panel, fill;
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
    for (const StyleRuns& style : styles) {
        std::printf("%-11s: shown %.1f ms (target < 500), switch %.1f ms; longest GUI-thread block %.1f ms, "
                    "worst %.1f ms (target < 16), of its own processor time %.1f ms, worst %.1f ms\n",
                    style.name, Median(style.first), Median(style.switches), Median(style.blocks),
                    *std::max_element(style.blocks.begin(), style.blocks.end()), Median(style.cpuBlocks),
                    *std::max_element(style.cpuBlocks.begin(), style.cpuBlocks.end()));
    }
    std::printf("select a file (the previous one's record stored) and fill the panel: median %.2f ms\n", Median(panel));
    std::printf("fill the panel from a record (UpdateInfo):    median %.2f ms (target < 10)\n", Median(fill));
    return 0;
}
