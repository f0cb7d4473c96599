// The options window over a real settings file: what each tab shows, what
// OK writes (every key, in order, all or none), its effects on the running
// windows, the start-with-the-session entry, bad input, and Cancel.

#include "AskerHost.h"
#include "Autostart.h"
#include "ConnectionSpeedBox.h"
#include "Catalogue.h"
#include "PreferencesHost.h"
#include "Profile.h"
#include "ProgramWindows.h"
#include "RateLimit.h"
#include "RecordingShell.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "TempHome.h"
#include "TrayCaptionHost.h"
#include "preferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace flk;
using namespace flk::test;

namespace {

// The tray window's and the manager window's sides, recorded.
class FakeWindows : public QObject, public TrayCaptionHost, public PreferencesHost, public AskerHost {
public:
    void ShowManager() override {}
    void SetLastScannedIfCurrent(const QString&, const QString&) override {}
    void EndSession() override {}
    TRateLimit& AllDownloadsLimit() override { return allDownloads; }
    TRateLimit allDownloads;
    void SetTrayCaption(const QString& caption) override { calls << "caption " + caption; }
    void SetFileMenuMode(bool shellMenu) override { calls << QString("menu %1").arg(shellMenu); }
    void SetScanEnabled(bool enabled) override { calls << QString("scan %1").arg(enabled); }
    void ApplyToolBarPreferences(bool allOff, bool showText) override
    {
        calls << QString("toolbar %1 %2").arg(allOff).arg(showText);
    }
    QStringList calls;
};

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override { Catalogue::BuildDefaultCatalogue(); }
    // Opens the window as the program does: filled when shown.
    void open()
    {
        prefs.hide();
        prefs.show();
        fake.calls.clear();
    }
    QByteArray settingsFile() const { return ReadAll(Settings::FileName()); }

    TempHome home;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    FakeWindows fake;
    ProgramWindows windows{&fake};
    TfrmPreferences prefs;
};

} // namespace

TEST_F(PreferencesTest, FreshSettingsShowTheDefaultsOnEveryTab)
{
    prefs.show();
    EXPECT_EQ(fake.calls, QStringList{"caption FLK"});
    EXPECT_EQ(prefs.windowTitle(), "Options");
    QStringList tabs;
    for (int i = 0; i < prefs.PageControl1->count(); ++i)
        tabs << prefs.PageControl1->tabText(i);
    EXPECT_EQ(tabs, QStringList({"General", "Management", "Download", "Virus Control", "Toolbar"}));

    EXPECT_EQ(prefs.cbAutoStart->text(), "&Start Fetchlark when I log in.");
    EXPECT_TRUE(prefs.cbAutoStart->isChecked());
    EXPECT_TRUE(prefs.cbDLDetect->isChecked());

    EXPECT_EQ(prefs.edtSectionRoot->text(), home.path());
    EXPECT_EQ(prefs.cbDeleteType->currentText(), "Send them to Trash");
    EXPECT_TRUE(prefs.cbAutoDelete->isChecked());
    EXPECT_TRUE(prefs.cbCatDelete->isChecked());
    EXPECT_TRUE(prefs.cbPrompt->isChecked());
    EXPECT_EQ(prefs.meDays->text(), "10");
    EXPECT_FALSE(prefs.cbDelete->isChecked());
    EXPECT_EQ(prefs.meDeleteDays->text(), "30");
    EXPECT_FALSE(prefs.cbShowMenu->isChecked());

    EXPECT_EQ(prefs.cbDefaultSection->currentText(), "Programs");
    EXPECT_EQ(prefs.cbDefaultSection->count(), 3);
    EXPECT_EQ(prefs.cbDefaultCat->currentText(), "Productivity");
    EXPECT_EQ(prefs.cbOpenWhen->currentText(), "I'll do it manually");
    EXPECT_TRUE(prefs.cbAutoMin->isChecked());
    EXPECT_FALSE(prefs.cbAutoMin->isVisibleTo(&prefs));
    EXPECT_TRUE(prefs.SpeedBox->optModem->isChecked());
    EXPECT_EQ(prefs.SpeedBox->cbModem->currentText(), "28.8 kbps");
    EXPECT_TRUE(prefs.SpeedBox->cbModem->isEnabled());
    EXPECT_FALSE(prefs.SpeedBox->cbT1->isEnabled());
    EXPECT_FALSE(prefs.SpeedBox->edtOther->isEnabled());

    EXPECT_EQ(prefs.edtCommandLine->text(), "");
    EXPECT_FALSE(prefs.cbAutoScan->isEnabled());

    for (QCheckBox* on : {prefs.cbTBNew, prefs.cbTBDelete, prefs.cbTBOptions, prefs.cbTBReport, prefs.cbTBProps,
                          prefs.cbTBStyle, prefs.cbTBHelp, prefs.cbShowText})
        EXPECT_TRUE(on->isChecked()) << on->text().toStdString();
    EXPECT_FALSE(prefs.cbTBBrowser->isChecked());
    EXPECT_FALSE(prefs.edtBrowserCL->isEnabled());
    EXPECT_FALSE(prefs.cbTBVirus->isChecked());
    EXPECT_FALSE(prefs.cmdVirusBrowse->isEnabled());
    EXPECT_EQ(prefs.cmbAlign->currentText(), "Top");
    EXPECT_FALSE(prefs.ToolbarChanged());
}

