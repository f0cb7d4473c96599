// The settings file dlmain.ini: defaults of every reader and the stored text.
#include "Settings.h"
#include "Profile.h"
#include "TempHome.h"
#include "QtPrint.h"

#include <gtest/gtest.h>

using namespace flk;
using flk::test::ReadAll;
using flk::test::TempHome;
using flk::test::WriteAll;

TEST(Settings, LivesInTheProgramFolder)
{
    TempHome home;
    EXPECT_EQ(Settings::FileName(), home.file("dlmain.ini"));
    Settings::SetFirstRun(false);
    EXPECT_EQ(ReadAll(home.file("dlmain.ini")), "[Main]\nFirstRun=0\n");
}

TEST(Settings, DefaultsWhenTheFileIsMissing)
{
    TempHome home;
    EXPECT_TRUE(Settings::FirstRun());
    EXPECT_EQ(Settings::MainDefaultRoot(), home.path());
    EXPECT_EQ(Settings::ManagementDefaultRoot(), home.path());
    EXPECT_EQ(Settings::ViewStyle(), 3);
    EXPECT_EQ(Settings::NumIcons(), 62);
    EXPECT_EQ(Settings::IconFile(), "icons.png");
    EXPECT_EQ(Settings::ToolAlign(), 3);
    EXPECT_TRUE(Settings::ShowToolLabels());
    EXPECT_EQ(Settings::ScannerPath(), "");
    EXPECT_EQ(Settings::BrowserPath(), "");
    EXPECT_TRUE(Settings::AutoStart());
    EXPECT_TRUE(Settings::DownloadDetect());
    EXPECT_EQ(Settings::DefaultSection(), 0);
    EXPECT_EQ(Settings::DefaultSectionOrNone(), -1);
    EXPECT_EQ(Settings::DefaultCat(), 0);
    EXPECT_EQ(Settings::DefaultCatOrNone(), -1);
    EXPECT_EQ(Settings::OpenWhen(), 0);
    EXPECT_TRUE(Settings::ShowDetails());
    EXPECT_FALSE(Settings::AutoMinimize());
    EXPECT_FALSE(Settings::AutoClose());
    EXPECT_FALSE(Settings::AutoPaste());
    EXPECT_TRUE(Settings::PromptDone());
    EXPECT_TRUE(Settings::AutoMin());
    EXPECT_EQ(Settings::Speed(), 28800);
    EXPECT_EQ(Settings::SpeedForStartupCheck(), 0);
    EXPECT_TRUE(Settings::PromptIfNotOpened());
    EXPECT_EQ(Settings::PromptDays(), "10");
    EXPECT_EQ(Settings::PromptDaysForScan(), 10);
    EXPECT_FALSE(Settings::AutoDelete());
    EXPECT_EQ(Settings::DeleteDays(), "30");
    EXPECT_EQ(Settings::DeleteType(), 0);
    EXPECT_TRUE(Settings::ConfirmDelete());
    EXPECT_TRUE(Settings::ConfirmCatDelete());
    EXPECT_FALSE(Settings::ShowMenu());
    EXPECT_EQ(Settings::CommandLine(), "");
    EXPECT_EQ(Settings::Parameters(), "");
    EXPECT_FALSE(Settings::ScanWhenDone());
    EXPECT_TRUE(Settings::ToolBarNew());
    EXPECT_TRUE(Settings::ToolBarDelete());
    EXPECT_TRUE(Settings::ToolBarProps());
    EXPECT_TRUE(Settings::ToolBarOptions());
    EXPECT_TRUE(Settings::ToolBarReport());
    EXPECT_TRUE(Settings::ToolBarStyle());
    EXPECT_TRUE(Settings::ToolBarHelp());
    EXPECT_FALSE(Settings::ToolBarBrowser());
    EXPECT_FALSE(Settings::ToolBarVirus());
    EXPECT_EQ(Settings::BrowserCL(), "");
    EXPECT_EQ(Settings::VirusCL(), "");
    EXPECT_EQ(Settings::Width(), 10000);
    EXPECT_EQ(Settings::Height(), 343);
    EXPECT_EQ(Settings::Top(769), 384);
    EXPECT_EQ(Settings::Left(769), 174);
}

TEST(Settings, TwoReadersOfOneKeySeeTheStoredValue)
{
    TempHome home;
    Settings::SetSpeed(56600);
    Settings::SetDefaultSection(2);
    Settings::SetPromptDays(" 7");
    EXPECT_EQ(Settings::Speed(), 56600);
    EXPECT_EQ(Settings::SpeedForStartupCheck(), 56600);
    EXPECT_EQ(Settings::DefaultSectionOrNone(), 2);
    EXPECT_EQ(Settings::PromptDays(), "7"); // blanks of the masked field are dropped on reading
    EXPECT_EQ(Settings::PromptDaysForScan(), 7);
    EXPECT_EQ(ReadAll(home.file("dlmain.ini")),
              "[Download]\nSpeed=56600\nDefaultSection=2\n[Management]\nPromptDays= 7\n");
}

