#include "HttpProt.h"

#include "FileStream.h"
#include "RateLimit.h"
#include "Url.h"
#include "WSocket.h"

#include <QIODevice>
#include <QLocale>
#include <QPointer>

#include <algorithm>
#include <cstring>

namespace flk {
namespace {

constexpr UINT WM_HTTP_REQUEST_DONE = WM_USER + 1;
constexpr UINT WM_HTTP_SET_READY = WM_USER + 2;
constexpr UINT WM_HTTP_LOGIN = WM_USER + 3;
constexpr UINT WM_HTTP_START_TLS = WM_USER + 4;
// A proxy's answer to CONNECT is a header alone: more than this is not one.
constexpr qsizetype kMaxTunnelReply = 16 << 10;
constexpr int kPostBlock = 8193;

const char* const kDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString RfcDate(const QDateTime& dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    return QString("%1, %2 %3 %4 %5")
        .arg(kDayNames[d.dayOfWeek() - 1])
        .arg(d.day(), 2, 10, QChar('0'))
        .arg(kMonthNames[d.month() - 1])
        .arg(d.year(), 4, 10, QChar('0'))
        .arg(t.toString("hh:mm:ss"));
}

// A Content-Length value: a number, or a list of equal numbers (a header
// repeated by a proxy and folded into one). -1 when there is none to trust.
qint64 ContentLengthValue(const QString& value)
{
    qint64 length = -1;
    for (const QString& part : value.split(',')) {
        bool ok = false;
        const qint64 n = part.trimmed().toLongLong(&ok);
        if (!ok || n < 0 || (length >= 0 && n != length))
            return -1;
        length = n;
    }
    return length;
}

} // namespace

// ---------------------------------------------------------------- helpers

QString EncodeBase64(const QString& text)
{
    return QString::fromLatin1(text.toLatin1().toBase64());
}

// ---------------------------------------------------------------- life

THttpCli::THttpCli(QObject* owner) : HiddenWindow(owner), m_socket(new TWSocket(this))
{
    m_silence.setSingleShot(true);
    QObject::connect(&m_silence, &QTimer::timeout, this, [this] { TimedOut(); });
    m_socket->OnDnsLookupDone = [this](TWSocket*, quint16 e) { SocketDnsLookupDone(e); };
    m_socket->OnSessionConnected = [this](TWSocket*, quint16 e) { SocketSessionConnected(e); };
    m_socket->OnDataAvailable = [this](TWSocket*, quint16) { SocketDataAvailable(); };
    m_socket->OnDataSent = [this](TWSocket*, quint16) { SocketDataSent(); };
    m_socket->OnSessionClosed = [this](TWSocket*, quint16 e) { SocketSessionClosed(e); };
}

THttpCli::~THttpCli()
{
    m_socket->OnDnsLookupDone = nullptr;
    m_socket->OnSessionConnected = nullptr;
    m_socket->OnDataAvailable = nullptr;
    m_socket->OnDataSent = nullptr;
    m_socket->OnSessionClosed = nullptr;
    delete m_socket;
}

void THttpCli::SetMultiThreaded(bool value)
{
    m_multiThreaded = value;
    m_socket->SetMultiThreaded(value);
}

// ---------------------------------------------------------------- triggers

void THttpCli::TriggerSessionConnected() { if (OnSessionConnected) OnSessionConnected(this); }
void THttpCli::TriggerHeaderData() { if (OnHeaderData) OnHeaderData(this); }
void THttpCli::TriggerCommand(QString& line) { if (OnCommand) OnCommand(this, line); }
void THttpCli::TriggerHeaderBegin() { if (OnHeaderBegin) OnHeaderBegin(this); }
void THttpCli::TriggerHeaderEnd() { if (OnHeaderEnd) OnHeaderEnd(this); }
void THttpCli::TriggerRequestHeaderBegin() { if (OnRequestHeaderBegin) OnRequestHeaderBegin(this); }
void THttpCli::TriggerRequestHeaderEnd() { if (OnRequestHeaderEnd) OnRequestHeaderEnd(this); }
void THttpCli::TriggerDocBegin() { if (OnDocBegin) OnDocBegin(this); }
void THttpCli::TriggerDocData(const char* b, int n) { if (OnDocData) OnDocData(this, b, n); }
void THttpCli::TriggerDocEnd() { if (OnDocEnd) OnDocEnd(this); }
void THttpCli::TriggerSendBegin() { if (OnSendBegin) OnSendBegin(this); }
void THttpCli::TriggerSendData(const char* b, int n) { if (OnSendData) OnSendData(this, b, n); }
void THttpCli::TriggerSendEnd() { if (OnSendEnd) OnSendEnd(this); }
void THttpCli::TriggerStateChange() { if (OnStateChange) OnStateChange(this); }
void THttpCli::TriggerRequestDone() { if (OnRequestDone) OnRequestDone(this, m_requestType, m_requestError); }
void THttpCli::TriggerLocationChange() { if (OnLocationChange) OnLocationChange(this); }

void THttpCli::SetState(THttpState state)
{
    m_state = state;
    TriggerStateChange();
}

// ---------------------------------------------------------------- requests

void THttpCli::StartRequest(THttpRequest rq)
{
    if (m_state != httpReady)
        throw EHttpException("HTTP component is busy", 1);
    if (rq == httpPOST && !PostStream)
        throw EHttpException("HTTP component has nothing to post", 2);

    m_responseHeaders.clear();
    m_requestType = rq;
    m_requestError = 0;
    m_closeHandler = CloseHandler::Normal;
    SetState(httpStarting);
    m_docName.clear();
    m_statusCode = 0;
    m_statusFromServer = false;
    m_reasonPhrase.clear();
    m_rcvdCount = 0;
    m_sentCount = 0;
    m_headerLineCount = 0;
    m_bodyDataCount = 0;
    m_rcvLen = 0;
    m_sending = false;
    m_lineTooLong = false;
    m_sessionEnded = false;
    m_locationChanged = false;
    m_redirectCount = 0;
    m_contentLength = -1;

    const TUrlParts u = Url::SplitUrl(URL);
    if (!u.User.isEmpty() || !u.Pass.isEmpty()) {
        Username = u.User;
        Password = u.Pass;
    }
    m_docName = Url::DocName(u.Path);
    // Redirections resolve against an absolute address: one without a
    // scheme or host is completed from its parts.
    m_url = URL;
    if (Url::Origin(URL).isEmpty()) {
        const QString host = u.Host.contains(u':') ? '[' + u.Host + ']' : u.Host;
        m_url = (u.Proto.isEmpty() ? QStringLiteral("http") : u.Proto) + "://" + host
                + (u.Port.isEmpty() ? QString() : ':' + u.Port) + u.Path;
    }
    m_siteUrl = m_url;
    Aim(URL);
    StartConnection();
}

void THttpCli::StartConnection()
{
    Heard();
    SetState(httpDnsLookup);
    m_tunnel = m_tunnelWanted ? Tunnel::Connecting : Tunnel::None;
    m_tunnelReply.clear();
    if (m_proxy.Unsupported) {
        // Going around the proxy the user named would be worse than not going.
        m_statusCode = 404;
        m_statusFromServer = false;
        m_reasonPhrase = m_proxy.Host.isEmpty()
                             ? QStringLiteral("The proxy address names no host")
                             : QStringLiteral("The proxy %1 is a %2:// proxy; only http:// proxies are supported")
                                   .arg(m_proxy.Display(), m_proxy.Scheme);
        EndOfSession();
        return;
    }
    m_socket->DnsLookup(m_targetHost);
}

void THttpCli::SyncRequest(THttpRequest rq)
{
    StartRequest(rq);
    // The owner may be destroyed while messages run (a download dialog
    // closed inside another one's transfer): then not one more member access.
    const QPointer<THttpCli> self(this);
    PumpUntil([&] { return !self || m_state == httpReady; });
    if (!self)
        return;
    if (m_lineTooLong)
        throw EHttpException("HTTP line too long", 4);
    if (m_statusCode >= 400)
        throw EHttpException(m_reasonPhrase, m_statusCode);
}

void THttpCli::GetSync() { SyncRequest(httpGET); }
void THttpCli::HeadSync() { SyncRequest(httpHEAD); }
void THttpCli::PostSync() { SyncRequest(httpPOST); }

// Something came from the server (or the request started): the time-out
// counts from now.
void THttpCli::Heard()
{
    if (Timeout > 0)
        m_silence.start(Timeout * 1000);
}

void THttpCli::TimedOut()
{
    if (m_state == httpReady || m_state == httpAborting || m_sessionEnded)
        return;
    const bool lookingUp = m_state == httpDnsLookup;
    if (lookingUp)
        m_socket->CancelDnsLookup();
    m_statusCode = 404;
    m_statusFromServer = false;
    m_reasonPhrase = QString("Timeout: nothing came from the server for %1 seconds").arg(Timeout);
    if (lookingUp || m_socket->State() == wsClosed)
        EndOfSession();
    else
        CloseSocket();
}

void THttpCli::AbortRequest()
{
    if (m_state == httpReady) {
        if (m_socket->State() != wsClosed)
            m_socket->Close();
        return;
    }
    const bool lookingUp = m_state == httpDnsLookup;
    SetState(httpAborting);
    if (lookingUp)
        m_socket->CancelDnsLookup();
    m_statusCode = 404;
    m_statusFromServer = false;
    m_reasonPhrase = "Connection aborted on request";
    m_requestError = 3;
    if (lookingUp || m_socket->State() == wsClosed)
        EndOfSession();
    else
        CloseSocket();
}

// ---------------------------------------------------------------- messages

LRESULT THttpCli::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_HTTP_REQUEST_DONE:
        TriggerRequestDone();
        return 0;
    case WM_HTTP_SET_READY:
        SetState(httpReady);
        PostMessage(handle(), WM_HTTP_REQUEST_DONE, 0, 0);
        return 0;
    case WM_HTTP_LOGIN:
        RestartAfterRedirect();
        return 0;
    case WM_HTTP_START_TLS:
        StartTunnelTls();
        return 0;
    default:
        return HiddenWindow::WndProc(msg, wParam, lParam);
    }
}