TEST_F(PreferencesTest, OkWritesEveryKeyInItsOrderAndStartsWithTheSession)
{
    QFile::remove(Settings::FileName());
    open();
    prefs.cmdOK->click();
    EXPECT_EQ(prefs.result(), QDialog::Accepted);
    EXPECT_EQ(settingsFile(), "[General]\nAutoStart=1\n"
                              "[Download]\nDownloadDetect=1\nDefaultSection=0\nDefaultCat=0\nOpenWhen=0\nAutoMin=1\n"
                              "Speed=28800\nSpeedLimit=0\nConnections=4\n"
                              "[Management]\nDeleteType=0\nConfirmDelete=1\nConfirmCatDelete=1\nDefaultRoot="
                                  + home.path().toUtf8()
                                  + "\nPromptIfNotOpened=1\nPromptDays=10\nAutoDelete=0\nDeleteDays=30\nShowMenu=0\n"
                                    "[VirusScanner]\nCommandLine=\nParameters=\nScanWhenDone=0\n"
                                    "[ToolBar]\nNew=1\nDelete=1\nOptions=1\nReport=1\nProps=1\nStyle=1\nHelp=1\n"
                                    "Browser=0\nBrowserCL=\nVirus=0\nVirusCL=\n"
                                    "[Main]\nToolAlign=3\nShowToolLabels=1\n");
    // The entry starts this very program, whatever its path holds.
    EXPECT_EQ(Autostart::EntryPath(), home.home() + ".config/autostart/Fetchlark.desktop");
    const QByteArray entry = ReadAll(Autostart::EntryPath());
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\nType=Application\nName=Fetchlark\n")) << entry.constData();
    EXPECT_TRUE(entry.contains("\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\"\n"));
    EXPECT_TRUE(entry.contains("\nComment=Marrowby Fetchlark\n"));
}

