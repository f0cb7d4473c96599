#include "HttpTransfer.h"

#include "ContentDisposition.h"
#include "FileStream.h"
#include "PieceState.h"
#include "PiecedDownload.h"
#include "SafeName.h"
#include "Url.h"
#include "WSocket.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>

namespace flk {
namespace {

// "bytes first-last/total": the first byte and the total (-1 when unreadable
// or "*").
void ReadContentRange(const QString& value, qint64& first, qint64& total)
{
    first = total = -1;
    QString v = value.trimmed();
    if (v.startsWith(QLatin1String("bytes"), Qt::CaseInsensitive))
        v = v.mid(5).trimmed();
    if (v.startsWith(QLatin1Char('=')))
        v = v.mid(1).trimmed();
    const qsizetype dash = v.indexOf(QLatin1Char('-'));
    const qsizetype slash = v.indexOf(QLatin1Char('/'));
    bool ok = false;
    const qint64 start = dash > 0 ? v.left(dash).trimmed().toLongLong(&ok) : -1;
    if (ok && start >= 0)
        first = start;
    if (slash > 0) {
        const qint64 whole = v.mid(slash + 1).trimmed().toLongLong(&ok);
        if (ok && whole >= 0)
            total = whole;
    }
}

// What the details log shows of a header line: a cookie's value never.
QString Masked(const QString& line)
{
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    const QString name = line.left(colon).trimmed();
    if (colon > 0
        && (name.compare(QLatin1String("Cookie"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("Set-Cookie"), Qt::CaseInsensitive) == 0))
        return line.left(colon + 1) + QStringLiteral(" ********");
    return line;
}

} // namespace

THttpTransfer::THttpTransfer(const QString& url, const QString& localPath, TTransferObserver* observer,
                             QObject* parent)
    : TTransferJob(observer, parent), m_siteUrl(url), m_url(url), m_path(localPath)
{
    m_client.SetMultiThreaded(true);
    m_client.RateLimit = &RateLimit();
    Wire();
}

THttpTransfer::~THttpTransfer()
{
    m_pieces.reset(); // stops its connections; the state file keeps what came
    Unwire();
    m_client.ReceiveStream = nullptr;
    if (m_client.ClientState() != httpReady)
        m_client.AbortRequest();
    CloseFile();
}

void THttpTransfer::Wire()
{
    m_client.OnHeaderBegin = [this](THttpCli*) { HeaderBegin(); };
    m_client.OnHeaderData = [this](THttpCli*) { HeaderLine(); };
    m_client.OnHeaderEnd = [this](THttpCli*) { HeaderEnd(); };
    m_client.OnDocData = [this](THttpCli*, const char*, int len) { DocData(len); };
    m_client.OnLocationChange = [this](THttpCli*) {
        m_url = m_client.CurrentUrl();
        Moved(m_url);
    };
    m_client.OnStateChange = [this](THttpCli*) { StateChange(); };
    m_client.OnCommand = [this](THttpCli*, QString& line) {
        // The user sees that the session's cookie went, not what it is.
        if (line.startsWith(QLatin1String("Cookie:")))
            Log(Masked(line));
    };
    m_client.OnRequestDone = [this](THttpCli*, THttpRequest, quint16) { RequestDone(); };
}

void THttpTransfer::Unwire()
{
    m_client.OnHeaderBegin = nullptr;
    m_client.OnHeaderData = nullptr;
    m_client.OnHeaderEnd = nullptr;
    m_client.OnDocData = nullptr;
    m_client.OnLocationChange = nullptr;
    m_client.OnStateChange = nullptr;
    m_client.OnCommand = nullptr;
    m_client.OnRequestDone = nullptr;
}

// ---------------------------------------------------------------------------
// The loop

void THttpTransfer::Start()
{
    m_next = State::Head;
    DoLoop();
}

void THttpTransfer::Answer(bool yes)
{
    if (m_state != State::ReDownloadAnswered || m_aborted)
        return;
    m_yes = yes;
    m_next = State::ReDownloadAnswered;
    DoLoop();
}

void THttpTransfer::Abort()
{
    if (m_aborted || Finished())
        return;
    m_aborted = true;
    m_next = State::Done;
    m_state = State::Done;
    m_client.ReceiveStream = nullptr;
    try {
        m_client.AbortRequest();
    } catch (...) {
    }
    if (m_pieces) {
        // Abort may come from inside a piece's own client event.
        m_pieces->Stop();
        m_pieces.release()->deleteLater();
    }
    CloseFile();
    RemoveIfEmptyAndNew();
    MarkAborted();
}

void THttpTransfer::RequestDone()
{
    if (m_aborted || m_client.ClientState() != httpReady)
        return;
    DoLoop();
}

void THttpTransfer::DoLoop()
{
    Step step = Step::Next;
    while (step == Step::Next && m_next != State::Idle && !m_aborted) {
        m_state = m_next;
        m_next = State::Idle;
        switch (m_state) {
        case State::Head: step = DoHead(); break;
        case State::HeadComplete: step = DoHeadComplete(); break;
        case State::OpenFile: step = DoOpenFile(); break;
        case State::ReDownloadAnswered: step = DoReDownloadAnswered(); break;
        case State::Get: step = DoGet(); break;
        case State::GetComplete: step = DoGetComplete(); break;
        case State::Pieces: step = DoPieces(); break;
        case State::PiecesComplete: step = DoPiecesComplete(); break;
        case State::Idle:
        case State::Done: step = Step::Pending; break;
        }
    }
}

// The client keeps the session within the site of the address it is given;
// the GET after a HEAD that was redirected to another site starts there, so
// the session is given only while the address is still on the first site.
void THttpTransfer::ApplySession(THttpCli& c) const
{
    const bool sameSite = Url::SameSite(m_url, m_siteUrl);
    c.Cookie = sameSite ? m_session.Cookie : QString();
    c.Reference = sameSite ? m_session.Referer : QString();
    if (!m_session.UserAgent.isEmpty())
        c.Agent = sameSite ? m_session.UserAgent : QString();
}

// Every piece's client is made here, from the download's own: a setting
// added to the download's client belongs here too.
void THttpTransfer::ConfigureClient(THttpCli& c) const
{
    c.SetMultiThreaded(m_client.MultiThreaded());
    c.Timeout = m_client.Timeout;
    c.Agent = m_client.Agent;
    c.Sender = m_client.Sender;
    c.NoCache = m_client.NoCache;
    c.Username = m_client.Username;
    c.Password = m_client.Password;
    c.Proxy = m_client.Proxy;
    c.ProxyPort = m_client.ProxyPort;
    c.ProxyUsername = m_client.ProxyUsername;
    c.ProxyPassword = m_client.ProxyPassword;
    c.ProxyRules = m_client.ProxyRules;
    c.RateLimit = m_client.RateLimit; // the download's own limit, shared by its pieces
    ApplySession(c);
}

THttpTransfer::Step THttpTransfer::StartRequest(THttpRequest request, State complete)
{
    m_client.URL = m_url;
    ApplySession(m_client);
    m_next = complete;
    try {
        m_client.StartRequest(request);
    } catch (const EHttpException& e) {
        m_state = State::Done;
        m_next = State::Idle;
        Finish(Failure(QStringLiteral("Failed : %1").arg(e.Message())));
    }
    return Step::Pending;
}

// ---------------------------------------------------------------------------
// The steps

THttpTransfer::Step THttpTransfer::DoHead()
{
    m_client.ContentRangeBegin.clear();
    m_client.ContentRangeEnd.clear();
    m_client.ReceiveStream = nullptr;
    m_inGet = false;
    return StartRequest(httpHEAD, State::HeadComplete);
}

THttpTransfer::Step THttpTransfer::DoHeadComplete()
{
    if (m_toFtp) {
        TTransferEnd end;
        end.outcome = TTransferOutcome::MovedToFtp;
        end.url = m_url;
        m_state = State::Done;
        Finish(end);
        return Step::Pending;
    }
    const int status = m_client.ResponseStatus();
    if (status >= 400) {
        if (m_client.ServerStatus() && (status == 405 || status == 501)) {
            // A server that does not do HEAD still serves the file: the
            // GET's own reply decides.
            Log(QStringLiteral("Fetchlark:  The server does not answer HEAD requests; the download asks for the file itself"));
            m_headUsable = false;
            m_headSize = -1;
            m_next = State::OpenFile;
            return Step::Next;
        }
        TTransferEnd end = Failure(QStringLiteral("Failed : ") + StatusText(), FailureMessage());
        end.secureFailure = SecureFailure();
        m_state = State::Done;
        Finish(end);
        return Step::Pending;
    }
    m_headSize = status < 300 ? m_client.AnnouncedLength() : -1;
    ReadVersion();
    if (m_connections > 1 && m_headSize > kPiecesFrom && !OneConnectionReason().isEmpty())
        Log(QStringLiteral("Fetchlark:  One connection: ") + OneConnectionReason());
    // The server's name for the file may still choose the local file: it
    // is not opened yet. (Without a usable HEAD the file is opened before
    // the GET's reply names it, and the name it started with stays.)
    if (!m_offeredName.isEmpty()) {
        const QString path = Named(m_offeredName);
        if (!path.isEmpty())
            m_path = path;
    }
    m_next = State::OpenFile;
    return Step::Next;
}

THttpTransfer::Step THttpTransfer::DoOpenFile()
{
    CloseFile();
    m_file = std::make_unique<TFileStream>(m_path);
    m_resumeFrom = 0;
    m_rangeAsked = false;
    m_created = !QFileInfo::exists(m_path);
    if (m_created) {
        if (!m_file->Create()) {
            const QString why = m_file->ErrorText();
            m_file.reset();
            m_state = State::Done;
            Finish(Failure(QStringLiteral("Failed : cannot create %1: %2").arg(m_path, why),
                           QStringLiteral("Download Failed\r\rCannot create %1").arg(m_path)));
            return Step::Pending;
        }
        m_next = OneConnectionReason().isEmpty() ? State::Pieces : State::Get;
        return Step::Next;
    }
    if (!m_file->OpenExisting()) {
        const QString why = m_file->ErrorText();
        m_file.reset();
        m_state = State::Done;
        Finish(Failure(QStringLiteral("Failed : cannot open %1: %2").arg(m_path, why),
                       QStringLiteral("Download Failed\r\rCannot open %1").arg(m_path)));
        return Step::Pending;
    }
    qint64 onDisk = m_file->size();
    if (TakeStateFile(onDisk) || (onDisk == 0 && OneConnectionReason().isEmpty())) {
        m_next = State::Pieces;
        return Step::Next;
    }
    if (onDisk != 0 && m_headSize >= 0 && onDisk >= m_headSize) {
        // The state stays here until the answer comes.
        m_state = State::ReDownloadAnswered;
        Ask(TTransferQuestion::ReDownloadComplete);
        return Step::Pending;
    }
    if (onDisk != 0 && m_connections > 1 && OneConnectionReason().isEmpty())
        Log(QStringLiteral("Fetchlark:  One connection: the partial file has no record of pieces; it goes on from "
                           "its end"));
    if (onDisk != 0)
        StartAt(onDisk);
    m_next = State::Get;
    return Step::Next;
}

THttpTransfer::Step THttpTransfer::DoReDownloadAnswered()
{
    if (!m_yes) {
        CloseFile();
        m_state = State::Done;
        TTransferEnd end;
        end.outcome = TTransferOutcome::Declined;
        Finish(end);
        return Step::Pending;
    }
    m_file->Truncate();
    // The whole file again, asked from its first byte.
    StartAt(0);
    m_next = State::Get;
    return Step::Next;
}

void THttpTransfer::StartAt(qint64 offset)
{
    m_resumeFrom = offset;
    m_rangeAsked = true;
    Log(QStringLiteral("Fetchlark:  Starting download at byte %1").arg(offset));
}

THttpTransfer::Step THttpTransfer::DoGet()
{
    m_file->SeekToEnd();
    m_client.ContentRangeBegin = m_rangeAsked ? QString::number(m_resumeFrom) : QString();
    m_client.ContentRangeEnd.clear();
    // Servers such as lighttpd honour a Range only in an HTTP/1.1 request:
    // in 1.0 they send the whole file and the resume would start over.
    m_client.Http11 = m_rangeAsked;
    m_client.ReceiveStream = m_file.get();
    m_inGet = true;
    m_promised = -1;
    m_bodyBegun = false;
    m_refused.clear();
    return StartRequest(httpGET, State::GetComplete);
}

THttpTransfer::Step THttpTransfer::DoGetComplete()
{
    m_client.ReceiveStream = nullptr;
    const bool writeFailed = m_file && m_file->WriteFailed();
    const qint64 size = m_file ? m_file->size() : QFileInfo(m_path).size();
    CloseFile();
    m_state = State::Done;
    if (m_toFtp) {
        RemoveIfEmptyAndNew();
        TTransferEnd end;
        end.outcome = TTransferOutcome::MovedToFtp;
        end.url = m_url;
        Finish(end);
        return Step::Pending;
    }
    TTransferEnd end;
    if (!m_refused.isEmpty())
        end = Failure(m_refused, m_resumeFrom > 0 ? QStringLiteral("Download Failed\r\rThe server did not continue "
                                                                   "this file at byte %1. The partial file has been kept.")
                                                        .arg(m_resumeFrom)
                                                  : QString());
    else if (writeFailed)
        end = Failure(QStringLiteral("Failed : could not write to %1").arg(m_path),
                      QStringLiteral("Download Failed\r\rCould not write to %1").arg(m_path));
    else if (m_client.ResponseStatus() >= 300)
        end = GetFailure();
    else
        end = Verify(size);
    end.size = size;
    // Said once every byte is in the file, and the file closed.
    if (end.outcome == TTransferOutcome::Complete && m_bodyBegun)
        Log(QStringLiteral("Received %1 bytes").arg(size));
    if (m_bodyBegun)
        Log(QStringLiteral("Fetchlark:  End Download"));
    if (end.outcome != TTransferOutcome::Complete)
        RemoveIfEmptyAndNew();
    Finish(end);
    return Step::Pending;
}

// The HEAD's validator and length: what every piece's reply must repeat. A
// weak ETag does not vouch for bytes, so the date stands in for it then.
void THttpTransfer::ReadVersion()
{
    m_version = TPieceVersion();
    if (m_client.ResponseStatus() != 200 || m_client.Chunked())
        return;
    const QStringList headers = m_client.ResponseHeaders();
    const QString etag = TPieceFetch::HeaderValue(headers, QStringLiteral("ETag"));
    m_version.Length = m_headSize;
    m_version.ETag = etag.startsWith(QLatin1String("W/")) ? QString() : etag;
    m_version.LastModified = TPieceFetch::HeaderValue(headers, QStringLiteral("Last-Modified"));
    m_acceptRangesNone = TPieceFetch::HeaderValue(headers, QStringLiteral("Accept-Ranges"))
                             .compare(QLatin1String("none"), Qt::CaseInsensitive) == 0;
}

// Empty when this download may use several connections; otherwise why not.
// The reason is logged only for a file large enough to have used them.
QString THttpTransfer::OneConnectionReason() const
{
    if (m_connections <= 1)
        return QStringLiteral("one connection is set in the options");
    if (m_headSize <= kPiecesFrom)
        return QStringLiteral("the file is small");
    if (m_acceptRangesNone)
        return QStringLiteral("the server does not accept ranges");
    if (m_version.Validator().isEmpty())
        return QStringLiteral("the server names no version of the file (no ETag or Last-Modified), so pieces "
                              "could not be told to belong together");
    return QString();
}

// A state file beside the partial file tells which pieces came. True when
// the pieces go on from it; otherwise it is replaced by what one connection
// can go on from (onDisk): the whole pieces from byte 0 of the same version,
// or nothing when the file changed since.
bool THttpTransfer::TakeStateFile(qint64& onDisk)
{
    const TPieceState state(m_path);
    if (!state.Exists())
        return false;
    TPieceStateData data;
    const bool same = state.Read(data) && !m_version.Validator().isEmpty() && data.Validator == m_version.Validator()
                      && data.Length == m_headSize;
    if (same && OneConnectionReason().isEmpty()) {
        m_resumeDone = data.Done;
        qint64 here = 0;
        for (const TPieceMap::Range& r : data.Done)
            here += r.second - r.first;
        Log(QStringLiteral("Fetchlark:  Resuming the pieces: %1 of %2 bytes are here already").arg(here).arg(m_headSize));
        return true;
    }
    qint64 keep = 0;
    if (same && !data.Done.isEmpty() && data.Done.first().first == 0)
        keep = std::min(data.Done.first().second, onDisk);
    if (!same)
        Log(QStringLiteral("Fetchlark:  The file changed on the server since the last attempt; starting again at byte 0"));
    KeepOnly(keep);
    state.Remove();
    onDisk = keep;
    return false;
}

// The file cut to its first `bytes` (a sized file holds holes past them).
void THttpTransfer::KeepOnly(qint64 bytes)
{
    if (m_file)
        m_file->flush();
    QFile::resize(m_path, bytes);
}

THttpTransfer::Step THttpTransfer::DoPieces()
{
    m_inGet = true;
    m_promised = m_headSize;
    m_refused.clear();
    m_pieces = std::make_unique<TPiecedDownload>(m_url, m_path, m_version, m_connections,
                                                 [this](THttpCli& c) { ConfigureClient(c); });
    m_pieces->Resume(m_resumeDone);
    if (m_fastEnough >= 0)
        m_pieces->SetFastEnough(m_fastEnough);
    m_pieces->OnLog = [this](const QString& line) { Log(line); };
    m_pieces->OnSized = [this](qint64 total, qint64 from) {
        m_resumeFrom = from;
        m_bodyBegun = true;
        Sized(total, from);
    };
    m_pieces->OnProgress = [this](qint64 bytes, qint64 block) { Progress(bytes, block); };
    m_pieces->OnEnded = [this](TPiecedDownload::Outcome outcome, const QString& why) {
        m_piecesOutcome = static_cast<int>(outcome);
        m_piecesWhy = why;
        m_next = State::PiecesComplete;
        // Out of the piece's client event before the pieces go away.
        const QPointer<THttpTransfer> self(this);
        QMetaObject::invokeMethod(
            this,
            [self] {
                if (self && !self->m_aborted)
                    self->DoLoop();
            },
            Qt::QueuedConnection);
    };
    m_pieces->Start();
    return Step::Pending;
}

THttpTransfer::Step THttpTransfer::DoPiecesComplete()
{
    const auto outcome = static_cast<TPiecedDownload::Outcome>(m_piecesOutcome);
    const qint64 prefix = m_pieces->DonePrefix();
    m_pieces.reset();
    m_resumeDone.clear();
    const TPieceState state(m_path);
    switch (outcome) {
    case TPiecedDownload::Outcome::KeepPrefix:
    case TPiecedDownload::Outcome::StartOver: {
        // One connection goes on from bytes it can trust; without the state
        // file it continues from the file's size, as any partial file.
        const qint64 keep = outcome == TPiecedDownload::Outcome::KeepPrefix ? prefix : 0;
        KeepOnly(keep);
        state.Remove();
        m_resumeFrom = 0;
        m_rangeAsked = false;
        if (keep > 0)
            StartAt(keep);
        m_next = State::Get;
        return Step::Next;
    }
    case TPiecedDownload::Outcome::Failed: {
        const qint64 size = m_file ? m_file->size() : QFileInfo(m_path).size();
        CloseFile();
        m_state = State::Done;
        TTransferEnd end = Failure(m_piecesWhy);
        end.size = size;
        Log(QStringLiteral("Fetchlark:  End Download"));
        Finish(end);
        return Step::Pending;
    }
    case TPiecedDownload::Outcome::Complete:
        break;
    }
    CloseFile();
    m_state = State::Done;
    const qint64 size = QFileInfo(m_path).size();
    TTransferEnd end = Verify(size);
    end.size = size;
    if (end.outcome == TTransferOutcome::Complete) {
        state.Remove();
        Log(QStringLiteral("Received %1 bytes").arg(size));
    }
    Log(QStringLiteral("Fetchlark:  End Download"));
    Finish(end);
    return Step::Pending;
}

// The reply ended well: the file is whole when it holds what was promised.
// A body without a promise (chunked, or ended by the close) is whole when
// its own framing ended it, which the client has checked.
TTransferEnd THttpTransfer::Verify(qint64 size) const
{
    if (m_promised >= 0 && size < m_promised)
        return Failure(QStringLiteral("Failed : the server sent %1 of %2 bytes; the partial file is kept")
                           .arg(size)
                           .arg(m_promised));
    if (m_promised >= 0 && size > m_promised)
        return Failure(QStringLiteral("Failed : the file holds %1 bytes, more than the %2 bytes the server announced")
                           .arg(size)
                           .arg(m_promised));
    TTransferEnd end;
    end.outcome = TTransferOutcome::Complete;
    return end;
}

TTransferEnd THttpTransfer::GetFailure() const
{
    TTransferEnd end = Failure(QStringLiteral("Failed : ") + StatusText());
    // Without a usable HEAD the GET's failure is the first word from the
    // server: it gets the box a failed HEAD would have.
    if (!m_headUsable)
        end.message = FailureMessage();
    end.secureFailure = SecureFailure();
    return end;
}

// ---------------------------------------------------------------------------
// The client's events

void THttpTransfer::HeaderBegin()
{
    m_replyMoves = false;
    if (!m_inGet)
        m_offeredName.clear();
    m_rangeStart = m_rangeTotal = -1;
}

void THttpTransfer::HeaderLine()
{
    const QString line = m_client.CurrentLine();
    Log(Masked(line));
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon <= 0 || line.startsWith(QLatin1String("HTTP/")))
        return;
    const QString name = line.left(colon).trimmed().toLower();
    if (name == QLatin1String("location")) {
        m_replyMoves = true;
        // The client has resolved the value against the address it came from.
        const QString target = m_client.CurrentUrl();
        Log(QStringLiteral("Fetchlark is redirecting to: ") + target);
        if (Url::TransferFor(Url::SplitUrl(target).Proto) == TTransfer::Ftp) {
            // The FTP transfer takes over; the HTTP client does not follow.
            m_url = target;
            m_toFtp = true;
            m_client.AbortRequest();
        }
    } else if (name == QLatin1String("content-range")) {
        ReadContentRange(line.mid(colon + 1), m_rangeStart, m_rangeTotal);
    }
}

void THttpTransfer::HeaderEnd()
{
    if (!m_inGet && !m_replyMoves)
        m_offeredName = SafeName::Of(ContentDisposition::FileName(m_client.ContentDispositionValue()));
    if (m_inGet && !m_replyMoves && !m_toFtp)
        JudgeGetReply();
}

// The GET's whole header is in and no byte of its body has reached the
// file: the reply is judged here. A 206 must start where we asked (0 when we
// asked no range) and belong to a file of the size the HEAD gave; a 200 to a
// Range is the whole file, which replaces the partial one.
void THttpTransfer::JudgeGetReply()
{
    const int status = m_client.ResponseStatus();
    if (status < 200 || status >= 300)
        return;
    const qint64 announced = m_client.AnnouncedLength();
    if (status == 206) {
        if (m_rangeStart != m_resumeFrom) {
            Refuse(m_resumeFrom > 0
                       ? QStringLiteral("Failed : the server did not continue the file at byte %1 (it sent %2); "
                                        "the partial file is kept")
                             .arg(m_resumeFrom)
                             .arg(m_rangeStart < 0 ? QStringLiteral("no byte range")
                                                   : QStringLiteral("from byte %1").arg(m_rangeStart))
                       : QStringLiteral("Failed : the server sent a part of the file (%1) where the whole was asked")
                             .arg(m_rangeStart < 0 ? QStringLiteral("no byte range")
                                                   : QStringLiteral("from byte %1").arg(m_rangeStart)));
            return;
        }
        if (m_rangeTotal >= 0 && m_headSize >= 0 && m_rangeTotal != m_headSize) {
            Refuse(QStringLiteral("Failed : the server sent a part of a file of %1 bytes where the file has %2 bytes; "
                                  "the partial file is kept")
                       .arg(m_rangeTotal)
                       .arg(m_headSize));
            return;
        }
        m_promised = m_rangeTotal >= 0 ? m_rangeTotal : announced >= 0 ? m_resumeFrom + announced : m_headSize;
    } else {
        if (m_resumeFrom > 0) {
            Log(QStringLiteral("Fetchlark:  The server sent the whole file; starting again at byte 0"));
            m_file->Truncate();
            m_resumeFrom = 0;
        }
        // A chunked body carries its own end; one ended by the close is held
        // to the size the HEAD gave.
        m_promised = announced >= 0 ? announced : m_client.Chunked() ? -1 : m_headSize;
    }
    Sized(m_promised >= 0 ? m_promised : m_headSize, m_resumeFrom);
}

void THttpTransfer::Refuse(const QString& why)
{
    m_refused = why;
    m_client.ReceiveStream = nullptr;
    m_client.AbortRequest();
}

void THttpTransfer::DocData(qint64 len)
{
    if (!m_inGet || !m_refused.isEmpty())
        return;
    m_bodyBegun = true;
    const qint64 bytes = m_resumeFrom + m_client.ReceivedBytes();
    Progress(bytes, len);
}

// A server that accepts and then says nothing shows in the log as such
// (the client gives up after its Timeout).
void THttpTransfer::StateChange()
{
    if (m_client.ClientState() == httpConnecting) {
        const TUrlParts u = Url::SplitUrl(m_client.CurrentUrl());
        const TProxy proxy = m_client.CurrentProxy();
        // The proxy by its host and port: its credentials are never shown.
        Log(QStringLiteral("Fetchlark:  Connecting to %1:%2%3")
                .arg(u.Host, u.Port.isEmpty() ? Url::DefaultPort(u.Proto) : u.Port,
                     proxy.Direct() ? QString() : QStringLiteral(" through the proxy ") + proxy.Display()));
    } else if (m_client.ClientState() == httpWaitingHeader) {
        Log(QStringLiteral("Fetchlark:  Waiting for the server"));
    }
}

// ---------------------------------------------------------------------------
// Helpers

// "404 Not Found" for what the server said; the client's own failures
// (no connection, a refused certificate, a malformed reply) in its words,
// without a status the server never sent.
QString THttpTransfer::StatusText() const
{
    if (m_client.ServerStatus())
        return QStringLiteral("%1 %2").arg(m_client.ResponseStatus()).arg(m_client.ResponseReason());
    return m_client.ResponseReason();
}

// The box of a failure: what the server answered, or what went wrong on
// the way to it.
QString THttpTransfer::FailureMessage() const
{
    if (m_client.ServerStatus())
        return QStringLiteral("Download Failed\r\rServer Response : \"%1\"").arg(StatusText());
    return QStringLiteral("Download Failed\r\r") + m_client.ResponseReason();
}

bool THttpTransfer::SecureFailure() const
{
    return !m_client.CtrlSocket()->TlsFailure().isEmpty();
}

void THttpTransfer::CloseFile()
{
    if (!m_file)
        return;
    m_file->close();
    m_file.reset();
}

void THttpTransfer::RemoveIfEmptyAndNew()
{
    if (m_created && QFileInfo(m_path).size() == 0 && m_promised != 0)
        QFile::remove(m_path); // made by this download, and nothing came
}

} // namespace flk
