// The options window's settings: filling the controls from dlmain.ini and
// the section list, and OK's checks, writes (all of them or none) and
// effects on the running windows.
#include "preferences.h"

#include "AskerHost.h"
#include "Autostart.h"
#include "Catalogue.h"
#include "ConnectionSpeedBox.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "HelperContract.h"
#include "Messages.h"
#include "PreferencesHost.h"
#include "ProgramWindows.h"
#include "RateLimit.h"
#include "Settings.h"
#include "TrayCaptionHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSpinBox>
#include <QTabWidget>

namespace flk {

namespace {

// A file's bytes before OK wrote anything, put back when a write is refused.
class FileSnapshot {
public:
    explicit FileSnapshot(const QString& path) : m_path(path)
    {
        QFile file(path);
        m_existed = file.exists();
        if (m_existed && file.open(QIODevice::ReadOnly))
            m_bytes = file.readAll();
    }
    void Restore() const
    {
        if (!m_existed) {
            QFile::remove(m_path);
            return;
        }
        QSaveFile file(m_path);
        if (file.open(QIODevice::WriteOnly) && file.write(m_bytes) == m_bytes.size())
            file.commit();
    }

private:
    QString m_path;
    QByteArray m_bytes;
    bool m_existed = false;
};

// A days box shows what is stored when it is a number of one or two digits,
// else the default.
QString DaysText(const QString& stored, const QString& def)
{
    static const QRegularExpression twoDigits(QStringLiteral("^[0-9]{1,2}$"));
    return twoDigits.match(stored).hasMatch() ? stored : def;
}

void SelectIndex(QComboBox* box, int index, int fallback)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : fallback);
}

} // namespace

// ---------------------------------------------------------------------------
// Filling

void TfrmPreferences::FormShow()
{
    GetSettings();
    ProcessMessages();
    m_toolbarChanged = false;
}

void TfrmPreferences::GetSettings()
{
    {
        const QSignalBlocker quiet(cbDefaultSection);
        cbDefaultSection->clear();
        cbDefaultSection->addItems(Catalogue::SectionNames());
    }

    // General
    cbAutoStart->setChecked(Settings::AutoStart());
    cbDLDetect->setChecked(Settings::DownloadDetect());
    SetTrayCaption(cbDLDetect->isChecked());

    // Management
    edtSectionRoot->setText(Settings::ManagementDefaultRoot());
    SelectIndex(cbDeleteType, Settings::DeleteType(), 0);
    cbAutoDelete->setChecked(Settings::ConfirmDelete());
    cbCatDelete->setChecked(Settings::ConfirmCatDelete());
    cbPrompt->setChecked(Settings::PromptIfNotOpened());
    meDays->setText(DaysText(Settings::PromptDays(), QStringLiteral("10")));
    cbDelete->setChecked(Settings::AutoDelete());
    meDeleteDays->setText(DaysText(Settings::DeleteDays(), QStringLiteral("30")));
    cbShowMenu->setChecked(Settings::ShowMenu());

    // Download: the section by index (none when beyond the list), its
    // folders, then the folder by index the same way.
    const int section = Settings::DefaultSection();
    cbDefaultSection->setCurrentIndex(section >= 0 && section < cbDefaultSection->count() ? section : -1);
    cbDefaultSectionChange();
    const int folder = Settings::DefaultCat();
    cbDefaultCat->setCurrentIndex(folder >= 0 && folder < cbDefaultCat->count() ? folder : -1);
    SelectIndex(cbOpenWhen, Settings::OpenWhen(), 0);
    cbAutoMin->setChecked(Settings::AutoMin());
    SpeedBox->ShowSpeed(Settings::Speed());
    spnSpeedLimit->setValue(Settings::SpeedLimit());
    spnConnections->setValue(Settings::Connections());

    // Virus Control
    const QString scanner = Settings::ScannerPath();
    edtCommandLine->setText(Settings::CommandLine(scanner));
    edtParameters->setText(Settings::Parameters());
    cbAutoScan->setChecked(Settings::ScanWhenDone());
    cbAutoScan->setEnabled(!edtCommandLine->text().isEmpty());

    // Toolbar
    cbTBNew->setChecked(Settings::ToolBarNew());
    cbTBDelete->setChecked(Settings::ToolBarDelete());
    cbTBOptions->setChecked(Settings::ToolBarOptions());
    cbTBReport->setChecked(Settings::ToolBarReport());
    cbTBProps->setChecked(Settings::ToolBarProps());
    cbTBStyle->setChecked(Settings::ToolBarStyle());
    cbTBHelp->setChecked(Settings::ToolBarHelp());
    cbTBBrowser->setChecked(Settings::ToolBarBrowser());
    edtBrowserCL->setText(Settings::BrowserCL(Settings::BrowserPath()));
    cbTBVirus->setChecked(Settings::ToolBarVirus());
    edtVirusCL->setText(Settings::VirusCL(scanner));
    LauncherChange();
    // A stored edge that is none of the four shows as the top, where the bar stays.
    SelectIndex(cmbAlign, Settings::ToolAlign() - 1, 2);
    cbShowText->setChecked(Settings::ShowToolLabels());
}

