#pragma once
// The manager window: the catalogue browser. The sections bar on the left
// holds one page per section and one folder button per folder; the right
// side shows the current folder's heading and files. Its creation finishes
// the program's start-up (the default catalogue on the first start; the
// bar, the speed check and the tray's default action on later starts), and
// it handles the application's private messages (AppMessages).
//
// The information panel (TInfoPanel) and the file operations
// (TFileOperations) are classes of their own; the toolbar, editing on the
// bar, the file list and the scheduled file events are this window's
// methods in files of their own, named at their groups below.

#include "CatalogueBar.h"
#include "FileListHost.h"
#include "FileOperationsHost.h"
#include "LookOutButton.h"
#include "LookOutPage.h"
#include "Messages.h"
#include "ReportHost.h"
#include "PreferencesHost.h"
#include "Profile.h"
#include "RecordStore.h"

#include <QMainWindow>
#include <QHash>
#include <QPointer>

#include <functional>

class QAction;
class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QToolBar;

namespace flk {

class RecordFile;
class TFileOperations;
class TFolderList;
class TInfoPanel;
class TLookOut;
class TLookOutCaptionEdit;

class TfrmManager : public QMainWindow, public FileListHost, public FileOperationsHost, public ReportHost,
                    public PreferencesHost, public CatalogueBar {
    Q_OBJECT
public:
    explicit TfrmManager(QWidget* parent = nullptr);
    ~TfrmManager() override;

    static constexpr int kDefaultLeft = 272;
    static constexpr int kDefaultTop = 139;
    static constexpr int kDefaultWidth = 569;
    static constexpr int kDefaultHeight = 419;

    // The message asking for the connection speed when none is set.
    static QString SpeedMissingText();
    static const QString kPageHint;   // status-bar hint of a section page
    static const QString kButtonHint; // status-bar hint of a folder button

    // ---- Main menu ---------------------------------------------------------
    QMenu* mnuFile;
    QMenu* mnuNew;
    QAction* mnuNewSection;
    QAction* mnuNewFolder;
    QMenu* mnuReport;
    QAction* mnuPrintReport;
    QAction* mnuSaveReport;
    QMenu* mnuWeb;
    QAction* mnuWebMain;
    QAction* mnuWebUpgrade;
    QAction* mnuWebOther;
    QAction* mnuWebSupport;
    QAction* mnuExit;
    QMenu* mnuEdit;
    QMenu* mnuRename;
    QAction* mnuRenSection;
    QAction* mnuRenCat;
    QMenu* mnuDelete;
    QAction* mnuMainDelSection;
    QAction* mnuMainDelCat;
    QAction* mnuRefresh;
    QMenu* mnuView;
    QAction* mnuOptions;
    QMenu* mnuHelp;
    QAction* mnuContents;
    QAction* mnuGettingStarted;
    QAction* mnuTechSupport;
    QAction* mnuAbout;

    // ---- The bar's menus ---------------------------------------------------
    QMenu* pmNav; // on a page
    QAction* mnuP_NewSection;
    QAction* mnuP_NewFolder;
    QAction* mnuP_RenSection;
    QAction* mnuP_DelSection;
    QAction* mnuP_Props;
    QMenu* pmButton; // on a folder button
    QAction* mnuB_NewSection;
    QAction* mnuB_NewFolder;
    QAction* mnuP_RenCat;
    QAction* mnuB_DelCat;
    QAction* mnuB_Props;

    // ---- Controls ----------------------------------------------------------
    QToolBar* ToolBar1;      // filled by GetToolBar
    TLookOut* Nav;           // the sections bar
    QSplitter* Splitter1;    // between the bar and the right side
    QWidget* pnl1;           // the right side
    QLabel* pnlCategory;     // the heading
    TInfoPanel* pnlInfo;     // the information panel (its fields are named below)
    QSplitter* Splitter2;    // between the notes and the file list
    TFolderList* FEDownloads;
    TImageList ilIcons;      // the folder icon set (32 x 32)

    // ---- State ---------------------------------------------------------------
    QPointer<TLookOutPage> ClickedPage;
    QPointer<TLookOutButton> ClickedButton;
    QPointer<TLookOutButton> HoverButton;
    QString SectionLocation;
    int RightPaneWidth = 0;
    QPointer<QLineEdit> RenameEdit;
    bool DropMove = false;
    bool DropCancel = false;

    // ---- Operations ------------------------------------------------------------
    void NewPage(const QString& name, const QString& location);
    void NewButton(const QString& folder, const QString& section, int icon, int pageIndex);
    void PopulateHeaders();
    void PopulateImageList();
    void CreateDefaultHeader();
    void HeadClick(TLookOutPage* page);
    void CatClick();
    void LookOutPageMouseDown(TLookOutPage* page);
    void LookOutButtonMouseDown(TLookOutButton* button);
    int HeaderNumber(const TLookOutPage* page) const;
    int CategoryNumber(const TLookOutButton* button) const;
    static int NumHeads();
    TLookOutPage* GetClickedPage() const { return ClickedPage; }
    TLookOutButton* GetClickedButton() const { return ClickedButton; }

    // The application-wide hook of the private messages; true when handled.
    bool AppMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    // ---- Information panel and file list (ManagerInfoPanel.cpp, ManagerFileList.cpp)
    // The panel's fields (owned by pnlInfo).
    QLineEdit* edtDescription;
    QLineEdit* edtSource;
    QCheckBox* cbDelete;
    QLineEdit* meDelete;
    QLabel* lblDeletion;
    QLabel* lblDateDownloaded;
    QLabel* lblLastOpened;
    QLabel* lblVChecked;
    QPlainTextEdit* mmoNotes;
    QWidget* pnlRightPane;
    // The file list's menu (PopupMenu1); its delete submenu is mnuDeleteFile
    // (mnuDelete is the main menu's).
    QMenu* PopupMenu1;
    QAction* mnuOpen;
    QMenu* mnuDeleteFile;
    QAction* mnuRecBin;  // to the Trash (Del)
    QAction* N17;        // permanently (Shift+Del)
    QAction* mnuScan;
    QMenu* mnuViewStyle;
    QAction* mnuFELargeIcons;
    QAction* mnuFESmallIcons;
    QAction* mnuFEList;
    QAction* mnuFEDetails;
    QAction* mnuProps;
    // The desktop's file menu, used instead when [Management] ShowMenu is on.
    QMenu* pmShell;
    QAction* mnuShellOpen;
    QAction* mnuShellOpenWith;
    QAction* mnuShellShowInFolder;
    QAction* mnuShellTrash;
    QAction* mnuShellProps;
    // The source field's menu while it shows a link.
    QMenu* pmGoThere;
    QAction* mnuGoThere;
    QAction* mnuEditLink;

    void ClearAll(bool disable);
    void ReEnable();
    void GrayAll();
    void UpdateInfo();
    void WriteSettings();
    void DoWrite();
    void MultiWrite();
    void WriteSingle(QWidget* field);
    void FieldLook(WPARAM field, bool editing); // messages 3024 / 3025
    static WPARAM FieldHandle(const QWidget* field) { return reinterpret_cast<WPARAM>(field); }
    // The file list's events.
    void FEDownloadsSelectionChange();
    void FEDownloadsMouseDown();
    void FEDownloadsDoubleClick();
    void FEDownloadsRefresh();
    void PopupMenu1Popup();
    // View styles; the toolbar's "View Style" menu adds its four items here
    // so both menus show the same check.
    void mnuFELargeIconsClick();
    void mnuFESmallIconsClick();
    void mnuFEListClick();
    void mnuFEDetailsClick();
    void AddViewStyleItems(QAction* large, QAction* small, QAction* list, QAction* details);
    void WriteStyle(int style);
    // The source link and re-downloading from the manager.
    void edtSourceChange();
    void SourceClick();
    void mnuGoThereClick();
    void ReDownload();
    // The desktop file menu's own commands.
    void OpenWithClick();
    void ShowInFolderClick();
    // Placeholder of an empty description, source or notes value.
    static const QString kClickHereToEdit;
    // ---- File operations and drops (ManagerFileOps.cpp; the work is TFileOperations')
    void AfterDelete() override;
    void MoveCatToSection(TLookOutPage* page, TLookOutButton* button); // message 3026
    void DropFiles(const QStringList& files);                          // the drop message
    // The file commands of the list's menu, the toolbar and double clicks.
    void mnuOpenClick();
    void mnuPropsClick();
    void mnuRecBinClick(); // to the Trash
    void N17Click();       // permanently
    void mnuScanClick();
    // The download dialog's scan of `fileName` ended clean on `dateText`: the
    // last-check label follows when the window is visible and that file is
    // its list's current item.
    void SetLastScannedIfCurrent(const QString& fileName, const QString& dateText);
    // What the file operations need of this window (FileOperationsHost).
    QString CurrentRecordFile() const override;
    void ScanRecorded(const QString& recordFile, const QStringList& names, const QString& date) override;
    // Drops (FileDrops).
    void tbPropsClick();                                // toolbar "File Info"
    void DropFile1DropFiles(const QStringList& files);  // dropped onto HoverButton
    void DropFile2DropFiles(const QStringList& files);  // dropped onto the file list
    QMenu* pmFileDrop;                                  // "&Move Here", "&Copy Here", "Ca&ncel"
    QAction* mnuDropMove;
    QAction* mnuDropCopy;
    QAction* mnuDropCancel;
    // ---- Toolbar (ManagerToolBar.cpp) and the options' effects -----------------
    // Buttons in their order; s2 and s3 are the separators.
    QAction* tbNew;
    QAction* tbDelete;
    QAction* tbProps;
    QAction* tbStyle;
    QAction* tbReport;
    QAction* s2;
    QAction* tbBrowser;
    QAction* tbScanner;
    QAction* s3;
    QAction* tbOptions;
    QAction* tbHelp;
    QMenu* pmNew;
    QAction* mnuTBNewSection;
    QAction* mnuTBNewFolder;
    QMenu* pmDelete;
    QAction* mnuTBDelSection;
    QAction* mnuTBDelFolder;
    QMenu* pmViewStyle;
    QAction* mnuTBLargeIcons;
    QAction* mnuTBSmallIcons;
    QAction* mnuTBList;
    QAction* mnuTBDetails;
    QMenu* pmPrint;
    QAction* mnuTBPrint;
    QAction* mnuTBSave;
    QMenu* pmToolBar; // right click on the bar
    QAction* mnuToolButtons;
    QMenu* mnuAlign;
    QAction* mnuLeft;
    QAction* mnuRight;
    QAction* mnuTop;
    QAction* mnuBottom;
    QAction* mnuShowLabels;
    TImageList ilDisabledTool; // the buttons at rest
    TImageList ilActiveTool;   // under the pointer
    void GetToolBar();
    void GetVisibleButtons();
    void ApplyToolAlign();
    void mnuShowLabelsClick();
    void mnuLeftClick();
    void mnuRightClick();
    void mnuTopClick();
    void mnuBottomClick();
    int GetProperWidth() const;
    void WriteToolBarSettings(bool labels, int alignment);
    void tbBrowserClick();
    void tbScannerClick();
    void tbOptionsClick();
    void tbHelpClick();
    void mnuToolButtonsClick();
    // The toolbar's own state: shown, its edge, the buttons' size.
    bool ToolBarShown() const;
    Qt::ToolBarArea ToolBarEdge() const;
    QSize ToolButtonSize() const;
    void SetFileMenuMode(bool shellMenu) override;
    void SetScanEnabled(bool enabled) override;
    void ApplyToolBarPreferences(bool allButtonsOff, bool showText) override;
    // ---- Editing sections and folders on the bar (ManagerEditing.cpp) ----------
    void NewSectionClick();
    void NewFolderClick();
    void RenameSectionClick();
    void RenameFolderClick();
    void DeleteSectionClick();
    void DeleteFolderClick();
    void P1Click();         // the current section's properties
    void MenuItem7Click();  // the current folder's properties
    // The rename box's text becomes the current section's / folder's name;
    // false when it was refused (the box stays open).
    bool RenameHeader();
    bool RenameCategory();
    void ConnectDragHandlers(TLookOutPage* page);
    // The current folder one place up (-1) or down (+1) on its page, as a
    // drag onto its neighbour does; to another section, as a drag onto its page.
    void MoveFolderClick(int step);
    void MoveFolderToSectionClick(TLookOutPage* target);
    QAction* mnuMoveFolderUp = nullptr;
    QAction* mnuMoveFolderDown = nullptr;
    QMenu* mnuMoveFolderTo = nullptr;
    QAction* mnuLaunchBrowser = nullptr; // the toolbar's Browser and Scanner, from the View menu
    QAction* mnuLaunchScanner = nullptr;
    void ConnectDragHandlers(TLookOutButton* button);
    static QString ConfirmCatDeleteText();
    // What the section and folder dialogs use of the bar (CatalogueBar).
    int PageCount() const override;
    QString PageCaption(int page) const override;
    QStringList ButtonCaptions(int page) const override;
    int ButtonImage(int page, int button) const override;
    int ActivePageIndex() const override;
    int ClickedPageIndex() const override;
    int ClickedButtonIndex() const override;
    int SectionNumberOf(int page) const override;
    int FolderNumberOf(int page, int button) const override;
    const QList<QIcon>& FolderIcons() override;
    void SelectSection(int page) override;
    void SelectFolder(int page, int button) override;
    void RemovePage(int page) override;
    void LeaveFolder(int page, int button) override;
    void RemoveButton(int page, int button) override;
    void SetButtonImage(int page, int button, int icon) override;
    // ---- Scheduled file events ---------------------------------------------
    void ScanForEvents();
    // What the walk needs of this window (FileListHost). AfterDelete above is
    // the list's after-delete step; the auto-delete box comes with the
    // information panel, until then clearing it does nothing.
    bool HasFolderButton() const override;
    void RefreshFileList() override;
    QString SelectedFilePath() const override;
    void ClearDeleteBox() override;
    // ---- Reports: what the report dialog reads (ReportHost) ------------------
    QString ReportSection() const override;
    QString ReportFolder() const override;
    QStringList ReportFiles() const override;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void BuildUi();
    void BuildMainMenu();
    void BuildBarMenus();
    // Keyboard and menu ways to what the mouse does on the bar and toolbar
    // (ManagerKeyboard.cpp).
    void BuildKeyboardCommands();
    void UpdateFolderMoveItems();
    void FillMoveToSection();
    bool CanMoveFolder(int step) const;
    void BuildFileOps();
    bool AskDropAction();
    TFileOperations* m_fileOps = nullptr;
    void BuildToolBar();
    QAction* AddToolButton(const char* name, const QString& caption, const QString& hint, int image,
                           QMenu* dropDown = nullptr);
    void BuildToolBarMenus();
    void PlaceToolBar(Qt::ToolBarArea edge);
    void SetToolBarHeight(int height);
    void SetToolBarWidth(int width);
    void SizeToolButtons();
    void SizeSeparators();
    int WidestButton() const;
    int ButtonRoom() const;
    int BarMargins(Qt::Orientation direction = Qt::Horizontal) const;
    void PlaceLeftOrRight(Qt::ToolBarArea edge, int alignment, QAction* item);
    void PlaceTopOrBottom(Qt::ToolBarArea edge, int alignment, QAction* item);
    void LaunchProgram(const QString& commandLine, const QString& what);
    bool FindLauncher(const QString& commandLine, const QString& what, QString* program, QStringList* arguments);
    int m_toolButtonWidth = 56;  // without labels; with labels the caption's room
    int m_toolButtonHeight = 36;
    void FormCreate();
    void InstallAppMessage();
    void FirstRunCreate();
    void LaterRunCreate();
    void FormShow();
    void FormClose();
    void FormResize();
    void Splitter1Moved();
    void ReportClick(int mode);
    void OpenWebPage(const QString& url);
    void ShowModalWindow(QDialog* window);
    TLookOutPage* AddPage(const QString& caption);
    TLookOutButton* AddButton(TLookOutPage* page, const QString& caption, int icon);
    void SetFolderItemsEnabled(bool enabled);
    void UpdateMenuStates();
    void ButtonWidthsToFirstPage();
    void EnsureOnScreen();
    void SetHeading(const QString& folder, const QString& fileName);
    void ShowPressed();
    // Information panel and file list.
    void BuildFileListArea(QLayout* right);
    void BuildFileListMenus();
    void ConnectInfoPanel();
    void ApplyFileListSettings();
    void InfoPanelResize();
    void SetViewStyle(int style, bool store = true);
    void SetFileItemsEnabled(bool enabled);
    void FEDownloadsKey(int key, Qt::KeyboardModifiers modifiers);
    void FEDownloadsContextMenu(const QPoint& globalPos);
    void FieldKey(QWidget* field, int key);
    void PanelClicked(QWidget* where);
    void DeleteBoxReleased();
    bool FolderIsCurrent() const;
    QString RecordFilePath() const;
    void WriteRecord(RecordFile& records, const QString& fileName, bool keepUnchanged);
    bool StorePanel(const std::function<void(RecordFile&)>& store);
    void StoreRefused(const QString& path, const QString& reason, bool later);
    QString PanelContent() const;
    void ShowListStatus();
    int m_viewStyle = 0;                // the style shown (0 before the settings are applied)
    QList<QAction*> m_styleItems[5];    // by stored style number: the items of both menus
    QString m_failedStore;              // the last store refused, already told
    QString m_loadedContent;            // PanelContent() as UpdateInfo filled the panel
    TRecordStore m_records;             // the record files read and written, kept open
    // Editing on the bar.
    void OpenRenameBox(QWidget* host, const QRect& place, const QString& text, const QString& what,
                       bool (TfrmManager::*rename)());
    void SwapFolders(TLookOutButton* source, TLookOutButton* target);
    void ShowDropTarget(const TLookOutPage* target);
    QPointer<TLookOutCaptionEdit> m_renameBox;
    QPoint m_dragFrom;
};

} // namespace flk
