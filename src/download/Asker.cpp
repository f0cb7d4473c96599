#include "Asker.h"

#include "TransferJob.h"

#include "AskerHost.h"
#include "Bookmarks.h"
#include "SpeedLimitBox.h"
#include "TrayCaptionHost.h"
#include "ScanWindow.h"
#include "ProgramWindows.h"
#include "Catalogue.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "FindPartialWindow.h"
#include "HelperContract.h"
#include "Help.h"
#include "Messages.h"
#include "Profile.h"
#include "RecordFile.h"
#include "SafeName.h"
#include "Settings.h"
#include "Shell.h"
#include "StoredDate.h"
#include "Url.h"

#include "AnotherGauge.h"
#include "RinGauge.h"
#include "VVNavigatorGauge.h"

#include "NewSection.h"
#include "category.h"

#include <algorithm>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace flk {

const QString TfrmAsker::kIdleCaption = QStringLiteral("&Download");
const QString TfrmAsker::kBusyCaption = QStringLiteral("&Abort");
const QString TfrmAsker::kFolderMessage = QStringLiteral(
    "Please specify a folder to place this file in.  To create a new folder, type CTRL+N.");
const QString TfrmAsker::kBusyMessage = QStringLiteral(
    "Fetchlark is currently busy downloading a file.\r\rIf you would like to cancel the download and "
    "close this window you must first select the button labeled \"Abort\".");
const QString TfrmAsker::kNameMessage = QStringLiteral(
    "Please specify a valid filename for this download.");

namespace {

// Client sizes: the form's heights of 430 and 332 pixels less its 27-pixel
// title bar and borders.
constexpr int kWidth = 510;
constexpr int kHeightWithDetails = 403;
constexpr int kHeightWithoutDetails = 305;
// The form's controls sit close together, as designed.
constexpr int kMargin = 4;
constexpr int kSpacing = 3;

template <typename Layout> Layout* Tight(Layout* layout, int margin = kMargin)
{
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(kSpacing);
    return layout;
}
const QString kOpenImmediately = QStringLiteral("Immediately after it is downloaded");

// Nearest integer, halves to even.
qint64 RoundEven(double v)
{
    return static_cast<qint64>(std::nearbyint(v));
}

QLabel* Caption(const QString& text, QWidget* parent, QWidget* buddy = nullptr)
{
    auto* label = new QLabel(text, parent);
    if (buddy) // the field's name for the keyboard and screen readers
        label->setBuddy(buddy);
    return label;
}

// A flat button never becomes the default when the dialog is shown.
QPushButton* FlatButton(const QString& text, const QString& hint, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setFlat(true);
    b->setAutoDefault(false);
    b->setToolTip(hint);
    return b;
}

QLineEdit* DaysEdit(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setInputMask(QStringLiteral("00"));
    e->setText(QStringLiteral("10"));
    e->setFixedWidth(32);
    return e;
}

// Selects `index` when it names an entry, else the first entry.
void SelectIndexOrFirst(QComboBox* box, int index)
{
    if (index >= 0 && index < box->count())
        box->setCurrentIndex(index);
    else
        box->setCurrentIndex(box->count() > 0 ? 0 : -1);
}

} // namespace

TfrmAsker::TfrmAsker(QWidget* parent)
    : QDialog(parent)
{
    // A top-level window of its own: its own taskbar entry, system menu and
    // minimise box, no maximise.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Download a File"));
    BuildUi();
    SetIdle();
    cbDetailsClick();
    // The newest dialog is the one the manager's new-folder message reaches.
    ProgramWindows::Enter(this);
}

TfrmAsker::~TfrmAsker()
{
    DropJob();
}

// ---------------------------------------------------------------------------
// Building the window