// ---------------------------------------------------------------- connection

void THttpCli::SocketDnsLookupDone(quint16 error)
{
    if (m_state == httpAborting || m_state == httpReady)
        return;
    if (error != 0) {
        m_statusCode = 404;
    m_statusFromServer = false;
        m_reasonPhrase = m_proxy.Direct()
                             ? QStringLiteral("can't resolve hostname to IP address")
                             : QStringLiteral("can't resolve the proxy's host name %1").arg(m_proxy.Host);
        EndOfSession();
        return;
    }
    SetState(httpConnecting);
    try {
        m_socket->SetAddr(m_socket->DnsResult());
        m_socket->SetPort(m_targetPort);
        m_socket->SetProto("tcp");
        // https: the session is checked against the host the address names.
        // (Through a proxy the session starts inside the tunnel, later.)
        m_socket->SetTlsHost(m_scheme == QLatin1String("https") && m_proxy.Direct() ? m_targetHost : QString());
        m_socket->Connect();
    } catch (const ESocketException&) {
        const int code = m_socket->LastError();
        m_requestError = static_cast<quint16>(code);
        m_statusCode = 404;
    m_statusFromServer = false;
        m_reasonPhrase = (m_proxy.Direct()
                              ? QString("can't connect: %1 (Error #%2)").arg(WSocketErrorText(code)).arg(code)
                              : QString("can't connect to the proxy %1: %2 (Error #%3)")
                                    .arg(m_proxy.Display(), WSocketErrorText(code))
                                    .arg(code))
                         + m_socket->ConnectTriedText();
        CloseSocket();
        EndOfSession();
    }
}

