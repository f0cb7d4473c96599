#pragma once
// The settings file dlmain.ini in the program folder: generic access to any
// key, and one typed getter and setter per key, each getter with the default
// its readers use. Where two readers use different defaults for one key, both
// getters exist (e.g. Speed() and SpeedForStartupCheck()).
//
// Every call opens the file, reads or writes one key and drops it again, so a
// write is on disk at once and a read sees the latest state. Writes that the
// system refuses raise EProfileError ("Unable to write to <path>").

#include <QString>
#include <limits>

namespace flk {

class Settings {
public:
    // The full path of dlmain.ini in the program folder.
    static QString FileName();

    static QString readString(const QString& section, const QString& key, const QString& def);
    static int readInteger(const QString& section, const QString& key, int def);
    static bool readBool(const QString& section, const QString& key, bool def);
    static void writeString(const QString& section, const QString& key, const QString& value);
    static void writeInteger(const QString& section, const QString& key, int value);
    static void writeBool(const QString& section, const QString& key, bool value);
    static bool valueExists(const QString& section, const QString& key);
    static void deleteKey(const QString& section, const QString& key);

    // [Main]
    static bool FirstRun(); // True until the first start has built the default catalogue. Default: true
    static void SetFirstRun(bool value);
    static QString MainDefaultRoot(); // Parent of the default catalogue's section directories (default: the program folder). Default: ProgramFolder()
    static void SetMainDefaultRoot(const QString& value);
    static int ViewStyle(); // File list view: 1 large icons, 2 list, 3 details, 4 small icons. Default: 3
    static void SetViewStyle(int value);
    static int NumIcons(); // Number of icons in the icon library. Default: 62
    static void SetNumIcons(int value);
    static QString IconFile(); // Icon library (a PNG strip, see IconLibrary), relative to the program folder. Default: ("icons.png")
    static void SetIconFile(const QString& value);
    static int ToolAlign(); // Toolbar placement: 1 left, 2 right, 3 top, 4 bottom. Default: 3
    static void SetToolAlign(int value);
    static bool ShowToolLabels(); // Text labels under the toolbar buttons. Default: true
    static void SetShowToolLabels(bool value);
    static QString ScannerPath(); // Fallback for the scanner commands in the preferences. Default: empty
    static void SetScannerPath(const QString& value);
    static QString BrowserPath(); // Fallback for the browser command in the preferences. Default: empty
    static void SetBrowserPath(const QString& value);
    static QString IEPath(); // Browser executable found by the setup wizard (first kind). Default: empty
    static void SetIEPath(const QString& value);
    static QString NSPath(); // Browser executable found by the setup wizard (second kind). Default: empty
    static void SetNSPath(const QString& value);

    // [General]
    static bool AutoStart(); // Start the program with the desktop session. Default: true
    static void SetAutoStart(bool value);
    static bool DetectIE(); // Hand-off chosen in the setup wizard (first browser kind). Default: false
    static void SetDetectIE(bool value);
    static bool DetectNS(); // Hand-off chosen in the setup wizard (second browser kind). Default: false
    static void SetDetectNS(bool value);

    // [Download]
    static bool DownloadDetect(); // Downloads handed over by the browser helper are taken over. Default: true
    static void SetDownloadDetect(bool value);
    static int DefaultSection(); // 0-based position of the preselected section. Default: 0
    static void SetDefaultSection(int value);
    static int DefaultSectionOrNone(); // The same key as read by the section delete (-1 when absent). Default: -1
    static int DefaultCat(); // 0-based position of the preselected folder within the default section. Default: 0
    static void SetDefaultCat(int value);
    static int DefaultCatOrNone(); // The same key as read by the folder delete (-1 when absent). Default: -1
    static int OpenWhen(); // 0 open manually, 1 open right after the download. Default: 0
    static void SetOpenWhen(int value);
    static bool ShowDetails(); // Show the headers pane of the download dialog. Default: true
    static void SetShowDetails(bool value);
    static bool AutoMinimize(); // Minimize the download dialog when a download starts. Default: false
    static void SetAutoMinimize(bool value);
    static bool AutoClose(); // Close the download dialog when the download completes. Default: false
    static void SetAutoClose(bool value);
    static bool AutoPaste(); // Paste the clipboard into the description when the dialog appears. Default: false
    static void SetAutoPaste(bool value);
    static bool PromptDone(); // Tell the user when a download is complete. Default: true
    static void SetPromptDone(bool value);
    static bool SaveAsDefault(); // Last state of the dialog's save-as-default box. Default: false
    static void SetSaveAsDefault(bool value);
    static bool AutoMin(); // Hidden preference kept by the preferences dialog. Default: true
    static void SetAutoMin(bool value);
    static int Speed(); // Connection speed in bits per second (download dialog, preferences). Default: 28800
    static void SetSpeed(int value);
    static int SpeedForStartupCheck(); // The same key as read by the manager's start-up check (0 when absent). Default: 0