void TfrmAsker::BuildUi()
{
    imgDownload = style()->standardIcon(QStyle::SP_ArrowDown);
    imgAbort = style()->standardIcon(QStyle::SP_BrowserStop);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    root->setSpacing(kSpacing);
    PageControl1 = new QTabWidget(this);
    tsDownload = BuildDownloadPage();
    tsAdvanced = BuildAdvancedPage();
    PageControl1->addTab(tsDownload, QStringLiteral("Download"));
    PageControl1->addTab(tsAdvanced, QStringLiteral("Advanced Settings"));
    root->addWidget(PageControl1);
    // Only now does the button belong to the dialog: Enter clicks it.
    cmdOK->setDefault(true);

    ListBox1 = new QListWidget(this);
    // One line high each: a new line costs the same however long the log
    // (a reply of thousands of header lines must not lay them all out again).
    ListBox1->setUniformItemSizes(true);
    ListBox1->setStyleSheet(QStringLiteral("QListWidget { background: black; color: lime; }"));
    ListBox1->setAccessibleName(QStringLiteral("Download Headers"));
    root->addWidget(ListBox1);

    tmrDLSpeed = new QTimer(this);
    tmrDLSpeed->setInterval(5000);
    connect(tmrDLSpeed, &QTimer::timeout, this, &TfrmAsker::tmrDLSpeedTimer);

    pmBookMarks = new QMenu(this);
    Bookmarks1 = pmBookMarks->addAction(QStringLiteral("Web BookMarks..."));

    // Key preview: every child hands its keys to the dialog first.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

QWidget* TfrmAsker::BuildDownloadPage()
{
    auto* page = new QWidget;
    auto* grid = Tight(new QGridLayout(page));

    edtDesc = new QLineEdit(page);
    edtDesc->setToolTip(QStringLiteral("Type a brief description of the file to be downloaded in this box."));
    edtName = new QLineEdit(page);
    edtName->setToolTip(QStringLiteral("You can modify the filename by editing this box"));
    // The user's own name is never replaced by one the server offers.
    connect(edtName, &QLineEdit::textEdited, this, [this] { m_nameFromAddress = false; });
    edtSource = new QComboBox(page);
    edtSource->setEditable(true);
    edtSource->setInsertPolicy(QComboBox::NoInsert); // the box has no items, Enter adds none
    edtSource->lineEdit()->setAccessibleName(QStringLiteral("File Source"));
    cmdBookMarks = FlatButton(QStringLiteral("Bookmarks"),
                              QStringLiteral("Click here to access your web browser's bookmark list"), page);
    cbOpenWhen = new QComboBox(page);
    cbOpenWhen->addItems({QStringLiteral("I'll do it manually"), kOpenImmediately});
    cbOpenWhen->setCurrentIndex(0);
    cbSection = new QComboBox(page);
    cmdSection = FlatButton(QStringLiteral("New Section"), QStringLiteral("Click here to create a new section (Ctrl+S)"),
                            page);
    cbCategory = new QComboBox(page);
    cmdFolder = FlatButton(QStringLiteral("New Folder"), QStringLiteral("Click here to create a new folder (Ctrl+N)"),
                           page);

    // Left: the fields. Right: the gauges and figures. Below: the buttons.
    int row = 0;
    grid->addWidget(Caption(QStringLiteral("Download Description"), page, edtDesc), row++, 0, 1, 3);
    grid->addWidget(edtDesc, row++, 0, 1, 3);
    grid->addWidget(Caption(QStringLiteral("Specify a filename for this download."), page, edtName), row++, 0, 1, 3);
    grid->addWidget(edtName, row++, 0, 1, 3);
    grid->addWidget(Caption(QStringLiteral("File Source"), page, edtSource), row++, 0, 1, 3);
    grid->addWidget(edtSource, row, 0, 1, 2);
    grid->addWidget(cmdBookMarks, row++, 2);
    grid->addWidget(Caption(QStringLiteral("Open it when:"), page, cbOpenWhen), row, 0);
    grid->addWidget(cbOpenWhen, row++, 1, 1, 2);
    grid->addWidget(Caption(QStringLiteral("Place in what Section?"), page, cbSection), row, 0);
    grid->addWidget(cbSection, row, 1);
    grid->addWidget(cmdSection, row++, 2);
    grid->addWidget(Caption(QStringLiteral("Place in what Folder?"), page, cbCategory), row, 0);
    grid->addWidget(cbCategory, row, 1);
    grid->addWidget(cmdFolder, row++, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);

    auto* stats = Tight(new QGridLayout, 0);
    auto* gauges = Tight(new QHBoxLayout, 0);
    auto* progress = Tight(new QVBoxLayout, 0);
    progress->addWidget(Caption(QStringLiteral("Progress"), page));
    dg = new TAnotherGauge(page);
    dg->ApplyDownloadDialogLook();
    dg->setFixedSize(dg->size()); // the gauges keep their design size in the layout
    dg->SetMin(0);
    dg->SetMax(100);
    dg->SetValue(0);
    progress->addWidget(dg);
    progress->addStretch();
    gauges->addLayout(progress);
    gSpeed = new TRingGauge(page);
    gSpeed->ApplyDownloadDialogLook();
    gSpeed->setFixedSize(gSpeed->size());
    gSpeed->SetMax(38600);
    gauges->addWidget(gSpeed);
    stats->addLayout(gauges, 0, 0, 1, 2);

    int f = 1;
    lblPercent = Caption(QStringLiteral("% of Potential Speed"), page);
    stats->addWidget(lblPercent, f++, 0, 1, 2);
    auto addFigure = [&](const QString& caption, const QString& initial) {
        stats->addWidget(Caption(caption, page), f, 0);
        auto* value = Caption(initial, page);
        stats->addWidget(value, f++, 1);
        return value;
    };
    lblSpeed = addFigure(QStringLiteral("Speed:"), QStringLiteral("?"));
    lblFileSize = addFigure(QStringLiteral("Download Size:"), QStringLiteral("?"));
    lbldlbytes = addFigure(QStringLiteral("Bytes So Far:"), QStringLiteral("0"));
    Label8 = Caption(QStringLiteral("Packet Size:"), page);
    pnlPacketSize = new QFrame(page);
    auto* packetLayout = Tight(new QHBoxLayout(pnlPacketSize), 0);
    lblPacketSize = Caption(QStringLiteral("N/A"), pnlPacketSize);
    packetLayout->addWidget(lblPacketSize);
    stats->addWidget(Label8, f, 0);
    stats->addWidget(pnlPacketSize, f++, 1);
    Label8->hide();
    pnlPacketSize->hide();
    lblAverage = addFigure(QStringLiteral("Average BPS:"), QStringLiteral("?"));
    lblETA = addFigure(QStringLiteral("Time to arrival:"), QStringLiteral("?"));
    gActive = new TVVNavigatorGauge(page);
    gActive->ApplyDownloadDialogLook();
    gActive->setFixedSize(gActive->size());
    stats->addWidget(gActive, f++, 0, 1, 2);
    stats->setRowStretch(f, 1);
    grid->addLayout(stats, 0, 3, row + 1, 1);

    auto* buttons = Tight(new QHBoxLayout, 0);
    cmdOK = new QPushButton(kIdleCaption, page);
    Button2 = new QPushButton(QStringLiteral("&Exit"), page);
    Button2->setAutoDefault(false);
    cmdViewManager = new QPushButton(QStringLiteral("&View Manager"), page);
    cmdViewManager->setAutoDefault(false);
    buttons->addWidget(cmdOK);
    buttons->addWidget(Button2);
    buttons->addWidget(cmdViewManager);
    buttons->addStretch();
    grid->addLayout(buttons, row + 1, 0, 1, 4);

    connect(cmdOK, &QPushButton::clicked, this, &TfrmAsker::cmdOKClick);
    connect(Button2, &QPushButton::clicked, this, &TfrmAsker::Button2Click);
    connect(cmdViewManager, &QPushButton::clicked, this, &TfrmAsker::cmdViewManagerClick);
    connect(cmdBookMarks, &QPushButton::clicked, this, &TfrmAsker::cmdBookMarksClick);
    connect(cmdSection, &QPushButton::clicked, this, &TfrmAsker::cmdSectionClick);
    connect(cmdFolder, &QPushButton::clicked, this, &TfrmAsker::cmdFolderClick);
    connect(cbSection, &QComboBox::currentIndexChanged, this, &TfrmAsker::cbSectionChange);
    return page;
}

QWidget* TfrmAsker::BuildAdvancedPage()
{
    auto* page = new QWidget;
    // Two full-width groups, then "This Screen" beside "General".
    auto* v = Tight(new QGridLayout(page));

    auto* info = new QGroupBox(QStringLiteral("Download Information"), page);
    auto* infoLayout = Tight(new QVBoxLayout(info));
    cbPaste = new QCheckBox(
        QStringLiteral("When this screen appears paste the contents of the clipboard into Download Description area"),
        info);
    infoLayout->addWidget(cbPaste);
    v->addWidget(info, 0, 0, 1, 2);

    auto* actions = new QGroupBox(QStringLiteral("Automated Actions"), page);
    auto* actionsLayout = Tight(new QGridLayout(actions));
    cbPrompt = new QCheckBox(QStringLiteral("Prompt me in"), actions);
    meDays = DaysEdit(actions);
    meDays->setAccessibleName(QStringLiteral("Prompt me in days"));
    actionsLayout->addWidget(cbPrompt, 0, 0);
    actionsLayout->addWidget(meDays, 0, 1);
    actionsLayout->addWidget(
        Caption(QStringLiteral("days if I have not yet opened, run, or installed this file."), actions), 0, 2);
    cbAutoDelete = new QCheckBox(QStringLiteral("Automatically delete this file after"), actions);
    meDeleteDays = DaysEdit(actions);
    meDeleteDays->setAccessibleName(QStringLiteral("Automatically delete this file after days"));
    actionsLayout->addWidget(cbAutoDelete, 1, 0);
    actionsLayout->addWidget(meDeleteDays, 1, 1);
    actionsLayout->addWidget(Caption(QStringLiteral("days whether I've opened it or not."), actions), 1, 2);
    cbAutoScan = new QCheckBox(
        QStringLiteral("Automatically scan this file for viruses after it is completely downloaded"), actions);
    cbAutoScan->setEnabled(false);
    actionsLayout->addWidget(cbAutoScan, 2, 0, 1, 3);
    actionsLayout->setColumnStretch(2, 1);
    v->addWidget(actions, 1, 0, 1, 2);

    auto* screen = new QGroupBox(QStringLiteral("This Screen"), page);
    auto* screenLayout = Tight(new QVBoxLayout(screen));
    cbMinimize = new QCheckBox(QStringLiteral("Auto-Minimize on Download"), screen);
    cbClose = new QCheckBox(QStringLiteral("Auto-Exit when complete"), screen);
    cbDetails = new QCheckBox(QStringLiteral("Display Download Headers"), screen);
    cbDetails->setChecked(true);
    screenLayout->addWidget(cbMinimize);
    screenLayout->addWidget(cbClose);
    screenLayout->addWidget(cbDetails);
    v->addWidget(screen, 2, 0);

    auto* general = new QGroupBox(QStringLiteral("General"), page);
    auto* generalLayout = Tight(new QVBoxLayout(general));
    cbPromptDone = new QCheckBox(QStringLiteral("Prompt me when downloads are complete"), general);
    cbPromptDone->setChecked(true);
    cbEnableDetect = new QCheckBox(QStringLiteral("&Enable Download Detection"), general);
    cbEnableDetect->setChecked(true);
    cbDefault = new QCheckBox(QStringLiteral("&Save these as default settings"), general);
    cbDefault->setChecked(true);
    generalLayout->addWidget(cbPromptDone);
    generalLayout->addWidget(cbEnableDetect);
    generalLayout->addWidget(cbDefault);
    v->addWidget(general, 2, 1);

    spnSpeedLimit = new TSpeedLimitBox(QStringLiteral("Speed limit"),
                                       QStringLiteral("The most this download may take, in KiB per second"), page);
    auto* limitRow = Tight(new QHBoxLayout, 0);
    limitRow->addWidget(Caption(QStringLiteral("Speed &limit:"), page, spnSpeedLimit));
    limitRow->addWidget(spnSpeedLimit);
    limitRow->addStretch(1);
    v->addLayout(limitRow, 3, 0, 1, 2);
    v->setRowStretch(4, 1);

    // Check boxes act on every change of state, set by the user or by the
    // defaults, as the form's click handlers always have.
    connect(cbDetails, &QCheckBox::toggled, this, &TfrmAsker::cbDetailsClick);
    connect(cbEnableDetect, &QCheckBox::toggled, this, &TfrmAsker::cbEnableDetectClick);
    connect(cbDefault, &QCheckBox::toggled, this, &TfrmAsker::cbDefaultClick);
    connect(spnSpeedLimit, &QSpinBox::valueChanged, this, &TfrmAsker::SpeedLimitChange);
    return page;
}

// ---------------------------------------------------------------------------
// Opening

void TfrmAsker::FillFromHandOff(const QString& url, const QString& description, const QString& fileName,
                                const QString& base, const QString& protocol)
{
    edtName->setText(SafeName::FromEncoded(fileName));
    m_nameFromAddress = true;
    edtSource->setEditText(url);
    SourceUrl = url;
    edtDesc->setText(description);
    RemoteFileName = fileName;
    UrlBase = base;
    Protocol = protocol;
}

void TfrmAsker::UseBrowserContext(const QString& fileName, const QString& referrer, const QString& userAgent,
                                  const QString& cookies)
{
    if (const QString name = SafeName::Of(fileName); !name.isEmpty()) {
        edtName->setText(name);
        m_nameFromAddress = false;
    }
    SessionReferer = referrer;
    SessionAgent = userAgent;
    SessionCookie = cookies;
}

QString TfrmAsker::NameFromAddress(const QString& url)
{
    QString path = Url::SplitUrl(url).Path;
    path.truncate(std::min(path.indexOf(u'?') < 0 ? path.size() : path.indexOf(u'?'),
                           path.indexOf(u'#') < 0 ? path.size() : path.indexOf(u'#')));
    return SafeName::FromEncoded(path.mid(path.lastIndexOf(u'/') + 1));
}

void TfrmAsker::AdoptSource(const QString& url)
{
    if (!Url::SameSite(url, SourceUrl)) {
        SessionCookie.clear();
        SessionReferer.clear();
    }
    SourceUrl = url;
    Protocol = url.contains(QLatin1String("://")) ? Url::SplitUrl(url).Proto.toLower() : Url::RecordedProtocol(url);
    RemoteFileName = Url::FileName(url);
    UrlBase = Url::Folder(url);
    if (const QString name = NameFromAddress(url); m_nameFromAddress && !name.isEmpty())
        edtName->setText(name);
}

void TfrmAsker::FillFromManager(const QString& source, const QString& description)
{
    SourceUrl = source;
    edtSource->setEditText(source);
    Protocol = Url::RecordedProtocol(source);
    edtDesc->setText(description);
    RemoteFileName = Url::FileName(source);
    UrlBase = Url::Folder(source);
}

void TfrmAsker::PlaceFromManager(const QString& section, const QString& folder, const QString& fileName)
{
    const int s = cbSection->findText(section, Qt::MatchFixedString);
    {
        const QSignalBlocker block(cbSection);
        if (s >= 0)
            cbSection->setCurrentIndex(s);
    }
    LoadFolders();
    const int c = cbCategory->findText(folder, Qt::MatchFixedString);
    if (c >= 0)
        cbCategory->setCurrentIndex(c);
    edtName->setText(fileName);
    m_nameFromAddress = false;
    FromManager = true;
}

// ---------------------------------------------------------------------------
// Showing

void TfrmAsker::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // The program's show runs FormShow; the desktop restoring the minimised
    // window (a spontaneous show) must not reset a running download.
    if (!e->spontaneous())
        FormShow();
}

