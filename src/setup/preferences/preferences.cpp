// The options window: its tabs and controls, and the enabling that follows
// the controls.
#include "preferences.h"

#include "ConnectionSpeedBox.h"
#include "Dialogs.h"
#include "Help.h"
#include "SpeedLimitBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSpinBox>
#include <QShortcut>
#include <QSpinBox>
#include <QShowEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

namespace flk {

namespace {

QCheckBox* Check(const QString& caption, QWidget* parent)
{
    return new QCheckBox(caption, parent);
}

QLabel* Label(const QString& text, QWidget* parent, QWidget* buddy = nullptr)
{
    auto* label = new QLabel(text, parent);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

QPushButton* BrowseButton(QWidget* parent, const QString& name)
{
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setAccessibleName(name);
    button->setFixedWidth(28);
    return button;
}

// A days box: two digits at most.
QLineEdit* DaysBox(QWidget* parent, const QString& name)
{
    auto* box = new QLineEdit(parent);
    box->setMaxLength(2);
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), box));
    box->setFixedWidth(32);
    box->setAccessibleName(name);
    return box;
}

// A line of widgets with the stretch at its end.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets)
        row->addWidget(w);
    row->addStretch(1);
    return row;
}

} // namespace

QString TfrmPreferences::InvalidSpeedText()
{
    return QStringLiteral("Please specify a valid numeric value.");
}

TfrmPreferences::TfrmPreferences(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPreferences"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);
    BuildUi();
    ConnectHandlers();
}

void TfrmPreferences::BuildUi()
{
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(tabGeneral = BuildGeneral(), QStringLiteral("General"));
    PageControl1->addTab(Management = BuildManagement(), QStringLiteral("Management"));
    PageControl1->addTab(tabDownload = BuildDownload(), QStringLiteral("Download"));
    PageControl1->addTab(tsVirus = BuildVirus(), QStringLiteral("Virus Control"));
    PageControl1->addTab(tsMisc = BuildToolbar(), QStringLiteral("Toolbar"));

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
}

QWidget* TfrmPreferences::BuildGeneral()
{
    auto* tab = new QWidget;
    cbAutoStart = Check(QStringLiteral("&Start Fetchlark when I log in."), tab);
    cbDLDetect = Check(QStringLiteral("Enable automatic download detection while browsing."), tab);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(cbAutoStart);
    layout->addWidget(cbDLDetect);
    layout->addStretch(1);
    return tab;
}

QWidget* TfrmPreferences::BuildManagement()
{
    auto* tab = new QWidget;
    edtSectionRoot = new QLineEdit(tab);
    cmdSectionBrowse = BrowseButton(tab, QStringLiteral("Browse for the default root folder"));
    QLabel* lblRoot = Label(QStringLiteral("Default root folder for new sections"), tab, edtSectionRoot);
    cbDeleteType = new QComboBox(tab);
    cbDeleteType->addItems({QStringLiteral("Send them to Trash"), QStringLiteral("Permanently delete them")});
    QLabel* lblDeleteType = Label(QStringLiteral("When auto-deleting files:"), tab, cbDeleteType);
    cbAutoDelete = Check(QStringLiteral("C&onfirm on auto-delete"), tab);
    cbCatDelete = Check(QStringLiteral("&Confirm folder file removal"), tab);
    cbPrompt = Check(QStringLiteral("&Prompt in"), tab);
    meDays = DaysBox(tab, QStringLiteral("Days before prompting"));
    QLabel* lblDays = Label(QStringLiteral("days if files are not opened"), tab);
    cbDelete = Check(QStringLiteral("&Auto-delete files after"), tab);
    meDeleteDays = DaysBox(tab, QStringLiteral("Days before auto-deleting"));
    QLabel* lblDeleteDays = Label(QStringLiteral("days."), tab);
    cbShowMenu = Check(QStringLiteral("&Show standard context menu for files"), tab);
    QLabel* lblNote = Label(QStringLiteral(" (Note that certain") + u' '
                                + QStringLiteral("actions cannot be tracked by Fetchlark if this option is selected, "
                                                 "such as last date opened, etc.)"),
                            tab);
    lblNote->setWordWrap(true);
    cbShowMenu->setAccessibleDescription(lblNote->text());

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(lblRoot);
    auto* root = new QHBoxLayout;
    root->addWidget(edtSectionRoot, 1);
    root->addWidget(cmdSectionBrowse);
    layout->addLayout(root);
    layout->addLayout(Row({lblDeleteType, cbDeleteType}));
    layout->addWidget(cbAutoDelete);
    layout->addWidget(cbCatDelete);
    layout->addLayout(Row({cbPrompt, meDays, lblDays}));
    layout->addLayout(Row({cbDelete, meDeleteDays, lblDeleteDays}));
    layout->addWidget(cbShowMenu);
    layout->addWidget(lblNote);
    layout->addStretch(1);
    return tab;
}

