// The HTTP transfer of the download dialog: HEAD for the size, the local
// file (new, continued or fetched again), GET straight into the file with the
// gauges and figures, redirects by restarting on the new address, and the
// completion actions. The statistics tick serves the FTP transfer too.
#include "Asker.h"

#include "Dialogs.h"
#include "FileStream.h"
#include "Messages.h"
#include "PumpGuard.h"
#include "RecordFile.h"
#include "Shell.h"
#include "Url.h"
#include "WSocket.h"

#include "AnotherGauge.h"
#include "RinGauge.h"
#include "VVNavigatorGauge.h"

#include <QComboBox>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace flk {

namespace {

constexpr int kOpenImmediatelyIndex = 1;
constexpr qint64 kFiguresMs = 100;

qint64 RoundEven(double v)
{
    return static_cast<qint64>(std::nearbyint(v));
}

// Labels change for every block: hand them a text only when it differs.
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

// The first byte of a "bytes first-last/total" value; -1 when unreadable.
qint64 RangeStart(const QString& value)
{
    QString v = value.trimmed();
    if (v.startsWith(QLatin1String("bytes"), Qt::CaseInsensitive))
        v = v.mid(5).trimmed();
    if (v.startsWith(QLatin1Char('=')))
        v = v.mid(1).trimmed();
    const qsizetype dash = v.indexOf(QLatin1Char('-'));
    bool ok = false;
    const qint64 first = dash > 0 ? v.left(dash).trimmed().toLongLong(&ok) : -1;
    return ok && first >= 0 ? first : -1;
}

} // namespace