TEST(Settings, SectionsAndKeysWrittenInAnotherCaseAreFound)
{
    TempHome home;
    WriteAll(home.file("DLMAIN.INI"), "[toolbar]\nnew=0\n[management]\nshowmenu=1\n[DOWNLOAD]\nspeed=0x3840\n");
    EXPECT_FALSE(Settings::ToolBarNew());
    EXPECT_TRUE(Settings::ShowMenu());
    EXPECT_EQ(Settings::Speed(), 14400);
    Settings::SetToolBarNew(true);
    EXPECT_EQ(ReadAll(home.file("DLMAIN.INI")), "[toolbar]\nnew=1\n[management]\nshowmenu=1\n[DOWNLOAD]\nspeed=0x3840\n");
}

TEST(Settings, NonIntegersGiveTheReadersDefaults)
{
    TempHome home;
    WriteAll(home.file("dlmain.ini"), "[Download]\nSpeed=fast\nDownloadDetect=yes\nDefaultCat=\n"
                                      "[Main]\nViewStyle=3.5\n[Position]\nWidth=wide\nHeight=x\n");
    EXPECT_EQ(Settings::Speed(), 28800);
    EXPECT_EQ(Settings::SpeedForStartupCheck(), 0);
    EXPECT_TRUE(Settings::DownloadDetect());
    EXPECT_EQ(Settings::DefaultCatOrNone(), -1);
    EXPECT_EQ(Settings::ViewStyle(), 3);
    EXPECT_EQ(Settings::Width(), 10000);
    EXPECT_EQ(Settings::Height(), 343);
}

TEST(Settings, PositionIsWrittenAsFourKeysInOrder)
{
    TempHome home;
    Settings::SetPosition(640, 480, 10, 20);
    EXPECT_EQ(ReadAll(home.file("dlmain.ini")), "[Position]\nWidth=640\nHeight=480\nTop=10\nLeft=20\n");
    EXPECT_EQ(Settings::Width(), 640);
    EXPECT_EQ(Settings::Height(), 480);
    EXPECT_EQ(Settings::Top(1000), 10);
    EXPECT_EQ(Settings::Left(1000), 20);
}

TEST(Settings, OnlyWidthPresentPlacesByTheScreenHeight)
{
    TempHome home;
    WriteAll(home.file("dlmain.ini"), "[Position]\nWidth=500\n");
    EXPECT_EQ(Settings::Width(), 500);
    EXPECT_EQ(Settings::Height(), 343);
    EXPECT_EQ(Settings::Top(1080), 540);
    EXPECT_EQ(Settings::Left(1080), 330);
}

TEST(Settings, GenericAccessAndBooleansAsOneAndZero)
{
    TempHome home;
    Settings::writeBool("General", "DetectIE", true);
    Settings::writeBool("General", "DetectNS", false);
    Settings::writeString("VirusScanner", "CommandLine", "/usr/bin/clamscan");
    Settings::writeInteger("Management", "DeleteType", 1);
    EXPECT_TRUE(Settings::DetectIE());
    EXPECT_FALSE(Settings::DetectNS());
    EXPECT_EQ(Settings::CommandLine(), "/usr/bin/clamscan");
    EXPECT_EQ(Settings::DeleteType(), 1);
    EXPECT_TRUE(Settings::valueExists("general", "detectie"));
    Settings::deleteKey("General", "DetectIE");
    EXPECT_FALSE(Settings::valueExists("General", "DetectIE"));
    EXPECT_EQ(Settings::readInteger("Management", "DeleteType", 0), 1);
    EXPECT_EQ(Settings::readString("Nowhere", "Nothing", "def"), "def");
    EXPECT_EQ(ReadAll(home.file("dlmain.ini")),
              "[General]\nDetectNS=0\n[VirusScanner]\nCommandLine=/usr/bin/clamscan\n[Management]\nDeleteType=1\n");
}

TEST(Settings, ARefusedWriteNamesTheFile)
{
    TempHome home;
    WriteAll(home.file("blocker"), "x");
    qputenv("FETCHLARK_HOME", home.file("blocker/inner").toUtf8());
    // The program folder cannot be made under a regular file, so the write
    // is refused with the full path.
    try {
        Settings::SetFirstRun(false);
        FAIL() << "no error";
    } catch (const EProfileError& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + home.file("blocker/inner/dlmain.ini"));
    }
}
