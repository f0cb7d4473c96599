#include "FtpTransfer.h"

#include <QFile>
#include <QFileInfo>

namespace flk {
namespace {

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

// "213 12345": the size; -1 when the reply says something else.
qint64 SizeReply(const QString& line)
{
    if (!line.startsWith(QLatin1String("213")))
        return -1;
    bool ok = false;
    const qint64 size = line.mid(3).trimmed().toLongLong(&ok);
    return ok && size >= 0 ? size : -1;
}

} // namespace

const QString TFtpTransfer::kPort = QStringLiteral("21");
const QString TFtpTransfer::kUserName = QStringLiteral("anonymous");
const QString TFtpTransfer::kPassWord = QStringLiteral("fetchlark@example.org");

TFtpTransfer::TFtpTransfer(const QString& urlBase, const QString& remoteFileName, const QString& localPath,
                           bool resumeAllowed, TTransferObserver* observer, QObject* parent)
    : TTransferJob(observer, parent), m_address(Url::SplitFtpBase(urlBase)), m_localPath(localPath),
      m_resume(resumeAllowed)
{
    m_client.MultiThreaded = true;
    m_client.RateLimit = &RateLimit();
    m_client.ShareMode = ftpShareDenyNone;
    m_client.DisplayFlag = false;
    m_client.DisplayFileFlag = false;
    m_client.Binary = false;
    m_client.PassiveMode = true;
    m_client.LocalFileName = localPath;
    // The address carries the server's names escaped ("%20" for a space).
    m_client.HostFileName = Url::PercentDecoded(remoteFileName);
    m_client.HostName = m_address.HostName;
    m_client.Port = m_address.Port.isEmpty() ? kPort : m_address.Port;
    if (m_address.UserName.isEmpty()) {
        m_client.UserName = kUserName;
        m_client.PassWord = kPassWord;
    } else {
        m_client.UserName = m_address.UserName;
        m_client.PassWord = m_address.PassWord.isEmpty() ? kPassWord : m_address.PassWord;
    }
    // An anonymous login sees the server's root, and the folder is one
    // absolute CWD. A named login starts in its own folder, which the path
    // is relative to: one CWD per folder ("%2F" first: the root).
    if (m_address.UserName.isEmpty()) {
        if (!m_address.HostDirName.isEmpty())
            m_folders << m_address.HostDirName;
    } else {
        m_folders = m_address.Folders;
        if (m_address.FromRoot)
            m_folders.prepend(QStringLiteral("/"));
    }
    m_client.OnDisplay = [this](TFtpClient*, QString& line) { Display(line); };
    m_client.OnProgress = [this](TFtpClient*, qint64 count, bool&) { ProgressCount(count); };
    m_client.OnRequestDone = [this](TFtpClient*, TFtpRequest, quint16 error) {
        if (m_aborted || m_state == State::Done)
            return;
        m_error = error;
        DoLoop();
    };
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] { TimedOut(); });
}

TFtpTransfer::~TFtpTransfer()
{
    m_client.OnDisplay = nullptr;
    m_client.OnProgress = nullptr;
    m_client.OnRequestDone = nullptr;
    m_client.AbortSync();
}

// ---------------------------------------------------------------------------
// The loop

void TFtpTransfer::Start()
{
    m_existed = QFileInfo::exists(m_localPath);
    m_client.Timeout = Timeout;
    m_next = State::Connect;
    DoLoop();
}

void TFtpTransfer::Answer(bool yes)
{
    if (m_aborted || (m_state != State::ReDownloadAnswered && m_state != State::RestartAnswered))
        return;
    m_yes = yes;
    m_next = m_state;
    DoLoop();
}

void TFtpTransfer::Abort()
{
    if (m_aborted || Finished())
        return;
    m_aborted = true;
    m_watchdog.stop();
    m_state = m_next = State::Done;
    m_client.AbortSync();
    RemoveIfEmptyAndNew();
    MarkAborted();
}

void TFtpTransfer::DoLoop()
{
    Step step = Step::Next;
    while (step == Step::Next && m_next != State::Idle && !m_aborted) {
        m_state = m_next;
        m_next = State::Idle;
        switch (m_state) {
        case State::Connect: step = DoConnect(); break;
        case State::ConnectComplete: step = DoConnectComplete(); break;
        case State::Cwd: step = DoCwd(); break;
        case State::CwdComplete: step = DoCwdComplete(); break;
        case State::Type: step = DoType(); break;
        case State::TypeComplete: step = DoTypeComplete(); break;
        case State::Size: step = DoSize(); break;
        case State::SizeComplete: step = DoSizeComplete(); break;
        case State::Decide: step = DoDecide(); break;
        case State::ReDownloadAnswered: step = DoReDownloadAnswered(); break;
        case State::Retr: step = DoRetr(); break;
        case State::RetrComplete: step = DoRetrComplete(); break;
        case State::RestartAnswered: step = DoRestartAnswered(); break;
        case State::Quit: step = DoQuit(); break;
        case State::QuitComplete: step = DoQuitComplete(); break;
        case State::Idle:
        case State::Done: step = Step::Pending; break;
        }
    }
}