quint64 TfrmAsker::TickCount()
{
    using namespace std::chrono;
    return static_cast<quint64>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// ---------------------------------------------------------------------------
// The sequence

void TfrmAsker::WireHttp()
{
    if (Http.OnHeaderData)
        return;
    Http.SetMultiThreaded(true);
    Http.OnHeaderData = [this](THttpCli*) { HttpHeaderData(); };
    Http.OnHeaderBegin = [this](THttpCli*) { HttpHeaderBegin(); };
    Http.OnHeaderEnd = [this](THttpCli*) { HttpHeaderEnd(); };
    Http.OnDocBegin = [this](THttpCli*) { HttpDocBegin(); };
    // A null block was moved into the file already; a copied one is written
    // after this event, and the completion waits for that (HttpWritten).
    Http.OnDocData = [this](THttpCli*, const char* data, int len) { HttpDocData(len, data == nullptr); };
    Http.OnDocEnd = [this](THttpCli*) { HttpDocEnd(); };
    Http.OnLocationChange = [this](THttpCli*) { HttpLocationChange(); };
    Http.OnStateChange = [this](THttpCli*) { HttpStateChange(); };
    Http.OnRequestDone = [this](THttpCli*, THttpRequest request, quint16) { HttpRequestDone(request); };
}

// A server that accepts and then says nothing shows in the log as such
// (the client gives up after its Timeout).
void TfrmAsker::HttpStateChange()
{
    if (Http.ClientState() == httpConnecting) {
        const TUrlParts u = Url::SplitUrl(Http.CurrentUrl());
        AddLog(QStringLiteral("Fetchlark:  Connecting to %1:%2")
                   .arg(u.Host, u.Port.isEmpty() ? Url::DefaultPort(u.Proto) : u.Port));
    } else if (Http.ClientState() == httpWaitingHeader) {
        AddLog(QStringLiteral("Fetchlark:  Waiting for the server"));
    }
}

void TfrmAsker::GetHTTP()
{
    const PumpGuard alive(this);
    WireHttp();
    SetBusy();
    Http.URL = SourceUrl;
    if (!alive.ProcessMessages())
        return;
    PageControl1->setCursor(Qt::BusyCursor);
    Label8->show();
    pnlPacketSize->show();
    PerformHttpDownload();
    if (!alive || m_httpGetStarted)
        return; // the end of the GET finishes the download (HttpGetEnded)
    HttpFollowUp();
}

void TfrmAsker::HttpFollowUp()
{
    const PumpGuard alive(this);
    PageControl1->unsetCursor();
    if (!alive.ProcessMessages())
        return;
    if (m_httpToFtp) {
        // The FTP transfer has run to its end and done its own follow-up.
        m_httpToFtp = false;
        return;
    }
    if (cbClose->isChecked() && !NoFollowUp)
        Button2->click();
}

void TfrmAsker::PerformHttpDownload()
{
    NoFollowUp = false;
    RedirectPending = false;
    // A download after an Abort in this dialog is a fresh start: it opens
    // when done like any other.
    Aborted = false;
    ExpectedSize = 0;
    m_httpSizeSeen = false;
    m_httpInGet = false;
    m_httpToFtp = false;
    m_httpRangeRefused = false;
    m_httpDoneDue = false;
    m_httpCompleted = false;
    m_httpGetStarted = false;
    // A Range is set below for a resume only; a reply's Content-Range from an
    // earlier download must not leak into these requests.
    Http.ContentRangeBegin.clear();
    Http.ContentRangeEnd.clear();
    Http.ReceiveStream = nullptr;
    Http.URL = SourceUrl;

    const PumpGuard alive(this);
    try {
        Http.HeadSync();
    } catch (const EHttpException& e) {
        if (!alive)
            return;
        if (!m_httpToFtp) {
            HttpFailed(QStringLiteral("Failed : %1 %2").arg(e.ErrorCode()).arg(e.Message()),
                       QStringLiteral("Download Failed\r\rServer Response : \"%1 %2\"")
                           .arg(e.ErrorCode())
                           .arg(e.Message()));
            return;
        }
    }
    if (!alive)
        return;
    if (m_httpToFtp) {
        HttpHandOverToFtp();
        return;
    }
    // The client has followed every redirection (at most kMaxRedirects, then
    // it fails above): the HEAD's last reply is the file's, and SourceUrl
    // its address.
    RedirectPending = false;
    if (!m_httpSizeSeen || ExpectedSize <= 0) {
        HttpFailed(QStringLiteral("Failed : the server did not announce the size of the file"),
                   QStringLiteral("Download Failed\r\rThe server did not announce the size of this file, "
                                  "so it cannot be downloaded."));
        return;
    }

    LocalPath = TargetPath();
    NoFollowUp = false;
    if (!OpenHttpFile())
        return;

    BytesAtLastTick = 0;
    m_statsFrom = 0;
    StartTick = TickCount();
    tmrDLSpeed->start();
    gActive->SetActive(true);
    // Nothing the HEAD left behind may speak for the GET.
    m_httpInGet = true;
    m_httpHeadSize = ExpectedSize;
    m_httpRangeRefused = false;
    m_httpDoneDue = false;
    m_httpCompleted = false;
    m_httpFigures = {-1, -1};
    Http.URL = SourceUrl;
    m_httpFiguresClock.invalidate();
    // Another dialog's transfer may run inside this one's wait, and this wait
    // returns only after it: the end of the GET, reported by the client,
    // finishes the download then (HttpRequestDone); here only when it has not.
    m_httpGetStarted = true;
    m_httpGetEnded = false;
    const quint64 get = ++m_httpGets;
    // Only this GET's end, not a later Download's in this dialog.
    const auto unfinished = [&] { return alive && get == m_httpGets && !m_httpGetEnded; };
    try {
        Http.GetSync();
    } catch (const EHttpException& e) {
        if (unfinished())
            HttpGetEnded(e.ErrorCode(), e.Message());
        return;
    }
    if (unfinished())
        HttpGetEnded(0, QString());
}

void TfrmAsker::HttpRequestDone(THttpRequest request)
{
    // The end of the HEAD is reported once the GET runs, under the GET's
    // name: only a client at rest has ended its GET.
    if (request != httpGET || !m_httpGetStarted || m_httpGetEnded || Http.ClientState() != httpReady)
        return;
    const int status = Http.ResponseStatus();
    HttpGetEnded(status >= 400 ? status : 0, Http.ResponseReason());
}

// The rest of the download once the GET has ended (`error` 0) or failed.
void TfrmAsker::HttpGetEnded(int error, const QString& reason)
{
    m_httpGetEnded = true;
    const PumpGuard alive(this);
    if (error == 0) {
        if (!m_httpCompleted && !m_httpRangeRefused && !Aborted && Http.ResponseStatus() < 300) {
            // The reply ended well but not at the size of the file: it is
            // not complete, whatever the server thinks.
            AddLog(QStringLiteral("Failed : the server sent %1 of %2 bytes; the partial file is kept")
                       .arg(dg->Value())
                       .arg(dg->Max()));
            NoFollowUp = true;
        }
    } else if (!m_httpRangeRefused) {
        AddLog(QStringLiteral("Failed : %1 %2").arg(error).arg(reason));
        // The file is not complete: neither open it nor leave the dialog.
        NoFollowUp = true;
    }
    m_httpInGet = false;
    if (m_httpFigures.count >= 0 && !m_httpRangeRefused)
        HttpShowFigures(m_httpFigures.packet, m_httpFigures.count, true);

    tmrDLSpeed->stop();
    const bool writeFailed = m_httpFile && m_httpFile->WriteFailed();
    CloseHttpFile();
    if (m_httpCreated && !m_httpCompleted && QFileInfo(LocalPath).size() == 0)
        QFile::remove(LocalPath); // made by this download, and nothing came
    if (m_httpRangeRefused) {
        HttpFailed(QStringLiteral("Failed : the server did not continue the file at byte %1 (it sent %2); "
                                  "the partial file is kept")
                       .arg(ResumeOffset)
                       .arg(m_httpRangeStart < 0 ? QStringLiteral("no byte range")
                                                 : QStringLiteral("from byte %1").arg(m_httpRangeStart)),
                   QStringLiteral("Download Failed\r\rThe server did not continue this file at byte %1. "
                                  "The partial file has been kept.")
                       .arg(ResumeOffset));
    } else if (writeFailed) {
        HttpFailed(QStringLiteral("Failed : could not write to %1").arg(LocalPath),
                   QStringLiteral("Download Failed\r\rCould not write to %1").arg(LocalPath));
    } else {
        // A GET that failed before any data never reached HttpDocEnd.
        if (IsBusy() && !RedirectPending)
            EndDownload();
        if (isVisible()) {
            PageControl1->setCursor(Qt::BusyCursor);
            if (!alive.ProcessMessages())
                return;
            try {
                if (m_httpCompleted && cbOpenWhen->currentIndex() == kOpenImmediatelyIndex && !NoFollowUp
                    && !Aborted)
                    Shell::instance().open(LocalPath);
            } catch (...) {
            }
        }
    }
    if (alive)
        HttpFollowUp();
}

void TfrmAsker::HttpFailed(const QString& logLine, const QString& message)
{
    AddLog(logLine);
    BringToFront();
    Dialogs::showMessage(message, this);
    AbortDownload();
    // A secure connection refused (certificate, protocol) downloads nothing:
    // a record this Download wrote would claim a file that never came.
    if (!Http.CtrlSocket()->TlsFailure().isEmpty() && !QFileInfo::exists(TargetPath()))
        DropNewRecord();
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

// The address's scheme decides the transfer (http and https: HTTP, any other
// scheme: FTP); the protocol of the opener decides for an address without one.
bool TfrmAsker::HttpTransfer() const
{
    const bool hasScheme = SourceUrl.contains(QLatin1String("://"));
    return Url::TransferFor(hasScheme ? Url::SplitUrl(SourceUrl).Proto : Protocol) == TTransfer::Http;
}

bool TfrmAsker::OpenHttpFile()
{
    CloseHttpFile();
    auto* file = new TFileStream(LocalPath, this);
    ResumeOffset = 0;
    m_httpCreated = !QFileInfo::exists(LocalPath);
    if (QFileInfo::exists(LocalPath)) {
        if (!file->OpenExisting()) {
            const QString why = file->ErrorText();
            delete file;
            HttpFailed(QStringLiteral("Failed : cannot open %1: %2").arg(LocalPath, why),
                       QStringLiteral("Download Failed\r\rCannot open %1").arg(LocalPath));
            return false;
        }
        ResumeOffset = file->size();
        if (ResumeOffset != 0) {
            if (ResumeOffset >= ExpectedSize) {
                const int answer = Dialogs::message(
                    QStringLiteral("Complete file exists already, would you like to re-download?"),
                    QStringLiteral("File Exists"), MB_YESNO, MB_ICONNONE, this, IDNO);
                if (answer != IDYES) {
                    AbortDownload();
                    EndDownload();
                    delete file;
                    return false;
                }
                ResumeOffset = 0;
                file->Truncate();
            }
            AddLog(QStringLiteral("Fetchlark:  Starting download at byte %1").arg(ResumeOffset));
            Http.ContentRangeBegin = QString::number(ResumeOffset);
            Http.ContentRangeEnd.clear();
        }
    } else if (!file->Create()) {
        const QString why = file->ErrorText();
        delete file;
        HttpFailed(QStringLiteral("Failed : cannot create %1: %2").arg(LocalPath, why),
                   QStringLiteral("Download Failed\r\rCannot create %1").arg(LocalPath));
        return false;
    }
    file->SeekToEnd();
    file->OnWritten = [this] { HttpWritten(); };
    m_httpFile = file;
    Http.ReceiveStream = file;
    return true;
}

void TfrmAsker::CloseHttpFile()
{
    Http.ReceiveStream = nullptr;
    if (!m_httpFile)
        return;
    m_httpFile->close();
    delete m_httpFile;
    m_httpFile = nullptr;
}

void TfrmAsker::HttpHandOverToFtp()
{
    RedirectPending = false;
    const QString name = Url::FileName(SourceUrl);
    UrlBase = Url::WithoutName(SourceUrl, name);
    RemoteFileName = name;
    edtSource->setEditText(UrlBase + name);
    SaveDownloadInfo();
    GetFTP(true);
}

// ---------------------------------------------------------------------------
// Events of the HTTP client

void TfrmAsker::HttpHeaderData()
{
    const QString line = Http.CurrentLine();
    AddLog(line);
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon <= 0 || line.startsWith(QLatin1String("HTTP/")))
        return;
    const QString name = line.left(colon).trimmed().toLower();
    const QString value = line.mid(colon + 1).trimmed();
    if (name == QLatin1String("location")) {
        RedirectPending = true;
        // The client has resolved the value against the address it came from.
        SourceUrl = Http.CurrentUrl();
        AddLog(QStringLiteral("Fetchlark is redirecting to: ") + SourceUrl);
        Protocol = Url::ProtocolBeforeSlash(SourceUrl);
        if (Protocol.compare(QLatin1String("ftp"), Qt::CaseInsensitive) == 0) {
            // The FTP transfer takes over once this request has ended; the
            // HTTP client must not follow an ftp address itself.
            m_httpToFtp = true;
            Http.AbortRequest();
        }
        m_httpReplyMoves = true;
    } else if (name == QLatin1String("content-range")) {
        m_httpRangeStart = RangeStart(value);
    }
}

void TfrmAsker::HttpLocationChange()
{
    edtSource->setEditText(SourceUrl);
    SaveDownloadInfo();
    // The client follows on by itself, within the same request: one layer,
    // one count of redirections per request.
    RedirectPending = false;
}

void TfrmAsker::HttpHeaderBegin()
{
    m_httpReplyMoves = false;
    m_httpRangeStart = -1;
}

// The whole header is in and no byte of the body has reached the file: the
// size is taken from it (the client trusts a chunked body's own length over
// a Content-Length), and a resumed GET is judged here, before the body.
void TfrmAsker::HttpHeaderEnd()
{
    if (m_httpReplyMoves)
        return; // the client follows the redirection; the next reply counts
    const qint64 announced = Http.AnnouncedLength();
    if (!m_httpInGet) {
        ExpectedSize = std::max<qint64>(announced, 0);
        m_httpSizeSeen = announced >= 0;
        return;
    }
    if (ResumeOffset > 0) {
        // Only a 206 that starts at our offset continues the file; a 200 is
        // the whole file, which replaces the partial one.
        const int status = Http.ResponseStatus();
        if (status == 206 && m_httpRangeStart != ResumeOffset) {
            m_httpRangeRefused = true;
            Http.ReceiveStream = nullptr;
            Http.AbortRequest();
            return;
        }
        if (status != 206) {
            AddLog(QStringLiteral("Fetchlark:  The server sent the whole file; starting again at byte 0"));
            if (m_httpFile)
                m_httpFile->Truncate();
            ResumeOffset = 0;
            BytesAtLastTick = 0;
        }
    }
    ExpectedSize = announced >= 0 ? announced : std::max<qint64>(m_httpHeadSize - ResumeOffset, 0);
}

void TfrmAsker::HttpDocBegin()
{
    if (m_httpRangeRefused)
        return;
    const qint64 total = ExpectedSize + ResumeOffset;
    dg->SetMax(total);
    try {
        dg->SetValue(ResumeOffset);
    } catch (const ERangeError&) {
    }
    SetText(lbldlbytes, QString::number(ResumeOffset));
    SetText(lblFileSize, QStringLiteral("%1 bytes").arg(total));
    // The part already on disk did not come now: the speed, the average and
    // the time to arrival count from it.
    BytesAtLastTick = m_statsFrom = ResumeOffset;
}

void TfrmAsker::HttpDocData(int len, bool inFile)
{
    if (m_httpRangeRefused)
        return;
    const qint64 value = dg->Value() + len;
    HttpShowFigures(len, value, value >= dg->Max());
    if (value > dg->Max())
        return; // the gauge keeps its last value
    dg->SetValue(value);
    if (value != dg->Max())
        return;
    if (inFile)
        HttpDone();
    else
        m_httpDoneDue = true;
}

// "Packet Size" and "Bytes So Far" follow the blocks at most every
// kFiguresMs: every new text costs a repaint, and blocks come by the
// thousand each second. The last block, and the end of the GET, always show.
void TfrmAsker::HttpShowFigures(int packet, qint64 count, bool force)
{
    m_httpFigures = {packet, count};
    if (!force && m_httpFiguresClock.isValid() && m_httpFiguresClock.elapsed() < kFiguresMs)
        return;
    m_httpFiguresClock.start();
    SetText(lblPacketSize, QString::number(packet));
    SetText(lbldlbytes, QString::number(count));
}

void TfrmAsker::HttpWritten()
{
    if (!m_httpDoneDue)
        return;
    m_httpDoneDue = false;
    HttpDone();
}

void TfrmAsker::HttpDone()
{
    m_httpCompleted = true;
    tmrDLSpeed->stop();
    lblPercent->setText(QStringLiteral("% of Potential Speed"));
    gSpeed->SetProgress(0);
    if (m_httpFile)
        m_httpFile->flush();
    AddLog(QStringLiteral("Received %1 bytes").arg(m_httpFile ? m_httpFile->size() : QFileInfo(LocalPath).size()));
    PageControl1->unsetCursor();
    BringToFront();
    PromptComplete(LocalPath);
    if (cbAutoScan->isChecked())
        VirusScan(LocalPath);
    if (cbOpenWhen->currentIndex() == kOpenImmediatelyIndex)
        FileExec(LocalPath);
}

void TfrmAsker::HttpDocEnd()
{
    RedirectPending = false;
    AddLog(QStringLiteral("Fetchlark:  End Download"));
    m_httpEnding = true;
    const PumpGuard alive(this);
    if (!alive.ProcessMessages())
        return;
    m_httpEnding = false;
    EndDownload();
}

// ---------------------------------------------------------------------------
// Statistics

void TfrmAsker::tmrDLSpeedTimer()
{
    SpeedTick(TickCount());
}

void TfrmAsker::SpeedTick(quint64 now)
{
    // An FTP server that announces no size leaves the gauge without a whole
    // to show a share of: the figures count the bytes themselves, and the
    // time to arrival stays unknown.
    const bool unsized = m_ftpCounting && !m_ftpSizeKnown;
    const qint64 value = unsized ? m_ftpCount : dg->Value();
    const qint64 max = dg->Max();
    const qint64 r = RoundEven((value - BytesAtLastTick) * 0.2);
    SetText(lblSpeed, QStringLiteral("%1 bps").arg(r * 10));
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

// ---------------------------------------------------------------------------
// Stopping

void TfrmAsker::HttpAbort()
{
    // An Abort that arrives while the client reports the end of its
    // connection has nothing left to stop, and waiting here for the client
    // to become idle would never end: it gets there after this handler.
    if (m_httpEnding)
        return;
    try {
        Http.AbortRequest();
    } catch (...) {
    }
    const PumpGuard alive(this);
    if (!alive.PumpUntil([this] { return Http.ClientState() == httpReady; }) || !alive.ProcessMessages())
        return;
    if (m_httpFile)
        m_httpFile->flush();
}

void TfrmAsker::HttpShutdown()
{
    tmrDLSpeed->stop();
    if (!PumpGuard(this).PumpUntil([this] { return Http.ClientState() == httpReady; }))
        return;
    Http.OnHeaderData = nullptr;
    Http.OnHeaderBegin = nullptr;
    Http.OnHeaderEnd = nullptr;
    Http.OnDocBegin = nullptr;
    Http.OnDocData = nullptr;
    Http.OnDocEnd = nullptr;
    Http.OnLocationChange = nullptr;
    Http.OnStateChange = nullptr;
    Http.OnRequestDone = nullptr;
    CloseHttpFile();
}

} // namespace flk
