#include "ScannerRun.h"

#include <QFileInfo>

namespace flk {

ScannerRun::ScannerRun(const QString& program, const QStringList& arguments, QObject* parent)
    : QObject(parent), m_program(program)
{
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice()); // a scanner never waits for us to type
    connect(&m_process, &QProcess::readyRead, this, &ScannerRun::ReadOutput);
    connect(&m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        ReadOutput();
        m_exitCode = code;
        if (status == QProcess::CrashExit) {
            m_failure = QStringLiteral("the scanner stopped unexpectedly");
            End(Verdict::Failed);
            return;
        }
        if (Judge(m_program, code) == Verdict::Failed)
            m_failure = QStringLiteral("the scanner reported an error (exit status %1)").arg(code);
        End(Judge(m_program, code));
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // the end comes with finished()
        m_failure = QStringLiteral("the scanner could not be started (%1)").arg(m_process.errorString());
        End(Verdict::Failed);
    });
}

ScannerRun::~ScannerRun()
{
    disconnect(&m_process, nullptr, this, nullptr);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void ScannerRun::Start()
{
    m_process.start(QIODevice::ReadOnly);
}

ScannerRun::Verdict ScannerRun::Judge(const QString& program, int exitCode)
{
    const QString name = QFileInfo(program).fileName().toLower();
    if (name == QLatin1String("clamscan") || name == QLatin1String("clamdscan"))
        return exitCode == 0 ? Verdict::Clean : exitCode == 1 ? Verdict::Found : Verdict::Failed;
    return exitCode == 0 ? Verdict::Clean : Verdict::NotClean;
}

void ScannerRun::ReadOutput()
{
    const QString text = m_decoder.decode(m_process.readAll());
    if (text.isEmpty())
        return;
    m_output += text;
    emit OutputArrived(text);
}

void ScannerRun::End(Verdict verdict)
{
    if (m_verdict != Verdict::Running)
        return;
    m_verdict = verdict;
    emit Finished(verdict);
}

} // namespace flk
