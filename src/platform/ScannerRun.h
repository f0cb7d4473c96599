#pragma once
// One run of the user's virus scanner on a file or folder. The scanner is
// started directly (never through a shell), its output (standard output and
// error together) is collected as it comes, and its exit status is judged
// when it ends. Everything arrives by signals: the caller never waits.
//
// The verdict: ClamAV's scanners (clamscan, clamdscan) say 0 clean, 1 a virus
// found, anything else an error. For any other scanner only 0 is clean; what
// another status means is the scanner's own, so it is shown as "not clean".

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

namespace flk {

class ScannerRun : public QObject {
    Q_OBJECT
public:
    enum class Verdict { Running, Clean, Found, NotClean, Failed };

    ScannerRun(const QString& program, const QStringList& arguments, QObject* parent = nullptr);
    ~ScannerRun() override; // a scan still running is stopped

    // Starts the scanner; Finished follows once (at once when it cannot start).
    void Start();

    QString Program() const { return m_program; }
    QString Output() const { return m_output; }
    Verdict Result() const { return m_verdict; }
    int ExitCode() const { return m_exitCode; }
    // Why a run that failed failed ("No such file or directory").
    QString Failure() const { return m_failure; }

    static Verdict Judge(const QString& program, int exitCode);

signals:
    void OutputArrived(const QString& text);
    void Finished(flk::ScannerRun::Verdict verdict);

private:
    void ReadOutput();
    void End(Verdict verdict);

    QProcess m_process;
    QString m_program;
    QString m_output;
    QString m_failure;
    QStringDecoder m_decoder{QStringDecoder::System};
    Verdict m_verdict = Verdict::Running;
    int m_exitCode = -1;
};

} // namespace flk
