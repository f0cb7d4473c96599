#pragma once
// Options: the settings dialog. Five tabs show the settings of dlmain.ini
// (and the section list); OK writes them all back, in a fixed order, and
// applies what changes the running windows at once (the tray window's
// caption, the manager window's file menu, scan item and toolbar); Cancel
// writes nothing. It also owns the start-with-the-session entry.

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace flk {

class TConnectionSpeedBox;

class TfrmPreferences : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPreferences(QWidget* parent = nullptr);

    QTabWidget* PageControl1;

    // "General"
    QWidget* tabGeneral;
    QCheckBox* cbAutoStart;
    QCheckBox* cbDLDetect;

    // "Management"
    QWidget* Management;
    QLineEdit* edtSectionRoot;
    QPushButton* cmdSectionBrowse;
    QComboBox* cbDeleteType;
    QCheckBox* cbAutoDelete;
    QCheckBox* cbCatDelete;
    QCheckBox* cbPrompt;
    QLineEdit* meDays;
    QCheckBox* cbDelete;
    QLineEdit* meDeleteDays;
    QCheckBox* cbShowMenu;

    // "Download"
    QWidget* tabDownload;
    QComboBox* cbDefaultSection;
    QComboBox* cbDefaultCat;
    QComboBox* cbOpenWhen;
    QSpinBox* spnConnections;
    QCheckBox* cbAutoMin; // hidden, kept for its setting
    TConnectionSpeedBox* SpeedBox;
    // The speed limit of all downloads together in KiB/s, 0 for none ("No limit").
    QSpinBox* spnSpeedLimit;

    // "Virus Control"
    QWidget* tsVirus;
    QLineEdit* edtCommandLine;
    QPushButton* cmdBrowse;
    QLineEdit* edtParameters;
    QCheckBox* cbAutoScan;

    // "Toolbar"
    QWidget* tsMisc;
    QCheckBox* cbTBNew;
    QCheckBox* cbTBDelete;
    QCheckBox* cbTBOptions;
    QCheckBox* cbTBReport;
    QCheckBox* cbTBProps;
    QCheckBox* cbTBStyle;
    QCheckBox* cbTBHelp;
    QCheckBox* cbTBBrowser;
    QLabel* lblBrowserCL;
    QLineEdit* edtBrowserCL;
    QPushButton* cmdBrowserBrowse;
    QCheckBox* cbTBVirus;
    QLabel* lblVirusCL;
    QLineEdit* edtVirusCL;
    QPushButton* cmdVirusBrowse;
    QComboBox* cmbAlign;
    QCheckBox* cbShowText;

    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // The message when "Other" holds no usable speed.
    static QString InvalidSpeedText();

    // Opens modally with `tab` made the current tab first (nullptr: the
    // tab last shown).
    int ShowModalOn(QWidget* tab = nullptr);

    // Fills every control from the settings (run when the window is shown).
    void GetSettings();
    // Creates or removes the start-with-the-session entry as cbAutoStart
    // says. Raises EAutostartError when the entry cannot be written.
    void cbAutoStartClick();
    // OK: checks, writes everything, applies, closes. False when it stayed
    // open (a speed to correct, or a write the system refused, in which case
    // nothing was changed).
    bool cmdOKClick();

    // A toolbar box was clicked since the dialog was filled.
    bool ToolbarChanged() const { return m_toolbarChanged; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void BuildUi();
    QWidget* BuildGeneral();
    QWidget* BuildManagement();
    QWidget* BuildDownload();
    QWidget* BuildSpeed();
    QWidget* BuildVirus();
    QWidget* BuildToolbar();
    void ConnectHandlers();

    void FormShow();
    void cbDefaultSectionChange();
    void LauncherChange();
    void cmdSectionBrowseClick();
    void BrowseProgram(QLineEdit* target, const QString& title);
    void WriteSettings(int speed);
    void ApplyToRunningWindows();
    bool AllToolbarButtonsOff() const;
    static void SetTrayCaption(bool detect);

    bool m_toolbarChanged = false;
};

} // namespace flk