TEST_F(PreferencesTest, StoredValuesShowAndComeBackUnchangedThroughOk)
{
    Settings::SetAutoStart(false);
    Settings::SetDownloadDetect(false);
    Settings::SetManagementDefaultRoot("/srv/files/");
    Settings::SetDeleteType(1);
    Settings::SetConfirmDelete(false);
    Settings::SetPromptDays("7");
    Settings::SetAutoDelete(true);
    Settings::SetDeleteDays("99");
    Settings::SetShowMenu(true);
    Settings::SetDefaultSection(2);
    Settings::SetDefaultCat(1);
    Settings::SetOpenWhen(1);
    Settings::SetSpeed(384000);
    Settings::SetConnections(8);
    Settings::SetCommandLine("/usr/bin/clamscan");
    Settings::SetParameters("--remove");
    Settings::SetScanWhenDone(true);
    Settings::SetToolBarHelp(false);
    Settings::SetToolBarVirus(true);
    Settings::SetVirusCL("/usr/bin/clamtk");
    Settings::writeString("Main", "BrowserPath", "/usr/bin/firefox");
    Settings::SetToolAlign(2);
    Settings::SetShowToolLabels(false);
    const QByteArray before = settingsFile();

    open();
    EXPECT_FALSE(prefs.cbAutoStart->isChecked());
    EXPECT_EQ(prefs.edtSectionRoot->text(), "/srv/files/");
    EXPECT_EQ(prefs.cbDeleteType->currentText(), "Permanently delete them");
    EXPECT_EQ(prefs.meDays->text(), "7");
    EXPECT_EQ(prefs.meDeleteDays->text(), "99");
    EXPECT_EQ(prefs.cbDefaultSection->currentText(), "Internet");
    EXPECT_EQ(prefs.cbDefaultCat->currentText(), "E-Mail Files");
    EXPECT_EQ(prefs.cbOpenWhen->currentText(), "Immediately after it is downloaded");
    EXPECT_TRUE(prefs.SpeedBox->optT1->isChecked());
    EXPECT_EQ(prefs.SpeedBox->cbT1->currentText(), "384 kbps");
    EXPECT_EQ(prefs.spnConnections->value(), 8);
    EXPECT_EQ(prefs.spnConnections->accessibleName(), "Connections per download");
    EXPECT_TRUE(prefs.cbAutoScan->isEnabled());
    EXPECT_TRUE(prefs.cbAutoScan->isChecked());
    EXPECT_EQ(prefs.edtBrowserCL->text(), "/usr/bin/firefox"); // from BrowserPath
    EXPECT_EQ(prefs.edtVirusCL->text(), "/usr/bin/clamtk");
    EXPECT_TRUE(prefs.edtVirusCL->isEnabled());
    EXPECT_EQ(prefs.cmbAlign->currentText(), "Right");
    EXPECT_FALSE(prefs.cbShowText->isChecked());

    prefs.cmdOK->click();
    WriteAll(home.file("before.ini"), before);
    const Profile was(home.file("before.ini"));
    const Profile now(Settings::FileName());
    for (const QString& section : was.readSections())
        for (const QString& key : was.readSection(section))
            EXPECT_EQ(now.readString(section, key, "?"), was.readString(section, key, "")) << key.toStdString();
    EXPECT_EQ(now.readString("ToolBar", "BrowserCL", ""), "/usr/bin/firefox");
    EXPECT_FALSE(Autostart::Exists());
}

TEST_F(PreferencesTest, OkChangesTheRunningWindowsAndTheToolbarOnlyWhenItsTabWasTouched)
{
    open();
    prefs.cbDLDetect->click();
    prefs.cbShowMenu->click();
    prefs.edtCommandLine->setText("/usr/bin/clamscan");
    prefs.cmdOK->click();
    EXPECT_EQ(fake.calls, QStringList({"caption FLK - Download Detect Disabled", "menu 1", "scan 1"}));

    open();
    prefs.edtCommandLine->clear();
    EXPECT_FALSE(prefs.cbAutoScan->isEnabled());
    prefs.cbShowText->click();
    prefs.cmdOK->click();
    EXPECT_EQ(fake.calls.mid(2), QStringList({"scan 0", "toolbar 0 0"}));

    open();
    for (QCheckBox* box : {prefs.cbTBNew, prefs.cbTBDelete, prefs.cbTBOptions, prefs.cbTBReport, prefs.cbTBProps,
                           prefs.cbTBStyle, prefs.cbTBHelp})
        box->click();
    prefs.cmdOK->click();
    EXPECT_EQ(fake.calls.last(), "toolbar 1 0");

    open(); // a new alignment alone moves the bar at once
    prefs.cmbAlign->setCurrentIndex(0);
    prefs.cmdOK->click();
    EXPECT_EQ(fake.calls.filter("toolbar"), QStringList{"toolbar 1 0"});
}

