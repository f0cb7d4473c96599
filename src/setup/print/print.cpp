#include "print.h"

#include "Dialogs.h"
#include "ErrorBox.h"
#include "Help.h"
#include "ProgramFolder.h"
#include "ProgramWindows.h"
#include "RecordFile.h"
#include "ReportHost.h"
#include "ReportPrinter.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace flk {

namespace {

const QString kSaveTitle = QStringLiteral("Save Report As");
const QString kSaveFilter = QStringLiteral("Text files (*.txt)");

QString ReplaceQuestion(const QString& file)
{
    return QStringLiteral("The specified file \"%1\" already exists.  Replace the existing file?").arg(file);
}

QString FolderText(const QString& path)
{
    return QStringLiteral("\"%1\" is a folder. Give the name of a file for the report.").arg(path);
}

} // namespace

const QString TfrmPrint::kWarning = QStringLiteral(
    "Please note that long fields may prevent the information from fitting on a single line when printed "
    "(wrap to the next line).  If you encounter this, it is recommended that you save a report first and "
    "then adjust the document formatting manually before printing.");

TfrmPrint::TfrmPrint(QWidget* parent) : QDialog(parent)
{
    BuildUi();
    FormCreate();
    PrepareParams(true);
}

TfrmPrint::~TfrmPrint() = default;