void THttpCli::SocketSessionConnected(quint16 error)
{
    Heard();
    if (m_state == httpAborting)
        return;
    if (error != 0) {
        m_statusCode = 404;
    m_statusFromServer = false;
        m_reasonPhrase = !m_socket->TlsFailure().isEmpty() ? SecureFailure()
                         : m_tunnel == Tunnel::Connecting || (!m_proxy.Direct() && m_tunnel == Tunnel::None)
                             ? QString("can't connect to the proxy %1: %2 (Error #%3)")
                                   .arg(m_proxy.Display(), WSocketErrorText(error))
                                   .arg(error)
                                   + m_socket->ConnectTriedText()
                             : QString("%1 (Error #%2)").arg(WSocketErrorText(error)).arg(error)
                                   + m_socket->ConnectTriedText();
        m_requestError = error;
        EndOfSession();
        return;
    }
    if (m_tunnel == Tunnel::Connecting) {
        try {
            SendConnect();
        } catch (const ESocketException&) {
            CloseSocket();
        }
        return;
    }
    if (m_tunnel == Tunnel::Securing)
        m_tunnel = Tunnel::Open;
    m_connected = true;
    SetState(httpConnected);
    TriggerSessionConnected();
    SetState(httpWaitingHeader);
    try {
        SendRequestHeader();
        if (m_requestType == httpPOST) {
            m_sending = true;
            TriggerSendBegin();
            SendNextPostBlock();
        }
    } catch (const ESocketException&) {
        CloseSocket();
    }
}

void THttpCli::SendRequestHeader()
{
    QByteArray header;
    auto put = [&](QString line) {
        TriggerCommand(line);
        header += line.toLatin1();
        header += "\r\n";
    };
    TriggerRequestHeaderBegin();
    const char* method = m_requestType == httpPOST ? "POST" : m_requestType == httpHEAD ? "HEAD" : "GET";
    put(QString("%1 %2%3 HTTP/%4").arg(method, m_pathPrefix, Url::RequestTarget(m_path), Http11 ? "1.1" : "1.0"));
    if (!Sender.isEmpty())
        put("From: " + Sender);
    // A redirection to another site must not take this site's session along.
    const bool sameSite = Url::SameSite(m_url, m_siteUrl);
    if (!Reference.isEmpty() && sameSite)
        put("Referer: " + Reference);
    if (m_requestType == httpPOST && !ContentTypePost.isEmpty())
        put("Content-Type: " + ContentTypePost);
    // The browser's user agent belongs to its session too: another site sees
    // neither it nor the session's cookies.
    if (!Agent.isEmpty() && sameSite)
        put("User-Agent: " + Agent);
    put("Host: " + m_hostName);
    if (Http11)
        put("Connection: close");
    if (NoCache)
        put("Pragma: no-cache");
    if (m_requestType == httpPOST)
        put("Content-Length: " + QString::number(PostStream->size()));
    if (ModifiedSince.isValid())
        put("If-Modified-Since: " + RfcDate(ModifiedSince) + " GMT");
    if (!Username.isEmpty())
        put("Authorization: Basic " + EncodeBase64(Username + ":" + Password));
    // Inside a tunnel the header goes to the server itself: never the
    // proxy's credentials.
    if (!m_proxy.Direct() && m_tunnel == Tunnel::None && m_proxy.HasCredentials())
        put("Proxy-Authorization: Basic " + EncodeBase64(m_proxy.User + ":" + m_proxy.Password));
    if (!Cookie.isEmpty() && sameSite)
        put("Cookie: " + Cookie);
    if (!ContentRangeBegin.isEmpty() || !ContentRangeEnd.isEmpty()) {
        put("Range: bytes=" + ContentRangeBegin + "-" + ContentRangeEnd);
        ContentRangeBegin.clear();
        ContentRangeEnd.clear();
    }
    TriggerRequestHeaderEnd();
    header += "\r\n";
    m_socket->SendText(header);
}

