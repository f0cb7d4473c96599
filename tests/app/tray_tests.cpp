// The tray window's start-up sequence, menu, interception toggle, window
// position and the two ways the program ends.

#include "Catalogue.h"
#include "Endpoint.h"
#include "Manager.h"
#include "FolderList.h"
#include "LookOut.h"
#include "Profile.h"
#include "RecordFile.h"
#include "ScanWindow.h"
#include "StoredDate.h"
#include "RecordingShell.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "TempHome.h"
#include "Tray.h"
#include "Asker.h"
#include "mdTray.h"
#include "preferences.h"
#include "TopLevel.h"

#include <QAction>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QApplication>
#include <QLineEdit>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <gtest/gtest.h>

using namespace flk;
using namespace flk::test;

namespace {

const QStringList kFormOrder = {"flk::TfrmPreferences", "flk::TfrmProgress", "flk::TfrmConfig",
                                "flk::TfrmManager",     "flk::TfrmCategory", "flk::TfrmNewSection",
                                "flk::TfrmDelete",      "flk::TfrmSectionProps", "flk::TfrmPrint",
                                "flk::TfrmAbout"};

class TrayTest : public ::testing::Test {
protected:
    // A catalogue that has been through its first start, with a speed set.
    void laterStart()
    {
        Settings::SetFirstRun(false);
        Settings::SetSpeed(28800);
    }
    std::unique_ptr<TfrmTray> start(const QStringList& args = {})
    {
        auto tray = std::make_unique<TfrmTray>(args);
        tray->Halt = [this] { ++halts; };
        tray->Terminate = [this] { ++terminations; };
        return tray;
    }
    QByteArray settingsFile() const { return ReadAll(Settings::FileName()); }

    TempHome home;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    int halts = 0;
    int terminations = 0;
};

TEST_F(TrayTest, FirstStartBuildsCatalogueShowsWizardThenManagerAndIgnoresArguments)
{
    bool menuDuringWizard = true;
    bool managerVisibleDuringWizard = true;
    dialogs.onModal = [&](QDialog*) {
        menuDuringWizard = Window<TfrmTray>()->mdTray1->PopupMenu() != nullptr;
        managerVisibleDuringWizard = TfrmTray::Manager()->isVisible();
    };
    auto tray = start({"a", "b"});

    EXPECT_EQ(tray->CreatedForms(), kFormOrder);
    EXPECT_EQ(dialogs.modals(), QStringList{"flk::TfrmConfig"});
    EXPECT_FALSE(menuDuringWizard) << "the tray icon has no menu while the wizard is open";
    EXPECT_FALSE(managerVisibleDuringWizard);
    EXPECT_TRUE(TfrmTray::Manager()->isVisible());
    EXPECT_TRUE(dialogs.boxes().isEmpty()) << "no argument boxes on a first start";
    EXPECT_EQ(tray->mdTray1->PopupMenu(), tray->PopupMenu1);
    EXPECT_TRUE(tray->Open1->isEnabled());

    EXPECT_FALSE(Settings::FirstRun());
    EXPECT_TRUE(settingsFile().contains("FirstRun=0"));
    EXPECT_EQ(Catalogue::SectionCount(), 3);
    EXPECT_EQ(Catalogue::SectionNames(), QStringList({"Programs", "Research", "Internet"}));
    EXPECT_TRUE(QDir(home.path() + "Internet/Web Files").exists());
}

TEST_F(TrayTest, LaterStartShowsBothArgumentsAfterEveryWindowExistsAndKeepsManagerHidden)
{
    laterStart();
    auto tray = std::make_unique<TfrmTray>(QStringList{"a", "b", "c"});
    EXPECT_EQ(dialogs.texts(), QStringList({"a", "b"}));
    EXPECT_EQ(tray->CreatedForms(), kFormOrder);
    EXPECT_TRUE(dialogs.modals().isEmpty());
    EXPECT_FALSE(TfrmTray::Manager()->isVisible());
    EXPECT_TRUE(tray->Open1->isEnabled());
    EXPECT_TRUE(tray->StartupDone());
}

TEST_F(TrayTest, LaterStartWithOneArgumentShowsAnEmptySecondBox)
{
    laterStart();
    auto tray = start({"only"});
    EXPECT_EQ(dialogs.texts(), QStringList({"only", ""}));
}

TEST_F(TrayTest, LaterStartWithoutSpeedAsksForItAndOpensPreferences)
{
    Settings::SetFirstRun(false);
    auto tray = start();
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_EQ(dialogs.texts().first(),
              "In order for Fetchlark to accurately provide download speed statistics, you must specify your "
              "download connection speed.\r\rSelect OK to configure this now.");
    EXPECT_EQ(dialogs.modals(), QStringList{"flk::TfrmPreferences"});
}

TEST_F(TrayTest, MenuHoldsItsItemsInOrder)
{
    laterStart();
    auto tray = start();
    QStringList texts;
    for (QAction* a : tray->PopupMenu1->actions())
        texts << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(texts, QStringList({"Show Fetchlark", "Setup Options", "Help", "-", "Visit Marrowby on the Web", "-",
                                  "Intercept Downloads", "-", "Exit"}));
    QStringList help, web;
    for (QAction* a : tray->N2->actions())
        help << a->text();
    for (QAction* a : tray->V1->actions())
        web << a->text();
    EXPECT_EQ(help, QStringList({"&Contents", "&About Fetchlark"}));
    ASSERT_EQ(web.size(), 4);
    EXPECT_TRUE(web[0].startsWith("Main Site (")) << web[0].toStdString();
    EXPECT_EQ(web.mid(1), QStringList({"Upgrade Fetchlark", "Download more Marrowby software", "Technical Support"}));
    EXPECT_EQ(tray->mdTray1->Tip(), "Marrowby Fetchlark - Right Click for Options");
}

TEST_F(TrayTest, MenuCommandsOpenHelpPagesAndPreferences)
{
    laterStart();
    auto tray = start();
    tray->N4->trigger();
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened[0].endsWith("flk.html")) << shell.opened[0].toStdString();
    tray->U1->trigger();
    ASSERT_EQ(shell.opened.size(), 2);
    EXPECT_TRUE(shell.opened[1].startsWith("http")) << shell.opened[1].toStdString();
    tray->O1->trigger();
    EXPECT_EQ(dialogs.modals(), QStringList{"flk::TfrmPreferences"});
}

