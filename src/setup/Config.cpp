#include "Config.h"

#include "ConfigWizard.h"
#include "ConnectionSpeedBox.h"
#include "Dialogs.h"
#include "Help.h"
#include "Messages.h"
#include "ProgramWindows.h"
#include "Progress.h"
#include "ProgressAnimation.h"
#include "Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QShowEvent>
#include <QVBoxLayout>

namespace flk {

const QString TfrmConfig::kCaption = QStringLiteral("Fetchlark Configuration Wizard");
const QString TfrmConfig::kNotFound = QStringLiteral("Not Found");
const QString TfrmConfig::kNoScanner = QStringLiteral("Do not configure a scanner at this time.");
const QString TfrmConfig::kOwnScanner = QStringLiteral("I wish to specify my own scanner.");
const QString TfrmConfig::kCancelQuestion = QStringLiteral(
    "The Configuration Wizard has not finshed setting up Fetchlark.  If you quit, some functions in Fetchlark may "
    "not operate correctly.  Are you sure you want to exit?");
const QString TfrmConfig::kBadSpeed = QStringLiteral("Please specify a valid numeric value.");
const QString TfrmConfig::kHelpTopic = QStringLiteral("Getting_Started_For_The_First_Time");

namespace {

const QString kGap = QString(TfrmConfig::kPathGap, QLatin1Char(' '));

} // namespace

TfrmConfig::TfrmConfig(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(kCaption);
    EPWizard1 = new TEPWizard(this);
    BuildPage1();
    BuildPage2();
    BuildPage3();
    BuildPage4();
    BuildPage5();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(EPWizard1);
    resize(600, 400);

    connect(EPWizard1, &TEPWizard::Change, this, [this] { EPWizard1Change(); });
    connect(EPWizard1, &TEPWizard::FinishClick, this, [this] { EPWizard1FinishClick(); });
    connect(EPWizard1, &TEPWizard::CancelClick, this, [this] { EPWizard1CancelClick(); });
}

TfrmConfig::~TfrmConfig() = default;

void TfrmConfig::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmConfig::FormShow()
{
    for (TEPWizardPage* page : {EPWizardPage2, EPWizardPage3, EPWizardPage4, EPWizardPage5})
        page->Image->setPixmap(Image1->pixmap());
    m_scanDone = false;
    cbOpenWhen->setCurrentIndex(0);
    SpeedBox->ResetLists();
}

void TfrmConfig::EPWizard1Change()
{
    if (EPWizard1->ActivePage() != EPWizardPage2 || m_scanDone)
        return;
    ScanforFiles();
    m_scanDone = true;
    FillScannerList();
}

void TfrmConfig::FillScannerList()
{
    cbScanner->insertItem(0, kOwnScanner);
    cbScanner->insertItem(0, kNoScanner);
    cbScanner->setCurrentIndex(cbScanner->count() >= 3 ? 2 : 1);
    edtPath->setText(PathOfEntry(cbScanner->currentText()));
    if (!edtPath->text().isEmpty())
        cbAutoScan->setEnabled(true);
}

QString TfrmConfig::PathOfEntry(const QString& entry)
{
    // The label is followed by the gap, then the absolute path.
    const int at = entry.indexOf(kGap + QLatin1Char('/'));
    return at < 0 ? entry : entry.mid(at + kPathGap);
}

TfrmProgress* TfrmConfig::Progress()
{
    if (TfrmProgress* registered = Window<TfrmProgress>())
        return registered;
    if (!m_ownProgress)
        m_ownProgress = new TfrmProgress(this);
    return m_ownProgress;
}

void TfrmConfig::ScanforFiles()
{
    cbScanner->clear();
    TfrmProgress* frmProgress = Progress();
    frmProgress->show();
    frmProgress->raise();
    frmProgress->Animate1->SetActive(true);
    ProcessMessages();
    QStringList names;
    for (const KnownProgram& program : KnownPrograms())
        names << program.name;
    const QList<ProgramHit> hits = frmProgress->Search(ProgramSearch(SearchRoot, names));
    frmProgress->Animate1->SetActive(false);
    frmProgress->close();
    for (const ProgramHit& hit : hits)
        Found(hit, KnownPrograms().at(hit.index));
}

void TfrmConfig::Found(const ProgramHit& hit, const KnownProgram& program)
{
    switch (program.kind) {
    case ProgramKind::Chromium:
        optIE->setEnabled(true);
        optIE->setChecked(true);
        edtIELoc->setText(hit.path());
        break;
    case ProgramKind::Firefox:
        optNetscape->setEnabled(true);
        optNetscape->setChecked(true);
        edtNSLoc->setText(hit.path());
        break;
    case ProgramKind::Scanner:
        cbScanner->addItem(program.label + kGap + hit.path());
        break;
    }
}

void TfrmConfig::cbScannerChange()
{
    const int index = cbScanner->currentIndex();
    edtPath->setText(PathOfEntry(cbScanner->currentText()));
    const bool own = index == 1;
    lblScanner->setVisible(own);
    edtScanLine->setVisible(own);
    cmdsBrowse->setVisible(own);
    edtPath->setVisible(!own && index != 0);
    lblPath->setVisible(!own && index != 0);
    pnlvOptions->setVisible(index != 0);
    if (own)
        cmdsBrowse->setFocus();
    if (index != 0)
        cbAutoScan->setEnabled(!edtScanLine->text().isEmpty() || !edtPath->text().isEmpty());
    else
        cbAutoScan->setEnabled(false);
    if (own && edtScanLine->text().isEmpty())
        cbAutoScan->setEnabled(false);
}

QString TfrmConfig::BrowseForProgram(const QString& title, const QString& filter)
{
    const QString file = Dialogs::instance().openFileName(this, title, QString(), filter);
    if (file.isEmpty())
        return {};
    const QFileInfo info(file);
    if (!info.isFile() || !info.isExecutable()) {
        Dialogs::message(QStringLiteral("%1 is not a program that can be started. Please choose the program itself.")
                             .arg(file),
                         title, MB_OK, MB_ICONWARNING, this);
        return {};
    }
    return file;
}

void TfrmConfig::cmdChangeNSClick()
{
    const QString file = BrowseForProgram(QStringLiteral("Browse for Firefox"),
                                          QStringLiteral("Firefox (firefox firefox-esr org.mozilla.firefox)"));
    if (file.isEmpty())
        return;
    edtNSLoc->setText(file);
    optNetscape->setEnabled(true);
    optNetscape->setChecked(true);
}

void TfrmConfig::cmdChangeIEClick()
{
    const QString file = BrowseForProgram(
        QStringLiteral("Browse for Chromium or Chrome"),
        QStringLiteral("Chromium or Chrome (chromium chromium-browser google-chrome google-chrome-stable "
                       "org.chromium.Chromium com.google.Chrome)"));
    if (file.isEmpty())
        return;
    edtIELoc->setText(file);
    optIE->setEnabled(true);
    optIE->setChecked(true);
}

void TfrmConfig::cmdsBrowseClick()
{
    const QString file =
        BrowseForProgram(QStringLiteral("Browse for Virus Scanner"), QStringLiteral("All Executables (*)"));
    if (file.isEmpty())
        return;
    edtScanLine->setText(file);
    cbAutoScan->setEnabled(true);
}

int TfrmConfig::ChosenSpeed() const
{
    return SpeedBox->ChosenSpeed().value_or(0);
}

void TfrmConfig::EPWizard1FinishClick()
{
    const int speed = ChosenSpeed();
    if (speed <= 0) {
        Dialogs::showMessage(kBadSpeed, this);
        SpeedBox->edtOther->setFocus();
        return;
    }
    WriteSettings(speed);
    OpenHelp(kHelpTopic);
    done(QDialog::Accepted);
}

void TfrmConfig::WriteSettings(int speed)
{
    if (edtIELoc->text() != kNotFound) {
        Settings::SetIEPath(edtIELoc->text());
        Settings::SetBrowserCL(edtIELoc->text());
        Settings::SetToolBarBrowser(true);
    }
    if (edtNSLoc->text() != kNotFound) {
        Settings::SetNSPath(edtNSLoc->text());
        Settings::SetBrowserCL(edtNSLoc->text()); // the second row wins when both were found
        Settings::SetToolBarBrowser(true);
    }
    Settings::SetDetectIE(optIE->isChecked());
    Settings::SetDetectNS(optNetscape->isChecked());
    const int scanner = cbScanner->currentIndex();
    const QString program = scanner == 1 ? edtScanLine->text() : scanner >= 2 ? edtPath->text() : QString();
    if (!program.isEmpty()) {
        Settings::SetCommandLine(program);
        Settings::SetParameters(edtParameters->text());
        Settings::SetVirusCL(program);
        Settings::SetToolBarVirus(true);
    }
    // Scanning by default needs a scanner: the check box can be on while the
    // list shows no scanner's path.
    Settings::SetScanWhenDone(!program.isEmpty() && cbAutoScan->isEnabled() && cbAutoScan->isChecked());
    Settings::SetOpenWhen(cbOpenWhen->currentIndex());
    StartWithDesktop(cbAutoStart->isChecked());
    Settings::SetAutoStart(cbAutoStart->isChecked());
    Settings::SetSpeed(speed);
}

void TfrmConfig::EPWizard1CancelClick()
{
    if (Dialogs::message(kCancelQuestion, QStringLiteral("Confirm Exit"), MB_YESNO, MB_ICONQUESTION, this) != IDYES)
        return;
    // The tray gives its icon the menu once this window has closed.
    OpenHelp(kHelpTopic);
    done(QDialog::Rejected);
}

void TfrmConfig::keyPressEvent(QKeyEvent* event)
{
    // F1 anywhere in the window: no control takes it for itself.
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        OpenHelp();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmConfig::reject()
{
    EPWizard1CancelClick();
}

} // namespace flk
