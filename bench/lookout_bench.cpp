// Cost of the sections bar at catalogue sizes: building a bar of 30 sections
// with 30 folders each, and switching between its pages without the slide's
// deliberate pauses (Smooth off). Run by hand:
//   QT_QPA_PLATFORM=offscreen ./lookout_bench
// With --snapshot FILE.png it saves a picture of a small bar (the default
// catalogue's sections, the second folder under the mouse) instead; with
// --demo it shows that bar in a window to try by hand.
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"
#include "Median.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QElapsedTimer>
#include <QPainter>
#include <QPixmap>
#include <cstdio>
#include <memory>

namespace {

constexpr int kSections = 30;
constexpr int kFolders = 30;

flk::TImageList Icons()
{
    flk::TImageList icons;
    for (int i = 0; i < 62; ++i) {
        QPixmap pixmap(32, 32);
        pixmap.fill(QColor::fromHsv(i * 5, 160, 220));
        icons << QIcon(pixmap);
    }
    return icons;
}

// As the manager builds it: pages with their captions, buttons with caption,
// icon, white caption and the first page's width.
// `batched` wraps each page's buttons in BeginUpdate/EndUpdate.
std::unique_ptr<flk::TLookOut> Build(const flk::TImageList& icons, bool batched)
{
    auto bar = std::make_unique<flk::TLookOut>();
    bar->resize(100, 900); // 30 headers need 30 x 19 + 65 pixels before a page can open
    bar->SetAutoSize(true);
    for (int s = 0; s < kSections; ++s) {
        flk::TLookOutPage* page = bar->AddPage(QStringLiteral("Section %1").arg(s + 1));
        if (batched)
            page->BeginUpdate();
        for (int f = 0; f < kFolders; ++f) {
            flk::TLookOutButton* button = page->AddButton(QStringLiteral("Folder %1").arg(f + 1), f % 62);
            button->SetLargeImages(&icons);
            button->SetFontColor(Qt::white);
            button->resize(bar->Page(0)->width(), button->height());
        }
        if (batched)
            page->EndUpdate();
    }
    return bar;
}

// The default catalogue's bar as the manager window shows it; saved to
// `file`, or shown until closed when `file` is empty.
int Demo(const QString& file)
{
    flk::TImageList icons;
    const QDir places(QStringLiteral("/usr/share/icons/Adwaita/32x32/places"));
    for (const QString& name : places.entryList({QStringLiteral("folder*.png")}))
        if (!name.contains(QLatin1String("symbolic")))
            icons << QIcon(places.filePath(name));
    if (icons.isEmpty())
        icons = Icons();
    flk::TLookOut bar;
    bar.resize(110, 420);
    bar.SetAutoSize(true);
    bar.SetColor(Qt::gray);
    const QList<QPair<QString, QStringList>> sections{
        {"Programs", {"Productivity", "Games", "Utilities", "Applications"}},
        {"Research", {"School", "Office", "Home"}},
        {"Internet", {"FTP Files", "E-Mail Files", "Web Files"}}};
    for (const auto& [section, folders] : sections) {
        flk::TLookOutPage* page = bar.AddPage(section);
        for (int i = 0; i < folders.size(); ++i) {
            flk::TLookOutButton* button = page->AddButton(folders[i], (i * 3) % icons.size());
            button->SetLargeImages(&icons);
            button->SetFontColor(Qt::white);
            button->resize(bar.Page(0)->width(), 60);
        }
    }
    bar.setWindowTitle(QStringLiteral("Sections bar"));
    bar.show();
    bar.SetActivePage(bar.Page(0));
    if (file.isEmpty())
        return QApplication::exec();
    QApplication::processEvents();
    flk::TLookOutButton* hovered = bar.Page(0)->Button(1);
    QEnterEvent enter(QPointF(30, 20), QPointF(30, 20), hovered->mapToGlobal(QPointF(30, 20)));
    QApplication::sendEvent(hovered, &enter);
    return bar.grab().save(file) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--snapshot"))
        return Demo(QString::fromLocal8Bit(argv[2]));
    if (argc == 2 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--demo")) {
        QApplication::setApplicationName(QStringLiteral("Fetchlark")); // found on the accessibility bus
        return Demo(QString());
    }
    const flk::TImageList icons = Icons();
    const int runs = 21;

    std::vector<double> build, batched, shown;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        auto bar = Build(icons, false);
        build.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        auto other = Build(icons, true);
        batched.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        other->show();
        other->repaint();
        shown.push_back(t.nsecsElapsed() / 1e6);
    }

    auto bar = Build(icons, true);
    bar->show();
    QApplication::processEvents();
    std::vector<double> layout, painted;
    for (int r = 0; r < runs * 10; ++r) {
        flk::TLookOutPage* page = bar->Page((r * 7 + 1) % kSections);
        QElapsedTimer t;
        t.start();
        bar->SetActivePage(page);
        layout.push_back(t.nsecsElapsed() / 1e6);
        bar->repaint(); // the same switch drawn at once, all pages and the open page's buttons
        painted.push_back(t.nsecsElapsed() / 1e6);
    }

    std::printf("sections bar, %d sections x %d folders (median of %d runs)\n", kSections, kFolders, runs);
    std::printf("  build, a layout per button:  %.2f ms (target < 50 ms)\n", flk::bench::Median(build));
    std::printf("  build, a layout per page:    %.2f ms\n", flk::bench::Median(batched));
    std::printf("  first show, drawn:           %.2f ms\n", flk::bench::Median(shown));
    std::printf("  page switch, layout only:    %.3f ms\n", flk::bench::Median(layout));
    std::printf("  page switch, laid out+drawn: %.3f ms (target < 5 ms)\n", flk::bench::Median(painted));
    return 0;
}