void TfrmPreferences::cbDefaultSectionChange()
{
    cbDefaultCat->clear();
    if (cbDefaultSection->currentIndex() < 0)
        return;
    cbDefaultCat->addItems(Catalogue::FolderNames(cbDefaultSection->currentText()));
    if (cbDefaultCat->count() > 0)
        cbDefaultCat->setCurrentIndex(0);
}

// ---------------------------------------------------------------------------
// Start with the session

void TfrmPreferences::cbAutoStartClick()
{
    if (cbAutoStart->isChecked())
        Autostart::Create();
    else
        Autostart::Remove();
}

// ---------------------------------------------------------------------------
// OK

bool TfrmPreferences::cmdOKClick()
{
    const std::optional<int> speed = SpeedBox->ChosenSpeed();
    if (!speed || *speed <= 0) {
        Dialogs::message(InvalidSpeedText(), QStringLiteral("Fetchlark"), MB_OK, MB_ICONWARNING, this);
        PageControl1->setCurrentWidget(tabDownload);
        SpeedBox->edtOther->setFocus();
        return false;
    }
    // Every setting or none: a refused write puts back what was there.
    const FileSnapshot settings(Settings::FileName());
    const FileSnapshot entry(Autostart::EntryPath());
    try {
        WriteSettings(*speed);
    } catch (const Exception& e) {
        settings.Restore();
        entry.Restore();
        ShowException(e, this);
        return false;
    }
    ApplyToRunningWindows();
    accept();
    return true;
}

void TfrmPreferences::WriteSettings(int speed)
{
    Settings::SetAutoStart(cbAutoStart->isChecked());
    cbAutoStartClick();

    Settings::SetDownloadDetect(cbDLDetect->isChecked());

    Settings::SetDeleteType(cbDeleteType->currentIndex());
    Settings::SetConfirmDelete(cbAutoDelete->isChecked());
    Settings::SetConfirmCatDelete(cbCatDelete->isChecked());
    Settings::SetManagementDefaultRoot(edtSectionRoot->text());
    Settings::SetPromptIfNotOpened(cbPrompt->isChecked());
    // An empty days box keeps its default rather than storing nothing.
    Settings::SetPromptDays(meDays->text().isEmpty() ? QStringLiteral("10") : meDays->text());
    Settings::SetAutoDelete(cbDelete->isChecked());
    Settings::SetDeleteDays(meDeleteDays->text().isEmpty() ? QStringLiteral("30") : meDeleteDays->text());
    Settings::SetShowMenu(cbShowMenu->isChecked());

    Settings::SetDefaultSection(cbDefaultSection->currentIndex());
    Settings::SetDefaultCat(cbDefaultCat->currentIndex());
    Settings::SetOpenWhen(cbOpenWhen->currentIndex());
    Settings::SetAutoMin(cbAutoMin->isChecked());
    Settings::SetSpeed(speed);
    Settings::SetSpeedLimit(spnSpeedLimit->value());
    Settings::SetConnections(spnConnections->value());

    Settings::SetCommandLine(edtCommandLine->text());
    Settings::SetParameters(edtParameters->text());
    Settings::SetScanWhenDone(cbAutoScan->isChecked());

    Settings::SetToolBarNew(cbTBNew->isChecked());
    Settings::SetToolBarDelete(cbTBDelete->isChecked());
    Settings::SetToolBarOptions(cbTBOptions->isChecked());
    Settings::SetToolBarReport(cbTBReport->isChecked());
    Settings::SetToolBarProps(cbTBProps->isChecked());
    Settings::SetToolBarStyle(cbTBStyle->isChecked());
    Settings::SetToolBarHelp(cbTBHelp->isChecked());
    Settings::SetToolBarBrowser(cbTBBrowser->isChecked());
    Settings::SetBrowserCL(edtBrowserCL->text());
    Settings::SetToolBarVirus(cbTBVirus->isChecked());
    Settings::SetVirusCL(edtVirusCL->text());
    Settings::SetToolAlign(cmbAlign->currentIndex() + 1);
    Settings::SetShowToolLabels(cbShowText->isChecked());
}

// What OK changes in the windows that are running.
void TfrmPreferences::ApplyToRunningWindows()
{
    SetTrayCaption(cbDLDetect->isChecked());
    // Downloads that run now take the new limit at once.
    if (AskerHost* downloads = AskerHost::instance())
        downloads->AllDownloadsLimit().SetRate(qint64(spnSpeedLimit->value()) * 1024);
    PreferencesHost* manager = Window<PreferencesHost>();
    if (!manager)
        return;
    manager->SetFileMenuMode(cbShowMenu->isChecked());
    manager->SetScanEnabled(!edtCommandLine->text().isEmpty());
    if (m_toolbarChanged)
        manager->ApplyToolBarPreferences(AllToolbarButtonsOff(), cbShowText->isChecked());
}

bool TfrmPreferences::AllToolbarButtonsOff() const
{
    for (const QCheckBox* box :
         {cbTBNew, cbTBDelete, cbTBOptions, cbTBReport, cbTBProps, cbTBStyle, cbTBHelp, cbTBBrowser, cbTBVirus})
        if (box->isChecked())
            return false;
    return true;
}

void TfrmPreferences::SetTrayCaption(bool detect)
{
    if (auto* tray = Window<TrayCaptionHost>())
        tray->SetTrayCaption(QString::fromLatin1(detect ? contract::kTrayCaption : contract::kTrayCaptionOff));
}

} // namespace flk
