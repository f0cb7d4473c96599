// The manager window over real catalogue files: creation on the first and
// later starts, the catalogue mapped onto the bar (duplicates, gaps, bad
// values), the numbers found by name, selecting by pressing, its messages,
// and where it opens.

#include "AppMessages.h"
#include "Asker.h"
#include "Catalogue.h"
#include "FolderList.h"
#include "IconLibrary.h"
#include "LookOut.h"
#include "Manager.h"
#include "ManagerHost.h"
#include "Profile.h"
#include "ProgramWindows.h"
#include "RecordingShell.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "TempHome.h"
#include "preferences.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <gtest/gtest.h>

using namespace flk;
using namespace flk::test;

namespace {

class FakeTray : public QObject, public ManagerHost {
public:
    void ArmTrayDefault() override { calls << "arm"; }
    void scanforevents(FileListHost&) override { calls << "scan"; }
    void ManagerClosed() override { calls << "closed"; }
    void ShowAbout() override { calls << "about"; }
    QStringList calls;
};

QStringList Captions(const TLookOut* bar)
{
    QStringList all;
    for (TLookOutPage* page : bar->Pages()) {
        QStringList buttons;
        for (TLookOutButton* b : page->Buttons())
            buttons << QStringLiteral("%1(%2)").arg(b->Caption()).arg(b->ImageIndex());
        all << page->Caption() + ": " + buttons.join(' ');
    }
    return all;
}

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override { Settings::SetSpeed(28800); }
    // A later start over whatever the test wrote.
    std::unique_ptr<TfrmManager> later()
    {
        Settings::SetFirstRun(false);
        return std::make_unique<TfrmManager>();
    }
    void write(const QString& file, const QString& section, const QString& key, const QString& value)
    {
        Profile(home.file(file)).writeString(section, key, value);
    }

    TempHome home;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    FakeTray tray;
    TfrmPreferences preferences;
    ProgramWindows windows{&tray, &preferences};
};

TEST_F(ManagerTest, FirstStartBuildsTheDefaultCatalogueOntoTheBarWithNothingElse)
{
    Settings::writeString("Download", "Speed", ""); // no speed: still no question on a first start
    auto m = std::make_unique<TfrmManager>();
    EXPECT_EQ(Captions(m->Nav),
              QStringList({"Programs: Productivity(39) Games(46) Utilities(1) Applications(21)",
                           "Research: School(15) Office(30) Home(32)",
                           "Internet: FTP Files(3) E-Mail Files(44) Web Files(43)"}));
    EXPECT_FALSE(Settings::FirstRun());
    EXPECT_TRUE(QDir(home.path() + "Research/Office").exists());
    EXPECT_EQ(m->GetClickedPage(), m->Nav->Page(0));
    EXPECT_EQ(m->GetClickedButton(), nullptr);
    EXPECT_EQ(m->SectionLocation, home.path() + "Programs/");
    EXPECT_EQ(m->FEDownloads->Directory(), home.path() + "Programs/") << "the first section's own directory";
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_TRUE(tray.calls.isEmpty()) << "no tray default action and no scheduled events";
    EXPECT_EQ(m->ilIcons.size(), 62);
}