void TfrmPrint::BuildUi()
{
    setObjectName(QStringLiteral("frmPrint"));
    lblHeading = new QLabel(this);
    lblHeading->setWordWrap(true);

    cbFileName = new QCheckBox(QStringLiteral("File Name"), this);
    cbSource = new QCheckBox(QStringLiteral("Source"), this);
    cbDateDownloaded = new QCheckBox(QStringLiteral("Date Downloaded"), this);
    cbDateOpened = new QCheckBox(QStringLiteral("Date Opened"), this);
    cbVirusChecked = new QCheckBox(QStringLiteral("Virus Checked"), this);
    cbDescription = new QCheckBox(QStringLiteral("Description"), this);
    const ReportColumns defaults;
    cbFileName->setChecked(defaults.fileName);
    cbSource->setChecked(defaults.source);
    cbDateDownloaded->setChecked(defaults.dateDownloaded);
    cbDateOpened->setChecked(defaults.dateOpened);
    cbVirusChecked->setChecked(defaults.virusChecked);
    cbDescription->setChecked(defaults.description);
    auto* boxes = new QGridLayout;
    boxes->addWidget(cbFileName, 0, 0);
    boxes->addWidget(cbSource, 1, 0);
    boxes->addWidget(cbDateDownloaded, 2, 0);
    boxes->addWidget(cbDateOpened, 0, 1);
    boxes->addWidget(cbVirusChecked, 1, 1);
    boxes->addWidget(cbDescription, 2, 1);

    lblFilename = new QLabel(QStringLiteral("Report Filename"), this);
    edtPrintFile = new QLineEdit(this);
    edtPrintFile->setAccessibleName(lblFilename->text());
    lblFilename->setBuddy(edtPrintFile);
    cmdBrowse = new QPushButton(QStringLiteral("..."), this);
    cmdBrowse->setAccessibleName(QStringLiteral("Browse"));
    cmdBrowse->setAutoDefault(false);
    cmdBrowse->setFixedWidth(cmdBrowse->fontMetrics().horizontalAdvance(cmdBrowse->text()) + 24);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(edtPrintFile, 1);
    fileRow->addWidget(cmdBrowse);

    lblWarning = new QLabel(kWarning, this);
    lblWarning->setWordWrap(true);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblHeading);
    layout->addLayout(boxes);
    layout->addWidget(lblFilename);
    layout->addLayout(fileRow);
    layout->addWidget(lblWarning);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    connect(cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowseClick(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOKClick(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmPrint::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier) {
        OpenHelp();
        return;
    }
    QDialog::keyPressEvent(e);
}

// The report file offered at first: named after the current folder, in the
// program's folder.
void TfrmPrint::FormCreate()
{
    const ReportHost* host = Window<ReportHost>();
    const QString folder = host ? host->ReportFolder() : QString();
    m_saveFileName = ProgramFolder() + (folder.isEmpty() ? QStringLiteral("Report") : folder) + QStringLiteral(".txt");
    edtPrintFile->setText(m_saveFileName);
}

void TfrmPrint::PrepareParams(bool print)
{
    m_print = print;
    lblFilename->setVisible(!print);
    edtPrintFile->setVisible(!print);
    cmdBrowse->setVisible(!print);
    lblWarning->setVisible(print);
    if (print) {
        setWindowTitle(QStringLiteral("Print a Report"));
        lblHeading->setText(QStringLiteral("Select the fields that you would like to print."));
        adjustSize();
        return;
    }
    // The file keeps its folder and takes the current folder's name.
    const ReportHost* host = Window<ReportHost>();
    const QString folder = host ? host->ReportFolder() : QString();
    m_saveFileName = WithSlash(QFileInfo(m_saveFileName).absolutePath())
                     + (folder.isEmpty() ? QStringLiteral("Report") : folder) + QStringLiteral(".txt");
    edtPrintFile->setText(m_saveFileName);
    setWindowTitle(QStringLiteral("Save a Report"));
    lblHeading->setText(QStringLiteral("Select the fields that you would like to save in the report."));
    adjustSize();
}

void TfrmPrint::ShowParams(bool print)
{
    PrepareParams(print);
    Dialogs::instance().execModal(this);
}

void TfrmPrint::cmdBrowseClick()
{
    QString chosen = Dialogs::instance().saveFileName(this, kSaveTitle, m_saveFileName, kSaveFilter);
    if (chosen.isEmpty())
        return;
    if (QFileInfo(chosen).suffix().isEmpty())
        chosen += QStringLiteral(".txt");
    m_saveFileName = chosen;
    edtPrintFile->setText(chosen);
}

void TfrmPrint::cmdOKClick()
{
    if (m_print ? PrintReport() : SaveReport())
        accept();
}

ReportColumns TfrmPrint::Columns() const
{
    return {cbFileName->isChecked(),   cbSource->isChecked(),      cbDateDownloaded->isChecked(),
            cbDateOpened->isChecked(), cbVirusChecked->isChecked(), cbDescription->isChecked()};
}

QStringList TfrmPrint::BuildReport() const
{
    const ReportHost* host = Window<ReportHost>();
    if (!host)
        return ReportLines(Columns(), {});
    RecordFile records(host->ReportSection(), host->ReportFolder());
    return ReportLines(Columns(), ReadReportRows(records, host->ReportFiles()));
}

bool TfrmPrint::SaveReport()
{
    // A bare name lands in the program's folder, not wherever the program
    // happened to be started.
    const QString target = QDir(ProgramFolder()).absoluteFilePath(edtPrintFile->text());
    // A folder cannot be replaced by a report: say so before asking anything.
    if (QFileInfo(target).isDir()) {
        ShowError(FolderText(target), this);
        edtPrintFile->setFocus();
        edtPrintFile->selectAll();
        return false;
    }
    if (QFileInfo::exists(target)
        && Dialogs::message(ReplaceQuestion(target), QStringLiteral("Warning"), MB_YESNO, MB_ICONWARNING, this)
               != IDYES)
        return false;

    const QStringList lines = BuildReport();
    QFile file(target);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (const QString& line : lines) {
        if (!ok)
            break;
        ok = file.write((line + QChar('\n')).toUtf8()) >= 0;
    }
    if (ok && file.flush()) {
        file.close();
        return true;
    }
    ShowError(QStringLiteral("Cannot write the report file \"%1\": %2.").arg(target, file.errorString()), this);
    return false;
}

bool TfrmPrint::PrintReport()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!Dialogs::instance().printDialog(this, m_printer.get()))
        return false;
    if (RunGuarded([this] { PrintReportLines(*m_printer, BuildReport()); }, this))
        return true;
    m_printer.reset(); // a failed job can leave the printer unusable; the next starts afresh
    return false;
}

} // namespace flk