void THttpCli::SendNextPostBlock()
{
    char block[kPostBlock];
    const qint64 n = PostStream->read(block, sizeof block);
    if (n <= 0) {
        m_sending = false;
        TriggerSendEnd();
        return;
    }
    m_sentCount += n;
    TriggerSendData(block, static_cast<int>(n));
    m_socket->Send(block, static_cast<int>(n));
}

void THttpCli::SocketDataSent()
{
    if (!m_sending || m_state == httpAborting)
        return;
    try {
        SendNextPostBlock();
    } catch (const ESocketException&) {
        CloseSocket();
    }
}

void THttpCli::CloseSocket()
{
    try {
        if (m_socket->State() != wsClosed)
            m_socket->Close();
    } catch (const ESocketException&) {
    }
}

// ---------------------------------------------------------------- receiving

void THttpCli::Fail(const QString& reason)
{
    m_statusCode = 404;
    m_statusFromServer = false;
    m_reasonPhrase = reason;
    m_rcvLen = 0;
    CloseSocket();
}

void THttpCli::SocketDataAvailable()
{
    Heard();
    if (m_tunnel == Tunnel::Asked || m_tunnel == Tunnel::Ready) {
        TunnelData();
        return;
    }
    if (m_rcvLen >= kRcvBufSize) {
        m_lineTooLong = true;
        Fail("HTTP line too long");
        return;
    }
    if (m_state == httpWaitingBody && m_rcvLen == 0 && !m_chunked) {
        auto* file = qobject_cast<TFileStream*>(ReceiveStream);
        if (file && !file->WriteFailed()) {
            BodyToFile(*file);
            return;
        }
    }
    int room = kRcvBufSize - m_rcvLen;
    const bool limited = RateLimit && m_state == httpWaitingBody;
    if (limited && (room = static_cast<int>(m_throttle.Budget(*RateLimit, *m_socket, room))) == 0)
        return; // the limit's tokens are spent: the read resumes when they are back
    const int n = m_socket->Receive(m_rcvBuf + m_rcvLen, room);
    if (n <= 0)
        return;
    if (limited)
        RateLimit->Take(n);
    if (m_state != httpWaitingHeader && m_state != httpWaitingBody) {
        return;  // nothing asked for this data
    }
    m_rcvLen += n;
    if (m_state == httpWaitingBody) {
        const int len = m_rcvLen;
        m_rcvLen = 0;
        Body(m_rcvBuf, len);
        return;
    }
    ProcessLines();
    // A full buffer without a line feed can never become a line: stop now
    // rather than wait for data that would not fit.
    if (m_state == httpWaitingHeader && m_rcvLen >= kRcvBufSize) {
        m_lineTooLong = true;
        Fail("HTTP line too long");
    }
}

void THttpCli::ProcessLines()
{
    while (m_state == httpWaitingHeader && m_socket->State() == wsConnected) {
        const char* lf = static_cast<const char*>(memchr(m_rcvBuf, '\n', m_rcvLen));
        if (!lf)
            return;
        const qsizetype lineEnd = lf - m_rcvBuf;
        // The line alone: copying the whole buffer for each line made a
        // header of many short lines cost quadratic time.
        HeaderLine(QByteArray(m_rcvBuf, lineEnd + 1), lineEnd);
    }
}

// One header line at the start of the buffer, ending with the line feed at
// lineEnd. The handler removes what it consumed from the buffer.
void THttpCli::HeaderLine(const QByteArray& raw, qsizetype lineEnd)
{
    qsizetype textLen = lineEnd;
    if (textLen > 0 && raw[textLen - 1] == '\r')
        --textLen;
    const QString line = QString::fromLatin1(raw.constData(), textLen);
    m_lastResponse = line;
    if (m_headerLineCount == 0) {
        m_contentLength = -1;
        m_lengthSeen = false;
        m_headerBytes = 0;
        m_contentType.clear();
        m_contentDisposition.clear();
        m_chunked = false;
        m_chunk = Chunk::Size;
        m_chunkLine.clear();
        TriggerHeaderBegin();
    }
    ++m_headerLineCount;
    m_headerBytes += lineEnd + 1;
    if (m_headerBytes > kMaxHeaderBytes) {
        Fail(QString("The reply's header is larger than %1 KiB").arg(kMaxHeaderBytes >> 10));
        return;
    }

    if (line.left(6).toUpper() == "<HTML>") {
        // No header at all: everything from this line on is the document.
        DeliverHeaderlessDocument();
        return;
    }

    // Drop the line from the buffer before the handlers run.
    const qsizetype consumed = lineEnd + 1;
    m_rcvLen -= static_cast<int>(consumed);
    memmove(m_rcvBuf, m_rcvBuf + consumed, m_rcvLen);

    if (line.isEmpty()) {
        EndOfHeader(0);
        return;
    }
    HeaderLineText(line);
}

