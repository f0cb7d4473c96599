#pragma once
// "Download a File": the window in which one download is set up, run and
// watched. A fresh instance per download; it frees itself when closed, so
// several downloads can run at once, each with its own HTTP and FTP client.

#include "ProxyRules.h"
#include "TransferObserver.h"

#include <QElapsedTimer>
#include <memory>

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QtGlobal>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;
class QWidget;
class QFrame;

namespace flk {

class TRingGauge;
class TAnotherGauge;
class TVVNavigatorGauge;

class TTransferJob;
class TBookmarks;

class TfrmAsker : public QDialog, public TTransferObserver {
    Q_OBJECT
public:
    explicit TfrmAsker(QWidget* parent = nullptr);
    ~TfrmAsker() override;

    // ---- Download state (filled by the opener, then SetDefaults) ----------
    QString SourceUrl;      // the address fetched; replaced on a redirect
    QString Protocol;       // "http" or "https" run the HTTP transfer, anything else the FTP one;
                            // an address with a scheme goes by its scheme (HttpTransfer)
    QString RemoteFileName; // file-name part of the address
    QString UrlBase;        // the address without its file name
    qint64 ExpectedSize = 0;    // bytes the server announces
    qint64 ResumeOffset = 0;    // bytes on disk when an HTTP download resumes
    qint64 BytesAtLastTick = 0; // gauge value at the previous speed tick
    quint64 StartTick = 0;      // millisecond tick when the transfer started
    QString LocalPath;          // local file of an HTTP download
    bool RedirectPending = false;
    bool Aborted = false;
    bool FtpFinished = false;
    bool NoFollowUp = false;
    bool FromManager = false;
    bool RestartFtp = false;
    // The browser's session of a hand-off, sent with this download's
    // requests to the address's own site; never stored or logged.
    QString SessionCookie;
    QString SessionReferer;
    QString SessionAgent;

    // ---- Controls ----------------------------------------------------------
    QTabWidget* PageControl1 = nullptr;
    QWidget* tsDownload = nullptr;
    QWidget* tsAdvanced = nullptr;
    QLineEdit* edtDesc = nullptr;
    QLineEdit* edtName = nullptr;
    QComboBox* edtSource = nullptr; // editable, no items
    QPushButton* cmdBookMarks = nullptr;
    QComboBox* cbOpenWhen = nullptr;
    QComboBox* cbSection = nullptr;
    QPushButton* cmdSection = nullptr;
    QComboBox* cbCategory = nullptr;
    QPushButton* cmdFolder = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* cmdViewManager = nullptr;
    TAnotherGauge* dg = nullptr;
    TRingGauge* gSpeed = nullptr;
    TVVNavigatorGauge* gActive = nullptr;
    QLabel* lblPercent = nullptr;
    QLabel* lblSpeed = nullptr;
    QLabel* lblFileSize = nullptr;
    QLabel* lbldlbytes = nullptr;
    QLabel* Label8 = nullptr; // "Packet Size:"
    QFrame* pnlPacketSize = nullptr;
    QLabel* lblPacketSize = nullptr;
    QLabel* lblAverage = nullptr;
    QLabel* lblETA = nullptr;
    QListWidget* ListBox1 = nullptr; // details log
    QCheckBox* cbPaste = nullptr;
    QCheckBox* cbPrompt = nullptr;
    QLineEdit* meDays = nullptr;
    QCheckBox* cbAutoDelete = nullptr;
    QLineEdit* meDeleteDays = nullptr;
    QCheckBox* cbAutoScan = nullptr;
    QCheckBox* cbMinimize = nullptr;
    QCheckBox* cbClose = nullptr;
    QCheckBox* cbDetails = nullptr;
    QCheckBox* cbPromptDone = nullptr;
    QCheckBox* cbEnableDetect = nullptr;
    QCheckBox* cbDefault = nullptr;
    // This download's speed limit in KiB/s, 0 for none ("No limit"); a
    // change applies to the running download at once. Not stored.
    QSpinBox* spnSpeedLimit = nullptr;
    QTimer* tmrDLSpeed = nullptr;  // 5000 ms, statistics
    QMenu* pmBookMarks = nullptr;
    QAction* Bookmarks1 = nullptr; // "Web BookMarks..."
    TBookmarks* m_bookmarks = nullptr; // its submenu, made on the first click
    QIcon imgDownload; // glyph of cmdOK while Idle
    QIcon imgAbort;    // glyph of cmdOK while Busy

    // Captions of cmdOK: the dialog's state.
    static const QString kIdleCaption; // "&Download"
    static const QString kBusyCaption; // "&Abort"
    static const QString kFolderMessage;
    static const QString kBusyMessage;
    static const QString kNameMessage;

    // ---- Opening -----------------------------------------------------------
    // Browser hand-off: the address, its description and the parts the
    // hand-off derived from it (file name, base address, protocol).
    // The name box shows the file name safe (escapes decoded); the server's
    // own name for the file may still replace it until the user edits it.
    void FillFromHandOff(const QString& url, const QString& description, const QString& fileName,
                         const QString& base, const QString& protocol);
    // What the browser knew of a hand-off: the file name it decided (it
    // replaces the one from the address and stays) and its session.
    void UseBrowserContext(const QString& fileName, const QString& referrer, const QString& userAgent,
                           const QString& cookies);
    // Re-download of a catalogued file: call SetDefaults before PlaceFromManager.
    void FillFromManager(const QString& source, const QString& description);
    // Selects the manager's current section and folder by name and sets the
    // file name; marks the dialog as opened from the manager.
    void PlaceFromManager(const QString& section, const QString& folder, const QString& fileName);

