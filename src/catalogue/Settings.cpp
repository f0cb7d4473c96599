#include "Settings.h"

#include "Profile.h"
#include "ProgramFolder.h"

namespace flk {

namespace {
const QString kPosition = QStringLiteral("Position");
} // namespace

QString Settings::FileName()
{
    return ProgramFolder() + QStringLiteral("dlmain.ini");
}

QString Settings::readString(const QString& section, const QString& key, const QString& def)
{
    return Profile(FileName()).readString(section, key, def);
}

int Settings::readInteger(const QString& section, const QString& key, int def)
{
    return Profile(FileName()).readInteger(section, key, def);
}

bool Settings::readBool(const QString& section, const QString& key, bool def)
{
    return Profile(FileName()).readBool(section, key, def);
}

void Settings::writeString(const QString& section, const QString& key, const QString& value)
{
    Profile(FileName()).writeString(section, key, value);
}

void Settings::writeInteger(const QString& section, const QString& key, int value)
{
    Profile(FileName()).writeInteger(section, key, value);
}

void Settings::writeBool(const QString& section, const QString& key, bool value)
{
    Profile(FileName()).writeBool(section, key, value);
}

bool Settings::valueExists(const QString& section, const QString& key)
{
    return Profile(FileName()).valueExists(section, key);
}

void Settings::deleteKey(const QString& section, const QString& key)
{
    Profile(FileName()).deleteKey(section, key);
}

bool Settings::FirstRun()
{
    return readBool(QStringLiteral("Main"), QStringLiteral("FirstRun"), true);
}

void Settings::SetFirstRun(bool value)
{
    writeBool(QStringLiteral("Main"), QStringLiteral("FirstRun"), value);
}

QString Settings::MainDefaultRoot()
{
    return readString(QStringLiteral("Main"), QStringLiteral("DefaultRoot"), ProgramFolder());
}

void Settings::SetMainDefaultRoot(const QString& value)
{
    writeString(QStringLiteral("Main"), QStringLiteral("DefaultRoot"), value);
}

int Settings::ViewStyle()
{
    return readInteger(QStringLiteral("Main"), QStringLiteral("ViewStyle"), 3);
}

void Settings::SetViewStyle(int value)
{
    writeInteger(QStringLiteral("Main"), QStringLiteral("ViewStyle"), value);
}

int Settings::NumIcons()
{
    return readInteger(QStringLiteral("Main"), QStringLiteral("NumIcons"), 62);
}

void Settings::SetNumIcons(int value)
{
    writeInteger(QStringLiteral("Main"), QStringLiteral("NumIcons"), value);
}

QString Settings::IconFile()
{
    return readString(QStringLiteral("Main"), QStringLiteral("IconFile"), QStringLiteral("icons.png"));
}

void Settings::SetIconFile(const QString& value)
{
    writeString(QStringLiteral("Main"), QStringLiteral("IconFile"), value);
}

int Settings::ToolAlign()
{
    return readInteger(QStringLiteral("Main"), QStringLiteral("ToolAlign"), 3);
}

void Settings::SetToolAlign(int value)
{
    writeInteger(QStringLiteral("Main"), QStringLiteral("ToolAlign"), value);
}

bool Settings::ShowToolLabels()
{
    return readBool(QStringLiteral("Main"), QStringLiteral("ShowToolLabels"), true);
}

void Settings::SetShowToolLabels(bool value)
{
    writeBool(QStringLiteral("Main"), QStringLiteral("ShowToolLabels"), value);
}

QString Settings::ScannerPath()
{
    return readString(QStringLiteral("Main"), QStringLiteral("ScannerPath"), QString());
}

void Settings::SetScannerPath(const QString& value)
{
    writeString(QStringLiteral("Main"), QStringLiteral("ScannerPath"), value);
}

QString Settings::BrowserPath()
{
    return readString(QStringLiteral("Main"), QStringLiteral("BrowserPath"), QString());
}

void Settings::SetBrowserPath(const QString& value)
{
    writeString(QStringLiteral("Main"), QStringLiteral("BrowserPath"), value);
}

QString Settings::IEPath()
{
    return readString(QStringLiteral("Main"), QStringLiteral("IEPath"), QString());
}

void Settings::SetIEPath(const QString& value)
{
    writeString(QStringLiteral("Main"), QStringLiteral("IEPath"), value);
}

QString Settings::NSPath()
{
    return readString(QStringLiteral("Main"), QStringLiteral("NSPath"), QString());
}

void Settings::SetNSPath(const QString& value)
{
    writeString(QStringLiteral("Main"), QStringLiteral("NSPath"), value);
}

bool Settings::AutoStart()
{
    return readBool(QStringLiteral("General"), QStringLiteral("AutoStart"), true);
}

void Settings::SetAutoStart(bool value)
{
    writeBool(QStringLiteral("General"), QStringLiteral("AutoStart"), value);
}

bool Settings::DetectIE()
{
    return readBool(QStringLiteral("General"), QStringLiteral("DetectIE"), false);
}

void Settings::SetDetectIE(bool value)
{
    writeBool(QStringLiteral("General"), QStringLiteral("DetectIE"), value);
}

bool Settings::DetectNS()
{
    return readBool(QStringLiteral("General"), QStringLiteral("DetectNS"), false);
}

void Settings::SetDetectNS(bool value)
{
    writeBool(QStringLiteral("General"), QStringLiteral("DetectNS"), value);
}

bool Settings::DownloadDetect()
{
    return readBool(QStringLiteral("Download"), QStringLiteral("DownloadDetect"), true);
}

void Settings::SetDownloadDetect(bool value)
{
    writeBool(QStringLiteral("Download"), QStringLiteral("DownloadDetect"), value);
}

int Settings::DefaultSection()
{
    return readInteger(QStringLiteral("Download"), QStringLiteral("DefaultSection"), 0);
}

void Settings::SetDefaultSection(int value)
{
    writeInteger(QStringLiteral("Download"), QStringLiteral("DefaultSection"), value);
}

int Settings::DefaultSectionOrNone()
{
    return readInteger(QStringLiteral("Download"), QStringLiteral("DefaultSection"), -1);
}

int Settings::DefaultCat()
{
    return readInteger(QStringLiteral("Download"), QStringLiteral("DefaultCat"), 0);
}

void Settings::SetDefaultCat(int value)
{
    writeInteger(QStringLiteral("Download"), QStringLiteral("DefaultCat"), value);
}

int Settings::DefaultCatOrNone()
{
    return readInteger(QStringLiteral("Download"), QStringLiteral("DefaultCat"), -1);
}

int Settings::OpenWhen()
{
    return readInteger(QStringLiteral("Download"), QStringLiteral("OpenWhen"), 0);
}

void Settings::SetOpenWhen(int value)
{
    writeInteger(QStringLiteral("Download"), QStringLiteral("OpenWhen"), value);
}

bool Settings::ShowDetails()
{
    return readBool(QStringLiteral("Download"), QStringLiteral("ShowDetails"), true);
}

void Settings::SetShowDetails(bool value)
{
    writeBool(QStringLiteral("Download"), QStringLiteral("ShowDetails"), value);
}

bool Settings::AutoMinimize()
{
    return readBool(QStringLiteral("Download"), QStringLiteral("AutoMinimize"), false);
}

void Settings::SetAutoMinimize(bool value)
{
    writeBool(QStringLiteral("Download"), QStringLiteral("AutoMinimize"), value);
}

bool Settings::AutoClose()
{
    return readBool(QStringLiteral("Download"), QStringLiteral("AutoClose"), false);
}

void Settings::SetAutoClose(bool value)
{
    writeBool(QStringLiteral("Download"), QStringLiteral("AutoClose"), value);
}

bool Settings::AutoPaste()
{
    return readBool(QStringLiteral("Download"), QStringLiteral("AutoPaste"), false);
}

void Settings::SetAutoPaste(bool value)
{
    writeBool(QStringLiteral("Download"), QStringLiteral("AutoPaste"), value);
}

bool Settings::PromptDone()
{
    return readBool(QStringLiteral("Download"), QStringLiteral("PromptDone"), true);
}

void Settings::SetPromptDone(bool value)
{
    writeBool(QStringLiteral("Download"), QStringLiteral("PromptDone"), value);
}

bool Settings::SaveAsDefault()
{
    return readBool(QStringLiteral("Download"), QStringLiteral("SaveAsDefault"), false);
}

void Settings::SetSaveAsDefault(bool value)
{
    writeBool(QStringLiteral("Download"), QStringLiteral("SaveAsDefault"), value);
}

bool Settings::AutoMin()
{
    return readBool(QStringLiteral("Download"), QStringLiteral("AutoMin"), true);
}

void Settings::SetAutoMin(bool value)
{
    writeBool(QStringLiteral("Download"), QStringLiteral("AutoMin"), value);
}

int Settings::Speed()
{
    return readInteger(QStringLiteral("Download"), QStringLiteral("Speed"), 28800);
}

void Settings::SetSpeed(int value)
{
    writeInteger(QStringLiteral("Download"), QStringLiteral("Speed"), value);
}

int Settings::SpeedForStartupCheck()
{
    return readInteger(QStringLiteral("Download"), QStringLiteral("Speed"), 0);
}

bool Settings::PromptIfNotOpened()
{
    return readBool(QStringLiteral("Management"), QStringLiteral("PromptIfNotOpened"), true);
}

void Settings::SetPromptIfNotOpened(bool value)
{
    writeBool(QStringLiteral("Management"), QStringLiteral("PromptIfNotOpened"), value);
}

QString Settings::PromptDays()
{
    return readString(QStringLiteral("Management"), QStringLiteral("PromptDays"), QStringLiteral("10"));
}

void Settings::SetPromptDays(const QString& value)
{
    writeString(QStringLiteral("Management"), QStringLiteral("PromptDays"), value);
}

int Settings::PromptDaysForScan()
{
    return readInteger(QStringLiteral("Management"), QStringLiteral("PromptDays"), 10);
}

bool Settings::AutoDelete()
{
    return readBool(QStringLiteral("Management"), QStringLiteral("AutoDelete"), false);
}

void Settings::SetAutoDelete(bool value)
{
    writeBool(QStringLiteral("Management"), QStringLiteral("AutoDelete"), value);
}

QString Settings::DeleteDays()
{
    return readString(QStringLiteral("Management"), QStringLiteral("DeleteDays"), QStringLiteral("30"));
}

void Settings::SetDeleteDays(const QString& value)
{
    writeString(QStringLiteral("Management"), QStringLiteral("DeleteDays"), value);
}

int Settings::DeleteType()
{
    return readInteger(QStringLiteral("Management"), QStringLiteral("DeleteType"), 0);
}

void Settings::SetDeleteType(int value)
{
    writeInteger(QStringLiteral("Management"), QStringLiteral("DeleteType"), value);
}

bool Settings::ConfirmDelete()
{
    return readBool(QStringLiteral("Management"), QStringLiteral("ConfirmDelete"), true);
}

void Settings::SetConfirmDelete(bool value)
{
    writeBool(QStringLiteral("Management"), QStringLiteral("ConfirmDelete"), value);
}

bool Settings::ConfirmCatDelete()
{
    return readBool(QStringLiteral("Management"), QStringLiteral("ConfirmCatDelete"), true);
}

void Settings::SetConfirmCatDelete(bool value)
{
    writeBool(QStringLiteral("Management"), QStringLiteral("ConfirmCatDelete"), value);
}

QString Settings::ManagementDefaultRoot()
{
    return readString(QStringLiteral("Management"), QStringLiteral("DefaultRoot"), ProgramFolder());
}

void Settings::SetManagementDefaultRoot(const QString& value)
{
    writeString(QStringLiteral("Management"), QStringLiteral("DefaultRoot"), value);
}

bool Settings::ShowMenu()
{
    return readBool(QStringLiteral("Management"), QStringLiteral("ShowMenu"), false);
}

void Settings::SetShowMenu(bool value)
{
    writeBool(QStringLiteral("Management"), QStringLiteral("ShowMenu"), value);
}

QString Settings::CommandLine()
{
    return readString(QStringLiteral("VirusScanner"), QStringLiteral("CommandLine"), QString());
}

void Settings::SetCommandLine(const QString& value)
{
    writeString(QStringLiteral("VirusScanner"), QStringLiteral("CommandLine"), value);
}

QString Settings::Parameters()
{
    return readString(QStringLiteral("VirusScanner"), QStringLiteral("Parameters"), QString());
}

void Settings::SetParameters(const QString& value)
{
    writeString(QStringLiteral("VirusScanner"), QStringLiteral("Parameters"), value);
}

bool Settings::ScanWhenDone()
{
    return readBool(QStringLiteral("VirusScanner"), QStringLiteral("ScanWhenDone"), false);
}

void Settings::SetScanWhenDone(bool value)
{
    writeBool(QStringLiteral("VirusScanner"), QStringLiteral("ScanWhenDone"), value);
}

bool Settings::ToolBarNew()
{
    return readBool(QStringLiteral("ToolBar"), QStringLiteral("New"), true);
}

void Settings::SetToolBarNew(bool value)
{
    writeBool(QStringLiteral("ToolBar"), QStringLiteral("New"), value);
}

bool Settings::ToolBarDelete()
{
    return readBool(QStringLiteral("ToolBar"), QStringLiteral("Delete"), true);
}

void Settings::SetToolBarDelete(bool value)
{
    writeBool(QStringLiteral("ToolBar"), QStringLiteral("Delete"), value);
}

bool Settings::ToolBarProps()
{
    return readBool(QStringLiteral("ToolBar"), QStringLiteral("Props"), true);
}

void Settings::SetToolBarProps(bool value)
{
    writeBool(QStringLiteral("ToolBar"), QStringLiteral("Props"), value);
}

bool Settings::ToolBarOptions()
{
    return readBool(QStringLiteral("ToolBar"), QStringLiteral("Options"), true);
}

void Settings::SetToolBarOptions(bool value)
{
    writeBool(QStringLiteral("ToolBar"), QStringLiteral("Options"), value);
}

bool Settings::ToolBarReport()
{
    return readBool(QStringLiteral("ToolBar"), QStringLiteral("Report"), true);
}

void Settings::SetToolBarReport(bool value)
{
    writeBool(QStringLiteral("ToolBar"), QStringLiteral("Report"), value);
}

bool Settings::ToolBarStyle()
{
    return readBool(QStringLiteral("ToolBar"), QStringLiteral("Style"), true);
}

void Settings::SetToolBarStyle(bool value)
{
    writeBool(QStringLiteral("ToolBar"), QStringLiteral("Style"), value);
}

bool Settings::ToolBarHelp()
{
    return readBool(QStringLiteral("ToolBar"), QStringLiteral("Help"), true);
}

void Settings::SetToolBarHelp(bool value)
{
    writeBool(QStringLiteral("ToolBar"), QStringLiteral("Help"), value);
}

bool Settings::ToolBarBrowser()
{
    return readBool(QStringLiteral("ToolBar"), QStringLiteral("Browser"), false);
}

void Settings::SetToolBarBrowser(bool value)
{
    writeBool(QStringLiteral("ToolBar"), QStringLiteral("Browser"), value);
}

bool Settings::ToolBarVirus()
{
    return readBool(QStringLiteral("ToolBar"), QStringLiteral("Virus"), false);
}

void Settings::SetToolBarVirus(bool value)
{
    writeBool(QStringLiteral("ToolBar"), QStringLiteral("Virus"), value);
}

QString Settings::BrowserCL()
{
    return readString(QStringLiteral("ToolBar"), QStringLiteral("BrowserCL"), QString());
}

void Settings::SetBrowserCL(const QString& value)
{
    writeString(QStringLiteral("ToolBar"), QStringLiteral("BrowserCL"), value);
}

QString Settings::VirusCL()
{
    return readString(QStringLiteral("ToolBar"), QStringLiteral("VirusCL"), QString());
}

void Settings::SetVirusCL(const QString& value)
{
    writeString(QStringLiteral("ToolBar"), QStringLiteral("VirusCL"), value);
}

int Settings::Height()
{
    return readInteger(QStringLiteral("Position"), QStringLiteral("Height"), 343);
}

void Settings::SetHeight(int value)
{
    writeInteger(QStringLiteral("Position"), QStringLiteral("Height"), value);
}

int Settings::Width()
{
    return readInteger(kPosition, QStringLiteral("Width"), kNoWidth);
}

int Settings::Top(int screenHeight)
{
    return readInteger(kPosition, QStringLiteral("Top"), screenHeight / 2);
}

int Settings::Left(int screenHeight)
{
    // The screen height, not its width: that is where the window has always
    // been put.
    return readInteger(kPosition, QStringLiteral("Left"), screenHeight / 2 - 210);
}

void Settings::SetWidth(int value)
{
    writeInteger(kPosition, QStringLiteral("Width"), value);
}

void Settings::SetTop(int value)
{
    writeInteger(kPosition, QStringLiteral("Top"), value);
}

void Settings::SetLeft(int value)
{
    writeInteger(kPosition, QStringLiteral("Left"), value);
}

void Settings::SetPosition(int width, int height, int top, int left)
{
    Profile p(FileName());
    p.writeInteger(kPosition, QStringLiteral("Width"), width);
    p.writeInteger(kPosition, QStringLiteral("Height"), height);
    p.writeInteger(kPosition, QStringLiteral("Top"), top);
    p.writeInteger(kPosition, QStringLiteral("Left"), left);
}

} // namespace flk