void THttpCli::HeaderLineText(const QString& line)
{
    m_responseHeaders.append(line);
    const QString start = line.left(8);
    bool badStatus = false;
    bool badLength = false;
    bool badLocation = false;
    if (start == "HTTP/1.0" || start == "HTTP/1.1") {
        bool ok = false;
        const QString digits = line.mid(9, 3);
        const int status = digits.toInt(&ok);
        if (!ok || digits.size() != 3 || !digits[0].isDigit()) {
            badStatus = true;
        } else {
            m_statusCode = status;
            m_statusFromServer = true;
            m_reasonPhrase = line.mid(13);
            if (status == 407 && !m_proxy.Direct() && m_tunnel == Tunnel::None) {
                m_reasonPhrase = ProxyAuthFailure();
                m_statusFromServer = false;
            }
        }
    } else if (const qsizetype colon = line.indexOf(':'); colon >= 0) {
        const QString name = line.left(colon).toLower();
        // One blank after the colon is usual, but not required.
        const QString value = line.mid(colon + 1).trimmed();
        if (name == "location") {
            // Two different places leave no way to tell where the document
            // went (and resolving each against the one before let a long
            // header grow the address, at quadratic cost): refused, as two
            // lengths are. A repeat of the same one changes nothing.
            if (m_locationChanged && value != Location) {
                badLocation = true;
            } else if (!m_locationChanged) {
                Location = value;
                m_locationChanged = true;
                WorkOutRedirect(value);
            }
        } else if (name == "content-length") {
            const qint64 len = ContentLengthValue(value);
            // Two lengths that differ leave no way to tell where the body ends:
            // taking either could make half a file look whole.
            if (m_lengthSeen && len != m_contentLength)
                badLength = true;
            m_lengthSeen = true;
            m_contentLength = len;
        } else if (name == "content-range") {
            const qsizetype dash = value.indexOf('-');
            const qsizetype slash = value.indexOf('/');
            if (dash >= 6) {
                ContentRangeBegin = value.mid(6, dash - 6);
                ContentRangeEnd = slash > dash ? value.mid(dash + 1, slash - dash - 1) : value.mid(dash + 1);
            }
        } else if (name == "transfer-encoding") {
            m_chunked = value.contains(QLatin1String("chunked"), Qt::CaseInsensitive);
        } else if (name == "content-type") {
            m_contentType = value.toLower();
        } else if (name == "content-disposition") {
            m_contentDisposition = value;
        } else if (name == "www-authenticate") {
            m_authChallenges.append(value);
        }
    }
    TriggerHeaderData();
    if (badStatus) {
        Fail("Invalid status line in the reply: " + line.left(80));
        return;
    }
    if (badLength) {
        Fail("Invalid reply: two different Content-Length headers");
        return;
    }
    if (badLocation) {
        Fail("Invalid reply: two different Location headers");
        return;
    }
    if (m_statusCode >= 400)
        CloseSocket();
}

void THttpCli::EndOfHeader(qsizetype)
{
    if (m_statusCode == 0) {
        Fail("Invalid reply: no status line");
        return;
    }
    if (m_statusCode >= 100 && m_statusCode < 200 && m_statusCode != 101) {
        // An interim reply ("100 Continue"): the real one follows.
        m_statusCode = 0;
        m_reasonPhrase.clear();
        m_headerLineCount = 0;
        m_locationChanged = false;
        return;
    }
    if (m_locationChanged && Url::TransferFor(m_scheme) != TTransfer::Http) {
        Fail(QStringLiteral("Cannot follow a redirection to %1").arg(m_url));
        return;
    }
    if (m_locationChanged) {
        TriggerHeaderEnd();
        m_rcvLen = 0;
        m_headerLineCount = 0;
        m_bodyDataCount = 0;
        m_closeHandler = CloseHandler::Redirect;
        CloseSocket();
        return;
    }
    if (m_docName.toLower().endsWith(".exe") && m_contentType == "text/html") {
        m_docName.chop(3);
        m_docName += "htm";
    }
    // A chunked body carries its own length; a Content-Length beside it is
    // not to be trusted.
    if (m_chunked)
        m_contentLength = -1;
    SetState(httpWaitingBody);
    TriggerHeaderEnd();
    if (m_requestType == httpHEAD) {
        // The reply to a HEAD ends at its blank line, whatever follows it.
        m_rcvLen = 0;
        CloseSocket();
        return;
    }
    if (m_rcvLen > 0) {
        const int len = m_rcvLen;
        m_rcvLen = 0;
        Body(m_rcvBuf, len);
    }
}

void THttpCli::Body(const char* data, qsizetype len)
{
    if (m_chunked)
        DecodeChunks(data, len);
    else
        BodyBlock(data, len);
}

// A chunked body: a hexadecimal size line, that many bytes and a line end,
// again and again until a size of 0, then trailer lines up to a blank one.
// Only the data bytes are the document.
void THttpCli::DecodeChunks(const char* data, qsizetype len)
{
    while (len > 0 && m_state == httpWaitingBody && m_chunk != Chunk::Done && m_chunk != Chunk::Failed) {
        if (m_chunk == Chunk::Data) {
            const qsizetype take = std::min<qint64>(len, m_chunkLeft);
            BodyBlock(data, take);
            data += take;
            len -= take;
            m_chunkLeft -= take;
            if (m_chunkLeft == 0)
                m_chunk = Chunk::DataEnd;
            continue;
        }
        const char* lf = static_cast<const char*>(memchr(data, '\n', len));
        const qsizetype part = lf ? lf - data : len;
        m_chunkLine.append(data, part);
        data += part;
        len -= part;
        if (m_chunkLine.size() > 1024) {
            m_chunk = Chunk::Failed;
            Fail("Invalid chunked reply: a line too long");
            return;
        }
        if (!lf)
            return;
        ++data;
        --len;
        const QByteArray line = m_chunkLine.endsWith('\r') ? m_chunkLine.chopped(1) : m_chunkLine;
        m_chunkLine.clear();
        if (!ChunkLine(line))
            return;
    }
}

