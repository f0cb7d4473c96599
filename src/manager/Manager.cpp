#include "Manager.h"

#include "AppMessages.h"
#include "Asker.h"
#include "Catalogue.h"
#include "ManagerHost.h"
#include "ProgramWindows.h"
#include "Dialogs.h"
#include "Settings.h"
#include "preferences.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace flk {

TfrmManager::TfrmManager(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Fetchlark"));
    setGeometry(kDefaultLeft, kDefaultTop, kDefaultWidth, kDefaultHeight);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The catalogue browser is not available in this version."), this));
    FormCreate();
}

QString TfrmManager::SpeedMissingText()
{
    return QStringLiteral("In order for Fetchlark to accurately provide download speed statistics, you must "
                          "specify your download connection speed.\r\rSelect OK to configure this now.");
}

TfrmManager::~TfrmManager()
{
    AppMessages::SetHook({});
}

void TfrmManager::closeEvent(QCloseEvent* e)
{
    // Still visible here, so its place can be kept.
    if (auto* host = Window<ManagerHost>())
        host->ManagerClosed();
    QWidget::closeEvent(e);
}

bool TfrmManager::AppMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_FLK_NEWFOLDER:
        if (frmAsker)
            frmAsker->NewFolderCreated(static_cast<int>(wParam));
        return true;
    default:
        return false;
    }
}

void TfrmManager::FormCreate()
{
    AppMessages::SetHook([this](UINT msg, WPARAM wParam, LPARAM lParam) { return AppMessage(msg, wParam, lParam); });
    if (Settings::FirstRun())
        FirstRunCreate();
    else
        LaterRunCreate();
}

void TfrmManager::FirstRunCreate()
{
    Catalogue::BuildDefaultCatalogue();
    Settings::SetFirstRun(false);
}

void TfrmManager::LaterRunCreate()
{
    if (Settings::SpeedForStartupCheck() == 0) {
        Dialogs::message(SpeedMissingText(), QStringLiteral("Fetchlark"), MB_OK, MB_ICONINFORMATION, this);
        if (auto* preferences = Window<TfrmPreferences>())
            Dialogs::instance().execModal(preferences);
    }
    if (auto* host = Window<ManagerHost>())
        host->ArmTrayDefault();
}

} // namespace flk