void TfrmAsker::FormShow()
{
    BringToFront();
    ExpectedSize = 0;
    ResumeOffset = 0;
    dg->SetValue(0);

    const qint64 speed = Settings::Speed();
    gSpeed->SetMax(speed);
    gSpeed->SetSecondIndicationPoint(RoundEven(gSpeed->Max() * 0.66));
    gSpeed->SetFirstIndicationPoint(RoundEven(gSpeed->Max() * 0.33));
    gSpeed->SetThirdPartColor(QColor(0, 255, 0));

    if (cbPaste->isChecked() && !FromManager) {
        edtDesc->clear();
        edtDesc->paste();
    } else if (edtDesc->text() == QLatin1String("IE")) {
        edtDesc->setText(FindPartialWindow(QStringLiteral("Internet Explorer")).left(255));
    }
    edtDesc->setFocus();
}

void TfrmAsker::BringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

// ---------------------------------------------------------------------------
// Defaults and places

void TfrmAsker::SetDefaults()
{
    SetDefaultPlace();
    cbPrompt->setChecked(Settings::PromptIfNotOpened());
    meDays->setText(Settings::PromptDays());
    cbAutoDelete->setChecked(Settings::AutoDelete());
    meDeleteDays->setText(Settings::DeleteDays());
    cbEnableDetect->setChecked(Settings::DownloadDetect());
    SelectIndexOrFirst(cbOpenWhen, Settings::OpenWhen());
    cbDetails->setChecked(Settings::ShowDetails());
    cbDetailsClick();
    cbMinimize->setChecked(Settings::AutoMinimize());
    cbClose->setChecked(Settings::AutoClose());
    cbPaste->setChecked(Settings::AutoPaste());
    cbPromptDone->setChecked(Settings::PromptDone());
    cbAutoScan->setEnabled(!Settings::CommandLine().isEmpty());
    cbAutoScan->setChecked(Settings::ScanWhenDone());
}

