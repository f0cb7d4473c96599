#include "Tray.h"

#include "About.h"
#include "AppIcon.h"
#include "Config.h"
#include "Dialogs.h"
#include "Endpoint.h"
#include "ErrorBox.h"
#include "FileEvents.h"
#include "Help.h"
#include "HelperContract.h"
#include "MakerPages.h"
#include "Manager.h"
#include "NewSection.h"
#include "Progress.h"
#include "SectionProps.h"
#include "Settings.h"
#include "Shell.h"
#include "category.h"
#include "mdTray.h"
#include "preferences.h"
#include "print.h"
#include "secdelete.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

namespace flk {

const QString TfrmTray::kCaptionOn = QString::fromLatin1(contract::kTrayCaption);
const QString TfrmTray::kCaptionOff = QString::fromLatin1(contract::kTrayCaptionOff);
const QString TfrmTray::kTip = QStringLiteral("Marrowby Fetchlark - Right Click for Options");

TfrmTray::TfrmTray(const QStringList& arguments, QWidget* parent)
    : QWidget(parent), m_windows{this}, m_arguments(arguments)
{
    setWindowTitle(QStringLiteral("FLK --"));
    Halt = [] { std::_Exit(0); };
    Terminate = [this] {
        if (m_startupDone)
            QApplication::quit();
        else
            QCoreApplication::exit(0); // no main loop yet: ends the loop of a box still open
    };
    mdTray1 = new TmdTray(this);
    mdTray1->SetIcon(MainIcon());
    mdTray1->SetTip(kTip);
    mdTray1->DefaultFunction = [this] { mdTray1DefaultFunction(); };
    mdTray1->ShowMenu = [this] {
        // The hidden window comes to the front so the menu closes as expected.
        activateWindow();
    };
    BuildMenu();
    FormCreate();
}

TfrmTray::~TfrmTray()
{
    // FormDestroy: the helper is unregistered while the windows go.
    UnregisterBrowser();
    qDeleteAll(m_forms);
}

void TfrmTray::BuildMenu()
{
    PopupMenu1 = new QMenu(this);
    Open1 = PopupMenu1->addAction(QStringLiteral("Show Fetchlark"), this, [this] { mdTray1DefaultFunction(); });
    Open1->setEnabled(false);
    O1 = PopupMenu1->addAction(QStringLiteral("Setup Options"), this, [this] { O1Click(); });
    N2 = PopupMenu1->addMenu(QStringLiteral("Help"));
    N4 = N2->addAction(QStringLiteral("&Contents"), this, [] { OpenHelp(); });
    N3 = N2->addAction(QStringLiteral("&About Fetchlark"), this, [this] { N3Click(); });
    PopupMenu1->addSeparator();
    V1 = PopupMenu1->addMenu(QStringLiteral("Visit Marrowby on the Web"));
    N7 = V1->addAction(QStringLiteral("Main Site (%1)").arg(MakerPages::kDomain), this, [this] { OpenWebPage(MakerPages::kMain); });
    U1 = V1->addAction(QStringLiteral("Upgrade Fetchlark"), this, [this] { OpenWebPage(MakerPages::kUpgrade); });
    O3 = V1->addAction(QStringLiteral("Download more Marrowby software"), this,
                       [this] { OpenWebPage(MakerPages::kDownload); });
    T2 = V1->addAction(QStringLiteral("Technical Support"), this, [this] { OpenWebPage(MakerPages::kSupport); });
    PopupMenu1->addSeparator();
    mnuIntercept = PopupMenu1->addAction(QStringLiteral("Intercept Downloads"));
    mnuIntercept->setCheckable(true);
    mnuIntercept->setChecked(true);
    connect(mnuIntercept, &QAction::triggered, this, [this] {
        // QAction has already flipped the mark; the handler flips it itself.
        mnuIntercept->setChecked(!mnuIntercept->isChecked());
        mnuInterceptClick();
    });
    PopupMenu1->addSeparator();
    mnuExit = PopupMenu1->addAction(QStringLiteral("Exit"), this, [this] { mnuExitClick(); });
}

void TfrmTray::FormCreate()
{
    // Each step that fails ends in the standard error box and start-up goes
    // on with the next one.
    SetCaption(kCaptionOn);
    RunGuarded([this] {
        const bool detect = Settings::DownloadDetect();
        mnuIntercept->setChecked(detect);
        SetCaption(detect ? kCaptionOn : kCaptionOff);
    });

    RunGuarded([this] { RegisterBrowser(); });

    ProcessMessages();
    // The help file lives beside the program (see Help.h).

    bool firstRun = true;
    RunGuarded([&] { firstRun = Settings::FirstRun(); });
    if (firstRun) {
        CreateForms();
        RunGuarded([this] { Dialogs::instance().execModal(Window<TfrmConfig>()); });
        RunGuarded([this] { ShowAndActivateManager(); });
        FinishStartup();
        mdTray1->SetPopupMenu(PopupMenu1);
        return;
    }
    mdTray1->SetPopupMenu(PopupMenu1);
    CreateForms();
    if (!m_arguments.isEmpty() && !m_exiting)
        RunGuarded([this] { DoCommandLine(); });
    FinishStartup();
}

template <typename Form> void TfrmTray::CreateForm()
{
    RunGuarded([this] {
        auto* form = new Form(nullptr);
        m_forms << form;
        m_windows.Add(form);
        m_created << QString::fromLatin1(form->metaObject()->className());
    });
    ProcessMessages();
}

void TfrmTray::CreateForms()
{
    CreateForm<TfrmPreferences>();
    CreateForm<TfrmProgress>();
    CreateForm<TfrmConfig>();
    CreateForm<TfrmManager>();
    CreateForm<TfrmCategory>();
    CreateForm<TfrmNewSection>();
    CreateForm<TfrmDelete>();
    CreateForm<TfrmSectionProps>();
    CreateForm<TfrmPrint>();
    CreateForm<TfrmAbout>();
}

TfrmManager* TfrmTray::Manager()
{
    return Window<TfrmManager>();
}

void TfrmTray::FinishStartup()
{
    ArmTrayDefault();
    Open1->setEnabled(true);
    m_startupDone = true;
    if (m_showWhenStarted)
        ShowAndActivateManager();
}

void TfrmTray::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
    if (m_endpoint)
        m_endpoint->setName(caption);
}