// One line of the chunk framing; false when the reply ends here.
bool THttpCli::ChunkLine(const QByteArray& line)
{
    switch (m_chunk) {
    case Chunk::Size: {
        const qsizetype ext = line.indexOf(';');
        bool ok = false;
        const QByteArray digits = (ext >= 0 ? line.left(ext) : line).trimmed();
        const qint64 size = digits.toLongLong(&ok, 16);
        if (!ok || size < 0 || digits.startsWith('-') || digits.startsWith('+')) {
            m_chunk = Chunk::Failed;
            Fail("Invalid chunked reply: bad chunk size \"" + QString::fromLatin1(line.left(40)) + "\"");
            return false;
        }
        m_chunkLeft = size;
        m_chunk = size == 0 ? Chunk::Trailer : Chunk::Data;
        return true;
    }
    case Chunk::DataEnd:
        if (!line.isEmpty()) {
            m_chunk = Chunk::Failed;
            Fail("Invalid chunked reply: a chunk longer than its size");
            return false;
        }
        m_chunk = Chunk::Size;
        return true;
    case Chunk::Trailer:
        if (!line.isEmpty())
            return true; // a trailer field: not part of the document
        m_chunk = Chunk::Done;
        CloseSocket();
        return false;
    default:
        return false;
    }
}

void THttpCli::BodyBlock(const char* data, qsizetype len)
{
    if (m_state != httpWaitingBody)
        return;
    bool complete = false;
    if (m_contentLength >= 0 && m_rcvdCount + len >= m_contentLength) {
        // Bytes past the announced length are not part of the document.
        len = m_contentLength - m_rcvdCount;
        complete = true;
    }
    if (len > 0) {
        if (m_bodyDataCount == 0)
            TriggerDocBegin();
        ++m_bodyDataCount;
        m_rcvdCount += len;
        TriggerDocData(data, static_cast<int>(len));
        if (ReceiveStream && ReceiveStream->write(data, len) != len) {
            WriteFailed(ReceiveStream->errorString());
            return;
        }
    }
    if (complete)
        CloseSocket();
}

// A body bound for a file moves from the socket into it without passing
// through the client: OnDocData sees the length of each move, and no bytes.
void THttpCli::BodyToFile(TFileStream& file)
{
    qint64 want = kFileMoveSize;
    if (m_contentLength >= 0)
        want = std::min(want, m_contentLength - m_rcvdCount);
    if (want <= 0) { // all announced bytes are in: what still comes is not ours
        CloseSocket();
        return;
    }
    if (RateLimit && (want = m_throttle.Budget(*RateLimit, *m_socket, want)) == 0)
        return; // the limit's tokens are spent: the read resumes when they are back
    const qint64 n = file.ReceiveFrom(*m_socket, want);
    if (n == TWSocket::kFileWriteFailed) {
        WriteFailed(file.ErrorText());
        return;
    }
    if (n <= 0)
        return; // nothing waiting, or the end of the stream: the close follows
    if (RateLimit)
        RateLimit->Take(n);
    if (m_bodyDataCount == 0)
        TriggerDocBegin();
    ++m_bodyDataCount;
    m_rcvdCount += n;
    TriggerDocData(nullptr, static_cast<int>(n));
    if (m_contentLength >= 0 && m_rcvdCount >= m_contentLength)
        CloseSocket();
}

// Receiving on into a file that refuses the bytes would only lose them.
void THttpCli::WriteFailed(const QString& why)
{
    Fail(QString("Cannot write the document: %1").arg(why));
}

// ---------------------------------------------------------------- redirects

// Host header, connect target and request target for an address.
void THttpCli::Aim(const QString& url)
{
    const TUrlParts u = Url::SplitUrl(url);
    // The scheme also picks the transport: https runs over TLS, and a
    // redirection may switch between http and https either way.
    m_scheme = u.Proto.isEmpty() ? QStringLiteral("http") : u.Proto.toLower();
    // A server that hosts several sites tells them apart by the Host header:
    // a port that is not the scheme's own belongs in it.
    m_hostName = u.Host.contains(':') ? '[' + u.Host + ']' : u.Host;
    if (!u.Port.isEmpty() && u.Port != Url::DefaultPort(m_scheme))
        m_hostName += ':' + u.Port;
    m_proxy = ProxyOf(url);
    m_path = u.Path;
    m_pathPrefix.clear();
    m_tunnelWanted = false;
    if (m_proxy.Direct()) {
        m_targetHost = u.Host;
        m_targetPort = u.Port.isEmpty() ? Url::DefaultPort(m_scheme) : u.Port;
    } else {
        m_targetHost = m_proxy.Host;
        m_targetPort = m_proxy.Port;
        if (m_scheme == QLatin1String("https")) {
            // The proxy only relays the bytes of a session it cannot read.
            m_tunnelWanted = true;
            m_originHost = u.Host;
            m_tunnelTarget = (u.Host.contains(':') ? '[' + u.Host + ']' : u.Host) + ':'
                             + (u.Port.isEmpty() ? Url::DefaultPort(m_scheme) : u.Port);
        } else {
            // The proxy finds the server from the request line: the whole
            // address, with the port the Host header names (no login: that
            // goes as Authorization).
            m_pathPrefix = m_scheme + "://" + m_hostName;
        }
    }
    if (m_path.isEmpty())
        m_path = "/";
}