TEST_F(ManagerTest, LaterStartMapsTheCatalogueLaterDuplicatesWinAndBadValuesDoNoHarm)
{
    Catalogue::AddSection("Music", home.path() + "Music/");
    Catalogue::AddFolder("Albums", "Music", 5, 0);
    Catalogue::AddFolder("Live", "Music", 70, 0); // an icon the library does not hold
    write("headers.ini", "Header2", "Name", "Music");
    write("headers.ini", "Header2", "Location", home.path() + "Music2/");
    write("headers.ini", "Header3", "Location", home.path() + "Nameless/");
    write("headers.ini", "Header4", "Name", "Lost"); // no section file
    write("headers.ini", "Main", "NumHeads", "30000");
    write("Music.ini", "Cat3", "Name", "Albums");
    write("Music.ini", "Cat3", "Icon", "-4");
    write("Music.ini", "Main", "NumCats", "3");

    auto m = later();
    EXPECT_EQ(Captions(m->Nav), QStringList({"Music: Albums(5) Live(70) Albums(-4)", "Music: Albums(5) Live(70) Albums(-4)",
                                             "Header3: ", "Lost: "}))
        << "bounded by the sections present, not by NumHeads";
    EXPECT_EQ(m->HeaderNumber(m->Nav->Page(0)), 2) << "the later duplicate wins";
    EXPECT_EQ(m->HeaderNumber(m->Nav->Page(2)), 0) << "a missing name never matches";
    EXPECT_EQ(m->HeaderNumber(m->Nav->Page(3)), 4);
    m->Nav->Page(3)->SetCaption("lost");
    EXPECT_EQ(m->HeaderNumber(m->Nav->Page(3)), 0) << "exact comparison";
    EXPECT_EQ(m->NumHeads(), 30000);
    EXPECT_EQ(m->CategoryNumber(m->Nav->Page(0)->Button(0)), 3);
    EXPECT_EQ(m->CategoryNumber(m->Nav->Page(0)->Button(1)), 2);
    EXPECT_EQ(m->SectionLocation, home.path() + "Music2/") << "the location of the later Music";
    EXPECT_EQ(m->GetClickedButton(), m->Nav->Page(0)->Button(0));

    // Icons outside the library paint blank; the library holds exactly NumIcons.
    EXPECT_EQ(m->ilIcons.size(), 62);
    m->show();
    QImage shot = m->Nav->grab().toImage();
    EXPECT_FALSE(shot.isNull());
}

TEST_F(ManagerTest, LaterStartRunsTheSpeedCheckArmsTheTrayAndScansOnce)
{
    Catalogue::BuildDefaultCatalogue();
    Settings::deleteKey("Download", "Speed");
    auto m = later();
    ASSERT_EQ(dialogs.texts(), QStringList{TfrmManager::SpeedMissingText()});
    EXPECT_EQ(dialogs.modals(), QStringList{"flk::TfrmPreferences"});
    EXPECT_EQ(preferences.PageControl1->currentWidget(), preferences.tabDownload);
    EXPECT_EQ(tray.calls, QStringList({"arm", "scan"}));
    EXPECT_FALSE(m->isVisible());
}

TEST_F(ManagerTest, EmptyCatalogueSelectsNothingAndOffersNoNewFolder)
{
    write("headers.ini", "Main", "NumHeads", "0");
    auto m = later();
    EXPECT_EQ(m->Nav->PageCount(), 0);
    EXPECT_EQ(m->GetClickedPage(), nullptr);
    EXPECT_EQ(m->GetClickedButton(), nullptr);
    EXPECT_TRUE(m->SectionLocation.isEmpty());
    EXPECT_EQ(m->FEDownloads->ItemCount(), 0);
    for (QAction* a : {m->mnuNewFolder, m->mnuP_NewFolder, m->mnuB_NewFolder, m->mnuRenCat, m->mnuMainDelCat})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(m->mnuNewSection->isEnabled());
}

