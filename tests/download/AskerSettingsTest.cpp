// The dialog's defaults and places: read from dlmain.ini and the catalogue,
// written back on Download.
#include "AskerFixture.h"

#include "Profile.h"
#include "RinGauge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

namespace flk::test {
namespace {

Profile Ini(const TempHome& home)
{
    return Profile(home.file(QStringLiteral("dlmain.ini")));
}

TEST_F(AskerTest, DefaultsWithoutSettingsFile)
{
    Open();
    EXPECT_TRUE(asker->cbPrompt->isChecked());
    EXPECT_EQ(asker->meDays->text(), "10");
    EXPECT_FALSE(asker->cbAutoDelete->isChecked());
    EXPECT_EQ(asker->meDeleteDays->text(), "30");
    EXPECT_TRUE(asker->cbEnableDetect->isChecked());
    EXPECT_EQ(asker->cbOpenWhen->currentIndex(), 0);
    EXPECT_TRUE(asker->cbDetails->isChecked());
    EXPECT_FALSE(asker->cbMinimize->isChecked());
    EXPECT_FALSE(asker->cbClose->isChecked());
    EXPECT_FALSE(asker->cbPaste->isChecked());
    EXPECT_TRUE(asker->cbPromptDone->isChecked());
    EXPECT_FALSE(asker->cbAutoScan->isEnabled()); // no scanner configured
    EXPECT_FALSE(asker->cbAutoScan->isChecked());
    // A client area of 403 and 305 at the design font; larger fonts grow both alike.
    EXPECT_GE(asker->height(), 403);
    EXPECT_GE(asker->width(), 510);
    const int withDetails = asker->height();
    asker->cbDetails->setChecked(false);
    EXPECT_EQ(withDetails - asker->height(), 430 - 332);
    asker->cbDetails->setChecked(true);
    EXPECT_EQ(asker->height(), withDetails);
    EXPECT_EQ(asker->windowTitle(), "Download a File");
}

TEST_F(AskerTest, DefaultsReadFromSettingsFile)
{
    Profile ini = Ini(home);
    ini.writeBool("Management", "PromptIfNotOpened", false);
    ini.writeString("Management", "PromptDays", "7");
    ini.writeBool("Management", "AutoDelete", true);
    ini.writeString("Management", "DeleteDays", "45");
    ini.writeBool("Download", "DownloadDetect", false);
    ini.writeInteger("Download", "OpenWhen", 1);
    ini.writeBool("Download", "ShowDetails", false);
    ini.writeBool("Download", "AutoMinimize", true);
    ini.writeBool("Download", "AutoClose", true);
    ini.writeBool("Download", "AutoPaste", true);
    ini.writeBool("Download", "PromptDone", false);
    ini.writeString("VirusScanner", "CommandLine", "/opt/scan/scanner");
    ini.writeBool("VirusScanner", "ScanWhenDone", true);
    ini.writeInteger("Download", "DefaultSection", 0);
    ini.writeInteger("Download", "DefaultCat", 1);

    Open();
    EXPECT_FALSE(asker->cbPrompt->isChecked());
    EXPECT_EQ(asker->meDays->text(), "7");
    EXPECT_TRUE(asker->cbAutoDelete->isChecked());
    EXPECT_EQ(asker->meDeleteDays->text(), "45");
    EXPECT_FALSE(asker->cbEnableDetect->isChecked());
    EXPECT_EQ(asker->cbOpenWhen->currentText(), "Immediately after it is downloaded");
    EXPECT_FALSE(asker->cbDetails->isChecked());
    EXPECT_GE(asker->height(), 305);
    EXPECT_FALSE(asker->ListBox1->isVisibleTo(asker));
    EXPECT_TRUE(asker->cbMinimize->isChecked());
    EXPECT_TRUE(asker->cbClose->isChecked());
    EXPECT_TRUE(asker->cbPaste->isChecked());
    EXPECT_FALSE(asker->cbPromptDone->isChecked());
    EXPECT_TRUE(asker->cbAutoScan->isEnabled());
    EXPECT_TRUE(asker->cbAutoScan->isChecked());
    EXPECT_EQ(asker->cbSection->currentText(), "Programs");
    EXPECT_EQ(asker->cbCategory->currentText(), "Games");
}

TEST_F(AskerTest, PlacesListSectionsAndFoldersInOrder)
{
    Open();
    ASSERT_EQ(asker->cbSection->count(), 2);
    EXPECT_EQ(asker->cbSection->itemText(0), "Programs");
    EXPECT_EQ(asker->cbSection->itemText(1), "Empty");
    ASSERT_EQ(asker->cbCategory->count(), 2);
    EXPECT_EQ(asker->cbCategory->itemText(0), "Utilities");
    EXPECT_EQ(asker->cbCategory->itemText(1), "Games");

    asker->cbSection->setCurrentIndex(1); // a section without folders
    EXPECT_EQ(asker->cbCategory->count(), 0);
    asker->cbSection->setCurrentIndex(0);
    EXPECT_EQ(asker->cbCategory->currentText(), "Utilities");
}

TEST_F(AskerTest, PlacesOutOfRangeFallBackToFirst)
{
    Profile ini = Ini(home);
    ini.writeInteger("Download", "DefaultSection", 7);
    ini.writeInteger("Download", "DefaultCat", 9);
    Open();
    EXPECT_EQ(asker->cbSection->currentIndex(), 0);
    EXPECT_EQ(asker->cbCategory->currentIndex(), 0);

    ini.writeInteger("Download", "DefaultSection", -3);
    ini.writeInteger("Download", "DefaultCat", -1);
    asker->SetDefaultPlace();
    EXPECT_EQ(asker->cbSection->currentIndex(), 0);
    EXPECT_EQ(asker->cbCategory->currentIndex(), 0);

    ini.writeString("Download", "DefaultSection", "second");
    asker->SetDefaultPlace();
    EXPECT_EQ(asker->cbSection->currentIndex(), 0);
}

TEST_F(AskerTest, DefaultSectionWithoutFoldersLeavesFolderListEmpty)
{
    Ini(home).writeInteger("Download", "DefaultSection", 1);
    Ini(home).writeInteger("Download", "DefaultCat", 3);
    Open();
    EXPECT_EQ(asker->cbSection->currentText(), "Empty");
    EXPECT_EQ(asker->cbCategory->count(), 0);
    EXPECT_EQ(asker->cbCategory->currentText(), "");
}

TEST_F(AskerTest, NoCatalogueAtAllGivesEmptyLists)
{
    QFile::remove(Catalogue::HeadersFile());
    Open();
    EXPECT_EQ(asker->cbSection->count(), 0);
    EXPECT_EQ(asker->cbCategory->count(), 0);
}

TEST_F(AskerTest, TargetPathJoinsLocationFolderAndName)
{
    Open(QStringLiteral("tool.tar.gz"));
    EXPECT_EQ(asker->TargetPath(), home.path() + "Programs/Utilities/tool.tar.gz");
    asker->cbCategory->setCurrentIndex(1);
    EXPECT_EQ(asker->TargetPath(), home.path() + "Programs/Games/tool.tar.gz");
    EXPECT_EQ(asker->FolderFile(), home.path() + "Programs-Games.ini");
}

TEST_F(AskerTest, DownloadWritesTheDefaults)
{
    Open();
    asker->cbOpenWhen->setCurrentIndex(1);
    asker->cbCategory->setCurrentIndex(1);
    asker->cbMinimize->setChecked(false);
    asker->cbClose->setChecked(true);
    asker->cbPaste->setChecked(true);
    asker->cbPromptDone->setChecked(false);
    asker->cbDetails->setChecked(false);
    asker->cbEnableDetect->setChecked(false);
    asker->cbPrompt->setChecked(false);
    asker->meDays->setText("5");
    asker->cbAutoDelete->setChecked(true);
    asker->meDeleteDays->setText("12");
    asker->cmdOK->click();

    const Profile ini = Ini(home);
    EXPECT_EQ(ini.readString("Download", "OpenWhen", ""), "1");
    EXPECT_EQ(ini.readString("Download", "DefaultSection", ""), "0");
    EXPECT_EQ(ini.readString("Download", "DefaultCat", ""), "1");
    EXPECT_EQ(ini.readString("Download", "DownloadDetect", ""), "0");
    EXPECT_EQ(ini.readString("Download", "ShowDetails", ""), "0");
    EXPECT_EQ(ini.readString("Download", "AutoMinimize", ""), "0");
    EXPECT_EQ(ini.readString("Download", "AutoClose", ""), "1");
    EXPECT_EQ(ini.readString("Download", "AutoPaste", ""), "1");
    EXPECT_EQ(ini.readString("Download", "PromptDone", ""), "0");
    EXPECT_EQ(ini.readString("Management", "PromptIfNotOpened", ""), "0");
    EXPECT_EQ(ini.readString("Management", "PromptDays", ""), "5");
    EXPECT_EQ(ini.readString("Management", "AutoDelete", ""), "1");
    EXPECT_EQ(ini.readString("Management", "DeleteDays", ""), "12");
    EXPECT_EQ(ini.readString("VirusScanner", "ScanWhenDone", ""), "0");

    // A new dialog starts from what was saved.
    delete asker.data();
    Open();
    EXPECT_EQ(asker->cbCategory->currentText(), "Games");
    EXPECT_EQ(asker->cbOpenWhen->currentIndex(), 1);
    EXPECT_EQ(asker->meDeleteDays->text(), "12");
}

TEST_F(AskerTest, SaveAsDefaultBoxIsStoredWhenClicked)
{
    Open();
    asker->cbDefault->click();
    EXPECT_EQ(Ini(home).readString("Download", "SaveAsDefault", ""), "0");
    asker->cbDefault->click();
    EXPECT_EQ(Ini(home).readString("Download", "SaveAsDefault", ""), "1");
}

TEST_F(AskerTest, ShowSetsSpeedGaugeFromConnectionSpeed)
{
    Ini(home).writeInteger("Download", "Speed", 56600);
    Open();
    asker->show();
    EXPECT_EQ(asker->gSpeed->Max(), 56600);
    EXPECT_EQ(asker->gSpeed->SecondIndicationPoint(), 37356);
    EXPECT_EQ(asker->gSpeed->FirstIndicationPoint(), 18678);
    EXPECT_EQ(asker->gSpeed->ThirdPartColor(), QColor(0, 255, 0));
    EXPECT_EQ(asker->ExpectedSize, 0);
    EXPECT_EQ(asker->ResumeOffset, 0);
}

TEST_F(AskerTest, NewFolderMessageReloadsAVisibleDialog)
{
    Open();
    asker->NewFolderCreated(1); // hidden: nothing happens
    EXPECT_EQ(asker->cbSection->currentIndex(), 0);

    asker->show();
    Catalogue::AddFolder(QStringLiteral("Fresh"), QStringLiteral("Empty"), 0, 1);
    Catalogue::AddFolder(QStringLiteral("Newer"), QStringLiteral("Empty"), 0, 1);
    asker->NewFolderCreated(1);
    EXPECT_EQ(asker->cbSection->currentText(), "Empty");
    EXPECT_EQ(asker->cbCategory->currentText(), "Newer");
}

} // namespace
} // namespace flk::test