// The Proxy setting for every address; else the rules' choice for this one.
// ProxyUsername and ProxyPassword serve a proxy whose address has no login.
TProxy THttpCli::ProxyOf(const QString& url) const
{
    TProxy proxy;
    if (!Proxy.isEmpty()) {
        const TUrlParts px = Url::SplitUrl(Proxy.contains(QLatin1String("://")) ? Proxy : "http://" + Proxy);
        proxy.Scheme = QStringLiteral("http");
        proxy.Host = px.Host;
        proxy.Port = px.Port.isEmpty() ? ProxyPort : px.Port;
    } else {
        proxy = ProxyRules.ProxyFor(url);
    }
    if (!proxy.Direct() && !proxy.HasCredentials()) {
        proxy.User = ProxyUsername;
        proxy.Password = ProxyPassword;
    }
    return proxy;
}

// ---------------------------------------------------------------- tunnel

// Connected to the proxy for an https address: ask it for a tunnel.
void THttpCli::SendConnect()
{
    m_tunnel = Tunnel::Asked;
    m_tunnelReply.clear();
    QByteArray header;
    auto put = [&](QString line) {
        TriggerCommand(line);
        header += line.toLatin1();
        header += "\r\n";
    };
    put("CONNECT " + m_tunnelTarget + " HTTP/1.1");
    put("Host: " + m_tunnelTarget);
    if (!Agent.isEmpty())
        put("User-Agent: " + Agent);
    if (m_proxy.HasCredentials())
        put("Proxy-Authorization: Basic " + EncodeBase64(m_proxy.User + ":" + m_proxy.Password));
    header += "\r\n";
    m_socket->SendText(header);
}

// The proxy's answer to CONNECT, read to its blank line. Nothing may follow
// it before the TLS session starts: those bytes would be the server's.
void THttpCli::TunnelData()
{
    char buf[4096];
    const int n = m_socket->Receive(buf, sizeof buf);
    if (n <= 0)
        return;
    if (m_tunnel == Tunnel::Ready) {
        ProxyFail(404, QStringLiteral("The proxy %1 sent data before the secure session began").arg(m_proxy.Display()));
        return;
    }
    m_tunnelReply.append(buf, n);
    qsizetype end = m_tunnelReply.indexOf("\r\n\r\n");
    qsizetype rest = end >= 0 ? end + 4 : -1;
    if (end < 0 && (end = m_tunnelReply.indexOf("\n\n")) >= 0)
        rest = end + 2;
    if (end < 0) {
        if (m_tunnelReply.size() > kMaxTunnelReply)
            ProxyFail(404, QStringLiteral("The proxy %1 sent an overlong reply to CONNECT").arg(m_proxy.Display()));
        return;
    }
    TunnelReply(m_tunnelReply.left(end), rest);
}

void THttpCli::TunnelReply(const QByteArray& header, qsizetype rest)
{
    const qsizetype lineEnd = header.indexOf('\n');
    const QString status = QString::fromLatin1(lineEnd < 0 ? header : header.left(lineEnd)).trimmed();
    m_lastResponse = status;
    const QString digits = status.mid(9, 3);
    bool ok = false;
    const int code = digits.toInt(&ok);
    if (!status.startsWith(QLatin1String("HTTP/")) || !ok || digits.size() != 3) {
        ProxyFail(404, QStringLiteral("The proxy %1 sent an invalid reply to CONNECT: %2")
                           .arg(m_proxy.Display(), status.left(80)));
        return;
    }
    if (code == 407) {
        ProxyFail(407, ProxyAuthFailure());
        return;
    }
    if (code < 200 || code >= 300) {
        ProxyFail(code >= 400 ? code : 404, QStringLiteral("The proxy %1 refused the tunnel to %2: %3")
                                                .arg(m_proxy.Display(), m_tunnelTarget, status.mid(9).left(80)));
        return;
    }
    if (rest < m_tunnelReply.size()) {
        ProxyFail(404, QStringLiteral("The proxy %1 sent data before the secure session began").arg(m_proxy.Display()));
        return;
    }
    m_tunnelReply.clear();
    m_tunnel = Tunnel::Ready;
    // Not inside the socket's own notification: the handshake changes how
    // it reads.
    PostMessage(handle(), WM_HTTP_START_TLS, 0, 0);
}

void THttpCli::StartTunnelTls()
{
    if (m_tunnel != Tunnel::Ready || m_state == httpAborting || m_socket->State() != wsConnected)
        return;
    m_tunnel = Tunnel::Securing;
    try {
        m_socket->StartTls(m_originHost);
    } catch (const ESocketException& e) {
        ProxyFail(404, QStringLiteral("The secure session through the proxy %1 could not start: %2")
                           .arg(m_proxy.Display(), e.Message()));
    }
}

// A failure of the proxy, not of the server: the proxy's status (or 404)
// with the client's words.
void THttpCli::ProxyFail(int status, const QString& reason)
{
    m_statusCode = status;
    m_statusFromServer = false;
    m_reasonPhrase = reason;
    m_rcvLen = 0;
    CloseSocket();
}