void TfrmAsker::SetDefaultPlace()
{
    {
        const QSignalBlocker block(cbSection);
        cbSection->clear();
        cbSection->addItems(Catalogue::SectionNames());
        cbEnableDetect->setChecked(Settings::DownloadDetect());
        SelectIndexOrFirst(cbSection, Settings::DefaultSection());
    }
    LoadFolders();
    SelectIndexOrFirst(cbCategory, Settings::DefaultCat());
}

void TfrmAsker::LoadFolders()
{
    cbCategory->clear();
    if (cbSection->currentIndex() < 0)
        return;
    cbCategory->addItems(Catalogue::FolderNames(cbSection->currentText()));
    if (cbCategory->count() > 0)
        cbCategory->setCurrentIndex(0);
}

void TfrmAsker::cbSectionChange()
{
    LoadFolders();
}

void TfrmAsker::SaveSettings()
{
    Settings::SetOpenWhen(cbOpenWhen->currentIndex());
    Settings::SetDefaultSection(cbSection->currentIndex());
    Settings::SetDefaultCat(cbCategory->currentIndex());
    Settings::SetDownloadDetect(cbEnableDetect->isChecked());
    Settings::SetShowDetails(cbDetails->isChecked());
    Settings::SetAutoMinimize(cbMinimize->isChecked());
    Settings::SetAutoClose(cbClose->isChecked());
    Settings::SetAutoPaste(cbPaste->isChecked());
    Settings::SetPromptDone(cbPromptDone->isChecked());
    Settings::SetPromptIfNotOpened(cbPrompt->isChecked());
    Settings::SetPromptDays(meDays->text());
    Settings::SetAutoDelete(cbAutoDelete->isChecked());
    Settings::SetDeleteDays(meDeleteDays->text());
    Settings::SetScanWhenDone(cbAutoScan->isChecked());
}