void TfrmTray::DoCommandLine()
{
    Dialogs::showMessage(m_arguments.value(0));
    Dialogs::showMessage(m_arguments.value(1));
}

void TfrmTray::mnuInterceptClick()
{
    // The setting first: when it cannot be written, the mark and the caption
    // keep agreeing with what is stored.
    const bool intercept = !mnuIntercept->isChecked();
    Settings::SetDownloadDetect(intercept);
    mnuIntercept->setChecked(intercept);
    SetCaption(intercept ? kCaptionOn : kCaptionOff);
}

void TfrmTray::SetPosition()
{
    TfrmManager* frmManager = Manager();
    if (!frmManager)
        return;
    const int width = Settings::Width();
    if (width == Settings::kNoWidth) {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QRect frame = frmManager->frameGeometry();
        frame.moveCenter(screen.center());
        frmManager->move(frame.topLeft());
        return;
    }
    const int screenHeight = QGuiApplication::primaryScreen()->geometry().height();
    frmManager->setGeometry(Settings::Left(screenHeight), Settings::Top(screenHeight), width, Settings::Height());
}

void TfrmTray::SavePosition()
{
    TfrmManager* frmManager = Manager();
    if (!frmManager || !frmManager->isVisible())
        return;
    const QRect g = frmManager->geometry();
    Settings::SetPosition(g.width(), g.height(), g.y(), g.x());
}

bool TfrmTray::ChangeSecurity()
{
    // There is no shutdown privilege to enable on this platform.
    return false;
}

void TfrmTray::ShowAndActivateManager()
{
    TfrmManager* frmManager = Manager();
    if (!frmManager)
        return;
    SetPosition();
    // A minimized window comes back (a maximized one stays maximized).
    frmManager->setWindowState(frmManager->windowState() & ~Qt::WindowMinimized);
    frmManager->show();
    frmManager->raise();
    frmManager->activateWindow();
}

void TfrmTray::mdTray1DefaultFunction()
{
    ShowAndActivateManager();
}

void TfrmTray::mdTrayDefaultFunction()
{
    try {
        ShowAndActivateManager();
    } catch (...) {
        // Showing the manager from the tray never ends in an error box.
    }
}

void TfrmTray::O1Click()
{
    auto* frmPreferences = Window<TfrmPreferences>();
    if (!frmPreferences)
        return;
    if (frmPreferences->isVisible()) {
        frmPreferences->raise();
        frmPreferences->activateWindow();
        return;
    }
    Dialogs::instance().execModal(frmPreferences);
}

void TfrmTray::N3Click()
{
    try {
        if (auto* frmAbout = Window<TfrmAbout>())
            frmAbout->show();
        if (TfrmManager* frmManager = Manager()) {
            frmManager->raise();
            frmManager->activateWindow();
        }
    } catch (...) {
        // The about box's errors are not shown.
    }
}

void TfrmTray::OpenWebPage(const QString& url)
{
    Shell::instance().open(url);
}

void TfrmTray::mnuExitClick()
{
    m_exiting = true;
    ProcessMessages();
    // A position that cannot be saved is reported, and the program still
    // ends: the helper must not stay registered for a program that is gone.
    RunGuarded([this] { SavePosition(); });
    // Saved once: the manager's own close must not save (or fail) again.
    if (TfrmManager* manager = Manager())
        manager->hide();
    if (Terminate)
        Terminate();
}

void TfrmTray::WMQueryEndSession()
{
    UnregisterBrowser();
    ChangeSecurity();
    if (Halt)
        Halt();
}

void TfrmTray::ShowManager()
{
    ShowAndActivateManager();
}

void TfrmTray::SetLastScannedIfCurrent(const QString& fileName, const QString& dateText)
{
    if (TfrmManager* manager = Manager())
        manager->SetLastScannedIfCurrent(fileName, dateText);
}

void TfrmTray::SetTrayCaption(const QString& caption)
{
    SetCaption(caption);
}

void TfrmTray::ArmTrayDefault()
{
    mdTray1->DefaultFunction = [this] { mdTrayDefaultFunction(); };
}

void TfrmTray::scanforevents(FileListHost& files)
{
    FileEvents events(files);
    events.Ending = [this] { return m_exiting; };
    events.scanforevents();
}

void TfrmTray::ShowAbout()
{
    if (auto* about = Window<TfrmAbout>())
        Dialogs::instance().execModal(about);
}

void TfrmTray::ManagerClosed()
{
    SavePosition();
}

void TfrmTray::EndSession()
{
    ChangeSecurity();
    if (Halt)
        Halt();
}

} // namespace flk