TEST_F(PreferencesTest, OtherSpeedIsStoredInBitsPerSecondAndShownBackTheSameWay)
{
    open();
    prefs.SpeedBox->optOther->click();
    EXPECT_FALSE(prefs.SpeedBox->cbModem->isEnabled());
    EXPECT_TRUE(prefs.SpeedBox->edtOther->isEnabled());
    prefs.SpeedBox->edtOther->setText("1.5");
    prefs.SpeedBox->optmbps->click();
    prefs.cmdOK->click();
    EXPECT_EQ(Settings::Speed(), 1500000);

    Settings::SetSpeed(12345);
    open();
    EXPECT_TRUE(prefs.SpeedBox->optOther->isChecked());
    EXPECT_EQ(prefs.SpeedBox->edtOther->text(), "12.345");
    EXPECT_TRUE(prefs.SpeedBox->optkbps->isChecked());
    prefs.cmdOK->click();
    EXPECT_EQ(Settings::Speed(), 12345);
}

TEST_F(PreferencesTest, ASpeedThatIsNoUsableNumberKeepsTheWindowOpenAndWritesNothing)
{
    open();
    const QByteArray before = settingsFile();
    prefs.SpeedBox->optOther->click();
    for (const char* text : {"fast", "0", "-56", "99999999"}) {
        prefs.SpeedBox->optmbps->click();
        prefs.SpeedBox->edtOther->setText(text);
        prefs.PageControl1->setCurrentWidget(prefs.tsMisc);
        prefs.cmdOK->click();
        EXPECT_EQ(dialogs.texts().last(), "Please specify a valid numeric value.");
        EXPECT_EQ(prefs.PageControl1->currentWidget(), prefs.tabDownload);
        EXPECT_NE(prefs.result(), QDialog::Accepted);
    }
    EXPECT_EQ(dialogs.texts().size(), 4);
    EXPECT_EQ(settingsFile(), before);
    EXPECT_FALSE(Autostart::Exists());
}

TEST_F(PreferencesTest, CancelWritesNothingAndTheNextShowingRefillsEverything)
{
    Settings::SetSpeed(28800);
    const QByteArray before = settingsFile();
    open();
    prefs.cbAutoStart->click();
    prefs.cbTBBrowser->click();
    EXPECT_TRUE(prefs.edtBrowserCL->isEnabled());
    prefs.edtBrowserCL->setText("/usr/bin/firefox");
    prefs.SpeedBox->optT1->click();
    QTest::keyClick(&prefs, Qt::Key_Escape);
    EXPECT_EQ(prefs.result(), QDialog::Rejected);
    EXPECT_EQ(settingsFile(), before);
    EXPECT_FALSE(Autostart::Exists());
    EXPECT_TRUE(fake.calls.isEmpty());

    open();
    EXPECT_TRUE(prefs.cbAutoStart->isChecked());
    EXPECT_FALSE(prefs.cbTBBrowser->isChecked());
    EXPECT_EQ(prefs.edtBrowserCL->text(), "");
    EXPECT_TRUE(prefs.SpeedBox->optModem->isChecked());
    EXPECT_FALSE(prefs.ToolbarChanged());
}

TEST_F(PreferencesTest, EnterPressesOkAndUncheckingStartWithTheSessionRemovesTheEntry)
{
    Autostart::Create("/opt/fetchlark/fetchlark");
    ASSERT_TRUE(Autostart::Exists());
    open();
    prefs.cbAutoStart->click();
    prefs.meDays->setFocus();
    QTest::keyClick(prefs.meDays, Qt::Key_Return);
    EXPECT_EQ(prefs.result(), QDialog::Accepted);
    EXPECT_FALSE(Autostart::Exists());
    EXPECT_EQ(Settings::readString("General", "AutoStart", ""), "0");
}

TEST_F(PreferencesTest, SectionAndFolderIndexesBeyondTheListsSelectNothing)
{
    Settings::SetDefaultSection(1);
    Settings::SetDefaultCat(7);
    open();
    EXPECT_EQ(prefs.cbDefaultSection->currentText(), "Research");
    EXPECT_EQ(prefs.cbDefaultCat->count(), 3);
    EXPECT_EQ(prefs.cbDefaultCat->currentIndex(), -1);
    prefs.cbDefaultSection->setCurrentIndex(2);
    EXPECT_EQ(prefs.cbDefaultCat->currentText(), "FTP Files");

    Settings::SetDefaultSection(3);
    open();
    EXPECT_EQ(prefs.cbDefaultSection->currentIndex(), -1);
    EXPECT_EQ(prefs.cbDefaultCat->count(), 0);
}