QString TfrmAsker::TargetPath() const
{
    const QString location = Catalogue::SectionLocation(cbSection->currentIndex() + 1);
    return Catalogue::FilePath(location, cbCategory->currentText(), edtName->text());
}

QString TfrmAsker::FolderFile() const
{
    return Catalogue::FolderFile(cbSection->currentText(), cbCategory->currentText());
}

void TfrmAsker::NewFolderCreated(int sectionIndex)
{
    if (!isVisible())
        return;
    SetDefaultPlace();
    {
        const QSignalBlocker block(cbSection);
        SelectIndexOrFirst(cbSection, sectionIndex);
    }
    LoadFolders();
    cbCategory->setCurrentIndex(cbCategory->count() - 1);
}

void TfrmAsker::SetDetailsState(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{edtDesc, edtName, edtSource, cmdBookMarks, cbOpenWhen,
                                                      cmdSection, cbSection, cmdFolder, cbCategory})
        w->setEnabled(enabled);
}

// ---------------------------------------------------------------------------
// The download record

QString TfrmAsker::FileNameProblem() const
{
    const QString name = edtName->text();
    if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return kNameMessage;
    // The name is the record's section name and the file's name on disk:
    // both must come back exactly as written.
    const QString problem = Profile::NameProblem(name);
    if (!problem.isEmpty())
        return QStringLiteral("The file name \"%1\" cannot be used: it %2.").arg(name, problem);
    if (!Profile::FitsFileName(name))
        return QStringLiteral("The file name \"%1\" is longer than the file system allows.").arg(name);
    return QString();
}