QWidget* TfrmPreferences::BuildDownload()
{
    auto* tab = new QWidget;
    cbDefaultSection = new QComboBox(tab);
    cbDefaultCat = new QComboBox(tab);
    cbOpenWhen = new QComboBox(tab);
    cbOpenWhen->addItems({QStringLiteral("I'll do it manually"), QStringLiteral("Immediately after it is downloaded")});
    cbAutoMin = Check(QStringLiteral("&Automatically minimize \"Saving Location\" or \"File Download\""), tab);
    cbAutoMin->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(Label(QStringLiteral("Default section to place new files in"), tab, cbDefaultSection), 0, 0);
    grid->addWidget(cbDefaultSection, 0, 1);
    grid->addWidget(Label(QStringLiteral("Default folder to place new files in"), tab, cbDefaultCat), 1, 0);
    grid->addWidget(cbDefaultCat, 1, 1);
    grid->addWidget(Label(QStringLiteral("Automatically open files when:"), tab, cbOpenWhen), 2, 0);
    grid->addWidget(cbOpenWhen, 2, 1);
    spnSpeedLimit = new TSpeedLimitBox(QStringLiteral("Speed limit for all downloads"),
                                       QStringLiteral("The most all downloads together may take, in KiB per second"),
                                       tab);
    grid->addWidget(Label(QStringLiteral("Speed &limit for all downloads:"), tab, spnSpeedLimit), 3, 0);
    grid->addWidget(spnSpeedLimit, 3, 1, Qt::AlignLeft);
    // Large files from servers that serve pieces come over this many connections.
    spnConnections = new QSpinBox(tab);
    spnConnections->setRange(1, 16);
    // Named on the box and on its own line edit, where a screen reader lands.
    spnConnections->setAccessibleName(QStringLiteral("Connections per download"));
    if (auto* edit = spnConnections->findChild<QLineEdit*>())
        edit->setAccessibleName(spnConnections->accessibleName());
    grid->addWidget(Label(QStringLiteral("Co&nnections per download:"), tab, spnConnections), 4, 0);
    grid->addWidget(spnConnections, 4, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(grid);
    layout->addWidget(cbAutoMin);
    layout->addWidget(BuildSpeed());
    layout->addStretch(1);
    return tab;
}

QWidget* TfrmPreferences::BuildSpeed()
{
    auto* group = new QGroupBox(QStringLiteral("Download Connection Speed"));
    SpeedBox = new TConnectionSpeedBox(group);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(SpeedBox);
    return group;
}

QWidget* TfrmPreferences::BuildVirus()
{
    auto* tab = new QWidget;
    auto* text = Label(QStringLiteral("If you have a Virus Scanner that accepts command line parameters you can use "
                                      "Fetchlark to automatically scan and clean all downloaded files before "
                                      "installing or opening them.  If you are unsure about the following settings")
                           + u' '
                           + QStringLiteral("and wish to use this feature, please consult your Virus Scanner "
                                            "manufacturer. "),
                       tab);
    text->setWordWrap(true);
    edtCommandLine = new QLineEdit(tab);
    cmdBrowse = BrowseButton(tab, QStringLiteral("Browse for the virus scanner"));
    edtParameters = new QLineEdit(tab);
    cbAutoScan = Check(QStringLiteral("&Automatically scan downloaded files by default"), tab);

    auto* grid = new QGridLayout;
    grid->addWidget(Label(QStringLiteral("Command Line:"), tab, edtCommandLine), 0, 0);
    grid->addWidget(edtCommandLine, 0, 1);
    grid->addWidget(cmdBrowse, 0, 2);
    grid->addWidget(Label(QStringLiteral("Parameters:"), tab, edtParameters), 1, 0);
    grid->addWidget(edtParameters, 1, 1);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(text);
    layout->addLayout(grid);
    layout->addWidget(cbAutoScan);
    layout->addStretch(1);
    return tab;
}

QWidget* TfrmPreferences::BuildToolbar()
{
    auto* tab = new QWidget;
    auto* group = new QGroupBox(QStringLiteral("Toolbar Buttons"), tab);
    cbTBNew = Check(QStringLiteral("&New Section / Category"), group);
    cbTBDelete = Check(QStringLiteral("&Delete"), group);
    cbTBOptions = Check(QStringLiteral("&Options"), group);
    cbTBReport = Check(QStringLiteral("&Report"), group);
    cbTBProps = Check(QStringLiteral("&File Properties"), group);
    cbTBStyle = Check(QStringLiteral("&View Style"), group);
    cbTBHelp = Check(QStringLiteral("&Help"), group);
    cbTBBrowser = Check(QStringLiteral("Launch &Browser"), group);
    edtBrowserCL = new QLineEdit(group);
    edtBrowserCL->setAccessibleName(QStringLiteral("Browser command line"));
    lblBrowserCL = Label(QStringLiteral("Command Line:"), group, edtBrowserCL);
    cmdBrowserBrowse = BrowseButton(group, QStringLiteral("Browse for the web browser"));
    cbTBVirus = Check(QStringLiteral("Launch &Virus Scanner"), group);
    edtVirusCL = new QLineEdit(group);
    edtVirusCL->setAccessibleName(QStringLiteral("Virus scanner command line"));
    lblVirusCL = Label(QStringLiteral("Command Line:"), group, edtVirusCL);
    cmdVirusBrowse = BrowseButton(group, QStringLiteral("Browse for the virus scanner"));

    auto* grid = new QGridLayout(group);
    grid->addWidget(cbTBNew, 0, 0);
    grid->addWidget(cbTBDelete, 0, 1);
    grid->addWidget(cbTBOptions, 1, 0);
    grid->addWidget(cbTBReport, 1, 1);
    grid->addWidget(cbTBProps, 2, 0);
    grid->addWidget(cbTBStyle, 2, 1);
    grid->addWidget(cbTBHelp, 3, 0);
    grid->addWidget(cbTBBrowser, 4, 0, 1, 2);
    auto* browserRow = new QHBoxLayout;
    browserRow->addSpacing(20);
    browserRow->addWidget(lblBrowserCL);
    browserRow->addWidget(edtBrowserCL, 1);
    browserRow->addWidget(cmdBrowserBrowse);
    grid->addLayout(browserRow, 5, 0, 1, 2);
    grid->addWidget(cbTBVirus, 6, 0, 1, 2);
    auto* virusRow = new QHBoxLayout;
    virusRow->addSpacing(20);
    virusRow->addWidget(lblVirusCL);
    virusRow->addWidget(edtVirusCL, 1);
    virusRow->addWidget(cmdVirusBrowse);
    grid->addLayout(virusRow, 7, 0, 1, 2);

    cmbAlign = new QComboBox(tab);
    cmbAlign->addItems({QStringLiteral("Left"), QStringLiteral("Right"), QStringLiteral("Top"), QStringLiteral("Bottom")});
    cbShowText = Check(QStringLiteral("&ShowText Labels"), tab);
    cbShowText->setAccessibleName(QStringLiteral("Show Text Labels"));

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(group);
    layout->addLayout(Row({Label(QStringLiteral("Toolbar Alignment:"), tab, cmbAlign), cmbAlign}));
    layout->addWidget(cbShowText);
    layout->addStretch(1);
    return tab;
}

void TfrmPreferences::ConnectHandlers()
{
    // F1 anywhere in the window, whatever has the focus.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [] { OpenHelp(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOKClick(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbDefaultSection, &QComboBox::currentIndexChanged, this, [this] { cbDefaultSectionChange(); });
    connect(edtCommandLine, &QLineEdit::textChanged, this,
            [this](const QString& text) { cbAutoScan->setEnabled(!text.isEmpty()); });
    for (QCheckBox* box : {cbTBBrowser, cbTBVirus})
        connect(box, &QCheckBox::toggled, this, [this] { LauncherChange(); });
    for (QCheckBox* box : {cbTBNew, cbTBDelete, cbTBOptions, cbTBReport, cbTBProps, cbTBStyle, cbTBHelp, cbTBBrowser,
                           cbTBVirus, cbShowText})
        connect(box, &QCheckBox::toggled, this, [this] { m_toolbarChanged = true; });
    // A new alignment alone is a change of the toolbar too: OK moves the bar at once.
    connect(cmbAlign, &QComboBox::currentIndexChanged, this, [this] { m_toolbarChanged = true; });
    connect(cmdSectionBrowse, &QPushButton::clicked, this, [this] { cmdSectionBrowseClick(); });
    connect(cmdBrowse, &QPushButton::clicked, this,
            [this] { BrowseProgram(edtCommandLine, QStringLiteral("Virus Scanner")); });
    connect(cmdVirusBrowse, &QPushButton::clicked, this,
            [this] { BrowseProgram(edtVirusCL, QStringLiteral("Virus Scanner")); });
    connect(cmdBrowserBrowse, &QPushButton::clicked, this,
            [this] { BrowseProgram(edtBrowserCL, QStringLiteral("Web Browser")); });
}

// Each launcher's command line is enabled as its box is checked.
void TfrmPreferences::LauncherChange()
{
    for (QWidget* w : {static_cast<QWidget*>(lblBrowserCL), static_cast<QWidget*>(edtBrowserCL),
                       static_cast<QWidget*>(cmdBrowserBrowse)})
        w->setEnabled(cbTBBrowser->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(lblVirusCL), static_cast<QWidget*>(edtVirusCL),
                       static_cast<QWidget*>(cmdVirusBrowse)})
        w->setEnabled(cbTBVirus->isChecked());
}

void TfrmPreferences::cmdSectionBrowseClick()
{
    QString folder = Dialogs::instance().browseForFolder(this, QStringLiteral("Choose a section location below:"),
                                                         edtSectionRoot->text());
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    edtSectionRoot->setText(folder);
}

void TfrmPreferences::BrowseProgram(QLineEdit* target, const QString& title)
{
    const QString file = Dialogs::instance().openFileName(this, title, target->text(),
                                                          QStringLiteral("Executable Files (*)"));
    if (!file.isEmpty())
        target->setText(file);
}

int TfrmPreferences::ShowModalOn(QWidget* tab)
{
    if (tab)
        PageControl1->setCurrentWidget(tab);
    return Dialogs::instance().execModal(this);
}

void TfrmPreferences::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}


} // namespace flk
