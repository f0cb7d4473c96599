// The manager window's toolbar: nine buttons the user chooses in the
// options, text labels on or off, placed on any edge of the window; the
// choices live in dlmain.ini and are applied again whenever the window is
// shown and after the options' OK.
#include "Manager.h"

#include "Dialogs.h"
#include "FolderList.h"
#include "Help.h"
#include "IconLibrary.h"
#include "MenuItem.h"
#include "ProgramWindows.h"
#include "Settings.h"
#include "ScanWindow.h"
#include "Shell.h"
#include "ToolBar.h"
#include "preferences.h"

#include <QActionGroup>
#include <QFileInfo>
#include <QLayout>
#include <QMenu>
#include <QPainter>
#include <QStandardPaths>
#include <QToolButton>

namespace flk {

namespace {

constexpr int kToolImages = 9;
constexpr int kLabelledWidth = 56;
constexpr int kLabelledHeight = 36;
constexpr int kPlainHeight = 26;
constexpr int kSeparatorWidth = 8;

// The grey pictures at rest hardly show on a dark desktop: there they take
// the desktop's button text colour (the blue under the pointer shows on both).
QPixmap AtRest(QPixmap picture, const QPalette& palette)
{
    if (palette.color(QPalette::Button).lightness() >= 128)
        return picture;
    QPainter p(&picture);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(picture.rect(), palette.color(QPalette::ButtonText));
    return picture;
}

QIcon ToolIcon(const TImageList& atRest, const TImageList& hot, int image, const QPalette& palette)
{
    // Every size the library holds: a screen at twice the scale takes the
    // 64-pixel pictures rather than enlarged 32-pixel ones.
    QIcon icon;
    const QIcon rest = atRest.value(image);
    for (const QSize& size : rest.availableSizes())
        icon.addPixmap(AtRest(rest.pixmap(size, 1.0), palette), QIcon::Normal);
    const QIcon over = hot.value(image);
    for (const QSize& size : over.availableSizes())
        icon.addPixmap(over.pixmap(size, 1.0), QIcon::Active);
    return icon;
}

} // namespace

// ---------------------------------------------------------------------------
// Building

void TfrmManager::BuildToolBar()
{
    auto* bar = new TToolBar(QStringLiteral("Toolbar"), this);
    ToolBar1 = bar;
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setAccessibleName(QStringLiteral("Toolbar"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(20, 20));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    ilDisabledTool = IconLibrary::Load(IconLibrary::Path(QStringLiteral("toolbar.png")), kToolImages);
    ilActiveTool = IconLibrary::Load(IconLibrary::Path(QStringLiteral("toolbar-hot.png")), kToolImages);
    BuildToolBarMenus();

    tbNew = AddToolButton("tbNew", QStringLiteral("New"), QStringLiteral("Create a new section or folder"), 0, pmNew);
    tbDelete = AddToolButton("tbDelete", QStringLiteral("Delete"), QStringLiteral("Delete a section or folder"), 1,
                             pmDelete);
    tbProps = AddToolButton("tbProps", QStringLiteral("File Info"), QStringLiteral("Get selected file's properties"), 5);
    tbStyle = AddToolButton("tbStyle", QStringLiteral("View Style"), QStringLiteral("Change file view style"), 8,
                            pmViewStyle);
    tbReport = AddToolButton("tbReport", QStringLiteral("Report"),
                             QStringLiteral("Print or save download folder information"), 3, pmPrint);
    s2 = ToolBar1->addSeparator();
    tbBrowser = AddToolButton("tbBrowser", QStringLiteral("Browser"), QStringLiteral("Launch your web browser"), 6);
    tbScanner = AddToolButton("tbScanner", QStringLiteral("Scanner"), QStringLiteral("Launch your virus scanner"), 7);
    s3 = ToolBar1->addSeparator();
    tbOptions = AddToolButton("tbOptions", QStringLiteral("Options"),
                              QStringLiteral("View or modify options and preferences"), 2);
    tbHelp = AddToolButton("tbHelp", QStringLiteral("Help"), QStringLiteral("Get help"), 4);
    SizeToolButtons();

    connect(tbProps, &QAction::triggered, this, [this] { tbPropsClick(); });
    connect(tbBrowser, &QAction::triggered, this, [this] { tbBrowserClick(); });
    connect(tbScanner, &QAction::triggered, this, [this] { tbScannerClick(); });
    connect(tbOptions, &QAction::triggered, this, [this] { tbOptionsClick(); });
    connect(tbHelp, &QAction::triggered, this, [this] { tbHelpClick(); });

    ToolBar1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ToolBar1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmToolBar->popup(ToolBar1->mapToGlobal(at)); });
    connect(bar, &TToolBar::DoubleClicked, this, [this] { mnuToolButtonsClick(); });
}