void TfrmAsker::SaveDownloadInfo()
{
    // Without a folder or a usable name there is no record to write: a
    // nameless record or a "<section>-.ini" file would only be litter.
    if (!cbCategory->currentText().isEmpty() && FileNameProblem().isEmpty()) {
        RecordFile file(FolderFile());
        const QString record = edtName->text();
        file.writeString(record, RecordKey::Desc, edtDesc->text());
        file.writeString(record, RecordKey::Source, edtSource->currentText());
        file.writeString(record, RecordKey::OpenWhen, QString::number(cbOpenWhen->currentIndex()));
        file.writeBool(record, RecordKey::Prompt, cbPrompt->isChecked());
        file.writeString(record, RecordKey::PromptDays, meDays->text());
        file.writeBool(record, RecordKey::Delete, cbAutoDelete->isChecked());
        file.writeString(record, RecordKey::DeleteDays, meDeleteDays->text());
        file.writeString(record, RecordKey::DateDownloaded, StoredDate::Today());
        file.writeBool(record, RecordKey::ScanWhenDone, cbAutoScan->isChecked());
    }
    Settings::SetDownloadDetect(cbEnableDetect->isChecked());
    if (cbDefault->isChecked())
        SaveSettings();
}

QString TfrmAsker::FindRecord(const QString& path) const
{
    const QString wanted = QFileInfo(path).fileName().toUpper();
    const RecordFile file(FolderFile());
    for (const QString& name : file.recordNames())
        if (name.toUpper() == wanted)
            return name;
    return {};
}

// ---------------------------------------------------------------------------
// Completion actions

void TfrmAsker::VirusScan(const QString& path)
{
    if (!cbAutoScan->isChecked())
        return;
    const QString record = FindRecord(path);
    const QString scanner = Settings::CommandLine();
    if (record.isEmpty() || scanner.isEmpty())
        return;
    // The scan shows in a window of its own and may outlive this dialog; the
    // date is stored only when it ends clean.
    const QString records = FolderFile();
    auto* scan = new TfrmScan(scanner, {path}, path);
    QObject::connect(scan->Run(), &ScannerRun::Finished, scan, [records, record](ScannerRun::Verdict verdict) {
        if (verdict != ScannerRun::Verdict::Clean)
            return;
        const QString today = StoredDate::Today();
        RecordFile(records).writeString(record, RecordKey::LastScanned, today);
        try {
            if (AskerHost* host = AskerHost::instance())
                host->SetLastScannedIfCurrent(record, today);
        } catch (...) {
        }
    });
    scan->Start();
}