    // [Management]
    static bool PromptIfNotOpened(); // Default of the download dialog's prompt box. Default: true
    static void SetPromptIfNotOpened(bool value);
    static QString PromptDays(); // Days before an unopened file is offered, as typed. Default: ("10")
    static void SetPromptDays(const QString& value);
    static int PromptDaysForScan(); // The same key as an integer, as the scheduled scan reads it. Default: 10
    static bool AutoDelete(); // Default of the download dialog's auto-delete box. Default: false
    static void SetAutoDelete(bool value);
    static QString DeleteDays(); // Default days before an automatic deletion, as typed. Default: ("30")
    static void SetDeleteDays(const QString& value);
    static int DeleteType(); // Scheduled deletion: 0 to the trash, 1 permanently. Default: 0
    static void SetDeleteType(int value);
    static bool ConfirmDelete(); // Ask before each scheduled deletion. Default: true
    static void SetConfirmDelete(bool value);
    static bool ConfirmCatDelete(); // Ask before removing a folder that still holds files or records. Default: true
    static void SetConfirmCatDelete(bool value);
    static QString ManagementDefaultRoot(); // Parent directory offered for a new section (default: the program folder). Default: ProgramFolder()
    static void SetManagementDefaultRoot(const QString& value);
    static bool ShowMenu(); // The file list shows the desktop's context menu. Default: false
    static void SetShowMenu(bool value);

    // [VirusScanner]
    static QString CommandLine(); // Virus scanner program; empty: no scanner. Default: empty
    static void SetCommandLine(const QString& value);
    static QString Parameters(); // Scanner parameters after the quoted file path. Default: empty
    static void SetParameters(const QString& value);
    static bool ScanWhenDone(); // Default of the download dialog's scan box. Default: false
    static void SetScanWhenDone(bool value);

    // [ToolBar]
    static bool ToolBarNew(); // Toolbar button shown. Default: true
    static void SetToolBarNew(bool value);
    static bool ToolBarDelete(); // Toolbar button shown. Default: true
    static void SetToolBarDelete(bool value);
    static bool ToolBarProps(); // Toolbar button shown. Default: true
    static void SetToolBarProps(bool value);
    static bool ToolBarOptions(); // Toolbar button shown. Default: true
    static void SetToolBarOptions(bool value);
    static bool ToolBarReport(); // Toolbar button shown. Default: true
    static void SetToolBarReport(bool value);
    static bool ToolBarStyle(); // Toolbar button shown. Default: true
    static void SetToolBarStyle(bool value);
    static bool ToolBarHelp(); // Toolbar button shown. Default: true
    static void SetToolBarHelp(bool value);
    static bool ToolBarBrowser(); // Browser button shown. Default: false
    static void SetToolBarBrowser(bool value);
    static bool ToolBarVirus(); // Scanner button shown. Default: false
    static void SetToolBarVirus(bool value);
    static QString BrowserCL(); // Program started by the browser button. Default: empty
    static void SetBrowserCL(const QString& value);
    static QString VirusCL(); // Program started by the scanner button. Default: empty
    static void SetVirusCL(const QString& value);

    // [Position]
    static int Height(); // Manager window height. Default: 343
    static void SetHeight(int value);

    // [Position] The manager window's last place. Width() is kNoWidth when the
    // key is absent or not an integer: the caller then centres the window and
    // reads no other key. Top and Left default to half the screen height
    // (truncated), Left minus 210.
    static constexpr int kNoWidth = 10000; // also a stored 10000 centres the window
    static int Width();
    static int Top(int screenHeight);
    static int Left(int screenHeight);
    static void SetWidth(int value);
    static void SetTop(int value);
    static void SetLeft(int value);
    // Writes Width, Height, Top and Left together, in that order.
    static void SetPosition(int width, int height, int top, int left);
};

} // namespace flk
