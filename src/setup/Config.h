#pragma once
// Fetchlark Configuration Wizard: the five-page first-start wizard. It
// searches the machine once for browsers and virus scanners, asks which of
// them the program shall work with, what happens to finished downloads,
// whether the program starts at login and how fast the download connection
// is, and on Finish writes the answers into dlmain.ini.
//
// The two browser rows stand for the browsers of the Linux desktop: the
// "IE" row (optIE, edtIELoc, keys IEPath and DetectIE) is Chromium or
// Google Chrome, the "NS" row (optNetscape, edtNSLoc, keys NSPath and
// DetectNS) is Firefox.

#include "ProgramSearch.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace flk {

class TConnectionSpeedBox;

class TEPWizard;
class TEPWizardPage;
class TfrmProgress;

class TfrmConfig : public QDialog {
    Q_OBJECT
public:
    static const QString kCaption;       // "Fetchlark Configuration Wizard"
    static const QString kNotFound;      // "Not Found"
    static const QString kNoScanner;     // "Do not configure a scanner at this time."
    static const QString kOwnScanner;    // "I wish to specify my own scanner."
    static const QString kCancelQuestion;
    static const QString kBadSpeed;      // "Please specify a valid numeric value."
    static const QString kHelpTopic;     // "Getting_Started_For_The_First_Time"
    static constexpr int kPathGap = 38;  // spaces between a scanner's label and its path

    explicit TfrmConfig(QWidget* parent = nullptr);
    ~TfrmConfig() override;

    // Where the search starts; "/" unless a test or a snapshot sets another.
    QString SearchRoot = QStringLiteral("/");

    TEPWizard* EPWizard1;
    TEPWizardPage* EPWizardPage1;
    TEPWizardPage* EPWizardPage2;
    TEPWizardPage* EPWizardPage3;
    TEPWizardPage* EPWizardPage4;
    TEPWizardPage* EPWizardPage5;
    QLabel* Image1;

    // Page 2: the browsers.
    QCheckBox* optNetscape;
    QLineEdit* edtNSLoc;
    QPushButton* cmdChangeNS;
    QCheckBox* optIE;
    QLineEdit* edtIELoc;
    QPushButton* cmdChangeIE;

    // Page 3: the virus scanner.
    QComboBox* cbScanner;
    QLabel* lblPath;
    QLineEdit* edtPath;
    QLabel* lblScanner;
    QLineEdit* edtScanLine;
    QPushButton* cmdsBrowse;
    QWidget* pnlvOptions;
    QLineEdit* edtParameters;
    QCheckBox* cbAutoScan;

    // Page 4: miscellaneous options.
    QComboBox* cbOpenWhen;
    QCheckBox* cbAutoStart;

    // Page 5: the connection.
    TConnectionSpeedBox* SpeedBox;

    bool ScanDone() const { return m_scanDone; }

    void FormShow();
    void EPWizard1Change();
    void ScanforFiles();
    void cbScannerChange();
    void cmdChangeNSClick();
    void cmdChangeIEClick();
    void cmdsBrowseClick();
    void EPWizard1FinishClick();
    void EPWizard1CancelClick();

    // The text of a scanner entry from its path on (the whole text when it
    // holds none).
    static QString PathOfEntry(const QString& entry);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override; // Escape and the window's close button: Cancel

private:
    void BuildPage1();
    void BuildPage2();
    void BuildPage3();
    void BuildPage4();
    void BuildPage5();
    void Found(const ProgramHit& hit, const KnownProgram& program);
    void FillScannerList();
    QString BrowseForProgram(const QString& title, const QString& filter);
    int ChosenSpeed() const;
    void WriteSettings(int speed);
    void StartWithDesktop(bool start);
    TfrmProgress* Progress();

    bool m_scanDone = false;
    TfrmProgress* m_ownProgress = nullptr; // when the program registered none
};

} // namespace flk