QString THttpCli::ProxyAuthFailure() const
{
    if (m_proxy.HasCredentials())
        return QStringLiteral("The proxy %1 did not accept the user name and password given for it (407)")
            .arg(m_proxy.Display());
    return QStringLiteral("The proxy %1 asks for a user name and password: give them in the proxy address, "
                          "as http://user:password@%1 (407)")
        .arg(m_proxy.Display());
}

// The next request goes where the Location value points, read against the
// address that sent it (a bare "b.bin" is a file beside it, not a host).
void THttpCli::WorkOutRedirect(const QString& value)
{
    m_url = Url::Resolve(m_url, value);
    Aim(m_url);
}

void THttpCli::RedirectSessionClosed()
{
    m_connected = false;
    m_locationChanged = false;
    m_closeHandler = CloseHandler::Normal;
    TriggerLocationChange();
    PostMessage(handle(), WM_HTTP_LOGIN, 0, 0);
}

void THttpCli::RestartAfterRedirect()
{
    if (m_state == httpAborting || m_state == httpReady)
        return;
    if (++m_redirectCount > kMaxRedirects) {
        m_statusCode = 404;
    m_statusFromServer = false;
        m_reasonPhrase = QString("Too many redirections (more than %1)").arg(kMaxRedirects);
        EndOfSession();
        return;
    }
    m_statusCode = 0;
    m_reasonPhrase.clear();
    m_rcvLen = 0;
    m_headerLineCount = 0;
    m_bodyDataCount = 0;
    StartConnection();
}

// ---------------------------------------------------------------- end

void THttpCli::SocketSessionClosed(quint16)
{
    if (m_closeHandler == CloseHandler::Redirect) {
        RedirectSessionClosed();
        return;
    }
    // A secure stream cut short (no close_notify) before the reply was whole
    // is a failure, even where the end of the connection ends the body.
    if (m_tunnel != Tunnel::None && m_tunnel != Tunnel::Open && m_state != httpAborting && m_statusCode < 400) {
        m_statusCode = 404;
        m_statusFromServer = false;
        m_reasonPhrase = !m_socket->TlsFailure().isEmpty()
                             ? SecureFailure()
                             : QStringLiteral("The proxy %1 closed the connection before the tunnel to %2 was open")
                                   .arg(m_proxy.Display(), m_tunnelTarget);
        EndOfSession();
        return;
    }
    const bool replyWhole = m_state == httpWaitingBody
                            && (m_requestType == httpHEAD || (m_contentLength >= 0 && m_rcvdCount >= m_contentLength));
    if (!m_socket->TlsFailure().isEmpty() && !replyWhole && m_state != httpAborting && m_statusCode < 400) {
        m_statusCode = 404;
    m_statusFromServer = false;
        m_reasonPhrase = SecureFailure();
    }
    EndOfSession();
}

QString THttpCli::SecureFailure() const
{
    return QString("Secure connection failed: %1").arg(m_socket->TlsFailure());
}

// A reply that starts with "<HTML>" has no header: the header ends here and
// everything received so far is the document's first block.
void THttpCli::DeliverHeaderlessDocument()
{
    if (m_contentType.isEmpty())
        m_contentType = "text/html";
    SetState(httpWaitingBody);
    TriggerHeaderEnd();
    const int len = m_rcvLen;
    m_rcvLen = 0;
    BodyBlock(m_rcvBuf, len);
}

void THttpCli::EndOfSession()
{
    if (m_sessionEnded || m_state == httpReady)
        return;
    m_sessionEnded = true;
    m_connected = false;
    m_silence.stop();
    if (m_state == httpWaitingHeader && m_headerLineCount == 0 && m_rcvLen >= 6
        && QByteArray(m_rcvBuf, 6).toUpper() == "<HTML>") {
        // A headerless document without a single line feed.
        DeliverHeaderlessDocument();
    }
    if (m_state != httpAborting && m_statusCode < 400) {
        // A reply cut short must not pass for a complete one.
        if (m_state == httpWaitingHeader) {
            m_statusCode = 404;
    m_statusFromServer = false;
            m_reasonPhrase = m_headerLineCount == 0 ? QString("Connection closed without a reply")
                                                    : QString("Connection closed in the middle of the reply header");
        } else if (m_state == httpWaitingBody && m_requestType != httpHEAD && m_chunked
                   && m_chunk != Chunk::Done) {
            m_statusCode = 404;
    m_statusFromServer = false;
            m_reasonPhrase = QString("Connection closed in the middle of a chunked reply after %1 bytes")
                                 .arg(m_rcvdCount);
        } else if (m_state == httpWaitingBody && m_requestType != httpHEAD && m_contentLength >= 0
                   && m_rcvdCount < m_contentLength && m_statusCode != 204 && m_statusCode != 304) {
            m_statusCode = 404;
    m_statusFromServer = false;
            m_reasonPhrase = QString("Connection closed after %1 of %2 bytes").arg(m_rcvdCount).arg(m_contentLength);
        }
    }
    if (m_bodyDataCount > 0)
        TriggerDocEnd();
    PostMessage(handle(), WM_HTTP_SET_READY, 0, 0);
}

} // namespace flk