void TfrmAsker::FileExec(const QString& path)
{
    const QString record = FindRecord(path);
    if (record.isEmpty())
        return;
    RecordFile(FolderFile()).writeString(record, RecordKey::LastOpened, StoredDate::Today());
}

void TfrmAsker::DeleteFile(const QString& name, bool recycle)
{
    ProcessMessages();
    Shell::instance().deleteFile(name, recycle);
    ProcessMessages();
}

QString TfrmAsker::CompleteText(const QString& fileName, const QString& section, const QString& folder)
{
    return QStringLiteral("Download Complete for ") + fileName
        + QStringLiteral("\r\rThis file has been placed in the following area:\r\rSection: ") + section
        + QStringLiteral("\rFolder: ") + folder;
}

void TfrmAsker::PromptComplete(const QString& path)
{
    if (!cbPromptDone->isChecked())
        return;
    Dialogs::showMessage(CompleteText(QFileInfo(path).fileName(), cbSection->currentText(),
                                      cbCategory->currentText()),
                         this);
}

// ---------------------------------------------------------------------------
// States

bool TfrmAsker::IsBusy() const
{
    return cmdOK->text() != kIdleCaption;
}

void TfrmAsker::SetIdle()
{
    cmdOK->setText(kIdleCaption);
    cmdOK->setIcon(imgDownload);
    Button2->setEnabled(true);
}

void TfrmAsker::SetBusy()
{
    cmdOK->setText(kBusyCaption);
    cmdOK->setIcon(imgAbort);
    Button2->setEnabled(false);
}

void TfrmAsker::cmdOKClick()
{
    try {
        if (IsBusy()) {
            if (m_job && !m_job->Finished()) {
                AddLog(QStringLiteral("Failed : Connection aborted on request"));
                // What came so far shows, though the figures held it back.
                ShowFigures(-1, m_count, true);
            }
            AbortDownload();
            return;
        }
        dg->SetValue(0);
        lbldlbytes->setText(QStringLiteral("0"));
        SetBusy();
        if (cbCategory->currentText().isEmpty()) {
            BringToFront();
            Dialogs::showMessage(kFolderMessage, this);
            AbortDownload();
            return;
        }
        if (const QString problem = FileNameProblem(); !problem.isEmpty()) {
            BringToFront();
            Dialogs::showMessage(problem, this);
            AbortDownload();
            return;
        }
        // An address typed or pasted into the source box is the one fetched.
        if (const QString typed = edtSource->currentText().trimmed(); !typed.isEmpty() && typed != SourceUrl)
            AdoptSource(typed);
        SetDetailsState(false);
        m_recordIsNew = FindRecord(edtName->text()).isEmpty();
        SaveDownloadInfo();
        SaveSettings();
        if (cbMinimize->isChecked())
            showMinimized();
        if (HttpTransfer())
            GetHTTP();
        else
            GetFTP(true);
    } catch (const std::exception& e) {
        // A failed step (a record or setting that cannot be written) ends the
        // command in the application's error box; the dialog goes back to Idle.
        ShowException(e, this);
        if (IsBusy())
            AbortDownload();
    }
}

void TfrmAsker::AbortDownload()
{
    gActive->SetActive(false);
    Aborted = true;
    NoFollowUp = true;
    if (HttpTransfer())
        RedirectPending = false;
    tmrDLSpeed->stop();
    // The transfer stops at once: its connections and the file are closed,
    // and what came stays on disk.
    if (m_job)
        m_job->Abort();
    ShowSpeed();
    SetIdle();
    SetDetailsState(true);
}

void TfrmAsker::EndDownload()
{
    gActive->SetActive(false);
    RedirectPending = false;
    SetIdle();
    SetDetailsState(true);
    if (dg->Value() == dg->Max())
        lblETA->setText(QStringLiteral("Complete"));
}

void TfrmAsker::AddLog(const QString& line)
{
    ListBox1->addItem(line);
    // Selecting the last line lays the whole list out again: lines that come
    // together (a reply's header lines) select their last one once, when
    // they are all in, so a line costs the same however long the log.
    if (m_logScrollDue)
        return;
    m_logScrollDue = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_logScrollDue = false;
            ListBox1->setCurrentRow(ListBox1->count() - 1);
        },
        Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// Buttons and boxes

void TfrmAsker::Button2Click()
{
    close();
}

void TfrmAsker::reject()
{
    // Escape is the Exit button: nothing while it is disabled.
    if (Button2->isEnabled())
        Button2->click();
}

