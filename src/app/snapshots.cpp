// Renders every window of the program to PNG files, offscreen, so a reviewer
// can look at them without a desktop:
//
//     build/flk-snapshots OUTPUT_FOLDER
//
// The program runs its real first start in a throw-away program folder; the
// manager window is shown over the default catalogue, with files in a folder
// and over an empty catalogue; the download dialog is shown half-way through
// a download.

#include "Asker.h"
#include "Catalogue.h"
#include "Config.h"
#include "ConfigWizard.h"
#include "LookOut.h"
#include "FileProperties.h"
#include "FolderList.h"
#include "Manager.h"
#include "NewSection.h"
#include "Profile.h"
#include "RecordFile.h"
#include "StoredDate.h"
#include "FolderList.h"
#include "ProgramWindows.h"
#include "Progress.h"
#include "ProgressAnimation.h"
#include "Settings.h"
#include "AnotherGauge.h"
#include "RinGauge.h"
#include "Tray.h"
#include "VVNavigatorGauge.h"
#include "preferences.h"
#include "print.h"

#include <QAction>
#include <QApplication>
#include <QPalette>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <cstdio>

namespace {

bool Save(QWidget* w, const QString& folder, const QString& name)
{
    w->show();
    QApplication::processEvents();
    const QString file = folder + '/' + name + ".png";
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

void ShowHalfWay(flk::TfrmAsker* asker)
{
    const qint64 size = 4'718'592; // 4.5 MiB
    asker->dg->SetMax(size);
    asker->dg->SetValue(size / 2);
    asker->gSpeed->SetProgress(asker->gSpeed->Max() * 6 / 10);
    asker->gActive->SetActive(true);
    asker->lblFileSize->setText(QString::number(size));
    asker->lbldlbytes->setText(QString::number(size / 2));
    asker->lblSpeed->setText("17280 bps");
    asker->lblPercent->setText("60% of Potential Speed");
    asker->lblAverage->setText("16640 bps");
    asker->lblETA->setText("00:22:41");
    asker->cmdOK->setText(flk::TfrmAsker::kBusyCaption);
    asker->cmdOK->setIcon(asker->imgAbort);
    asker->AddLog("HTTP/1.0 200 OK");
    asker->AddLog("Content-Type: application/octet-stream");
    asker->AddLog("Content-Length: 4718592");
    asker->AddLog("Fetchlark:  Starting download at byte 0");
}

// A file's properties window and the menu of a drop onto a folder.
bool SaveFileWindows(flk::TfrmManager* manager, const QString& out)
{
    manager->FEDownloads->SelectFile("readme.txt");
    manager->mnuPropsClick();
    bool ok = false;
    if (auto* properties = manager->findChild<flk::TFileProperties*>()) {
        ok = Save(properties, out, "TFileProperties");
        properties->close();
    }
    manager->pmFileDrop->popup(manager->mapToGlobal(QPoint(60, 120)));
    ok &= Save(manager->pmFileDrop, out, "TfrmManager-pmFileDrop");
    manager->pmFileDrop->hide();
    return ok;
}

// The toolbar on each edge, with and without labels, with the launchers shown.
bool SaveToolBars(flk::TfrmManager* manager, const QString& out)
{
    flk::Settings::SetToolBarBrowser(true);
    flk::Settings::SetToolBarVirus(true);
    manager->GetToolBar();
    bool ok = true;
    const std::pair<QAction*, const char*> edges[] = {{manager->mnuLeft, "left"},
                                                      {manager->mnuRight, "right"},
                                                      {manager->mnuBottom, "bottom"},
                                                      {manager->mnuTop, "top"}};
    for (const bool labels : {true, false}) {
        if (labels != manager->mnuShowLabels->isChecked())
            manager->mnuShowLabels->trigger();
        for (const auto& [item, edge] : edges) {
            item->trigger();
            ok &= Save(manager, out,
                       QStringLiteral("TfrmManager-toolbar-%1%2").arg(edge, labels ? "" : "-nolabels"));
        }
    }
    manager->mnuShowLabels->trigger();
    manager->pmToolBar->popup(manager->mapToGlobal(QPoint(40, 40)));
    ok &= Save(manager->pmToolBar, out, "TfrmManager-toolbar-menu");
    manager->pmToolBar->hide();
    return ok;
}

// Every tab of the options window.
bool SavePreferences(const QString& out)
{
    auto* preferences = flk::Window<flk::TfrmPreferences>();
    bool ok = true;
    for (int i = 0; i < preferences->PageControl1->count(); ++i) {
        preferences->PageControl1->setCurrentIndex(i);
        ok &= Save(preferences, out, QStringLiteral("TfrmPreferences-%1").arg(i + 1));
        preferences->hide();
    }
    return ok;
}

// The manager window with files in a folder, and over an empty catalogue.
bool SaveManagers(const QString& out)
{
    flk::TfrmManager* manager = flk::TfrmTray::Manager();
    const QString folder = flk::Catalogue::FolderDirectory(flk::Catalogue::SectionLocation(1), "Utilities");
    for (const char* name : {"setup-4.2.exe", "archiver-2.1.tar.gz", "readme.txt"}) {
        QFile file(folder + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(48'000, 'x'));
    }
    flk::RecordFile records("Programs", "Utilities");
    records.writeString("setup-4.2.exe", "Desc", "Setup for the tools");
    records.writeString("setup-4.2.exe", "Source", "http://downloads.example.org/tools/setup-4.2.exe");
    records.writeString("setup-4.2.exe", "DateDownloaded", flk::StoredDate::Today());
    records.writeString("setup-4.2.exe", "Delete", "1");
    records.writeString("setup-4.2.exe", "Notes", QString("Version 4.2") + QChar(0xFF) + "Needs a restart");
    manager->show();
    manager->Nav->Page(0)->Button(2)->Press();
    bool ok = Save(manager, out, "TfrmManager-files");
    // A file selected, in each view style.
    manager->FEDownloads->SelectFile("setup-4.2.exe");
    flk::ProcessMessages();
    const std::pair<QAction*, const char*> styles[] = {{manager->mnuFELargeIcons, "TfrmManager-large-icons"},
                                                       {manager->mnuFESmallIcons, "TfrmManager-small-icons"},
                                                       {manager->mnuFEList, "TfrmManager-list"},
                                                       {manager->mnuFEDetails, "TfrmManager-details"}};
    for (const auto& [item, name] : styles) {
        item->trigger();
        ok &= Save(manager, out, name);
    }
    ok &= SaveFileWindows(manager, out);
    ok &= SaveToolBars(manager, out);
    manager->hide();

    // The report dialog over that folder, in both modes.
    flk::TfrmPrint* report = flk::Window<flk::TfrmPrint>();
    for (const bool print : {true, false}) {
        report->PrepareParams(print);
        ok &= Save(report, out, print ? "TfrmPrint-print" : "TfrmPrint-save");
        report->hide();
    }

    flk::Settings::SetSpeed(28800);
    flk::Profile(flk::Catalogue::HeadersFile()).writeInteger("Main", "NumHeads", 0);
    flk::TfrmManager empty;
    ok &= Save(&empty, out, "TfrmManager-empty");
    return ok;
}

// The setup wizard's pages over a machine with two browsers and two scanners,
// and the search window.
bool SaveWizard(const QString& out, const QString& machine)
{
    for (const char* program : {"usr/bin/firefox-esr", "usr/bin/chromium", "usr/bin/clamscan", "usr/sbin/clamdscan"}) {
        const QString path = machine + '/' + program;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    flk::TfrmProgress* progress = flk::Window<flk::TfrmProgress>();
    progress->Animate1->SetActive(true);
    QThread::msleep(300);
    QApplication::processEvents();
    bool ok = Save(progress, out, "TfrmProgress-searching");
    progress->Animate1->SetActive(false);
    progress->hide();

    flk::TfrmConfig* wizard = flk::Window<flk::TfrmConfig>();
    wizard->SearchRoot = machine;
    wizard->show();
    for (int page = 2; page <= 5; ++page) {
        wizard->EPWizard1->cmdNext->click();
        ok &= Save(wizard, out, QStringLiteral("TfrmConfig-page%1").arg(page));
        if (page == 3) {
            wizard->cbScanner->setCurrentIndex(1);
            wizard->cbScannerChange();
            ok &= Save(wizard, out, "TfrmConfig-page3-own-scanner");
        }
    }
    wizard->hide();
    return ok;
}

// The section and folder dialogs as the manager's commands prepare them
// (the headless boxes answer their modal show at once).
void PrepareCatalogueDialogs()
{
    flk::TfrmManager* manager = flk::TfrmTray::Manager();
    manager->SelectFolder(0, 1);
    manager->NewFolderClick();
    manager->DeleteSectionClick();
    manager->MenuItem7Click();
}

} // namespace

// A dark desktop's palette, as dark themes give it.
QPalette DarkPalette()
{
    QPalette p;
    const QColor window(0x2b, 0x2b, 0x2b), base(0x1e, 0x1e, 0x1e), text(0xe6, 0xe6, 0xe6);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x40));
    p.setColor(QPalette::Mid, QColor(0x25, 0x25, 0x25));
    p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x6e, 0xa8));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(0x40, 0x40, 0x40));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Link, QColor(0x7a, 0xb4, 0xff));
    p.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    return p;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    for (const char* sub : {"program", "home", "run"})
        QDir().mkpath(scratch.path() + '/' + sub);
    qputenv("FETCHLARK_HOME", (scratch.path() + "/program").toUtf8());
    qputenv("HOME", (scratch.path() + "/home").toUtf8());
    qputenv("XDG_CONFIG_HOME", (scratch.path() + "/home/.config").toUtf8());
    qputenv("XDG_RUNTIME_DIR", (scratch.path() + "/run").toUtf8());

    QApplication app(argc, argv);
    QApplication::setApplicationName("Fetchlark");
    // FLK_SNAPSHOT_DARK=1: the windows under a dark desktop palette.
    if (qEnvironmentVariableIsSet("FLK_SNAPSHOT_DARK"))
        QApplication::setPalette(DarkPalette());
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    flk::TfrmTray tray({});
    tray.Halt = [] {};
    tray.Terminate = [] {};
    bool ok = true;
    PrepareCatalogueDialogs();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const QString cls = QString::fromLatin1(w->metaObject()->className()).section("::", -1);
        if (!cls.startsWith("Tfrm") || cls == "TfrmTray" || cls == "TfrmPrint")
            continue;
        ok &= Save(w, out, cls);
        w->hide();
    }
    if (auto* newSection = flk::Window<flk::TfrmNewSection>()) {
        newSection->show();
        newSection->edtName->setText("Games");
        ok &= Save(newSection, out, "TfrmNewSection-typed");
        newSection->hide();
    }
    ok &= Save(tray.PopupMenu1, out, "TfrmTray-menu");
    tray.PopupMenu1->hide();
    ok &= SavePreferences(out);
    ok &= SaveManagers(out);
    ok &= SaveWizard(out, scratch.path() + "/machine");

    auto* asker = new flk::TfrmAsker;
    asker->FillFromHandOff("http://downloads.example.org/tools/setup-4.2.exe", "Setup for the tools", "setup-4.2.exe",
                           "http://downloads.example.org/tools/", "http");
    asker->SetDefaults();
    asker->show();
    QApplication::processEvents();
    ok &= Save(asker, out, "TfrmAsker-idle");
    ShowHalfWay(asker);
    QThread::msleep(200); // let the activity gauge sweep a little
    QApplication::processEvents();
    ok &= Save(asker, out, "TfrmAsker-halfway");
    asker->PageControl1->setCurrentWidget(asker->tsAdvanced);
    ok &= Save(asker, out, "TfrmAsker-advanced");
    asker->gActive->SetActive(false);
    delete asker;
    return ok ? 0 : 1;
}