QAction* TfrmManager::AddToolButton(const char* name, const QString& caption, const QString& hint, int image,
                                    QMenu* dropDown)
{
    auto* action = new QAction(ToolIcon(ilDisabledTool, ilActiveTool, image, ToolBar1->palette()), caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(hint);
    action->setStatusTip(hint);
    if (dropDown)
        action->setMenu(dropDown);
    ToolBar1->addAction(action);
    if (auto* button = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(action))) {
        button->setObjectName(QString::fromLatin1(name));
        button->setAccessibleName(caption);
        button->setAccessibleDescription(hint);
        // In the window's Tab chain, so every button is there for the
        // keyboard (Space presses it, or opens its menu); a click leaves the
        // focus where it was.
        button->setFocusPolicy(Qt::TabFocus);
        if (dropDown)
            button->setPopupMode(QToolButton::InstantPopup);
    }
    return action;
}

void TfrmManager::BuildToolBarMenus()
{
    pmNew = new QMenu(this);
    mnuTBNewSection = MenuItem(pmNew, QStringLiteral("New &Section"), QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuTBNewFolder = MenuItem(pmNew, QStringLiteral("New &Folder"), QKeySequence(Qt::CTRL | Qt::Key_N));
    pmDelete = new QMenu(this);
    mnuTBDelSection = MenuItem(pmDelete, QStringLiteral("Delete &Section"), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    mnuTBDelFolder = MenuItem(pmDelete, QStringLiteral("&Delete Folder"), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    pmViewStyle = new QMenu(this);
    mnuTBLargeIcons = MenuItem(pmViewStyle, QStringLiteral("&Large Icons"));
    mnuTBSmallIcons = MenuItem(pmViewStyle, QStringLiteral("&Small Icons"));
    mnuTBList = MenuItem(pmViewStyle, QStringLiteral("&List"));
    mnuTBDetails = MenuItem(pmViewStyle, QStringLiteral("&Details"));
    AddViewStyleItems(mnuTBLargeIcons, mnuTBSmallIcons, mnuTBList, mnuTBDetails); // checked with the list's menu
    pmPrint = new QMenu(this);
    mnuTBPrint = MenuItem(pmPrint, QStringLiteral("&Print a Report"));
    mnuTBSave = MenuItem(pmPrint, QStringLiteral("&Save a Report"));

    // The drop-downs follow the main menu's enabling.
    connect(pmNew, &QMenu::aboutToShow, this, [this] { mnuTBNewFolder->setEnabled(mnuNewFolder->isEnabled()); });
    connect(pmDelete, &QMenu::aboutToShow, this, [this] {
        mnuTBDelSection->setEnabled(mnuMainDelSection->isEnabled());
        mnuTBDelFolder->setEnabled(mnuMainDelCat->isEnabled());
    });
    connect(pmPrint, &QMenu::aboutToShow, this, [this] {
        UpdateMenuStates();
        mnuTBPrint->setEnabled(mnuPrintReport->isEnabled());
        mnuTBSave->setEnabled(mnuSaveReport->isEnabled());
    });
    connect(mnuTBNewSection, &QAction::triggered, this, [this] { NewSectionClick(); });
    connect(mnuTBNewFolder, &QAction::triggered, this, [this] { NewFolderClick(); });
    connect(mnuTBDelSection, &QAction::triggered, this, [this] { DeleteSectionClick(); });
    connect(mnuTBDelFolder, &QAction::triggered, this, [this] { DeleteFolderClick(); });
    connect(mnuTBPrint, &QAction::triggered, mnuPrintReport, &QAction::trigger);
    connect(mnuTBSave, &QAction::triggered, mnuSaveReport, &QAction::trigger);

    pmToolBar = new QMenu(this);
    mnuToolButtons = pmToolBar->addAction(QStringLiteral("&Buttons..."));
    pmToolBar->addSeparator();
    mnuAlign = pmToolBar->addMenu(QStringLiteral("Align..."));
    auto* edges = new QActionGroup(this);
    for (QAction** item : {&mnuLeft, &mnuRight, &mnuTop, &mnuBottom}) {
        *item = mnuAlign->addAction(QString());
        (*item)->setCheckable(true);
        edges->addAction(*item);
    }
    mnuLeft->setText(QStringLiteral("Left"));
    mnuRight->setText(QStringLiteral("Right"));
    mnuTop->setText(QStringLiteral("Top"));
    mnuBottom->setText(QStringLiteral("Bottom"));
    mnuTop->setChecked(true);
    pmToolBar->addSeparator();
    mnuShowLabels = pmToolBar->addAction(QStringLiteral("Text Labels"));
    mnuShowLabels->setCheckable(true);
    mnuShowLabels->setChecked(true);
    connect(mnuToolButtons, &QAction::triggered, this, [this] { mnuToolButtonsClick(); });
    connect(mnuLeft, &QAction::triggered, this, [this] { mnuLeftClick(); });
    connect(mnuRight, &QAction::triggered, this, [this] { mnuRightClick(); });
    connect(mnuTop, &QAction::triggered, this, [this] { mnuTopClick(); });
    connect(mnuBottom, &QAction::triggered, this, [this] { mnuBottomClick(); });
    // The item's own check flips before the handler, which decides from the
    // state before the click.
    connect(mnuShowLabels, &QAction::triggered, this, [this] {
        mnuShowLabels->setChecked(!mnuShowLabels->isChecked());
        mnuShowLabelsClick();
    });
}

// ---------------------------------------------------------------------------
// Applying the stored settings

void TfrmManager::GetToolBar()
{
    if (!Settings::ToolBarNew() && !Settings::ToolBarDelete() && !Settings::ToolBarProps() && !Settings::ToolBarStyle()
        && !Settings::ToolBarReport() && !Settings::ToolBarBrowser() && !Settings::ToolBarVirus()
        && !Settings::ToolBarOptions() && !Settings::ToolBarHelp()) {
        ToolBar1->hide();
        return;
    }
    ToolBar1->show();
    GetVisibleButtons();
    // Only a change of labels toggles them: the window is shown many times.
    if (Settings::ShowToolLabels() != mnuShowLabels->isChecked())
        mnuShowLabelsClick();
    ApplyToolAlign();
}

// The stored edge; any other value leaves the bar where it is.
void TfrmManager::ApplyToolAlign()
{
    switch (Settings::ToolAlign()) {
    case 1: mnuLeftClick(); break;
    case 2: mnuRightClick(); break;
    case 3: mnuTopClick(); break;
    case 4: mnuBottomClick(); break;
    default: break;
    }
}

void TfrmManager::GetVisibleButtons()
{
    tbNew->setVisible(Settings::ToolBarNew());
    tbDelete->setVisible(Settings::ToolBarDelete());
    tbProps->setVisible(Settings::ToolBarProps());
    tbStyle->setVisible(Settings::ToolBarStyle());
    tbReport->setVisible(Settings::ToolBarReport());
    tbBrowser->setVisible(Settings::ToolBarBrowser());
    tbScanner->setVisible(Settings::ToolBarVirus());
    tbOptions->setVisible(Settings::ToolBarOptions());
    tbHelp->setVisible(Settings::ToolBarHelp());

    const bool catalogue = tbNew->isVisible() || tbDelete->isVisible() || tbProps->isVisible()
                           || tbStyle->isVisible() || tbReport->isVisible();
    const bool launchers = tbBrowser->isVisible() || tbScanner->isVisible();
    const bool program = tbOptions->isVisible() || tbHelp->isVisible();
    s2->setVisible(catalogue && (launchers || program));
    s3->setVisible(launchers && program);
    SizeSeparators();
}

// ---------------------------------------------------------------------------
// Labels and placement

void TfrmManager::mnuShowLabelsClick()
{
    const bool vertical = ToolBarEdge() == Qt::LeftToolBarArea || ToolBarEdge() == Qt::RightToolBarArea;
    if (mnuShowLabels->isChecked()) {
        ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
        m_toolButtonHeight = kPlainHeight;
        if (vertical) {
            m_toolButtonWidth = std::max(32, WidestButton());
            SetToolBarWidth(std::max(32, ButtonRoom()));
        } else {
            SetToolBarHeight(29);
            m_toolButtonWidth = 30;
        }
        mnuShowLabels->setChecked(false);
        SizeToolButtons();
        WriteToolBarSettings(false, Settings::ToolAlign());
        return;
    }
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolButtonHeight = kLabelledHeight;
    mnuShowLabels->setChecked(true);
    if (ToolBarEdge() == Qt::LeftToolBarArea)
        mnuLeftClick();
    else if (ToolBarEdge() == Qt::RightToolBarArea)
        mnuRightClick();
    else
        SetToolBarHeight(39);
    SizeToolButtons();
    WriteToolBarSettings(true, Settings::ToolAlign());
}

void TfrmManager::mnuLeftClick()
{
    PlaceLeftOrRight(Qt::LeftToolBarArea, 1, mnuLeft);
}

void TfrmManager::mnuRightClick()
{
    PlaceLeftOrRight(Qt::RightToolBarArea, 2, mnuRight);
}

void TfrmManager::mnuTopClick()
{
    PlaceTopOrBottom(Qt::TopToolBarArea, 3, mnuTop);
}

void TfrmManager::mnuBottomClick()
{
    PlaceTopOrBottom(Qt::BottomToolBarArea, 4, mnuBottom);
}

void TfrmManager::PlaceLeftOrRight(Qt::ToolBarArea edge, int alignment, QAction* item)
{
    PlaceToolBar(edge);
    const bool labels = mnuShowLabels->isChecked();
    if (!labels)
        m_toolButtonWidth = std::max(m_toolButtonWidth, WidestButton());
    SetToolBarWidth(std::max(labels ? GetProperWidth() : 30, ButtonRoom()));
    SizeToolButtons();
    SizeSeparators();
    item->setChecked(true);
    WriteToolBarSettings(labels, alignment);
}

void TfrmManager::PlaceTopOrBottom(Qt::ToolBarArea edge, int alignment, QAction* item)
{
    PlaceToolBar(edge);
    const bool labels = mnuShowLabels->isChecked();
    SetToolBarHeight(labels ? 39 : kPlainHeight);
    SizeToolButtons();
    SizeSeparators();
    item->setChecked(true);
    WriteToolBarSettings(labels, alignment);
}

// The widest caption among the visible buttons decides.
int TfrmManager::GetProperWidth() const
{
    const std::pair<const QAction*, int> entries[] = {{tbNew, 29},     {tbHelp, 29},    {tbDelete, 38},
                                                      {tbReport, 39},  {tbOptions, 43}, {tbProps, 44},
                                                      {tbBrowser, 45}, {tbScanner, 47}, {tbStyle, 56}};
    int width = ToolBar1->width();
    for (const auto& [button, entry] : entries)
        if (button->isVisible())
            width = entry;
    return width;
}

// Only what differs is written: applying the stored choices at every
// showing writes nothing (and a read-only settings file stays quiet).
void TfrmManager::WriteToolBarSettings(bool labels, int alignment)
{
    if (Settings::ShowToolLabels() != labels)
        Settings::SetShowToolLabels(labels);
    if (Settings::ToolAlign() != alignment)
        Settings::SetToolAlign(alignment);
}

void TfrmManager::PlaceToolBar(Qt::ToolBarArea edge)
{
    if (toolBarArea(ToolBar1) == edge)
        return;
    const bool shown = !ToolBar1->isHidden();
    removeToolBar(ToolBar1);
    addToolBar(edge, ToolBar1);
    ToolBar1->setVisible(shown);
}

// The stored heights are the least: the bar grows to hold its buttons
// within its own margins (a 26-pixel button in a 26-pixel bar was cut).
void TfrmManager::SetToolBarHeight(int height)
{
    ToolBar1->setMinimumWidth(0);
    ToolBar1->setMaximumWidth(QWIDGETSIZE_MAX);
    ToolBar1->setFixedHeight(std::max(height, m_toolButtonHeight + BarMargins(Qt::Vertical)));
}

void TfrmManager::SetToolBarWidth(int width)
{
    ToolBar1->setMinimumHeight(0);
    ToolBar1->setMaximumHeight(QWIDGETSIZE_MAX);
    ToolBar1->setFixedWidth(width);
}

// Labelled buttons are at least 56 across (or the bar's width inside its
// margins on the left or right) and grow when the desktop's font needs more
// for a caption.
void TfrmManager::SizeToolButtons()
{
    const bool vertical = ToolBarEdge() == Qt::LeftToolBarArea || ToolBarEdge() == Qt::RightToolBarArea;
    const bool labels = mnuShowLabels->isChecked();
    for (QAction* button : {tbNew, tbDelete, tbProps, tbStyle, tbReport, tbBrowser, tbScanner, tbOptions, tbHelp}) {
        QWidget* w = ToolBar1->widgetForAction(button);
        if (!w)
            continue;
        if (labels) {
            w->setMinimumSize(vertical ? ToolBar1->maximumWidth() - BarMargins() : kLabelledWidth, m_toolButtonHeight);
            w->setMaximumSize(QWIDGETSIZE_MAX, m_toolButtonHeight);
        } else {
            w->setFixedSize(m_toolButtonWidth, m_toolButtonHeight);
        }
    }
}

// What the widest visible button needs: its caption, or without labels its
// icon and, on the buttons with a menu, the menu's arrow.
int TfrmManager::WidestButton() const
{
    int widest = 0;
    for (QAction* button : {tbNew, tbDelete, tbProps, tbStyle, tbReport, tbBrowser, tbScanner, tbOptions, tbHelp})
        if (const QWidget* w = ToolBar1->widgetForAction(button); w && button->isVisible())
            widest = std::max(widest, w->sizeHint().width());
    return widest;
}

// The room a vertical bar needs for its buttons (the desktop's font and
// style may need more than the stored widths).
int TfrmManager::ButtonRoom() const
{
    // Without labels every button has the same fixed width.
    return (mnuShowLabels->isChecked() ? WidestButton() : m_toolButtonWidth) + BarMargins();
}

// The bar's own margins along `direction`: left and right of its buttons,
// or above and below them.
int TfrmManager::BarMargins(Qt::Orientation direction) const
{
    const QMargins margins = ToolBar1->layout() ? ToolBar1->layout()->contentsMargins() : QMargins();
    return direction == Qt::Horizontal ? margins.left() + margins.right() : margins.top() + margins.bottom();
}

// At the top or bottom the visible separators are 8 pixels wide.
void TfrmManager::SizeSeparators()
{
    const bool vertical = ToolBarEdge() == Qt::LeftToolBarArea || ToolBarEdge() == Qt::RightToolBarArea;
    for (QAction* separator : {s2, s3}) {
        QWidget* w = ToolBar1->widgetForAction(separator);
        if (!w)
            continue;
        if (!vertical && separator->isVisible()) {
            w->setFixedWidth(kSeparatorWidth);
        } else if (vertical) {
            w->setMinimumWidth(0);
            w->setMaximumWidth(QWIDGETSIZE_MAX);
        }
    }
}

bool TfrmManager::ToolBarShown() const
{
    return !ToolBar1->isHidden();
}

Qt::ToolBarArea TfrmManager::ToolBarEdge() const
{
    return toolBarArea(ToolBar1);
}

QSize TfrmManager::ToolButtonSize() const
{
    const QWidget* w = ToolBar1->widgetForAction(tbNew);
    return w ? w->minimumSize() : QSize();
}

// ---------------------------------------------------------------------------
// What the options' OK changes

void TfrmManager::ApplyToolBarPreferences(bool allButtonsOff, bool showText)
{
    if (allButtonsOff) {
        ToolBar1->hide();
        return;
    }
    ProcessMessages();
    ToolBar1->show();
    PlaceToolBar(Qt::TopToolBarArea);
    GetVisibleButtons();
    if (showText != mnuShowLabels->isChecked())
        mnuShowLabelsClick();
    ApplyToolAlign();
}

// ---------------------------------------------------------------------------
// The buttons' commands

void TfrmManager::tbBrowserClick()
{
    LaunchProgram(Settings::BrowserCL(), QStringLiteral("web browser"));
}

// The scanner scans what the user looks at: the one selected file, else
// the folder shown; its output and verdict show in a window of their own.
void TfrmManager::tbScannerClick()
{
    QString program;
    QStringList arguments;
    if (!FindLauncher(Settings::VirusCL(), QStringLiteral("virus scanner"), &program, &arguments))
        return;
    const QString directory = FEDownloads->Directory();
    if (directory.isEmpty())
        return;
    const QStringList names = FEDownloads->SelectedFileNames();
    const QString target = names.size() == 1 ? directory + names.first()
                                             : (directory.size() > 1 && directory.endsWith(u'/') ? directory.chopped(1)
                                                                                                : directory);
    auto* scan = new TfrmScan(program, arguments << target, target);
    scan->Start();
}

void TfrmManager::tbOptionsClick()
{
    ShowModalWindow(Window<TfrmPreferences>());
}

void TfrmManager::tbHelpClick()
{
    OpenHelp();
}

void TfrmManager::mnuToolButtonsClick()
{
    if (auto* preferences = Window<TfrmPreferences>())
        preferences->ShowModalOn(preferences->tsMisc);
}

// Starts the program named by a launcher's command line. Never through a
// shell; a program that is not there is reported.
void TfrmManager::LaunchProgram(const QString& commandLine, const QString& what)
{
    QString program;
    QStringList arguments;
    if (!FindLauncher(commandLine, what, &program, &arguments))
        return;
    if (!Shell::instance().startProgram(program, arguments))
        Dialogs::message(QStringLiteral("The %1 \"%2\" could not be started.").arg(what, program),
                         QStringLiteral("Fetchlark"), MB_OK, MB_ICONWARNING, this);
}

// The program of a launcher's command line: the whole text when it names a
// program, else its first word with the rest as arguments. Says why not
// when there is none.
bool TfrmManager::FindLauncher(const QString& commandLine, const QString& what, QString* program,
                               QStringList* arguments)
{
    const QString text = commandLine.trimmed();
    if (text.isEmpty()) {
        Dialogs::message(QStringLiteral("No %1 is set for this button. Choose one under Options, Toolbar.").arg(what),
                         QStringLiteral("Fetchlark"), MB_OK, MB_ICONWARNING, this);
        return false;
    }
    QString name = text;
    arguments->clear();
    if (!QFileInfo(text).isFile()) {
        *arguments = SplitCommandLine(text);
        name = arguments->isEmpty() ? text : arguments->takeFirst();
    }
    const QString found = QFileInfo(name).isAbsolute() || name.contains(u'/')
                              ? name
                              : QStandardPaths::findExecutable(name);
    const QFileInfo info(found);
    if (found.isEmpty() || !info.isFile() || !info.isExecutable()) {
        Dialogs::message(QStringLiteral("The %1 \"%2\" cannot be found or is not a program.").arg(what, name),
                         QStringLiteral("Fetchlark"), MB_OK, MB_ICONWARNING, this);
        return false;
    }
    *program = found;
    return true;
}

} // namespace flk
