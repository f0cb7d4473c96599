#pragma once
// The window of one virus scan: what is scanned, the scanner's output as it
// comes, and its verdict when it ends. A found virus is a warning the user
// cannot miss: the window comes to the front with the verdict in red. The
// window lives on its own (the download dialog that started it may close
// meanwhile) and frees itself, stopping a scan still running, when closed.

#include "ScannerRun.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace flk {

class TfrmScan : public QDialog {
    Q_OBJECT
public:
    // A window for the scan of `target` by `program` with `arguments`;
    // connect to Run()'s Finished, then Start().
    TfrmScan(const QString& program, const QStringList& arguments, const QString& target);

    // Shows the window and starts the scan.
    void Start();
    ScannerRun* Run() const { return m_run; }

    static QString VerdictText(ScannerRun::Verdict verdict, const QString& target, const ScannerRun& run);

    QLabel* imgVerdict;
    QLabel* lblVerdict;
    QPlainTextEdit* mmoOutput;
    QPushButton* cmdClose;

private:
    void ShowVerdict(ScannerRun::Verdict verdict);

    ScannerRun* m_run;
    QString m_target;
};

} // namespace flk
