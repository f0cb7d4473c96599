#pragma once
// The settings file dlmain.ini in the program folder, as one table of its
// keys: each row names the accessor, the key's type, its section, its key
// and the default its readers use. Every row gives
//     Name()                the value, or the row's default when the key is absent
//     Name(otherDefault)    the value, or the default one reader needs instead
//     SetName(value)        writes it
// all read and written by one function per direction (Settings.cpp). The
// aliases read a key of the table as one reader does, with its own default
// (or as another type), and have no setter. No caller names a key itself.
//
// Every call opens the file, reads or writes one key and drops it again, so a
// write is on disk at once and a read sees the latest state. Writes that the
// system refuses raise EProfileError ("Unable to write to <path>").

#include <QString>

namespace flk {

// X(type, accessor, section, key, default); the default is evaluated where the
// key is read (Settings.cpp), so it may be ProgramFolder().
#define FLK_SETTINGS(X) \
    /* [Main] */ \
    /* True until the first start has built the default catalogue. */ \
    X(bool, FirstRun, "Main", "FirstRun", true) \
    /* Parent of the default catalogue's section directories (default: the program folder). */ \
    X(QString, MainDefaultRoot, "Main", "DefaultRoot", ProgramFolder()) \
    /* File list view: 1 large icons, 2 list, 3 details, 4 small icons. */ \
    X(int, ViewStyle, "Main", "ViewStyle", 3) \
    /* Number of icons in the icon library. */ \
    X(int, NumIcons, "Main", "NumIcons", 62) \
    /* Icon library (a PNG strip, see IconLibrary), relative to the program folder. */ \
    X(QString, IconFile, "Main", "IconFile", QStringLiteral("icons.png")) \
    /* Toolbar placement: 1 left, 2 right, 3 top, 4 bottom. */ \
    X(int, ToolAlign, "Main", "ToolAlign", 3) \
    /* Text labels under the toolbar buttons. */ \
    X(bool, ShowToolLabels, "Main", "ShowToolLabels", true) \
    /* Fallback for the scanner commands in the preferences. */ \
    X(QString, ScannerPath, "Main", "ScannerPath", QString()) \
    /* Fallback for the browser command in the preferences. */ \
    X(QString, BrowserPath, "Main", "BrowserPath", QString()) \
    /* Browser executable found by the setup wizard (first kind). */ \
    X(QString, IEPath, "Main", "IEPath", QString()) \
    /* Browser executable found by the setup wizard (second kind). */ \
    X(QString, NSPath, "Main", "NSPath", QString()) \
    /* [General] */ \
    /* Start the program with the desktop session. */ \
    X(bool, AutoStart, "General", "AutoStart", true) \
    /* Hand-off chosen in the setup wizard (first browser kind). */ \
    X(bool, DetectIE, "General", "DetectIE", false) \
    /* Hand-off chosen in the setup wizard (second browser kind). */ \
    X(bool, DetectNS, "General", "DetectNS", false) \
    /* [Download] */ \
    /* Downloads handed over by the browser helper are taken over. */ \
    X(bool, DownloadDetect, "Download", "DownloadDetect", true) \
    /* 0-based position of the preselected section. */ \
    X(int, DefaultSection, "Download", "DefaultSection", 0) \
    /* 0-based position of the preselected folder within the default section. */ \
    X(int, DefaultCat, "Download", "DefaultCat", 0) \
    /* 0 open manually, 1 open right after the download. */ \
    X(int, OpenWhen, "Download", "OpenWhen", 0) \
    /* Show the headers pane of the download dialog. */ \
    X(bool, ShowDetails, "Download", "ShowDetails", true) \
    /* Minimize the download dialog when a download starts. */ \
    X(bool, AutoMinimize, "Download", "AutoMinimize", false) \
    /* Close the download dialog when the download completes. */ \
    X(bool, AutoClose, "Download", "AutoClose", false) \
    /* Paste the clipboard into the description when the dialog appears. */ \
    X(bool, AutoPaste, "Download", "AutoPaste", false) \
    /* Tell the user when a download is complete. */ \
    X(bool, PromptDone, "Download", "PromptDone", true) \
    /* Last state of the dialog's save-as-default box. */ \
    X(bool, SaveAsDefault, "Download", "SaveAsDefault", false) \
    /* Hidden preference kept by the preferences dialog. */ \
    X(bool, AutoMin, "Download", "AutoMin", true) \
    /* Connection speed in bits per second (download dialog, preferences). */ \
    X(int, Speed, "Download", "Speed", 28800) \
    /* Speed limit of all downloads together in KiB per second; 0 for none. */ \
    X(int, SpeedLimit, "Download", "SpeedLimit", 0) \
    /* Connections one HTTP download may use at once (1-16; see THttpTransfer). */ \
    X(int, Connections, "Download", "Connections", 4) \
    /* [Management] */ \
    /* Default of the download dialog's prompt box. */ \
    X(bool, PromptIfNotOpened, "Management", "PromptIfNotOpened", true) \
    /* Days before an unopened file is offered, as typed. */ \
    X(QString, PromptDays, "Management", "PromptDays", QStringLiteral("10")) \
    /* Default of the download dialog's auto-delete box. */ \
    X(bool, AutoDelete, "Management", "AutoDelete", false) \
    /* Default days before an automatic deletion, as typed. */ \
    X(QString, DeleteDays, "Management", "DeleteDays", QStringLiteral("30")) \
    /* Scheduled deletion: 0 to the trash, 1 permanently. */ \
    X(int, DeleteType, "Management", "DeleteType", 0) \
    /* Ask before each scheduled deletion. */ \
    X(bool, ConfirmDelete, "Management", "ConfirmDelete", true) \
    /* Ask before removing a folder that still holds files or records. */ \
    X(bool, ConfirmCatDelete, "Management", "ConfirmCatDelete", true) \
    /* Parent directory offered for a new section (default: the program folder). */ \
    X(QString, ManagementDefaultRoot, "Management", "DefaultRoot", ProgramFolder()) \
    /* The file list shows the desktop's context menu. */ \
    X(bool, ShowMenu, "Management", "ShowMenu", false) \
    /* [VirusScanner] */ \
    /* Virus scanner program; empty: no scanner. */ \
    X(QString, CommandLine, "VirusScanner", "CommandLine", QString()) \
    /* Scanner parameters after the quoted file path. */ \
    X(QString, Parameters, "VirusScanner", "Parameters", QString()) \
    /* Default of the download dialog's scan box. */ \
    X(bool, ScanWhenDone, "VirusScanner", "ScanWhenDone", false) \
    /* [ToolBar] */ \
    /* Toolbar button shown. */ \
    X(bool, ToolBarNew, "ToolBar", "New", true) \
    /* Toolbar button shown. */ \
    X(bool, ToolBarDelete, "ToolBar", "Delete", true) \
    /* Toolbar button shown. */ \
    X(bool, ToolBarProps, "ToolBar", "Props", true) \
    /* Toolbar button shown. */ \
    X(bool, ToolBarOptions, "ToolBar", "Options", true) \
    /* Toolbar button shown. */ \
    X(bool, ToolBarReport, "ToolBar", "Report", true) \
    /* Toolbar button shown. */ \
    X(bool, ToolBarStyle, "ToolBar", "Style", true) \
    /* Toolbar button shown. */ \
    X(bool, ToolBarHelp, "ToolBar", "Help", true) \
    /* Browser button shown. */ \
    X(bool, ToolBarBrowser, "ToolBar", "Browser", false) \
    /* Scanner button shown. */ \
    X(bool, ToolBarVirus, "ToolBar", "Virus", false) \
    /* Program started by the browser button. */ \
    X(QString, BrowserCL, "ToolBar", "BrowserCL", QString()) \
    /* Program started by the scanner button. */ \
    X(QString, VirusCL, "ToolBar", "VirusCL", QString()) \
    /* [Position] */ \
    /* Manager window height. */ \
    X(int, Height, "Position", "Height", 343) \
    /* Manager window width; kNoWidth when absent (the window is then centred). */ \
    X(int, Width, "Position", "Width", kNoWidth)

#define FLK_SETTING_ALIASES(X) \
    /* [Download] */ \
    /* The same key as read by the section delete (-1 when absent). */ \
    X(int, DefaultSectionOrNone, "Download", "DefaultSection", -1) \
    /* The same key as read by the folder delete (-1 when absent). */ \
    X(int, DefaultCatOrNone, "Download", "DefaultCat", -1) \
    /* The same key as read by the manager's start-up check (0 when absent). */ \
    X(int, SpeedForStartupCheck, "Download", "Speed", 0) \
    /* [Management] */ \
    /* The same key as an integer, as the scheduled scan reads it. */ \
    X(int, PromptDaysForScan, "Management", "PromptDays", 10)

class Settings {
public:
    // The full path of dlmain.ini in the program folder.
    static QString FileName();