TFtpTransfer::Step TFtpTransfer::Request(void (TFtpClient::*start)(), State complete)
{
    m_error = 0;
    m_next = complete;
    Heard();
    try {
        (m_client.*start)();
    } catch (const FtpException& e) {
        m_next = State::Idle;
        return Fail(QStringLiteral("Failed : ") + e.Message());
    }
    return Step::Pending;
}

// ---------------------------------------------------------------------------
// The steps

void TFtpTransfer::SetProxyRules(const TProxyRules& rules)
{
    const QString host = m_address.HostName.contains(u':') ? u'[' + m_address.HostName + u']' : m_address.HostName;
    m_proxy = rules.ProxyFor(QStringLiteral("ftp://") + host + u':' + m_client.Port + u'/');
}

TFtpTransfer::Step TFtpTransfer::DoConnect()
{
    if (!m_proxy.Direct())
        return ProxyRefused();
    m_folder = 0;
    return Request(&TFtpClient::ConnectAsync, State::ConnectComplete);
}

TFtpTransfer::Step TFtpTransfer::DoConnectComplete()
{
    if (m_error != 0)
        return FailReply();
    m_next = m_folders.isEmpty() ? State::Type : State::Cwd;
    return Step::Next;
}

TFtpTransfer::Step TFtpTransfer::DoCwd()
{
    m_client.HostDirName = m_folders.at(m_folder);
    return Request(&TFtpClient::CwdAsync, State::CwdComplete);
}

TFtpTransfer::Step TFtpTransfer::DoCwdComplete()
{
    if (m_error != 0)
        return FailReply();
    m_next = ++m_folder < m_folders.size() ? State::Cwd : State::Type;
    return Step::Next;
}

TFtpTransfer::Step TFtpTransfer::DoType()
{
    m_client.Binary = true;
    return Request(&TFtpClient::TypeSetAsync, State::TypeComplete);
}

TFtpTransfer::Step TFtpTransfer::DoTypeComplete()
{
    if (m_error != 0)
        return FailReply();
    // A restart after a refused REST has asked already.
    m_next = m_sizeAsked ? State::Decide : State::Size;
    return Step::Next;
}

// The whole file's size, before any REST: the 150 reply of a continued
// transfer may name the rest only, and a server that ignores REST would
// otherwise go unnoticed.
TFtpTransfer::Step TFtpTransfer::DoSize()
{
    m_sizeAsked = true;
    return Request(&TFtpClient::SizeAsync, State::SizeComplete);
}

TFtpTransfer::Step TFtpTransfer::DoSizeComplete()
{
    // A server without SIZE still serves the file; only the check is weaker.
    m_size = m_error == 0 ? SizeReply(m_client.LastReply()) : -1;
    m_next = State::Decide;
    return Step::Next;
}

TFtpTransfer::Step TFtpTransfer::DoDecide()
{
    const qint64 onDisk = LocalSize();
    if (m_resume && onDisk > 0 && m_size >= 0 && onDisk >= m_size) {
        m_watchdog.stop();
        m_state = State::ReDownloadAnswered;
        Ask(TTransferQuestion::ReDownloadComplete);
        return Step::Pending;
    }
    m_next = State::Retr;
    return Step::Next;
}

TFtpTransfer::Step TFtpTransfer::DoReDownloadAnswered()
{
    if (!m_yes) {
        TTransferEnd end;
        end.outcome = TTransferOutcome::Declined;
        return End(end);
    }
    m_resume = false; // the RETR replaces the local file
    m_next = State::Retr;
    return Step::Next;
}

TFtpTransfer::Step TFtpTransfer::DoRetr()
{
    m_restFrom = m_resume ? LocalSize() : 0;
    m_lastCount = m_restFrom;
    m_announced = -1;
    m_sized = false;
    if (m_size >= 0) {
        m_sized = true;
        Sized(m_size, m_restFrom);
    }
    return Request(m_resume ? &TFtpClient::RestGetAsync : &TFtpClient::GetAsync, State::RetrComplete);
}

TFtpTransfer::Step TFtpTransfer::DoRetrComplete()
{
    if (m_error == 504) {
        Log(QStringLiteral("Site does not permit download resuming."));
        m_watchdog.stop();
        m_state = State::RestartAnswered;
        Ask(TTransferQuestion::RestartWithoutResume);
        return Step::Pending;
    }
    if (m_error != 0)
        return FailReply();
    const int code = m_client.ReplyCode();
    if (code != 226 && code != 250)
        return Fail(QStringLiteral("Failed : the server did not confirm the transfer (its last reply was '%1')")
                        .arg(m_client.LastReply()));
    m_end = Verify(LocalSize());
    if (m_end.outcome != TTransferOutcome::Complete)
        return End(m_end);
    m_next = State::Quit;
    return Step::Next;
}