void TfrmAsker::cmdViewManagerClick()
{
    if (AskerHost* host = AskerHost::instance())
        host->ShowManager();
}

void TfrmAsker::cmdBookMarksClick()
{
    ProcessMessages();
    if (!m_bookmarks) {
        // Read once per dialog: the sources are read again only when the
        // menu is made again.
        m_bookmarks = new TBookmarks(this);
        m_bookmarks->setObjectName(QStringLiteral("Bookmarks1"));
        auto* menu = new QMenu(pmBookMarks);
        Bookmarks1->setMenu(menu);
        m_bookmarks->OnURL = [this](TBookmarks*, const QString& url) { Bookmarks1URL(url); };
        m_bookmarks->setMenu(menu);
        m_bookmarks->setEnabled(true);
    }
    pmBookMarks->popup(QCursor::pos());
    ProcessMessages();
}

void TfrmAsker::Bookmarks1URL(const QString& url)
{
    edtSource->setEditText(url);
    AdoptSource(url);
    edtSource->setFocus();
}

void TfrmAsker::cmdSectionClick()
{
    NewSectCat(false);
}

void TfrmAsker::cmdFolderClick()
{
    NewSectCat(true);
}

void TfrmAsker::NewSectCat(bool folder)
{
    if (folder) {
        // The sections list mirrors the manager's bar: its index is the page's.
        if (auto* category = Window<TfrmCategory>())
            category->NewCatShow(cbSection->currentIndex());
        return;
    }
    if (auto* newSection = Window<TfrmNewSection>())
        Dialogs::instance().execModal(newSection);
    SetDefaultPlace();
    {
        const QSignalBlocker block(cbSection);
        cbSection->setCurrentIndex(cbSection->count() - 1);
    }
    ProcessMessages();
    LoadFolders();
}

void TfrmAsker::cbDetailsClick()
{
    ListBox1->setVisible(cbDetails->isChecked());
    // The form's design size, grown where this desktop's fonts need more room
    // than the pages had; the log always adds the same strip below them.
    const QMargins m = layout()->contentsMargins();
    const QSize pages = PageControl1->sizeHint();
    const int width = std::max(kWidth, pages.width() + m.left() + m.right());
    const int withoutDetails = std::max(kHeightWithoutDetails, pages.height() + m.top() + m.bottom());
    setFixedSize(width, withoutDetails + (cbDetails->isChecked() ? kHeightWithDetails - kHeightWithoutDetails : 0));
}

void TfrmAsker::cbEnableDetectClick()
{
    if (auto* host = Window<TrayCaptionHost>())
        host->SetTrayCaption(QString::fromLatin1(cbEnableDetect->isChecked() ? contract::kTrayCaption
                                                                             : contract::kTrayCaptionOff));
}

void TfrmAsker::cbDefaultClick()
{
    try {
        Settings::SetSaveAsDefault(cbDefault->isChecked());
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------
// Keys

bool TfrmAsker::HandleShortcut(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier) {
        OpenHelp();
        return true;
    }
    if (e->modifiers() != Qt::ControlModifier)
        return false;
    switch (e->key()) {
    case Qt::Key_N:
        NewSectCat(true);
        return true;
    case Qt::Key_S:
        NewSectCat(false);
        return true;
    case Qt::Key_B:
        cmdBookMarks->click();
        return true;
    default:
        return false;
    }
}

bool TfrmAsker::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this && HandleShortcut(static_cast<QKeyEvent*>(e)))
        return true;
    return QDialog::eventFilter(watched, e);
}

void TfrmAsker::keyPressEvent(QKeyEvent* e)
{
    if (HandleShortcut(e))
        return;
    QDialog::keyPressEvent(e);
}

// ---------------------------------------------------------------------------
// Closing and the end of the session

void TfrmAsker::closeEvent(QCloseEvent* e)
{
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

bool TfrmAsker::FormCloseQuery()
{
    if (cmdOK->text() != kBusyCaption) {
        AbortDownload();
        EndDownload();
        return true;
    }
    BringToFront();
    Dialogs::showMessage(kBusyMessage, this);
    return false;
}

void TfrmAsker::FormClose()
{
    try {
        if (cbDefault->isChecked()) {
            // A download that failed and left no file has no record to keep
            // (it was dropped): only the defaults are written.
            if (m_failedWithoutFile)
                SaveSettings();
            else
                SaveDownloadInfo();
            SaveSettings();
        }
    } catch (...) {
    }
    DropJob();
}

void TfrmAsker::QueryEndSession()
{
    if (AskerHost* host = AskerHost::instance())
        host->EndSession();
}

} // namespace flk
