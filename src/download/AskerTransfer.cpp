// The download dialog as a view of its transfer: Download starts a
// TTransferJob (HTTP or FTP by the address's scheme), the job's reports
// become the log, the gauges and the figures, its questions become boxes
// (posted, never opened inside a network event), and its end becomes the
// completion actions: the prompt, the scan, the opening and the auto-exit.
#include "Asker.h"

#include "AskerHost.h"

#include "Dialogs.h"
#include "FtpTransfer.h"
#include "HttpTransfer.h"
#include "PumpGuard.h"
#include "RateLimit.h"
#include "RecordFile.h"
#include "Settings.h"
#include "Shell.h"
#include "Url.h"

#include "AnotherGauge.h"
#include "RinGauge.h"
#include "VVNavigatorGauge.h"

#include <QComboBox>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cmath>

namespace flk {

namespace {

constexpr int kOpenImmediatelyIndex = 1;
// How often "Packet Size" and "Bytes So Far" follow the blocks: every new
// text costs a repaint, and blocks come by the thousand each second.
constexpr qint64 kFiguresMs = 100;

const QString kNoResumeText = QStringLiteral(
    "A partial copy of this file exists on your system already, however this site does not permit download "
    "resuming.  Would you like to restart the download from the beginning?");

qint64 RoundEven(double v)
{
    return static_cast<qint64>(std::nearbyint(v));
}

void SetText(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

// Milliseconds as a time of day "hh:nn:ss"; a day or more wraps.
QString TimeOfDay(qint64 ms)
{
    const qint64 secs = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg((secs / 3600) % 24, 2, 10, QLatin1Char('0'))
        .arg((secs / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(secs % 60, 2, 10, QLatin1Char('0'));
}

// The pattern "###": a whole number, nothing at all for 0.
QString HashPattern(double v)
{
    const qint64 n = static_cast<qint64>(std::round(v));
    return n == 0 ? QString() : QString::number(n);
}

// The gauge refuses a value outside its range and keeps the old one.
void SetGauge(TAnotherGauge* gauge, qint64 value)
{
    try {
        gauge->SetValue(value);
    } catch (const ERangeError&) {
    }
}

} // namespace

quint64 TfrmAsker::TickCount()
{
    using namespace std::chrono;
    return static_cast<quint64>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The address's scheme decides the transfer (http and https: HTTP, any other
// scheme: FTP); the protocol of the opener decides for an address without one.
bool TfrmAsker::HttpTransfer() const
{
    const bool hasScheme = SourceUrl.contains(QLatin1String("://"));
    return Url::TransferFor(hasScheme ? Url::SplitUrl(SourceUrl).Proto : Protocol) == TTransfer::Http;
}

// ---------------------------------------------------------------------------
// Starting

void TfrmAsker::GetHTTP()
{
    SetBusy();
    PageControl1->setCursor(Qt::BusyCursor);
    Label8->show();
    pnlPacketSize->show();
    RedirectPending = false;
    ExpectedSize = 0;
    ResumeOffset = 0;
    LocalPath = TargetPath();
    auto* job = new THttpTransfer(SourceUrl, LocalPath, this, this);
    job->Client().Timeout = HttpTimeout;
    job->SetSession({SessionCookie, SessionReferer, SessionAgent});
    job->SetProxyRules(ProxyRules);
    job->SetConnections(Settings::Connections());
    m_jobIsHttp = true;
    StartJob(job);
}

void TfrmAsker::GetFTP(bool resumeAllowed)
{
    SetBusy();
    LocalPath = TargetPath();
    auto* job = new TFtpTransfer(UrlBase, RemoteFileName, LocalPath, resumeAllowed, this, this);
    job->Timeout = FtpTimeout;
    job->SetProxyRules(ProxyRules);
    FtpFinished = false;
    m_jobIsHttp = false;
    StartJob(job);
}

void TfrmAsker::StartJob(TTransferJob* job)
{
    DropJob();
    m_job = job;
    NoFollowUp = false;
    // A download after an Abort in this dialog is a fresh start: it opens
    // when done like any other.
    Aborted = false;
    m_failedWithoutFile = false;
    m_sizeKnown = false;
    m_count = 0;
    m_statsFrom = 0;
    m_shownCount = -1;
    m_figuresClock.invalidate();
    BytesAtLastTick = 0;
    StartTick = TickCount();
    gActive->SetActive(true);
    ApplySpeedLimits(job);
    job->Start();
}

// The download reads through its own limit (the Advanced page's field) and
// through the one of all downloads (the options), which the tray window owns.
void TfrmAsker::ApplySpeedLimits(TTransferJob* job)
{
    job->RateLimit().SetRate(qint64(spnSpeedLimit->value()) * 1024);
    if (AskerHost* host = AskerHost::instance()) {
        TRateLimit& all = host->AllDownloadsLimit();
        all.SetRate(qint64(std::max(Settings::SpeedLimit(), 0)) * 1024);
        job->RateLimit().SetParent(&all);
    }
    ShowSpeed();
}

void TfrmAsker::SpeedLimitChange()
{
    if (m_job)
        m_job->RateLimit().SetRate(qint64(spnSpeedLimit->value()) * 1024);
    ShowSpeed();
}

void TfrmAsker::ShowSpeed()
{
    const qint64 limit = m_job && !m_job->Finished() ? m_job->RateLimit().EffectiveRate() : 0;
    // On a line of its own: the figures' column is narrow.
    SetText(lblSpeed, limit > 0 ? QStringLiteral("%1\n(limit %2 KiB/s)").arg(m_speedText).arg(limit / 1024)
                                : m_speedText);
}

void TfrmAsker::DropJob()
{
    if (!m_job)
        return;
    m_job->Detach();
    m_job->Abort();
    m_job->deleteLater();
    m_job = nullptr;
}

// ---------------------------------------------------------------------------
// What the transfer reports

void TfrmAsker::TransferLog(const QString& line)
{
    AddLog(line);
}

void TfrmAsker::TransferMoved(const QString& url)
{
    SourceUrl = url;
    Protocol = Url::ProtocolBeforeSlash(url);
    edtSource->setEditText(url);
    // The record's source is the address the file now comes from.
    SaveDownloadInfo();
}

// The server named the file before it was opened: a name the user did not
// choose gives way to it, and the record moves with the name.
QString TfrmAsker::TransferNamed(const QString& name)
{
    if (!m_nameFromAddress || name == edtName->text())
        return QString();
    const QString before = edtName->text();
    edtName->setText(name);
    if (!FileNameProblem().isEmpty()) {
        edtName->setText(before);
        return QString();
    }
    edtName->setText(before);
    DropNewRecord();
    edtName->setText(name);
    m_nameFromAddress = false;
    m_recordIsNew = FindRecord(name).isEmpty();
    SaveDownloadInfo();
    AddLog(QStringLiteral("Fetchlark:  The server names the file %1").arg(name));
    LocalPath = TargetPath();
    return LocalPath;
}

void TfrmAsker::TransferSized(qint64 total, qint64 from)
{
    m_sizeKnown = total >= 0;
    ExpectedSize = std::max<qint64>(total, 0);
    ResumeOffset = from;
    if (m_sizeKnown) {
        dg->SetMax(total);
        SetGauge(dg, from);
        SetText(lblFileSize, QStringLiteral("%1 bytes").arg(total));
    } else {
        // No size announced: the gauge cannot show a share of an unknown
        // whole; the byte count still runs.
        SetText(lblFileSize, QStringLiteral("?"));
    }
    SetText(lbldlbytes, QString::number(from));
    m_shownCount = from;
    m_count = from;
    // The part already on disk did not come now: the speed, the average and
    // the time to arrival count from it.
    BytesAtLastTick = m_statsFrom = from;
    StartTick = TickCount();
    tmrDLSpeed->start();
}

void TfrmAsker::TransferProgress(qint64 bytes, qint64 block)
{
    m_count = bytes;
    if (m_sizeKnown && bytes <= dg->Max())
        SetGauge(dg, bytes);
    ShowFigures(block, bytes, m_sizeKnown && bytes >= dg->Max());
}

// "Packet Size" (HTTP only) and "Bytes So Far" follow the blocks at most
// every kFiguresMs; the last block and the end always show.
void TfrmAsker::ShowFigures(qint64 block, qint64 count, bool force)
{
    if (!force && m_figuresClock.isValid() && m_figuresClock.elapsed() < kFiguresMs)
        return;
    m_figuresClock.start();
    if (m_jobIsHttp && block >= 0)
        SetText(lblPacketSize, QString::number(block));
    if (count != m_shownCount) {
        m_shownCount = count;
        SetText(lbldlbytes, QString::number(count));
    }
}

// A question is a box, and a box runs a message loop: it opens after the
// transfer's event has returned, and its answer goes back as an event.
void TfrmAsker::TransferAsk(TTransferQuestion question)
{
    QTimer::singleShot(0, this, [this, question] { AskQuestion(question); });
}

void TfrmAsker::AskQuestion(TTransferQuestion question)
{
    const QPointer<TTransferJob> job(m_job);
    if (!job)
        return;
    int answer = IDNO;
    const PumpGuard alive(this);
    if (question == TTransferQuestion::ReDownloadComplete)
        answer = Dialogs::message(QStringLiteral("Complete file exists already, would you like to re-download?"),
                                  QStringLiteral("File Exists"), MB_YESNO, MB_ICONNONE, this, IDNO);
    else
        answer = Dialogs::message(kNoResumeText, QStringLiteral("Can't resume download"), MB_YESNO,
                                  MB_ICONQUESTION, this);
    if (alive && job && job == m_job)
        job->Answer(answer == IDYES);
}

void TfrmAsker::TransferEnded(const TTransferEnd& end)
{
    tmrDLSpeed->stop();
    ShowSpeed(); // no limit holds a download that ended
    gActive->SetActive(false);
    PageControl1->unsetCursor();
    switch (end.outcome) {
    case TTransferOutcome::MovedToFtp:
        HandOverToFtp(end.url);
        return;
    case TTransferOutcome::Declined:
        AbortDownload();
        EndDownload();
        return;
    case TTransferOutcome::Failed:
        TransferFailed(end);
        return;
    case TTransferOutcome::Complete:
        TransferCompleted(end);
        return;
    }
}

void TfrmAsker::HandOverToFtp(const QString& url)
{
    RedirectPending = false;
    SourceUrl = url;
    Protocol = Url::ProtocolBeforeSlash(url);
    const QString name = Url::FileName(url);
    UrlBase = Url::WithoutName(url, name);
    RemoteFileName = name;
    edtSource->setEditText(UrlBase + name);
    SaveDownloadInfo();
    GetFTP(true);
}

void TfrmAsker::TransferFailed(const TTransferEnd& end)
{
    if (m_count > 0)
        ShowFigures(-1, m_count, true);
    AddLog(end.logLine);
    NoFollowUp = true;
    // A download that left no file must not leave a record saying it came.
    m_failedWithoutFile = !QFileInfo::exists(LocalPath);
    if (m_failedWithoutFile)
        DropNewRecord();
    if (end.message.isEmpty()) {
        Aborted = !m_jobIsHttp; // an FTP failure ends like an Abort
        EndDownload();
        return;
    }
    const PumpGuard alive(this);
    BringToFront();
    Dialogs::showMessage(end.message, this);
    if (alive)
        AbortDownload();
}

void TfrmAsker::TransferCompleted(const TTransferEnd& end)
{
    if (!m_jobIsHttp)
        FtpFinished = true;
    if (!m_sizeKnown) {
        // The file is complete though no size was announced: its size on
        // disk is the whole, and the figures say so.
        m_sizeKnown = true;
        ExpectedSize = end.size;
        dg->SetMax(end.size);
        SetText(lblFileSize, QStringLiteral("%1 bytes").arg(end.size));
    }
    m_count = end.size;
    if (dg->Value() != end.size)
        SetGauge(dg, end.size);
    ShowFigures(-1, end.size, true);
    lblPercent->setText(QStringLiteral("% of Potential Speed"));
    gSpeed->SetProgress(0);
    EndDownload();

    const PumpGuard alive(this);
    const QString path = LocalPath;
    BringToFront();
    PromptComplete(path);
    if (!alive)
        return;
    if (cbAutoScan->isChecked())
        VirusScan(path);
    const bool openIt = cbOpenWhen->currentIndex() == kOpenImmediatelyIndex;
    if (openIt)
        FileExec(path);
    if (openIt && !NoFollowUp && !Aborted)
        Shell::instance().open(path);
    if (cbClose->isChecked() && !NoFollowUp)
        Button2->click();
}

void TfrmAsker::DropNewRecord()
{
    if (!m_recordIsNew)
        return;
    m_recordIsNew = false;
    const QString record = FindRecord(edtName->text());
    if (!record.isEmpty())
        RecordFile(FolderFile()).eraseRecord(record);
}

// ---------------------------------------------------------------------------
// Statistics

void TfrmAsker::tmrDLSpeedTimer()
{
    SpeedTick(TickCount());
}

void TfrmAsker::SpeedTick(quint64 now)
{
    // Without a known whole the gauge has nothing to show a share of: the
    // figures count the bytes themselves, and the time to arrival stays
    // unknown.
    const bool unsized = m_job && !m_sizeKnown;
    const qint64 value = unsized ? m_count : dg->Value();
    const qint64 max = dg->Max();
    const qint64 r = RoundEven((value - BytesAtLastTick) * 0.2);
    m_speedText = QStringLiteral("%1 bps").arg(r * 10);
    ShowSpeed();
    gSpeed->SetProgress(r * 10);
    SetText(lblPercent, HashPattern(static_cast<double>(r) / gSpeed->Max() * 1000)
                            + QStringLiteral("% of Potential Speed"));
    BytesAtLastTick = value;
    if (value == 0)
        return;
    const qint64 elapsed = static_cast<qint64>(now - StartTick);
    if (elapsed <= 0)
        return;
    const qint64 came = value - std::max<qint64>(m_statsFrom, 0); // bytes of this transfer
    const qint64 rate = came / elapsed;
    if (rate <= 0)
        return; // under 1000 bytes a second: the figures keep their text
    if (!unsized)
        SetText(lblETA, TimeOfDay((max - value) / rate));
    SetText(lblAverage, QStringLiteral("%1 bps").arg(RoundEven(static_cast<double>(came) / elapsed) * 10000));
}

} // namespace flk
