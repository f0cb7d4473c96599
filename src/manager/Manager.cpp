#include "Manager.h"

#include "Catalogue.h"
#include "Dialogs.h"
#include "Settings.h"
#include "preferences.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace flk {

TfrmManager* frmManager = nullptr;

TfrmManager::TfrmManager(std::function<void()> armTrayDefault, QWidget* parent)
    : QWidget(parent), m_armTrayDefault(std::move(armTrayDefault))
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

void TfrmManager::closeEvent(QCloseEvent* e)
{
    // Still visible here, so its place can be kept.
    if (OnFormClose)
        OnFormClose();
    QWidget::closeEvent(e);
}

void TfrmManager::FormCreate()
{
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
        if (frmPreferences)
            Dialogs::instance().execModal(frmPreferences);
    }
    if (m_armTrayDefault)
        m_armTrayDefault();
}

} // namespace flk