TEST_F(ManagerTest, PressingAFolderOrASectionSwitchesTheFilesShown)
{
    Catalogue::BuildDefaultCatalogue();
    WriteAll(home.path() + "Programs/Games/chess.zip", "x");
    WriteAll(home.path() + "Research/notes.txt", "x");
    Catalogue::AddSection("Bare", home.path() + "Bare/");
    WriteAll(home.path() + "Bare/loose.bin", "x");
    auto m = later();
    m->show();

    TLookOutButton* games = m->Nav->Page(0)->Button(1);
    games->Press();
    EXPECT_EQ(m->GetClickedButton(), games);
    EXPECT_EQ(m->FEDownloads->Directory(), home.path() + "Programs/Games/");
    EXPECT_EQ(m->FEDownloads->SelectedFileName(), "chess.zip");
    EXPECT_EQ(m->pnlCategory->text(), "Games - chess.zip");

    // Pressed through assistive technology, as a screen reader would.
    TLookOutButton* utilities = m->Nav->Page(0)->Button(2);
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(utilities);
    ASSERT_TRUE(item && item->actionInterface());
    item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(m->GetClickedButton(), utilities);
    EXPECT_EQ(m->pnlCategory->text(), "Utilities");

    // A folder whose directory is gone shows an empty list that says so,
    // never the previous folder's files; made again, it shows its files.
    QDir(home.path() + "Programs/Applications").removeRecursively();
    m->Nav->Page(0)->Button(3)->Press();
    EXPECT_EQ(m->FEDownloads->Directory(), home.path() + "Programs/Applications/");
    EXPECT_EQ(m->FEDownloads->ItemCount(), 0);
    EXPECT_TRUE(m->statusBar()->currentMessage().contains("Programs/Applications/ does not exist or cannot be read"))
        << m->statusBar()->currentMessage().toStdString();
    EXPECT_EQ(m->pnlCategory->text(), "Applications");
    QDir().mkpath(home.path() + "Programs/Applications");
    WriteAll(home.path() + "Programs/Applications/editor.bin", "x");
    m->Nav->Page(0)->Button(3)->Press();
    EXPECT_EQ(m->FEDownloads->FileNames(), QStringList{"editor.bin"});
    EXPECT_TRUE(m->statusBar()->currentMessage().isEmpty());

    // A section: its first folder; a section without folders: its own files.
    m->Nav->Page(1)->Press();
    EXPECT_EQ(m->GetClickedPage(), m->Nav->Page(1));
    EXPECT_EQ(m->GetClickedButton(), m->Nav->Page(1)->Button(0));
    EXPECT_EQ(m->FEDownloads->Directory(), home.path() + "Research/School/");
    m->Nav->Page(3)->Press();
    EXPECT_EQ(m->FEDownloads->Directory(), home.path() + "Bare/");
    EXPECT_EQ(m->FEDownloads->SelectTop(), "loose.bin");
    EXPECT_FALSE(m->mnuRenCat->isEnabled());
    EXPECT_FALSE(m->mnuMainDelCat->isEnabled());

    // Left with a file selected in a folder, such a section is headed by no
    // folder of the section before it.
    m->Nav->Page(0)->Press();
    games->Press();
    ASSERT_EQ(m->pnlCategory->text(), "Games - chess.zip");
    m->Nav->Page(3)->Press();
    ProcessMessages();
    EXPECT_EQ(m->pnlCategory->text(), "");
    // Nor do its files get records, or a report, in that folder's name.
    m->FEDownloads->SelectTop();
    m->mnuOpenClick();
    EXPECT_EQ(shell.opened, QStringList{home.path() + "Bare/loose.bin"});
    EXPECT_FALSE(QFile::exists(Catalogue::FolderFile("Bare", "Games")));
    EXPECT_EQ(m->ReportFolder(), "");
}

TEST_F(ManagerTest, PrivateMessagesReachTheirTargetsInTheOrderPosted)
{
    Catalogue::BuildDefaultCatalogue();
    auto m = later();
    m->show();
    auto* asker = new TfrmAsker;
    asker->SetDefaults();
    asker->show();
    Catalogue::AddFolder("Drafts", "Research", 0, 1);

    TLookOutButton* first = m->Nav->Page(0)->Button(0);
    first->resize(10, first->height());
    first->BeginDrag();
    AppMessages::Post(WM_FLK_NEWFOLDER, 1, 0);
    AppMessages::Post(WM_FLK_SPLITTER);
    AppMessages::Post(WM_FLK_ENDDRAG, 0, 0);
    EXPECT_TRUE(first->Dragging());
    ProcessMessages();
    EXPECT_EQ(asker->cbSection->currentText(), "Research");
    EXPECT_EQ(asker->cbCategory->currentText(), "Drafts");
    EXPECT_EQ(first->width(), m->Nav->Page(0)->width());
    EXPECT_FALSE(first->Dragging());
    delete asker;
}