TEST_F(TrayTest, InterceptToggleWritesSettingAndSwitchesCaptionAndEndpoint)
{
    laterStart();
    auto tray = start();
    EXPECT_EQ(tray->Caption(), "FLK");
    EXPECT_TRUE(tray->mnuIntercept->isChecked());
    EXPECT_TRUE(Endpoint::Exists("FLK"));

    tray->mnuIntercept->trigger();
    EXPECT_FALSE(tray->mnuIntercept->isChecked());
    EXPECT_TRUE(settingsFile().contains("DownloadDetect=0"));
    EXPECT_EQ(tray->Caption(), "FLK - Download Detect Disabled");
    EXPECT_FALSE(Endpoint::Exists("FLK")) << "a helper looking for FLK must find nothing";

    tray->mnuIntercept->trigger();
    EXPECT_TRUE(tray->mnuIntercept->isChecked());
    EXPECT_TRUE(settingsFile().contains("DownloadDetect=1"));
    EXPECT_EQ(tray->Caption(), "FLK");
    EXPECT_TRUE(Endpoint::Exists("FLK"));
}

TEST_F(TrayTest, DetectionOffAtStartUncheckesTheItemAndSetsTheDisabledCaption)
{
    laterStart();
    Settings::SetDownloadDetect(false);
    auto tray = start();
    EXPECT_FALSE(tray->mnuIntercept->isChecked());
    EXPECT_EQ(tray->Caption(), "FLK - Download Detect Disabled");
}

TEST_F(TrayTest, PositionWithOnlyWidthUsesHalfTheScreenHeight)
{
    laterStart();
    Settings::writeInteger("Position", "Width", 500);
    auto tray = start();
    tray->SetPosition();
    const int screenHeight = QGuiApplication::primaryScreen()->geometry().height();
    const QRect g = TfrmTray::Manager()->geometry();
    EXPECT_EQ(g.width(), 500);
    EXPECT_EQ(g.height(), 343);
    EXPECT_EQ(g.y(), screenHeight / 2);
    EXPECT_EQ(g.x(), screenHeight / 2 - 210);
}

