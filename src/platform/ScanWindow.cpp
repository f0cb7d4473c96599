#include "ScanWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace flk {

namespace {

QString Quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

TfrmScan::TfrmScan(const QString& program, const QStringList& arguments, const QString& target)
    : m_run(new ScannerRun(program, arguments, this)), m_target(target)
{
    setObjectName(QStringLiteral("frmScan"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Virus Scan - ") + QFileInfo(target).fileName());

    imgVerdict = new QLabel;
    imgVerdict->setAccessibleName(QStringLiteral("Verdict icon"));
    lblVerdict = new QLabel(QStringLiteral("Scanning ") + Quoted(target) + QStringLiteral("..."));
    lblVerdict->setObjectName(QStringLiteral("lblVerdict"));
    lblVerdict->setTextFormat(Qt::PlainText); // a file name is never markup
    lblVerdict->setWordWrap(true);
    lblVerdict->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lblVerdict->setAccessibleName(QStringLiteral("Verdict"));
    auto* top = new QHBoxLayout;
    top->addWidget(imgVerdict, 0, Qt::AlignTop);
    top->addWidget(lblVerdict, 1);

    auto* outputLabel = new QLabel(QStringLiteral("Scanner &output:"));
    mmoOutput = new QPlainTextEdit;
    mmoOutput->setObjectName(QStringLiteral("mmoOutput"));
    mmoOutput->setReadOnly(true);
    mmoOutput->setLineWrapMode(QPlainTextEdit::WidgetWidth); // a long path never hides "FOUND"
    mmoOutput->setMinimumSize(520, 200);
    mmoOutput->setAccessibleName(QStringLiteral("Scanner output"));
    outputLabel->setBuddy(mmoOutput);

    cmdClose = new QPushButton(QStringLiteral("&Close"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject); // Escape does the same
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(outputLabel);
    layout->addWidget(mmoOutput, 1);
    layout->addLayout(buttons);

    connect(m_run, &ScannerRun::OutputArrived, this, [this](const QString& text) {
        mmoOutput->moveCursor(QTextCursor::End);
        mmoOutput->insertPlainText(text);
    });
    connect(m_run, &ScannerRun::Finished, this, &TfrmScan::ShowVerdict);
}

void TfrmScan::Start()
{
    show();
    m_run->Start();
}

QString TfrmScan::VerdictText(ScannerRun::Verdict verdict, const QString& target, const ScannerRun& run)
{
    switch (verdict) {
    case ScannerRun::Verdict::Running: return QStringLiteral("Scanning ") + Quoted(target) + QStringLiteral("...");
    case ScannerRun::Verdict::Clean: return QStringLiteral("No virus was found in ") + Quoted(target) + QStringLiteral(".");
    case ScannerRun::Verdict::Found:
        return QStringLiteral("Warning: the virus scanner found a virus in ") + Quoted(target)
               + QStringLiteral(". Its report is below.");
    case ScannerRun::Verdict::NotClean:
        return QStringLiteral("Warning: the virus scanner did not report ") + Quoted(target)
               + QStringLiteral(" clean (exit status %1). Its report is below.").arg(run.ExitCode());
    case ScannerRun::Verdict::Failed:
        return QStringLiteral("The virus scan of ") + Quoted(target) + QStringLiteral(" did not complete: ")
               + run.Failure() + QStringLiteral(".");
    }
    return {};
}

void TfrmScan::ShowVerdict(ScannerRun::Verdict verdict)
{
    const bool clean = verdict == ScannerRun::Verdict::Clean;
    const bool warning = verdict == ScannerRun::Verdict::Found || verdict == ScannerRun::Verdict::NotClean;
    lblVerdict->setText(VerdictText(verdict, m_target, *m_run));
    if (warning)
        lblVerdict->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    const QStyle::StandardPixmap icon = clean     ? QStyle::SP_MessageBoxInformation
                                        : warning ? QStyle::SP_MessageBoxWarning
                                                  : QStyle::SP_MessageBoxCritical;
    imgVerdict->setPixmap(style()->standardIcon(icon).pixmap(32, 32));
    setAccessibleDescription(lblVerdict->text());
    if (!clean) {
        // Not something to find later behind other windows.
        show();
        raise();
        activateWindow();
        QApplication::alert(this);
    }
    QAccessibleEvent alert(lblVerdict, clean ? QAccessible::NameChanged : QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

} // namespace flk
