#pragma once
// "Download a File": the window in which one download is set up, run and
// watched. A fresh instance per download; it frees itself when closed, so
// several downloads can run at once, each with its own HTTP and FTP client.

#include "Ftpcli.h"
#include "HttpProt.h"

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
class QTabWidget;
class QTimer;
class QWidget;
class QFrame;

namespace flk {

class TRingGauge;
struct TFtpTarget;
class TAnotherGauge;
class TVVNavigatorGauge;

class TfrmAsker : public QDialog {
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
    QTimer* tmrDLSpeed = nullptr;  // 5000 ms, statistics
    QMenu* pmBookMarks = nullptr;
    QAction* Bookmarks1 = nullptr; // "Web BookMarks..."
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
    void FillFromHandOff(const QString& url, const QString& description, const QString& fileName,
                         const QString& base, const QString& protocol);
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
    // A chosen bookmark becomes the shown and recorded source.
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

    bool m_shownOnce = false;

    // ===== Transfer state ====================================================
    // The HTTP transfer lives in AskerHttp.cpp and the FTP transfer in
    // AskerFtp.cpp. Clients, handlers and their private state go here.
public:
    void GetHTTP();
    void GetFTP(bool resumeAllowed);
    void tmrDLSpeedTimer();

    // ---- HTTP transfer (AskerHttp.cpp) ----
    THttpCli Http;
    // Millisecond tick count of StartTick and the statistics (monotonic).
    static quint64 TickCount();
    // One statistics tick as if the clock read `now` (tmrDLSpeedTimer passes TickCount()).
    void SpeedTick(quint64 now);

private:
    void WireHttp();
    void PerformHttpDownload();
    void HttpRequestDone(THttpRequest request);
    void HttpGetEnded(int error, const QString& reason);
    void HttpFollowUp();
    bool OpenHttpFile();
    void CloseHttpFile();
    void HttpFailed(const QString& logLine, const QString& message);
    bool HttpTransfer() const;
    void DropNewRecord();
    void HttpHandOverToFtp();
    void HttpHeaderData();
    void HttpLocationChange();
    void HttpStateChange();
    void HttpHeaderBegin();
    void HttpHeaderEnd();
    void HttpDocBegin();
    void HttpDocData(int len, bool inFile);
    void HttpShowFigures(int packet, qint64 count, bool force);
    void HttpDocEnd();
    void HttpWritten();
    void HttpDone();
    class TFileStream* m_httpFile = nullptr;
    bool m_httpSizeSeen = false;   // the reply carried a Content-Length
    qint64 m_statsFrom = 0;        // bytes on disk before this transfer: not counted as come
    bool m_httpInGet = false;      // HEAD done, GET running
    bool m_httpGetStarted = false; // this Download reached its GET
    bool m_httpGetEnded = false;   // ... and HttpGetEnded has run for it
    quint64 m_httpGets = 0;        // GETs started by this dialog
    bool m_httpToFtp = false;      // a Location pointed to an ftp address
    bool m_httpRangeRefused = false;
    bool m_httpDoneDue = false;    // the last block is on its way into the file
    struct { int packet; qint64 count; } m_httpFigures{-1, -1}; // the latest block's figures
    QElapsedTimer m_httpFiguresClock;                           // since they were last shown
    bool m_httpCompleted = false;  // HttpDone ran for this GET
    bool m_httpEnding = false;     // inside HttpDocEnd
    qint64 m_httpRangeStart = -1;  // first byte of the reply's Content-Range
    qint64 m_httpHeadSize = 0;     // the size the HEAD announced
    bool m_httpCreated = false;    // this download made the local file
    bool m_httpReplyMoves = false; // the reply being read carries a Location
    bool m_recordIsNew = false;    // this Download wrote the file's record first

    // ---- FTP transfer (AskerFtp.cpp) ----
public:
    // The FTP client with its design-time settings; a transfer sets the
    // host, port, login, directory, file names, type and passive mode.
    std::unique_ptr<TFtpClient> ftp = MakeFtpClient();
    void ftpDisplay(TFtpClient* Sender, QString& Msg);
    void ftpProgress(TFtpClient* Sender, qint64 Count, bool& Abort);
    void ftpRequestDone(TFtpClient* Sender, TFtpRequest RqType, quint16 Error);
    void FTPDone();

private:
    std::unique_ptr<TFtpClient> MakeFtpClient();
    bool FtpCall(bool (TFtpClient::*call)());
    bool FtpWaitReady();
    void FtpFinishSession();
    void FtpFailed(quint16 error, const QString& reply);
    void FtpFailed(const QString& logLine);
    bool FtpChangeFolder(const TFtpTarget& address);
    void FtpShowCount(qint64 count, bool force);
    void FtpCompleteUnannounced();
    void FtpTransferEnded(bool done);
    void FtpRequestEnded(TFtpRequest request, bool done);
    bool m_ftpSizeKnown = false;  // the 150 reply announced the size
    qint64 m_ftpCount = 0;        // bytes of the file so far
    bool m_ftpCounting = false;   // an FTP transfer runs: the statistics may need m_ftpCount
    bool m_ftpInTransfer = false;  // the RETR of GetFTP runs
    bool m_ftpTransferEnded = false; // ... and FtpTransferEnded has run for it
    bool m_ftpExisted = false;    // the local file was there before the RETR
    qint64 m_ftpShownCount = -1;  // what "Bytes So Far" shows
    QElapsedTimer m_ftpLabelClock;
    int m_ftpReports = 0;         // request ends reported by the client

private:
    // Called by AbortDownload: ask the clients to stop (exceptions ignored),
    // HTTP first; the HTTP side waits until its client is idle.
    void HttpAbort();
    void FtpAbort();
    // Called by FormClose: wait until each client is idle, then destroy it.
    void HttpShutdown();
    void FtpShutdown();
    // ===== end of transfer state =============================================
};

// The newest download dialog, as the manager window's message 3027 expects.
extern TfrmAsker* frmAsker;

} // namespace flk