TFtpTransfer::Step TFtpTransfer::DoRestartAnswered()
{
    if (!m_yes) {
        TTransferEnd end;
        end.outcome = TTransferOutcome::Declined;
        return End(end);
    }
    // A fresh session that retrieves the file from its first byte.
    m_client.AbortSync();
    m_resume = false;
    m_next = State::Connect;
    return Step::Next;
}

TFtpTransfer::Step TFtpTransfer::DoQuit()
{
    if (!m_client.Connected()) {
        m_next = State::QuitComplete;
        return Step::Next;
    }
    m_error = 0;
    m_next = State::QuitComplete;
    Heard();
    try {
        m_client.QuitAsync();
    } catch (const FtpException&) {
        return Step::Next; // a goodbye that cannot be said spoils nothing
    }
    return Step::Pending;
}

TFtpTransfer::Step TFtpTransfer::DoQuitComplete()
{
    return End(m_end);
}

// ---------------------------------------------------------------------------
// Ends

// The file is whole when it has the size SIZE named, or (without SIZE) the
// size the 150 reply named for a transfer from the first byte. Without
// either, the server's 226 is all there is to go by.
TTransferEnd TFtpTransfer::Verify(qint64 size) const
{
    const qint64 whole = m_size >= 0 ? m_size : m_restFrom == 0 ? m_announced : -1;
    TTransferEnd end;
    end.size = size;
    if (whole >= 0 && size < whole)
        end = Failure(QStringLiteral("Failed : the server sent %1 of %2 bytes; the partial file is kept")
                          .arg(size)
                          .arg(whole));
    else if (whole >= 0 && size > whole)
        end = Failure(QStringLiteral("Failed : the file holds %1 bytes, more than the %2 bytes of the file on the "
                                     "server; it is kept")
                          .arg(size)
                          .arg(whole));
    else
        end.outcome = TTransferOutcome::Complete;
    end.size = size;
    return end;
}

TFtpTransfer::Step TFtpTransfer::Fail(const QString& logLine)
{
    return End(Failure(logLine));
}

// The proxy is named by its host and port only: never its credentials.
TFtpTransfer::Step TFtpTransfer::ProxyRefused()
{
    return End(Failure(QStringLiteral("Failed : FTP downloads cannot go through a proxy (the proxy settings name %1 "
                                      "for this address)")
                           .arg(m_proxy.Display()),
                       QStringLiteral("Download Failed\r\rFTP downloads cannot go through a proxy, and the proxy "
                                      "settings (ftp_proxy or all_proxy) name %1 for this address.\r\rTo fetch it "
                                      "directly, add its host to no_proxy.")
                           .arg(m_proxy.Display())));
}

// The client's own text where it has one (a local failure after a good
// reply must not be reported as that reply), else the server's last reply.
TFtpTransfer::Step TFtpTransfer::FailReply()
{
    const QString reply = m_client.ErrorMessage().isEmpty() ? m_client.LastReply() : m_client.ErrorMessage();
    return Fail(QStringLiteral("FTP Error#") + QString::number(m_error) + QStringLiteral(" - last Response was: '")
                + reply + QStringLiteral("'"));
}

TFtpTransfer::Step TFtpTransfer::End(TTransferEnd end)
{
    m_watchdog.stop();
    m_client.AbortSync();
    m_state = State::Done;
    m_next = State::Idle;
    end.size = LocalSize();
    if (end.outcome == TTransferOutcome::Failed)
        RemoveIfEmptyAndNew();
    Finish(end);
    return Step::Pending;
}

// ---------------------------------------------------------------------------
// The client's events

void TFtpTransfer::Display(const QString& line)
{
    Heard();
    Log(line);
    if (line.contains(QLatin1String("< 150"))) {
        m_announced = OpeningReplySize(line);
        if (!m_sized) {
            m_sized = true;
            // Of a continued transfer the count may be the rest or the whole:
            // only SIZE tells, and without it the whole stays unknown.
            Sized(m_restFrom == 0 ? m_announced : -1, m_restFrom);
        }
    }
}

void TFtpTransfer::ProgressCount(qint64 count)
{
    Heard();
    if (!m_sized) {
        m_sized = true;
        Sized(-1, m_restFrom);
    }
    const qint64 block = count - m_lastCount;
    m_lastCount = count;
    Progress(count, block);
}

void TFtpTransfer::Heard()
{
    if (Timeout > 0 && !m_aborted && m_state != State::Done)
        m_watchdog.start(Timeout * 1000);
}

void TFtpTransfer::TimedOut()
{
    if (m_aborted || m_state == State::Done)
        return;
    m_client.AbortSync();
    Fail(QStringLiteral("FTP Error#426 - last Response was: '426 Timeout'"));
}

qint64 TFtpTransfer::LocalSize() const
{
    const QFileInfo info(m_localPath);
    return info.exists() ? info.size() : 0;
}

void TFtpTransfer::RemoveIfEmptyAndNew()
{
    const QFileInfo info(m_localPath);
    if (!m_existed && info.isFile() && info.size() == 0 && m_state != State::Idle)
        QFile::remove(m_localPath); // made by this transfer, and nothing came
}

} // namespace flk
