#pragma once
// The report dialog of the manager window. A report is a plain-text table of
// the files listed for the current folder, one line per file, with the
// columns the user ticks, taken from the folder's download records. The same
// dialog prints it (print mode) or saves it as a text file (save mode).

#include "ReportText.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;

namespace flk {

class ReportHost;

class TfrmPrint : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrint(QWidget* parent = nullptr);
    ~TfrmPrint() override;

    static const QString kWarning;

    QLabel* lblHeading;
    QCheckBox* cbFileName;
    QCheckBox* cbSource;
    QCheckBox* cbDateDownloaded;
    QCheckBox* cbDateOpened;
    QCheckBox* cbVirusChecked;
    QCheckBox* cbDescription;
    QLabel* lblFilename;
    QLineEdit* edtPrintFile;
    QPushButton* cmdBrowse;
    QLabel* lblWarning;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // Prepares the dialog for printing (true) or saving (false) and shows it
    // modally.
    void ShowParams(bool print);
    // The preparing half of ShowParams, without showing.
    void PrepareParams(bool print);

    bool PrintMode() const { return m_print; }
    // The save dialog's file name: the report file name offered.
    QString ReportFileName() const { return m_saveFileName; }

    void cmdBrowseClick();
    void cmdOKClick();

protected:
    // F1 opens the help; Enter and Escape do OK and Cancel.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void BuildUi();
    void FormCreate();
    ReportColumns Columns() const;
    QStringList BuildReport() const;
    bool SaveReport();
    bool PrintReport();

    bool m_print = true;
    QString m_saveFileName;              // SaveDialog1's file name
    std::unique_ptr<QPrinter> m_printer; // PrintDialog1's printer, kept between jobs
};

} // namespace flk