TEST_F(PreferencesTest, DaysBoxesHoldTwoDigitsAndNeverStoreNothing)
{
    Settings::SetPromptDays("365");
    Settings::SetDeleteDays("soon");
    open();
    EXPECT_EQ(prefs.meDays->text(), "10");
    EXPECT_EQ(prefs.meDeleteDays->text(), "30");
    prefs.meDays->clear();
    QTest::keyClicks(prefs.meDays, "1x234");
    EXPECT_EQ(prefs.meDays->text(), "12");
    prefs.meDeleteDays->clear();
    prefs.cmdOK->click();
    EXPECT_EQ(Settings::PromptDays(), "12");
    EXPECT_EQ(Settings::readString("Management", "DeleteDays", "?"), "30");
}

TEST_F(PreferencesTest, AnEntryFolderThatCannotBeMadeShowsTheErrorAndWritesNothing)
{
    WriteAll(home.home() + ".config/autostart", "a file where the folder should be");
    open();
    const QByteArray before = settingsFile();
    prefs.cmdOK->click();
    EXPECT_EQ(dialogs.texts(), QStringList{"Unable to write to " + Autostart::EntryPath()});
    EXPECT_NE(prefs.result(), QDialog::Accepted);
    EXPECT_EQ(settingsFile(), before);
    EXPECT_TRUE(fake.calls.isEmpty());
}

// The file-size limit holds for root too: the settings file grows past it
// part-way through OK's writes.
TEST_F(PreferencesTest, ASettingsFileThatCannotBeWrittenShowsTheErrorAndKeepsEveryOldValue)
{
    Settings::SetSpeed(33600);
    open();
    prefs.cbDLDetect->click();
    prefs.SpeedBox->optT1->click();
    const QByteArray before = settingsFile();

    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = before.size() + 60;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    prefs.cmdOK->click();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(dialogs.texts(), QStringList{"Unable to write to " + Settings::FileName()});
    EXPECT_EQ(settingsFile(), before);
    EXPECT_FALSE(Autostart::Exists());
    EXPECT_TRUE(fake.calls.isEmpty());
    EXPECT_NE(prefs.result(), QDialog::Accepted);
}

TEST_F(PreferencesTest, ScannerAndBrowserBrowsingFillTheBoxBesideTheButton)
{
    open();
    prefs.cbTBBrowser->click();
    dialogs.answerFile("/usr/bin/firefox");
    prefs.cmdBrowserBrowse->click();
    EXPECT_EQ(prefs.edtBrowserCL->text(), "/usr/bin/firefox");
    dialogs.answerFolder("/srv/downloads");
    prefs.cmdSectionBrowse->click();
    EXPECT_EQ(prefs.edtSectionRoot->text(), "/srv/downloads/");
    prefs.cmdBrowse->click(); // cancelled: the box keeps its text
    EXPECT_EQ(prefs.edtCommandLine->text(), "");
}

TEST_F(PreferencesTest, TheSpeedLimitOfAllDownloadsIsStoredAndHoldsRunningDownloadsAtOnce)
{
    open();
    EXPECT_EQ(prefs.spnSpeedLimit->text(), "No limit");
    EXPECT_EQ(prefs.spnSpeedLimit->accessibleName(), "Speed limit for all downloads");
    prefs.PageControl1->setCurrentWidget(prefs.tabDownload);
    prefs.spnSpeedLimit->setFocus();
    prefs.spnSpeedLimit->selectAll();
    QTest::keyClicks(prefs.spnSpeedLimit, "500");
    prefs.cmdOK->click();
    EXPECT_EQ(Settings::SpeedLimit(), 500);
    EXPECT_EQ(fake.allDownloads.Rate(), 500 * 1024);

    open();
    EXPECT_EQ(prefs.spnSpeedLimit->value(), 500);
    prefs.spnSpeedLimit->setValue(0);
    prefs.cmdCancel->click();
    EXPECT_EQ(Settings::SpeedLimit(), 500) << "Cancel writes nothing";
    EXPECT_EQ(fake.allDownloads.Rate(), 500 * 1024);
}