TEST_F(TrayTest, PositionWithoutWidthCentresTheManager)
{
    laterStart();
    Settings::writeString("Position", "Width", "wide");
    auto tray = start();
    tray->SetPosition();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = TfrmTray::Manager()->frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1);
}

TEST_F(TrayTest, ExitSavesThePositionOnlyWhenTheManagerIsVisible)
{
    laterStart();
    auto tray = start();
    tray->mnuExitClick();
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(Profile(Settings::FileName()).sectionExists("Position"));

    tray->mdTray1->LeftDoubleClick(); // shows the manager
    ASSERT_TRUE(TfrmTray::Manager()->isVisible());
    TfrmTray::Manager()->setGeometry(40, 60, 600, 400);
    tray->mnuExitClick();
    EXPECT_EQ(terminations, 2);
    EXPECT_EQ(Profile(Settings::FileName()).readSection("Position"), QStringList({"Width", "Height", "Top", "Left"}));
    EXPECT_EQ(Settings::Width(), 600);
    EXPECT_EQ(Settings::Height(), 400);
}

TEST_F(TrayTest, TheTrayIconBringsAMinimizedManagerBack)
{
    laterStart();
    auto tray = start();
    tray->mdTray1->LeftDoubleClick();
    TfrmTray::Manager()->showMinimized();
    ASSERT_TRUE(TfrmTray::Manager()->isMinimized());
    tray->mdTray1->LeftDoubleClick();
    EXPECT_FALSE(TfrmTray::Manager()->isMinimized());
    EXPECT_TRUE(TfrmTray::Manager()->isVisible());
}

TEST_F(TrayTest, ClosingTheManagerSavesItsPosition)
{
    laterStart();
    auto tray = start();
    tray->mdTray1->LeftDoubleClick();
    TfrmTray::Manager()->setGeometry(30, 50, 610, 420);
    TfrmTray::Manager()->close();
    EXPECT_FALSE(TfrmTray::Manager()->isVisible());
    EXPECT_EQ(Settings::Width(), 610);
    EXPECT_EQ(Settings::Height(), 420);
    EXPECT_EQ(terminations, 0);

    tray->mdTray1->LeftDoubleClick(); // opens where it was closed
    EXPECT_EQ(TfrmTray::Manager()->geometry(), QRect(30, 50, 610, 420));
}

TEST_F(TrayTest, EndOfSessionHaltsWithoutSavingThePosition)
{
    laterStart();
    auto tray = start();
    tray->mdTray1->LeftDoubleClick();
    ASSERT_TRUE(TfrmTray::Manager()->isVisible());
    tray->WMQueryEndSession();
    EXPECT_EQ(halts, 1);
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(Profile(Settings::FileName()).sectionExists("Position"));
    EXPECT_FALSE(tray->ChangeSecurity());
}

TEST_F(TrayTest, HandOffSentToFLKOpensADownloadDialogOnlyWhileIntercepting)
{
    laterStart();
    auto tray = start();
    auto dialogsOpen = [] { return test::TopLevel<TfrmAsker>(); };
    const QByteArray text = "http\rhttp://127.0.0.1:9/dir/file.zip\rA file";
    const QByteArray handOff = char(uchar(text.size())) + text;

    LRESULT result = -1;
    ASSERT_TRUE(Endpoint::Send("FLK", WM_COPYDATA, 0, 0, handOff, &result));
    QList<TfrmAsker*> open = dialogsOpen();
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0]->SourceUrl, "http://127.0.0.1:9/dir/file.zip");
    EXPECT_EQ(open[0]->edtName->text(), "file.zip");
    EXPECT_TRUE(open[0]->isVisible());

    tray->mnuIntercept->trigger();
    EXPECT_FALSE(Endpoint::Send("FLK", WM_COPYDATA, 0, 0, handOff, &result));
    EXPECT_EQ(dialogsOpen().size(), 1);
    qDeleteAll(dialogsOpen());
}

TEST_F(TrayTest, ALaterCopysRequestShowsTheManager)
{
    laterStart();
    auto tray = start();
    ASSERT_FALSE(TfrmTray::Manager()->isVisible());
    LRESULT shown = 0;
    ASSERT_TRUE(Endpoint::Send("FLK", TfrmTray::WM_FLK_SHOWMANAGER, 0, 0, {}, &shown));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(TfrmTray::Manager()->isVisible());
}

