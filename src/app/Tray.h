#pragma once
// The program's main form: never shown. It owns the tray icon and its menu,
// creates every other window at start-up, answers the browser helper's
// messages under its caption ("FLK" while downloads are intercepted), keeps
// the manager window's position, and takes the program down.

#include "AskerHost.h"
#include "ManagerHost.h"
#include "Messages.h"
#include "ProgramWindows.h"
#include "RateLimit.h"
#include "TrayCaptionHost.h"

#include <QList>
#include <QStringList>
#include <QWidget>
#include <functional>

class QAction;
class QMenu;

namespace flk {

class Endpoint;
class TmdTray;

class TfrmManager;

class TfrmTray : public QWidget, public AskerHost, public TrayCaptionHost, public ManagerHost {
    Q_OBJECT
public:
    static const QString kCaptionOn;   // "FLK"
    static const QString kCaptionOff;  // "FLK - Download Detect Disabled"
    static const QString kTip;         // the tray icon's tip
    // A later copy of the program, started without arguments, sends this to
    // the running one: show and raise the manager window. The result is 1
    // when the manager window is visible afterwards, or will be at the end
    // of a start-up still running.
    static constexpr UINT WM_FLK_SHOWMANAGER = WM_USER + 0x300;

    // Runs the start-up sequence with the program's command-line arguments.
    explicit TfrmTray(const QStringList& arguments, QWidget* parent = nullptr);
    ~TfrmTray() override; // unregisters the browser helper

    // The tray menu and its items, in menu order.
    QMenu* PopupMenu1;
    QAction* Open1;
    QAction* O1;
    QMenu* N2;
    QAction* N4;
    QAction* N3;
    QMenu* V1;
    QAction* N7;
    QAction* U1;
    QAction* O3;
    QAction* T2;
    QAction* mnuIntercept;
    QAction* mnuExit;
    TmdTray* mdTray1;

    void SetPosition();
    void SavePosition();
    bool ChangeSecurity();
    void DoCommandLine();

    void mnuInterceptClick();
    void mnuExitClick();
    void WMQueryEndSession();
    void mdTray1DefaultFunction();
    void mdTrayDefaultFunction();

    // The caption other programs find this window by.
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption);

    // Messages from the browser helper (query 2024, WM_COPYDATA hand-off).
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam, const QByteArray& data);

    // The windows created at start-up, by class name, in creation order.
    const QStringList& CreatedForms() const { return m_created; }
    // True once start-up has ended (the default action is the final one).
    bool StartupDone() const { return m_startupDone; }
    // True once Exit was chosen; chosen during start-up, the program ends
    // when start-up returns instead of running on.
    bool Exiting() const { return m_exiting; }

    // Ends the process at once on the end-of-session path; tests replace it.
    std::function<void()> Halt;
    // Ends the message loop on Exit; tests replace it.
    std::function<void()> Terminate;

    // The download dialog's view of the windows above it.
    void ShowManager() override;
    void SetLastScannedIfCurrent(const QString& fileName, const QString& dateText) override;
    void EndSession() override;
    TRateLimit& AllDownloadsLimit() override { return m_allDownloads; }
    // The detection boxes' (download dialog, options window) view of it.
    void SetTrayCaption(const QString& caption) override;
    // The manager window's view of this one.
    void ArmTrayDefault() override;
    void ShowAbout() override;
    void ManagerClosed() override;
    void scanforevents(FileListHost& files) override;

    // The manager window, once created.
    static TfrmManager* Manager();

private:
    void BuildMenu();
    void FormCreate();
    void CreateForms();
    template <typename Form> void CreateForm();
    void FinishStartup();
    void ShowAndActivateManager();
    void O1Click();
    void N3Click();
    void OpenWebPage(const QString& url);
    void RegisterBrowser();
    void UnregisterBrowser();

    // The program's windows: this one and those it creates at start-up,
    // which live as long as this window.
    ProgramWindows m_windows;
    QList<QWidget*> m_forms;
    QStringList m_arguments;
    QStringList m_created;
    Endpoint* m_endpoint = nullptr;
    bool m_startupDone = false;
    bool m_showWhenStarted = false; // a later copy asked during start-up
    bool m_unregistered = false;
    bool m_exiting = false;
    TRateLimit m_allDownloads; // shared by every download of the program
};

} // namespace flk