    // ---- Published operations ---------------------------------------------
    void SetDefaults();
    void SetDefaultPlace();
    void SaveSettings();
    void SaveDownloadInfo();
    // Message 3027: a folder was created in section `sectionIndex`. Acts only
    // while the dialog is visible.
    void NewFolderCreated(int sectionIndex);
    // Location + folder + "/" + file name of the chosen place.
    QString TargetPath() const;
    // The folder file of the chosen section and folder.
    QString FolderFile() const;
    bool IsBusy() const;

    // ---- Completion actions -------------------------------------------------
    void VirusScan(const QString& path);
    void FileExec(const QString& path);
    // Shell deletion without any prompt: to the Trash when `recycle`.
    static void DeleteFile(const QString& name, bool recycle);
    // "Download Complete for ..." when cbPromptDone is checked.
    void PromptComplete(const QString& path);
    static QString CompleteText(const QString& fileName, const QString& section, const QString& folder);

    // ---- State changes -----------------------------------------------------
    void SetDetailsState(bool enabled);
    void AbortDownload();
    void EndDownload();
    // Adds a line to the details log and scrolls to it.
    void AddLog(const QString& line);
    // Brings the dialog to the front (application, z-order, foreground).
    void BringToFront();
    // A chosen bookmark becomes the address shown, fetched and recorded.
    void Bookmarks1URL(const QString& url);
    // The session is ending: agree and halt.
    void QueryEndSession();

public slots:
    void cmdOKClick();
    void Button2Click();
    void cmdViewManagerClick();
    void cmdBookMarksClick();
    void cmdSectionClick();
    void cmdFolderClick();
    void cbSectionChange();
    void cbDetailsClick();
    void cbEnableDetectClick();
    void cbDefaultClick();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void reject() override;

private:
    void BuildUi();
    QWidget* BuildDownloadPage();
    QWidget* BuildAdvancedPage();
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    bool HandleShortcut(QKeyEvent* e);
    void SetIdle();
    void SetBusy();
    void LoadFolders();
    void NewSectCat(bool folder);
    // Why edtName's text cannot be the file's name and record, as the text
    // shown to the user; empty when it can.
    QString FileNameProblem() const;
    // The record section in the folder file matching the file part of
    // `path` regardless of case; empty when none.
    QString FindRecord(const QString& path) const;

    // The address `url` becomes the one fetched (a bookmark, a typed
    // address): its parts, and the name box when the name came from the
    // previous address. A session stays only within the same site.
    void AdoptSource(const QString& url);
    // The name of the file an address names: its last path segment without
    // the query, decoded and made safe.
    static QString NameFromAddress(const QString& url);

    bool m_shownOnce = false;
    bool m_logScrollDue = false; // the log's last line is to be selected
    // The name box holds a name taken from the address, which a better one
    // (the server's) may replace: false once the user edits it or the name
    // came from the browser or the catalogue.
    bool m_nameFromAddress = false;

    // ===== Transfer ========================================================
    // The transfer itself runs in a TTransferJob (src/transfer); the dialog
    // starts it, shows what it reports and answers its questions
    // (AskerTransfer.cpp). No message loop runs on a transfer's path.
public:
    void GetHTTP();
    void GetFTP(bool resumeAllowed);
    void tmrDLSpeedTimer();
    // Millisecond tick count of StartTick and the statistics (monotonic).
    static quint64 TickCount();
    // One statistics tick as if the clock read `now` (tmrDLSpeedTimer passes TickCount()).
    void SpeedTick(quint64 now);
    // The transfer of the last Download (kept until the next one or the
    // dialog's end), or nullptr.
    TTransferJob* Transfer() const { return m_job; }
    // Seconds a server may stay silent before the transfer gives up.
    int HttpTimeout = 60;
    int FtpTimeout = 30;
    // The proxies, from the program's environment (http_proxy, no_proxy...)
    // as the dialog starts; every transfer it starts takes them.
    TProxyRules ProxyRules = TProxyRules::FromProcessEnvironment();

    void TransferLog(const QString& line) override;
    void TransferMoved(const QString& url) override;
    void TransferSized(qint64 total, qint64 from) override;
    void TransferProgress(qint64 bytes, qint64 block) override;
    void TransferAsk(TTransferQuestion question) override;
    QString TransferNamed(const QString& name) override;
    void TransferEnded(const TTransferEnd& end) override;

private:
    void StartJob(TTransferJob* job);
    void DropJob();
    void AskQuestion(TTransferQuestion question);
    void TransferFailed(const TTransferEnd& end);
    void TransferCompleted(const TTransferEnd& end);
    void HandOverToFtp(const QString& url);
    void ApplySpeedLimits(TTransferJob* job);
    void SpeedLimitChange();
    // "Speed:" shows the last speed, and the limit while one holds the download.
    void ShowSpeed();
    void ShowFigures(qint64 block, qint64 count, bool force);
    bool HttpTransfer() const;
    void DropNewRecord();

    TTransferJob* m_job = nullptr;
    bool m_jobIsHttp = false;
    bool m_sizeKnown = false;      // the transfer named the whole file's size
    qint64 m_count = 0;            // bytes of the file so far
    qint64 m_statsFrom = 0;        // bytes on disk before this transfer: not counted as come
    qint64 m_shownCount = -1;      // what "Bytes So Far" shows
    QString m_speedText = QStringLiteral("?"); // the last speed, without the limit
    QElapsedTimer m_figuresClock;  // since the figures were last shown
    bool m_recordIsNew = false;    // this Download wrote the file's record first
    bool m_failedWithoutFile = false; // the last Download failed and left no file
    // ===== end of transfer ===================================================
};

} // namespace flk