    // Any key, for tests that check the file and for the table's own use.
    static QString readString(const QString& section, const QString& key, const QString& def);
    static int readInteger(const QString& section, const QString& key, int def);
    static bool readBool(const QString& section, const QString& key, bool def);
    static void writeString(const QString& section, const QString& key, const QString& value);
    static void writeInteger(const QString& section, const QString& key, int value);
    static void writeBool(const QString& section, const QString& key, bool value);
    static bool valueExists(const QString& section, const QString& key);
    static void deleteKey(const QString& section, const QString& key);

#define FLK_SETTING_DECLARE(type, name, section, key, def)                                                   \
    static type name();                                                                                      \
    static type name(const type& otherDefault);                                                              \
    static void Set##name(const type& value);
    FLK_SETTINGS(FLK_SETTING_DECLARE)
#undef FLK_SETTING_DECLARE
#define FLK_SETTING_DECLARE_ALIAS(type, name, section, key, def) static type name();
    FLK_SETTING_ALIASES(FLK_SETTING_DECLARE_ALIAS)
#undef FLK_SETTING_DECLARE_ALIAS

    // [Position] The manager window's last place. Width() is kNoWidth when the
    // key is absent or not an integer: the caller then centres the window and
    // reads no other key. Top and Left default to half the screen height
    // (truncated), Left minus 210.
    static constexpr int kNoWidth = 10000; // also a stored 10000 centres the window
    static int Top(int screenHeight);
    static int Left(int screenHeight);
    static void SetTop(int value);
    static void SetLeft(int value);
    // Writes Width, Height, Top and Left together, in that order.
    static void SetPosition(int width, int height, int top, int left);
};

} // namespace flk