TEST_F(ManagerTest, ClosingClearsTheIconsAndKeepsThePlaceAndAFarPlaceComesBackOnScreen)
{
    Catalogue::BuildDefaultCatalogue();
    auto m = later();
    m->move(50000, 50000);
    m->show();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(m->frameGeometry())) << "brought back onto the screen";
    EXPECT_EQ(m->ilIcons.size(), 62);
    m->close();
    EXPECT_TRUE(m->ilIcons.isEmpty());
    EXPECT_EQ(tray.calls.last(), "closed");
}

TEST_F(ManagerTest, MissingIconLibraryGivesBlankIcons)
{
    Settings::SetIconFile("no-such-library.png");
    Settings::SetNumIcons(5);
    Catalogue::BuildDefaultCatalogue();
    auto m = later();
    ASSERT_EQ(m->ilIcons.size(), 5);
    const QImage blank = m->ilIcons[0].pixmap(32, 32).toImage();
    EXPECT_EQ(blank.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(blank.pixel(16, 16)), 0);
    WriteAll(home.path() + "broken.png", "not a picture");
    EXPECT_EQ(IconLibrary::Load(home.path() + "broken.png", 3).size(), 3);
    EXPECT_GT(qAlpha(IconLibrary::Load(IconLibrary::Path("icons.png"), 62)[61].pixmap(32, 32).toImage().pixel(16, 16)), 0)
        << "the shipped library holds all 62";
}

TEST_F(ManagerTest, MenusCarryTheirTextsHintsAndShortcutsAndEveryFieldIsNamed)
{
    Catalogue::BuildDefaultCatalogue();
    auto m = later();
    QStringList top;
    for (QAction* a : m->menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top, QStringList({"&File", "&Edit", "&View", "&Help"}));
    EXPECT_EQ(m->mnuNewSection->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(m->mnuNewFolder->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(m->mnuRenSection->shortcut(), QKeySequence("Alt+Backspace"));
    EXPECT_EQ(m->mnuRenCat->shortcut(), QKeySequence("Shift+Alt+Backspace"));
    EXPECT_EQ(m->mnuMainDelSection->shortcut(), QKeySequence("Ctrl+Del"));
    EXPECT_EQ(m->mnuMainDelCat->shortcut(), QKeySequence("Shift+Del"));
    EXPECT_EQ(m->mnuRefresh->shortcut(), QKeySequence("F5"));
    EXPECT_EQ(m->mnuOptions->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(m->mnuContents->shortcut(), QKeySequence("F1"));
    EXPECT_EQ(m->mnuExit->statusTip(), "Close the Download Manager window");
    EXPECT_EQ(m->mnuNew->menuAction()->statusTip(), "Create a new section or folder");
    EXPECT_EQ(m->Nav->Page(0)->statusTip(), "Sections contain folders with files.  Right click for a helpful menu.");
    EXPECT_EQ(m->Nav->Page(0)->Button(0)->statusTip(), "Folders contain your files.  Right-click for a helpful menu.");

    m->show();
    m->mnuContents->trigger();
    m->mnuGettingStarted->trigger();
    ASSERT_EQ(shell.opened.size(), 2);
    EXPECT_TRUE(shell.opened[1].endsWith("flk.html#Getting_Started_For_The_First_Time")) << shell.opened[1].toStdString();
    m->mnuExit->trigger();
    EXPECT_FALSE(m->isVisible()) << "Exit closes the window only";

    for (QWidget* w : {static_cast<QWidget*>(m->Nav), static_cast<QWidget*>(m->FEDownloads),
                       static_cast<QWidget*>(m->FEDownloads->View()),
                       static_cast<QWidget*>(m->pnlCategory), static_cast<QWidget*>(m->menuBar()),
                       static_cast<QWidget*>(m->statusBar())})
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
}

} // namespace
