// The FTP transfer of the download dialog: one file fetched with the
// dialog's own FTP client through its synchronous calls, which pump the
// dialog's messages while they wait, so Abort, the timers and the client's
// events run meanwhile.
#include "Asker.h"

#include "AnotherGauge.h"
#include "Dialogs.h"
#include "PumpGuard.h"
#include "RinGauge.h"
#include "Shell.h"
#include "Url.h"
#include "VVNavigatorGauge.h"

#include <QComboBox>
#include <QCheckBox>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <chrono>

namespace flk {
namespace {

// Design-time settings of the dialog's client.
const QString kFtpPort = QStringLiteral("21");
const QString kFtpUser = QStringLiteral("anonymous");
const QString kFtpPassWord = QStringLiteral("fetchlark@example.org");
constexpr int kFtpTimeout = 30;

// How often "Bytes So Far" follows the byte count while data streams in;
// the count itself is kept for every block.
constexpr qint64 kCountLabelMs = 100;

const QString kNoResumeText = QStringLiteral(
    "A partial copy of this file exists on your system already, however this site does not permit download "
    "resuming.  Would you like to restart the download from the beginning?");

// The byte count of a 150 reply: the text after the first "(" up to
// " bytes". Negative when the reply does not carry one.
qint64 OpeningReplySize(const QString& line)
{
    const qsizetype open = line.indexOf(u'(');
    if (open < 0)
        return -1;
    const qsizetype bytes = line.indexOf(QLatin1String(" bytes"), open + 1);
    if (bytes < 0)
        return -1;
    bool ok = false;
    const qint64 size = line.mid(open + 1, bytes - open - 1).trimmed().toLongLong(&ok);
    return ok && size >= 0 ? size : -1;
}

// Milliseconds of the steady clock, as the statistics read it.
quint64 SteadyTick()
{
    using namespace std::chrono;
    return quint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Runs messages for `ms` milliseconds.
void PumpFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

std::unique_ptr<TFtpClient> TfrmAsker::MakeFtpClient()
{
    auto client = std::make_unique<TFtpClient>();
    client->Timeout = kFtpTimeout;
    client->MultiThreaded = true;
    client->Port = kFtpPort;
    client->UserName = kFtpUser;
    client->PassWord = kFtpPassWord;
    client->Binary = false;
    client->ShareMode = ftpShareDenyNone;
    client->DisplayFlag = false;
    client->DisplayFileFlag = false;
    client->OnDisplay = [this](TFtpClient* sender, QString& msg) { ftpDisplay(sender, msg); };
    client->OnProgress = [this](TFtpClient* sender, qint64 count, bool& abort) { ftpProgress(sender, count, abort); };
    client->OnRequestDone = [this](TFtpClient* sender, TFtpRequest rq, quint16 error) {
        ftpRequestDone(sender, rq, error);
    };
    return client;
}

// ---------------------------------------------------------------------------
// The transfer

void TfrmAsker::GetFTP(bool resumeAllowed)
{
    const PumpGuard alive(this);
    NoFollowUp = false;
    cmdOK->setText(kBusyCaption);
    cmdOK->setIcon(imgAbort);

    ftp->LocalFileName = TargetPath();
    ftp->PassiveMode = true;
    // The address carries the server's names escaped ("%20" for a space).
    ftp->HostFileName = Url::PercentDecoded(RemoteFileName);
    const TFtpTarget address = Url::SplitFtpBase(UrlBase);
    ftp->HostName = address.HostName;
    ftp->HostDirName = address.HostDirName;
    ftp->Port = address.Port.isEmpty() ? kFtpPort : address.Port;
    if (address.UserName.isEmpty()) {
        ftp->UserName = kFtpUser;
        ftp->PassWord = kFtpPassWord;
    } else {
        ftp->UserName = address.UserName;
        ftp->PassWord = address.PassWord.isEmpty() ? kFtpPassWord : address.PassWord;
    }
    m_ftpSizeKnown = false;
    m_ftpShownCount = -1;

    ProcessMessages();
    FtpCall(&TFtpClient::ConnectSync);
    if (!alive)
        return;
    if (!FtpChangeFolder(address))
        return;
    ftp->Binary = true;
    FtpCall(&TFtpClient::TypeSetSync);
    if (!alive)
        return;

    Aborted = false;
    BytesAtLastTick = 0;
    m_statsFrom = -1; // the first count of the transfer (its restart offset) sets it
    tmrDLSpeed->start();
    if (NoFollowUp || Aborted) {
        // Nothing will be transferred: the figures stop with it.
        tmrDLSpeed->stop();
        return;
    }

    FtpFinished = false;
    StartTick = SteadyTick();
    gActive->SetActive(true);
    m_ftpExisted = QFileInfo::exists(ftp->LocalFileName);
    m_ftpCount = 0;
    m_ftpCounting = true;
    // Another dialog's transfer may run inside this one's wait, which then
    // returns only after it: the end of the RETR, reported by the client,
    // finishes the download then (ftpRequestDone); here only when it has not.
    m_ftpInTransfer = true;
    m_ftpTransferEnded = false;
    const bool done = FtpCall(resumeAllowed ? &TFtpClient::RestGetSync : &TFtpClient::GetSync);
    if (alive && !m_ftpTransferEnded)
        FtpTransferEnded(done);
}

// The rest of the download once the RETR has ended, well (`done`) or not.
void TfrmAsker::FtpTransferEnded(bool done)
{
    const PumpGuard alive(this);
    m_ftpTransferEnded = true;
    m_ftpInTransfer = false;
    m_ftpCounting = false;
    const qint64 size = QFileInfo(ftp->LocalFileName).size();
    if (done && !FtpFinished && m_ftpSizeKnown && size < ExpectedSize) {
        // The server said the transfer was complete; the file says otherwise.
        FtpFailed(QStringLiteral("Failed : the server sent %1 of %2 bytes; the partial file is kept")
                      .arg(size)
                      .arg(ExpectedSize));
    } else if (done && !FtpFinished) {
        // The transfer ended well without the progress reaching the size
        // (none was announced, or no block followed the last one).
        FtpCompleteUnannounced();
        FTPDone();
    }
    if (!alive)
        return;
    if (!FtpFinished && !m_ftpExisted && size == 0)
        QFile::remove(ftp->LocalFileName); // made by this transfer, and nothing came
    tmrDLSpeed->stop();
    if (!isVisible())
        return;
    if (RestartFtp) {
        // The nested run of a restart: the outer run finishes the job.
        RestartFtp = false;
        m_ftpTransferEnded = false;
        return;
    }
    FtpFinishSession();
}

// After a transfer: open the file, say goodbye, close, and exit when asked to.
void TfrmAsker::FtpFinishSession()
{
    const PumpGuard alive(this);
    try {
        if (cbOpenWhen->currentIndex() == 1 && !NoFollowUp && !Aborted)
            Shell::instance().open(ftp->LocalFileName);
        ProcessMessages();
        if (!alive)
            return;
        // A goodbye that goes wrong does not spoil a finished download.
        ftp->QuitSync();
        ProcessMessages();
        if (!alive)
            return;
        ftp->AbortSync();
        FtpWaitReady();
        if (!alive)
            return;
        PumpFor(500);
        if (!alive)
            return;
        if (!NoFollowUp && cbClose->isChecked())
            Button2->click();
    } catch (...) {
    }
}

// The folder of the address. An anonymous login sees the server's root, and
// the folder is one absolute CWD. A named login starts in its own folder,
// which the path is relative to: one CWD per folder ("%2F" first: the root).
// False when the dialog is gone.
bool TfrmAsker::FtpChangeFolder(const TFtpTarget& address)
{
    const PumpGuard alive(this);
    if (address.UserName.isEmpty()) {
        FtpCall(&TFtpClient::CwdSync);
        return bool(alive);
    }
    QStringList steps = address.Folders;
    if (address.FromRoot)
        steps.prepend(QStringLiteral("/"));
    for (const QString& folder : steps) {
        ftp->HostDirName = folder;
        FtpCall(&TFtpClient::CwdSync);
        if (!alive)
            return false;
        if (NoFollowUp)
            break;
    }
    return true;
}

bool TfrmAsker::FtpCall(bool (TFtpClient::*call)())
{
    const PumpGuard alive(this);
    const int reportsBefore = m_ftpReports;
    bool ok = false;
    try {
        ok = (ftp.get()->*call)();
    } catch (...) {
    }
    // The end of the request is posted: let it arrive before going on.
    ProcessMessages();
    if (!alive)
        return ok;
    if (!ok && m_ftpReports == reportsBefore && !NoFollowUp && ftp->RequestResult() != 0) {
        // A call that gave up waiting ("426 Timeout") reports no end of its
        // own; it is a failed step all the same.
        FtpFailed(ftp->RequestResult(), ftp->ErrorMessage());
    }
    return ok;
}

bool TfrmAsker::FtpWaitReady()
{
    if (!ftp || ftp->State() == ftpReady)
        return true;
    // Bounded by the client's own time-out, so a silent server cannot hold
    // the dialog.
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(200);
    const PumpGuard alive(this);
    while (alive && ftp && ftp->State() != ftpReady) {
        if (clock.elapsed() >= qint64(kFtpTimeout) * 1000) {
            ftp->AbortSync();
            break;
        }
        PumpOnce();
    }
    return alive.alive();
}

// ---------------------------------------------------------------------------
// The client's events

void TfrmAsker::ftpDisplay(TFtpClient* Sender, QString& Msg)
{
    (void)Sender;
    AddLog(Msg);
    if (Msg.contains(QLatin1String("< 150"))) {
        const qint64 size = OpeningReplySize(Msg);
        if (size >= 0) {
            ExpectedSize = size;
            m_ftpSizeKnown = true;
            dg->SetMax(ExpectedSize);
            lblFileSize->setText(QString::number(ExpectedSize) + QStringLiteral(" bytes"));
        } else {
            // No size announced: the gauge cannot show a share of an unknown
            // whole; the byte count still runs and the end comes with 226.
            lblFileSize->setText(QStringLiteral("?"));
        }
    }
    if (Msg.contains(QLatin1String("< 226"))) {
        FtpShowCount(m_ftpCount, true);
        EndDownload();
    }
}

void TfrmAsker::ftpProgress(TFtpClient* Sender, qint64 Count, bool& Abort)
{
    (void)Sender;
    (void)Abort;
    m_ftpCount = Count;
    if (m_statsFrom < 0) {
        // The part already on disk did not come now: the figures count from it.
        BytesAtLastTick = m_statsFrom = Count;
    }
    if (!m_ftpSizeKnown) {
        FtpShowCount(Count, false);
        return;
    }
    // The gauge refuses a value above its Max and keeps the old one.
    if (Count <= dg->Max() && Count >= dg->Min())
        dg->SetValue(Count);
    const bool full = dg->Value() >= dg->Max();
    FtpShowCount(Count, full);
    if (full)
        FTPDone();
}

// "Bytes So Far": set when its text changes, at most every kCountLabelMs
// while blocks stream in, and always when `force`.
void TfrmAsker::FtpShowCount(qint64 count, bool force)
{
    if (count == m_ftpShownCount || count < 0)
        return;
    if (!force && m_ftpShownCount >= 0 && m_ftpLabelClock.isValid() && m_ftpLabelClock.elapsed() < kCountLabelMs)
        return;
    m_ftpShownCount = count;
    m_ftpLabelClock.start();
    lbldlbytes->setText(QString::number(count));
}

// The file is complete though no size was announced: its size on disk is
// the whole, and the figures say so.
void TfrmAsker::FtpCompleteUnannounced()
{
    const qint64 size = QFileInfo(ftp->LocalFileName).size();
    m_ftpCount = size;
    FtpShowCount(size, true);
    if (m_ftpSizeKnown)
        return;
    ExpectedSize = size;
    dg->SetMax(size);
    if (size >= dg->Min())
        dg->SetValue(size);
    lblFileSize->setText(QString::number(size) + QStringLiteral(" bytes"));
    lblETA->setText(QStringLiteral("Complete"));
}

void TfrmAsker::FTPDone()
{
    if (FtpFinished)
        return;
    FtpFinished = true;
    lblPercent->setText(QStringLiteral("% of Potential Speed"));
    gSpeed->SetProgress(0);
    tmrDLSpeed->stop();
    PageControl1->unsetCursor();
    if (!Aborted) {
        BringToFront();
        const QString path = ftp->LocalFileName;
        PromptComplete(path);
        if (cbAutoScan->isChecked())
            VirusScan(path);
        if (cbOpenWhen->currentIndex() == 1)
            FileExec(path);
        ProcessMessages();
    }
    if (ListBox1->count() > 0)
        ListBox1->setCurrentRow(ListBox1->count() - 1);
}

void TfrmAsker::ftpRequestDone(TFtpClient* Sender, TFtpRequest RqType, quint16 Error)
{
    (void)Sender;
    (void)RqType;
    ++m_ftpReports;
    if (Error == 0) {
        FtpRequestEnded(RqType, true);
        return;
    }
    const PumpGuard alive(this);
    Aborted = true;
    ProcessMessages();
    if (!alive)
        return;
    if (Error != 504) {
        FtpFailed(Error, ftp->LastReply());
        if (alive)
            FtpRequestEnded(RqType, false);
        return;
    }
    AddLog(QStringLiteral("Site does not permit download resuming."));
    const int answer =
        Dialogs::message(kNoResumeText, QStringLiteral("Can't resume download"), MB_YESNO, MB_ICONQUESTION, this);
    if (!alive)
        return;
    AbortDownload();
    if (answer != IDYES)
        return;
    ProcessMessages();
    if (!alive || !FtpWaitReady())
        return;
    RestartFtp = true;
    GetFTP(false);
}

void TfrmAsker::FtpRequestEnded(TFtpRequest request, bool done)
{
    // A restart's nested run ends in its own wait, as the outer run expects.
    if ((request == ftpGetAsync || request == ftpRestGetAsync) && m_ftpInTransfer && !m_ftpTransferEnded
        && !RestartFtp && ftp->State() == ftpReady)
        FtpTransferEnded(done);
}

void TfrmAsker::FtpFailed(quint16 error, const QString& reply)
{
    FtpFailed(QStringLiteral("FTP Error#") + QString::number(error) + QStringLiteral(" - last Response was: '")
              + reply + QStringLiteral("'"));
}

void TfrmAsker::FtpFailed(const QString& logLine)
{
    AddLog(logLine);
    Aborted = true;
    NoFollowUp = true;
    AbortDownload();
}

// ---------------------------------------------------------------------------
// Abort and close

void TfrmAsker::FtpAbort()
{
    if (ftp)
        ftp->AbortSync();
}

void TfrmAsker::FtpShutdown()
{
    // The client goes with the dialog; here it only has to be at rest, with
    // its connections and local file closed.
    if (!FtpWaitReady() || !ftp)
        return;
    ftp->AbortSync();
}

} // namespace flk