TEST_F(TrayTest, RightClickPopsTheMenuOnlyOnceAttached)
{
    laterStart();
    auto tray = start();
    QMenu* popped = nullptr;
    tray->mdTray1->PopupAt = [&](QMenu* m) { popped = m; };
    tray->mdTray1->RightButtonDown();
    EXPECT_EQ(popped, tray->PopupMenu1);
    popped = nullptr;
    tray->mdTray1->SetPopupMenu(nullptr);
    tray->mdTray1->RightButtonDown();
    EXPECT_EQ(popped, nullptr);
}

} // namespace

namespace {

// Runs messages until the one scan window has its verdict.
ScannerRun::Verdict ScanEnded()
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        const QList<TfrmScan*> open = test::TopLevel<TfrmScan>();
        if (open.size() == 1 && open[0]->Run()->Result() != ScannerRun::Verdict::Running) {
            const ScannerRun::Verdict verdict = open[0]->Run()->Result();
            test::DeleteTopLevel<TfrmScan>();
            return verdict;
        }
        if (t.elapsed() > 20000)
            return ScannerRun::Verdict::Running;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

} // namespace

// The download dialog scans its file with ClamAV (our own signature): a
// find leaves the record and the manager's "Virus Checked:" alone; a clean
// scan stamps both, the label through the tray window that the dialog
// reaches the manager by.
TEST_F(TrayTest, AScanFromTheDownloadDialogSetsTheManagersLastCheckOnlyWhenClean)
{
    if (!QFileInfo::exists("/usr/bin/clamscan"))
        GTEST_SKIP() << "ClamAV is not installed";
    laterStart();
    Catalogue::AddSection("Programs", home.path() + "Programs/");
    Catalogue::AddFolder("Games", "Programs", 7, 0);
    const QString games = home.path() + "Programs/Games/";
    const QByteArray infected = "a harmless file that our own signature names\n";
    WriteAll(games + "a.zip", infected);
    WriteAll(games + "b.zip", "nothing to find");
    RecordFile records("Programs", "Games");
    for (const char* name : {"a.zip", "b.zip"})
        records.writeString(name, "Desc", name);
    // ClamAV with a database of one signature, under its own name.
    const QString database = home.home() + "own.hdb";
    WriteAll(database, QCryptographicHash::hash(infected, QCryptographicHash::Md5).toHex() + ":"
                           + QByteArray::number(infected.size()) + ":Fetchlark.Test.Signature\n");
    QDir().mkpath(home.home() + "bin");
    const QString clamscan = home.home() + "bin/clamscan";
    WriteAll(clamscan, "#!/bin/sh\nexec /usr/bin/clamscan --no-summary -d '" + database.toUtf8() + "' \"$@\"\n");
    QFile::setPermissions(clamscan, QFile::ReadOwner | QFile::ExeOwner);
    Settings::SetCommandLine(clamscan);

    auto tray = start();
    TfrmManager* manager = TfrmTray::Manager();
    manager->show();
    manager->Nav->Page(0)->Button(0)->Press();
    auto scanFromDialog = [&](const QString& name) {
        manager->FEDownloads->SelectFiles({name});
        QApplication::processEvents();
        auto* asker = new TfrmAsker();
        asker->SetDefaults();
        asker->PlaceFromManager("Programs", "Games", name);
        asker->cbAutoScan->setChecked(true);
        asker->VirusScan(games + name);
        delete asker; // the scan goes on without its dialog
        return ScanEnded();
    };

    EXPECT_EQ(scanFromDialog("a.zip"), ScannerRun::Verdict::Found);
    EXPECT_FALSE(records.valueExists("a.zip", "LastScanned"));
    EXPECT_EQ(manager->lblVChecked->text(), "Never");

    EXPECT_EQ(scanFromDialog("b.zip"), ScannerRun::Verdict::Clean);
    EXPECT_EQ(records.readString("b.zip", "LastScanned", ""), StoredDate::Today());
    EXPECT_EQ(manager->lblVChecked->text(), StoredDate::Today());
}
