#include "WSocket.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace flk {
namespace {

constexpr UINT WM_ASYNCSELECT = WM_USER + 1;
constexpr UINT WM_ASYNCGETHOSTBYNAME = WM_USER + 2;
// Large enough to save most system calls, small enough to stay in the
// processor cache while the client copies it out in 8 KiB blocks.
constexpr qsizetype kReadAhead = 128 * 1024;
constexpr int kDiscardSize = 1024;

LPARAM MakeLParam(quint16 low, quint16 high)
{
    return static_cast<LPARAM>((static_cast<quint32>(high) << 16) | low);
}

// The pending error code of the platform, as WinSock would report it.
thread_local int t_lastError = 0;
void SetLastErrorFromErrno() { t_lastError = WSocketErrorFromErrno(errno); }

int GaiErrorToWinsock(int err)
{
    switch (err) {
    case 0: return 0;
    case EAI_AGAIN: return 11002;
    case EAI_FAIL: return 11003;
#ifdef EAI_NODATA
    case EAI_NODATA: return 11004;
#endif
    case EAI_NONAME: return 11001;
    default: return 11001;
    }
}

bool ParseDotted(const QString& text, in_addr& out)
{
    const QByteArray a = text.trimmed().toLatin1();
    return !a.isEmpty() && inet_aton(a.constData(), &out) != 0;
}

// Decimal number at the start of the text (leading blanks skipped, stops at
// the first non-digit).
long LeadingNumber(const QString& text)
{
    long n = 0;
    int i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    for (; i < text.size() && text[i].isDigit(); ++i)
        n = n * 10 + text[i].digitValue();
    return n;
}

} // namespace

// A host lookup running on a worker thread. The thread fills the result and
// hands the completion to the GUI thread, which posts WM_USER+2 to the socket
// window. A cancelled lookup is simply forgotten: its completion names a
// request the socket no longer waits for.
struct TWSocket::Lookup {
    quint64 id = 0;
    QByteArray host;
    int error = 0;
    QStringList addresses;
};

// ---------------------------------------------------------------- errors

int WSocketErrorFromErrno(int err)
{
    switch (err) {
    case 0: return 0;
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: case ENFILE: return 10024;
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: case EPIPE: return 10054;
    case ENOBUFS: case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    case EUSERS: return 10068;
    case EDQUOT: return 10069;
    case ESTALE: return 10070;
    case EREMOTE: return 10071;
    default: return 10000 + err;  // no WinSock equivalent: "Not a WinSock error"
    }
}

QString WSocketErrorText(int code)
{
    switch (code) {
    case 0: return "No Error";
    case 10004: return "Interrupted system call";
    case 10009: return "Bad file number";
    case 10013: return "Permission denied";
    case 10014: return "Bad address";
    case 10022: return "Invalid argument";
    case 10024: return "Too many open files";
    case 10035: return "Operation would block";
    case 10036: return "Operation now in progress";
    case 10037: return "Operation already in progress";
    case 10038: return "Socket operation on non-socket";
    case 10039: return "Destination address required";
    case 10040: return "Message too long";
    case 10041: return "Protocol wrong type for socket";
    case 10042: return "Protocol not available";
    case 10043: return "Protocol not supported";
    case 10044: return "Socket type not supported";
    case 10045: return "Operation not supported on socket";
    case 10046: return "Protocol family not supported";
    case 10047: return "Address family not supported by protocol family";
    case 10048: return "Address already in use";
    case 10049: return "Address not available";
    case 10050: return "Network is down";
    case 10051: return "Network is unreachable";
    case 10052: return "Network dropped connection on reset";
    case 10053: return "Connection aborted";
    case 10054: return "Connection reset by peer";
    case 10055: return "No buffer space available";
    case 10056: return "Socket is already connected";
    case 10057: return "Socket is not connected";
    case 10058: return "Can't send after socket shutdown";
    case 10059: return "Too many references: can't splice";
    case 10060: return "Connection timed out";
    case 10061: return "Connection refused";
    case 10062: return "Too many levels of symbolic links";
    case 10063: return "File name too long";
    case 10064: return "Host is down";
    case 10065: return "No route to host";
    case 10066: return "Directory not empty";
    case 10067: return "Too many processes";
    case 10068: return "Too many users";
    case 10069: return "Disc quota exceeded";
    case 10070: return "Stale NFS file handle";
    case 10071: return "Too many levels of remote in path";
    case 10091: return "Network sub-system is unusable";
    case 10092: return "WinSock DLL cannot support this application";
    case 10093: return "WinSock not initialized";
    case 11001: return "Host not found";
    case 11002: return "Non-authoritative host not found";
    case 11003: return "Non-recoverable error";
    case 11004: return "No Data";
    default: return "Not a WinSock error";
    }
}

// ---------------------------------------------------------------- resolving

quint32 WSocketResolveHost(const QString& host)
{
    if (host.isEmpty() || host.size() > 256)
        throw ESocketException("WSocketResolveHost: Invalid Hostname.");
    const QString text = host.trimmed();
    in_addr a{};
    if (ParseDotted(text, a))
        return a.s_addr;
    if (text != "255.255.255.255") {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* res = nullptr;
        if (getaddrinfo(text.toUtf8().constData(), nullptr, &hints, &res) == 0 && res) {
            const quint32 addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr;
            freeaddrinfo(res);
            return addr;
        }
    }
    throw ESocketException(QString("WSocketResolveHost: Cannot convert host address '%1'").arg(host));
}

quint16 WSocketResolvePort(const QString& port, const QString& proto)
{
    if (port.isEmpty() || port.size() >= 32)
        throw ESocketException("WSocketResolvePort: Invalid Port.");
    if (port.trimmed().size() > 0 && port.trimmed()[0].isDigit())
        return static_cast<quint16>(LeadingNumber(port));
    const QByteArray p = proto.toLatin1();
    servent* se = getservbyname(port.toLatin1().constData(), proto.isEmpty() ? nullptr : p.constData());
    if (!se)
        throw ESocketException(QString("WSocketResolvePort: Cannot convert port '%1'").arg(port));
    return ntohs(static_cast<quint16>(se->s_port));
}

int WSocketResolveProto(const QString& proto)
{
    if (proto.isEmpty() || proto.size() >= 32)
        throw ESocketException("WSocketResolveProto: Invalid Protocol.");
    if (proto.trimmed().size() > 0 && proto.trimmed()[0].isDigit())
        return static_cast<int>(LeadingNumber(proto));
    protoent* pe = getprotobyname(proto.toLatin1().constData());
    if (!pe)
        throw ESocketException(QString("WSocketResolveProto: Cannot convert protocol '%1'").arg(proto));
    return pe->p_proto;
}

// ---------------------------------------------------------------- life

TWSocket::TWSocket(QObject* owner) : HiddenWindow(owner)
{
    AssignDefaultValue();
}

TWSocket::~TWSocket()
{
    m_destroying = true;
    m_connector.OnDone = nullptr;
    m_connector.Cancel();
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    if (m_hSocket != INVALID_SOCKET) {
        try {
            InternalClose(false, 0);
        } catch (...) {
        }
    }
    StopWatching();
    if (m_hSocket != INVALID_SOCKET)
        ::close(m_hSocket);
    DeleteBufferedData();
}

void TWSocket::AssignDefaultValue()
{
    StopWatching();
    m_hSocket = INVALID_SOCKET;
    m_state = wsClosed;
    m_addrAssigned = m_addrResolved = false;
    m_portAssigned = m_portResolved = false;
    m_proto = "tcp";
    m_protoAssigned = true;
    m_protoResolved = false;
    m_type = SOCK_STREAM;
    m_protoNum = IPPROTO_TCP;
    m_connector.Cancel();
    m_sin = TSocketAddress{};
    m_targets.clear();
    m_lingerOnOff = wsLingerOn;
    m_lingerTimeout = 0;
    m_flushTimeout = 60;
    m_readCount = 0;
    m_allSent = true;
    m_paused = false;
    m_closeInvoked = false;
    m_ahead.clear();
    m_aheadPos = 0;
    m_tls.reset();
    m_tlsHost.clear();
    m_tlsReadWantsWrite = false;
}

// ---------------------------------------------------------------- setters

void TWSocket::SetAddr(const QString& value)
{
    if (m_state != wsClosed) {
        RaiseException("Cannot change Addr if not closed");
        return;
    }
    const QString v = value.trimmed();
    if (m_addrAssigned && v == m_addr)
        return;
    m_addr = v;
    m_addrAssigned = !v.isEmpty();
    m_addrResolved = false;
}

void TWSocket::SetPort(const QString& value)
{
    if (m_state != wsClosed) {
        RaiseException("Cannot change Port if not closed");
        return;
    }
    const QString v = value.trimmed();
    if (m_portAssigned && v == m_port)
        return;
    m_port = v;
    m_portAssigned = !v.isEmpty();
    m_portResolved = false;
}

void TWSocket::SetProto(const QString& value)
{
    if (m_state != wsClosed) {
        RaiseException("Cannot change Proto if not closed");
        return;
    }
    const QString v = value.trimmed();
    if (m_protoAssigned && v == m_proto)
        return;
    m_proto = v;
    m_protoAssigned = !v.isEmpty();
    m_protoResolved = false;
}

void TWSocket::SetTlsHost(const QString& value)
{
    if (m_state != wsClosed) {
        RaiseException("Cannot change TlsHost if not closed");
        return;
    }
    m_tlsHost = value.trimmed();
}

void TWSocket::SetSendFlags(int value)
{
    if (value != wsSendNormal && value != wsSendUrgent) {
        RaiseException("Invalid SendFlags");
        return;
    }
    m_sendFlags = static_cast<TSocketSendFlags>(value);
}

// ---------------------------------------------------------------- errors

void TWSocket::RaiseException(const QString& msg)
{
    if (OnError) {
        TriggerError();
        return;
    }
    throw ESocketException(msg);
}

void TWSocket::SocketError(const QString& func)
{
    const int n = t_lastError;
    const QString msg = QString("Error %1 in function %2\r\n%3").arg(n).arg(func, WSocketErrorText(n));
    if (n == WSAECONNRESET || n == WSAENOTCONN)
        CloseHandleNow();
    m_lastError = n;
    RaiseException(msg);
}

// Drops the handle without the close protocol (no OnSessionClosed).
void TWSocket::CloseHandleNow()
{
    m_connector.Cancel();
    StopWatching();
    m_tls.reset();
    if (m_hSocket != INVALID_SOCKET)
        ::close(m_hSocket);
    m_hSocket = INVALID_SOCKET;
    if (m_state != wsClosed)
        ChangeState(wsClosed);
}

void TWSocket::ChangeState(TSocketState newState)
{
    const TSocketState old = m_state;
    m_state = newState;
    TriggerChangeState(old, newState);
}

// ---------------------------------------------------------------- triggers

bool TWSocket::TriggerDataAvailable(quint16 error)
{
    if (!OnDataAvailable)
        return false;
    OnDataAvailable(this, error);
    return true;
}
void TWSocket::TriggerSessionAvailable(quint16 error) { if (OnSessionAvailable) OnSessionAvailable(this, error); }
void TWSocket::TriggerSessionConnected(quint16 error) { if (OnSessionConnected) OnSessionConnected(this, error); }
void TWSocket::TriggerSessionClosed(quint16 error) { if (OnSessionClosed) OnSessionClosed(this, error); }
void TWSocket::TriggerDataSent(quint16 error) { if (OnDataSent) OnDataSent(this, error); }
void TWSocket::TriggerChangeState(TSocketState o, TSocketState n) { if (OnChangeState) OnChangeState(this, o, n); }
void TWSocket::TriggerDnsLookupDone(quint16 error) { if (OnDnsLookupDone) OnDnsLookupDone(this, error); }
void TWSocket::TriggerError() { if (OnError) OnError(this); }

// ---------------------------------------------------------------- notifications

void TWSocket::WatchSocket(bool read, bool write)
{
    if (m_hSocket == INVALID_SOCKET || m_paused)
        return;
    if (!m_readNotifier) {
        m_readNotifier = new QSocketNotifier(m_hSocket, QSocketNotifier::Read, this);
        connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { ReadReady(); });
        m_writeNotifier = new QSocketNotifier(m_hSocket, QSocketNotifier::Write, this);
        connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { WriteReady(); });
    }
    m_readNotifier->setEnabled(read);
    m_writeNotifier->setEnabled(write);
}

void TWSocket::StopWatching()
{
    // Notifiers may be the sender of the slot running now: delete them later.
    if (m_readNotifier) {
        m_readNotifier->setEnabled(false);
        m_readNotifier->deleteLater();
        m_readNotifier = nullptr;
    }
    if (m_writeNotifier) {
        m_writeNotifier->setEnabled(false);
        m_writeNotifier->deleteLater();
        m_writeNotifier = nullptr;
    }
}

// Read readiness: incoming connection, data, or the peer's close/reset.
void TWSocket::ReadReady()
{
    const TSocket h = m_hSocket;
    if (h == INVALID_SOCKET)
        return;
    if (m_state == wsListening) {
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_ACCEPT, 0));
        return;
    }
    if (m_tls) {
        TlsReadReady();
        return;
    }
    if (m_aheadPos < m_ahead.size()) {
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_READ, 0));
        return;
    }
    char c;
    const ssize_t n = ::recv(h, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_READ, 0));
    } else if (n == 0) {
        // No more readiness can come from this handle.
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_CLOSE, 0));
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        const quint16 err = static_cast<quint16>(WSocketErrorFromErrno(errno));
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_CLOSE, err));
    }
}

// Write readiness: the end of a connect attempt, or room to send again.
void TWSocket::WriteReady()
{
    const TSocket h = m_hSocket;
    if (h == INVALID_SOCKET)
        return;
    if (m_state == wsConnecting && m_tls) {
        TlsHandshake();
        return;
    }
    if (m_state == wsConnecting) {
        int soError = 0;
        socklen_t len = sizeof soError;
        getsockopt(h, SOL_SOCKET, SO_ERROR, &soError, &len);
        ConnectOutcome(static_cast<quint16>(WSocketErrorFromErrno(soError)));
        return;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    quint16 events = FD_WRITE;
    if (m_tlsReadWantsWrite) {
        m_tlsReadWantsWrite = false;
        events |= FD_READ;
    }
    SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(events, 0));
}

void TWSocket::StartTls(const QString& host)
{
    if (m_state != wsConnected || m_tls || m_hSocket == INVALID_SOCKET) {
        RaiseException("StartTls: no plain connection to secure");
        return;
    }
    // Bytes already read would be taken for the server's, skipping the
    // session's start: nothing may come before the handshake.
    if (m_aheadPos < m_ahead.size()) {
        RaiseException("StartTls: bytes arrived before the handshake");
        return;
    }
    m_tlsHost = host.trimmed();
    m_tlsFailure.clear();
    m_tls = std::make_unique<TTlsLayer>(m_hSocket, m_tlsHost);
    ChangeState(wsConnecting);
    TlsHandshake();
}

// The end of a connect attempt on the socket's handle: on to the TLS
// handshake, or the connect notification with its error.
void TWSocket::ConnectOutcome(quint16 err)
{
    const TSocket h = m_hSocket;
    if (err == WSAECONNRESET && m_tlsHost.isEmpty()) {
        // The connection was made and reset before we looked: report it
        // as made, then closed by the reset.
        if (m_writeNotifier)
            m_writeNotifier->setEnabled(false);
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_CONNECT, 0));
        if (m_hSocket == h && m_state == wsConnected)
            SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_CLOSE, err));
        return;
    }
    if (err == 0 && !m_tlsHost.isEmpty()) {
        m_tls = std::make_unique<TTlsLayer>(h, m_tlsHost);
        TlsHandshake();
    } else if (err == 0) {
        WatchSocket(true, false);
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_CONNECT | FD_WRITE, 0));
    } else {
        if (m_writeNotifier)
            m_writeNotifier->setEnabled(false);
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_CONNECT, err));
    }
}

// The connector's outcome: the winning socket becomes this one's handle; so
// does the last failed one, which the connect notification then reports and
// the usual close after a failed connect closes.
void TWSocket::ConnectorDone(int fd, int error)
{
    m_connectTried = m_connector.Tried();
    m_hSocket = fd;
    if (fd == INVALID_SOCKET) {
        Dispatch(FD_CONNECT, static_cast<quint16>(error));
        return;
    }
    ConnectOutcome(static_cast<quint16>(error));
}

// One step of the handshake on the connected socket; the connection counts
// as made (OnSessionConnected) only when the session is set up.
void TWSocket::TlsHandshake()
{
    const TSocket h = m_hSocket;
    switch (m_tls->Handshake()) {
    case TTlsLayer::Step::Waiting:
        WatchSocket(m_tls->Waiting() == TTlsLayer::Want::Read, m_tls->Waiting() == TTlsLayer::Want::Write);
        return;
    case TTlsLayer::Step::Done:
        WatchSocket(true, false);
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_CONNECT | FD_WRITE, 0));
        return;
    case TTlsLayer::Step::Failed:
        m_tlsFailure = m_tls->Failure();
        WatchSocket(false, false);
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_CONNECT, WSAECONNABORTED));
        return;
    }
}

// Read readiness of a secure connection: raw bytes may be a whole record, a
// part of one, or the close; only reading tells. The session may also hold
// bytes already taken from the socket, which no readiness announces again.
void TWSocket::TlsReadReady()
{
    const TSocket h = m_hSocket;
    if (m_state == wsConnecting) {
        TlsHandshake();
        return;
    }
    if (!m_tls->Ended())
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_READ, 0));
    if (m_hSocket != h || !m_tls)
        return;
    if (m_tls->Ended()) {
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
        const quint16 err = m_tls->CleanEnd() ? 0 : WSAECONNABORTED;
        if (err)
            m_tlsFailure = m_tls->Failure();
        SendMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_CLOSE, err));
    } else if (m_tls->HasPending() && m_tls->Waiting() != TTlsLayer::Want::Read) {
        // Decrypted bytes left unread: come back for them. (A part of a
        // record waits for the rest, which the socket's readiness announces.)
        PostMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(h), MakeLParam(FD_READ, 0));
    }
}

LRESULT TWSocket::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const quint16 low = static_cast<quint16>(lParam & 0xFFFF);
    const quint16 high = static_cast<quint16>((lParam >> 16) & 0xFFFF);
    if (msg == WM_ASYNCSELECT) {
        if (static_cast<TSocket>(wParam) != m_hSocket || m_paused || m_hSocket == INVALID_SOCKET)
            return 0;
        Dispatch(low, high);
        return 0;
    }
    if (msg == WM_ASYNCGETHOSTBYNAME) {
        DnsLookupDone(wParam, high);
        return 0;
    }
    return HiddenWindow::WndProc(msg, wParam, lParam);
}

void TWSocket::Dispatch(quint16 events, quint16 error)
{
    if (events & FD_CONNECT) {
        ChangeState(wsConnected);
        TriggerSessionConnected(error);
        if (error != 0 && m_state != wsClosed)
            Close();
    }
    if (events & FD_READ)
        ReadLoop(error);
    if (events & FD_WRITE) {
        TryToSend();
        if (m_allSent && OnDataSent)
            TriggerDataSent(error);
    }
    if (events & FD_ACCEPT)
        TriggerSessionAvailable(error);
    if ((events & FD_CLOSE) && m_state != wsConnecting) {
        ReadLoop(0);
        // A data handler that closed the socket has had the close reported
        // (InternalClose); reporting it again would leave the mark set for
        // the next connection, whose close would then never be reported.
        if (m_state == wsClosed)
            return;
        if (OnSessionClosed && !m_closeInvoked) {
            m_closeInvoked = true;
            TriggerSessionClosed(error);
        }
        if (m_state != wsClosed)
            Close();
    }
}

bool TWSocket::BytesWaiting()
{
    if (m_aheadPos < m_ahead.size())
        return true;
    if (m_hSocket == INVALID_SOCKET)
        return false;
    if (m_tls && m_tls->HasPending())
        return true;
    int count = 0;
    if (::ioctl(m_hSocket, FIONREAD, &count) < 0) {
        m_lastError = WSocketErrorFromErrno(errno);
        return false;
    }
    return count > 0;
}

void TWSocket::ReadLoop(quint16 error)
{
    for (;;) {
        m_lastError = 0;
        try {
            if (!TriggerDataAvailable(error)) {
                char discard[kDiscardSize];
                if (Receive(discard, sizeof discard) < 0 && m_lastError == WSAEWOULDBLOCK) {
                    m_lastError = 0;
                    break;
                }
            }
        } catch (...) {
            break;  // a handler's exception ends this round only
        }
        // A handler that paused the socket (a speed limit) reads on after Resume.
        if (m_lastError != 0 || m_hSocket == INVALID_SOCKET || m_paused || !BytesWaiting())
            break;
    }
}

// ---------------------------------------------------------------- lookups

void TWSocket::DnsLookup(const QString& host)
{
    if (host.isEmpty()) {
        RaiseException("DNS lookup: invalid host name.");
        TriggerDnsLookupDone(WSAEINVAL);
        return;
    }
    m_lookup.reset();  // a second lookup silently replaces the first
    m_dnsResult.clear();
    m_dnsResultList.clear();
    if (const auto literal = TSocketAddress::FromText(host)) {
        m_dnsResult = literal->Host();
        TriggerDnsLookupDone(0);
        return;
    }
    auto job = std::make_shared<Lookup>();
    job->id = ++m_lookupSeq;
    job->host = host.trimmed().toUtf8();
    m_lookup = job;
    const HWND window = handle();
    try {
        std::thread([job, window] {
            int rc = 0;
            const QList<TSocketAddress> found = TSocketAddress::LookUp(QString::fromUtf8(job->host), 0, &rc);
            job->error = GaiErrorToWinsock(rc);
            for (const TSocketAddress& a : found)
                job->addresses.append(a.Host());
            // Nothing here outlives its owner: a window gone by now is
            // simply not found, even while the program is ending.
            PostMessage(window, WM_ASYNCGETHOSTBYNAME, static_cast<WPARAM>(job->id),
                        MakeLParam(0, static_cast<quint16>(job->error)));
        }).detach();
    } catch (const std::system_error& e) {
        m_lookup.reset();
        m_lastError = e.code().value();
        RaiseException(QString("%1: can't start DNS lookup, error #%2").arg(host).arg(e.code().value()));
    }
}

void TWSocket::DnsLookupDone(WPARAM request, quint16 error)
{
    if (!m_lookup || m_lookup->id != static_cast<quint64>(request))
        return;
    const std::shared_ptr<Lookup> job = std::move(m_lookup);
    m_lookup.reset();
    if (error == 0 && job->addresses.isEmpty())
        error = 11004;
    if (error == 0) {
        m_dnsResultList = job->addresses;
        m_dnsResult = m_dnsResultList.first();
    }
    TriggerDnsLookupDone(error);
}

void TWSocket::CancelDnsLookup()
{
    if (!m_lookup)
        return;
    m_lookup.reset();
    if (!m_destroying)
        TriggerDnsLookupDone(WSAEINTR);
}

// ---------------------------------------------------------------- connect

// Turns Proto, Port and Addr into the socket addresses to try, each once
// per connection; raises ESocketException for a name that does not resolve.
void TWSocket::ResolveSocketAddress()
{
    if (!m_protoResolved) {
        m_protoNum = WSocketResolveProto(m_proto);
        m_type = m_protoNum == IPPROTO_UDP ? SOCK_DGRAM : SOCK_STREAM;
        m_protoResolved = true;
    }
    if (!m_portResolved) {
        m_portNum = WSocketResolvePort(m_port, m_proto);
        m_portResolved = true;
    }
    if (!m_addrResolved) {
        m_targets = ResolveTargets(m_portNum);
        m_addrResolved = true;
    }
    for (TSocketAddress& target : m_targets)
        target.SetPort(m_portNum);
    m_sin = m_targets.first();
}

// An address this socket's lookup returned stands for the whole answer; a
// host name is looked up here, blocking, as it always was.
QList<TSocketAddress> TWSocket::ResolveTargets(quint16 port) const
{
    if (const auto literal = TSocketAddress::FromText(m_addr, port)) {
        QList<TSocketAddress> answer;
        for (const QString& text : m_dnsResultList)
            if (const auto a = TSocketAddress::FromText(text, port))
                answer.append(*a);
        if (answer.size() > 1 && answer.contains(*literal))
            return TSocketAddress::Interleaved(answer);
        return {*literal};
    }
    if (m_addr.isEmpty() || m_addr.size() > 256)
        throw ESocketException("WSocketResolveHost: Invalid Hostname.");
    const QList<TSocketAddress> found = TSocketAddress::LookUp(m_addr, port);
    if (found.isEmpty())
        throw ESocketException(QString("WSocketResolveHost: Cannot convert host address '%1'").arg(m_addr));
    return TSocketAddress::Interleaved(found);
}

void TWSocket::Connect()
{
    if ((m_hSocket != INVALID_SOCKET || m_connector.Running()) && m_state != wsClosed) {
        RaiseException("Connect: Socket already in use");
        return;
    }
    if (!m_portAssigned) {
        RaiseException("Connect: No Port Specified");
        return;
    }
    if (!m_addrAssigned) {
        RaiseException("Connect: No IP Address Specified");
        return;
    }
    if (!m_protoAssigned) {
        RaiseException("Connect: No Protocol Specified");
        return;
    }
    try {
        ResolveSocketAddress();
    } catch (const ESocketException& e) {
        RaiseException("connect: " + e.Message());
        return;
    }

    DeleteBufferedData();
    m_tlsFailure.clear();
    m_connectTried.clear();
    if (m_type != SOCK_STREAM) {
        ConnectDatagram();
        return;
    }
    m_connector.OnDone = [this](int fd, int error) { ConnectorDone(fd, error); };
    m_connector.SetPaused(m_paused);
    const int error = m_connector.Start(m_targets, m_type, m_protoNum, [this](int fd) { return PrepareStream(fd); });
    if (error != 0) {
        m_connectTried = m_connector.Tried();
        t_lastError = error;
        m_lastError = error;
        SocketError("Connect");
        return;
    }
    // The outcome arrives from the connector, on the event loop.
    ChangeState(wsOpened);
    ChangeState(wsConnecting);
}

QString TWSocket::ConnectTriedText() const
{
    if (m_connectTried.size() < 2)
        return {};
    return " (tried " + m_connectTried.join(QLatin1String(", ")) + ')';
}

// The options of every stream socket Connect opens: 0 or a WinSock code.
int TWSocket::PrepareStream(int fd)
{
    if (m_lingerOnOff != wsLingerNoSet) {
        linger l{};
        l.l_onoff = m_lingerOnOff == wsLingerOn ? 1 : 0;
        l.l_linger = m_lingerTimeout;
        if (setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l) != 0)
            return WSocketErrorFromErrno(errno);
    }
    int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0
        || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        return WSocketErrorFromErrno(errno);
    return 0;
}

// A datagram socket "connects" to the first address at once.
bool TWSocket::ConnectDatagram()
{
    const TSocketAddress& target = m_targets.first();
    m_hSocket = ::socket(target.Family(), m_type | SOCK_NONBLOCK | SOCK_CLOEXEC, m_protoNum);
    if (m_hSocket < 0) {
        m_hSocket = INVALID_SOCKET;
        SetLastErrorFromErrno();
        SocketError("Connect (socket)");
        return false;
    }
    ChangeState(wsOpened);
    sockaddr_storage local{};
    local.ss_family = static_cast<sa_family_t>(target.Family());
    const socklen_t localLen = target.Family() == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    if (::bind(m_hSocket, reinterpret_cast<sockaddr*>(&local), localLen) != 0) {
        RaiseException(QString("winsock.bind failed, error #%1").arg(WSocketErrorFromErrno(errno)));
        return false;
    }
    if (target.IsIPv4Broadcast()) {
        int on = 1;
        if (setsockopt(m_hSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
            SetLastErrorFromErrno();
            SocketError("setsockopt(SO_BROADCAST)");
            return false;
        }
    }
    ::connect(m_hSocket, target.Raw(), target.Length());
    WatchSocket(true, false);
    ChangeState(wsConnected);
    TriggerSessionConnected(0);
    return true;
}

void TWSocket::SetLingerOption()
{
    if (m_lingerOnOff == wsLingerNoSet)
        return;
    if (m_hSocket == INVALID_SOCKET) {
        RaiseException("Cannot set linger option at this time");
        return;
    }
    linger l{};
    l.l_onoff = m_lingerOnOff == wsLingerOn ? 1 : 0;
    l.l_linger = m_lingerTimeout;
    if (setsockopt(m_hSocket, SOL_SOCKET, SO_LINGER, &l, sizeof l) != 0) {
        SetLastErrorFromErrno();
        SocketError("setsockopt(SO_LINGER)");
    }
}

// ---------------------------------------------------------------- sending

void TWSocket::DeleteBufferedData()
{
    m_bufList.clear();
}

void TWSocket::PutDataInSendBuffer(const char* data, int len)
{
    while (len > 0) {
        if (m_bufList.empty() || m_bufList.back()->WrCount() >= m_bufList.back()->BufSize())
            m_bufList.push_back(std::make_unique<TBuffer>(TBuffer::DefaultSize));
        const int n = m_bufList.back()->Write(data, len);
        data += n;
        len -= n;
    }
}

int TWSocket::Send(const void* data, int len)
{
    if (m_state != wsConnected) {
        t_lastError = WSAENOTCONN;
        SocketError("Send");
        return -1;
    }
    m_allSent = false;
    if (len <= 0)
        len = 0;
    else
        PutDataInSendBuffer(static_cast<const char*>(data), len);
    TryToSend();
    if (m_allSent) {
        // OnDataSent is raised from the message loop, never inside Send.
        PostMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(m_hSocket), MakeLParam(FD_WRITE, 0));
    }
    return len;
}

int TWSocket::SendText(const QByteArray& text)
{
    return Send(text.constData(), static_cast<int>(text.size()));
}

int TWSocket::SendText(const QString& text)
{
    return SendText(text.toLatin1());
}

void TWSocket::TryToSend()
{
    if (m_hSocket == INVALID_SOCKET || m_bufList.empty())
        return;
    for (;;) {
        TBuffer* buf = m_bufList.front().get();
        qint32 len = 0;
        const char* p = buf->Peek(len);
        if (len <= 0) {
            if (m_bufList.size() > 1) {
                m_bufList.pop_front();
                continue;
            }
            m_allSent = true;
            if (m_writeNotifier)
                m_writeNotifier->setEnabled(false);
            return;
        }
        ssize_t sent = 0;
        int err = 0;
        if (m_tls) {
            sent = m_tls->Write(p, len);
            if (sent == -2)
                m_tlsFailure = m_tls->Failure();
            err = sent == -1 ? WSAEWOULDBLOCK : WSAECONNRESET;
        } else {
            const int flags = MSG_NOSIGNAL | (m_sendFlags == wsSendUrgent ? MSG_OOB : 0);
            sent = ::send(m_hSocket, p, static_cast<size_t>(len), flags);
            err = WSocketErrorFromErrno(errno);
        }
        if (sent < 0) {
            if (err == WSAEWOULDBLOCK) {
                WatchSocket(m_readNotifier ? m_readNotifier->isEnabled() : true, true);
                return;
            }
            if (err == WSAEINVAL || err == WSAENOTSOCK || err == WSAECONNRESET || err == WSAENOTCONN) {
                m_lastError = err;
                m_closeInvoked = true;
                Close();
                TriggerSessionClosed(static_cast<quint16>(err));
                return;
            }
            t_lastError = err;
            SocketError("TryToSend failed");
            return;
        }
        if (sent == 0)
            return;
        buf->Remove(static_cast<qint32>(sent));
        if (sent < len) {
            WatchSocket(m_readNotifier ? m_readNotifier->isEnabled() : true, true);
            return;
        }
    }
}

// ---------------------------------------------------------------- receiving

// Refills the read-ahead buffer from the kernel when it is empty: bytes
// now in it, 0 at end of stream, -1 on error (LastError).
qsizetype TWSocket::FillReadAhead()
{
    if (m_aheadPos < m_ahead.size())
        return m_ahead.size() - m_aheadPos;
    if (m_hSocket == INVALID_SOCKET) {
        m_lastError = WSAENOTSOCK;
        return -1;
    }
    // Large reads from the kernel; the caller's small reads are served
    // from this buffer.
    if (m_ahead.size() != kReadAhead)
        m_ahead.resize(kReadAhead);
    const qint64 n = RawRead(m_ahead.data(), kReadAhead);
    m_aheadPos = 0;
    if (n <= 0) {
        m_ahead.resize(0);
        return n < 0 ? -1 : 0;
    }
    m_ahead.resize(n);
    return n;
}

// Bytes from the kernel, decrypted on a secure connection: count, 0 at the
// end of the stream, -1 on error (LastError; WSAEWOULDBLOCK when nothing is
// waiting).
qint64 TWSocket::RawRead(char* data, qint64 size)
{
    if (!m_tls) {
        const ssize_t n = ::recv(m_hSocket, data, static_cast<size_t>(size), 0);
        if (n < 0)
            m_lastError = WSocketErrorFromErrno(errno);
        return n;
    }
    const qint64 n = m_tls->Read(data, size);
    if (n < 0) {
        m_lastError = WSAEWOULDBLOCK;
        if (m_tls->Waiting() == TTlsLayer::Want::Write) {
            m_tlsReadWantsWrite = true;
            WatchSocket(m_readNotifier ? m_readNotifier->isEnabled() : true, true);
        }
    } else if (n == 0 && !m_tls->CleanEnd()) {
        m_tlsFailure = m_tls->Failure();
    }
    return n;
}

int TWSocket::Receive(void* buffer, int size)
{
    if (size <= 0)
        return 0;
    if (m_aheadPos >= m_ahead.size() && (size >= kReadAhead || m_tls) && m_hSocket != INVALID_SOCKET) {
        // A large buffer takes the bytes directly, without the read-ahead
        // copy; so does every read of a secure connection, whose session
        // reads ahead itself.
        const qint64 n = RawRead(static_cast<char*>(buffer), size);
        if (n > 0)
            m_readCount += n;
        return static_cast<int>(n < 0 ? -1 : n);
    }
    const qsizetype ready = FillReadAhead();
    if (ready <= 0)
        return static_cast<int>(ready);
    const int n = static_cast<int>(std::min<qsizetype>(size, ready));
    std::memcpy(buffer, m_ahead.constData() + m_aheadPos, static_cast<size_t>(n));
    m_aheadPos += n;
    m_readCount += n;
    return n;
}

qint64 TWSocket::ReceiveToFile(int fd, qint64 max)
{
    if (max <= 0)
        return 0;
    // Bytes already read ahead go first, so the file keeps the stream's order.
    // Decrypted bytes cannot be spliced: they are copied from the read-ahead.
    if (m_aheadPos < m_ahead.size() || !m_pipe.Usable() || m_tls) {
        const qsizetype ready = FillReadAhead();
        if (ready <= 0)
            return ready;
        const qint64 n = std::min<qint64>(max, ready);
        if (!TSplicePipe::WriteAll(fd, m_ahead.constData() + m_aheadPos, n))
            return kFileWriteFailed;
        m_aheadPos += n;
        m_readCount += n;
        return n;
    }
    if (m_hSocket == INVALID_SOCKET) {
        m_lastError = WSAENOTSOCK;
        return -1;
    }
    const qint64 n = m_pipe.FillFrom(m_hSocket, max);
    if (n < 0) {
        if (!m_pipe.Usable())
            return ReceiveToFile(fd, max); // copy through the read-ahead instead
        m_lastError = WSocketErrorFromErrno(errno);
        return -1;
    }
    if (n > 0 && !m_pipe.DrainTo(fd)) {
        const int err = errno;
        m_pipe.Reset(); // what it still holds cannot reach the file any more
        errno = err;
        return kFileWriteFailed;
    }
    m_readCount += n;
    return n;
}

QByteArray TWSocket::ReceiveText()
{
    const qint64 waiting = RcvdCount();
    if (waiting <= 0)
        return {};
    QByteArray text(static_cast<qsizetype>(waiting), '\0');
    const int n = Receive(text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? n : 0);
    return text;
}

qint64 TWSocket::RcvdCount()
{
    const qint64 buffered = m_ahead.size() - m_aheadPos;
    if (m_hSocket == INVALID_SOCKET)
        return buffered;
    int count = 0;
    if (::ioctl(m_hSocket, FIONREAD, &count) < 0) {
        m_lastError = WSocketErrorFromErrno(errno);
        return -1;
    }
    return buffered + count;
}

// ---------------------------------------------------------------- closing

void TWSocket::Close()
{
    InternalClose(true, 0);
}

void TWSocket::Abort()
{
    CancelDnsLookup();
    DeleteBufferedData();
    if (m_state == wsConnected) {
        m_lingerOnOff = wsLingerOff;
        SetLingerOption();
    }
    InternalClose(false, 0);
}

void TWSocket::InternalClose(bool graceful, quint16 error)
{
    // A connect under way has sockets of its own, closed like the handle.
    const bool connecting = m_connector.Running();
    m_connector.Cancel();
    if (m_hSocket == INVALID_SOCKET && !connecting) {
        if (m_state != wsClosed) {
            ChangeState(wsClosed);
            AssignDefaultValue();
        }
        return;
    }
    if (m_state == wsClosed)
        return;
    StopWatching();
    if (m_hSocket != INVALID_SOCKET) {
        if (graceful) {
            if (m_tls)
                m_tls->Shutdown();
            ::shutdown(m_hSocket, SHUT_WR);
        }
        if (::close(m_hSocket) != 0 && errno != EINTR) {
            SetLastErrorFromErrno();
            m_hSocket = INVALID_SOCKET;
            m_lastError = t_lastError;
            SocketError("Disconnect (closesocket)");
            return;
        }
    }
    m_hSocket = INVALID_SOCKET;
    ChangeState(wsClosed);
    if (!m_destroying && !m_closeInvoked && OnSessionClosed) {
        m_closeInvoked = true;
        TriggerSessionClosed(error);
    }
    try {
        AssignDefaultValue();
    } catch (...) {
    }
}

void TWSocket::Shutdown(int how)
{
    if (m_hSocket != INVALID_SOCKET)
        ::shutdown(m_hSocket, how);
}

// ---------------------------------------------------------------- server side

void TWSocket::Listen()
{
    if (!m_portAssigned) {
        t_lastError = WSAEINVAL;
        m_lastError = WSAEINVAL;
        RaiseException("listen: port not assigned");
        return;
    }
    if (!m_protoAssigned) {
        RaiseException("listen: protocol not assigned");
        return;
    }
    if (!m_addrAssigned) {
        RaiseException("listen: address not assigned");
        return;
    }
    try {
        ResolveSocketAddress();
    } catch (const ESocketException& e) {
        RaiseException("listen: " + e.Message());
        return;
    }
    DeleteBufferedData();
    m_hSocket = ::socket(m_sin.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (m_hSocket < 0) {
        m_hSocket = INVALID_SOCKET;
        SetLastErrorFromErrno();
        SocketError("socket");
        return;
    }
    if (::bind(m_hSocket, m_sin.Raw(), m_sin.Length()) != 0) {
        SetLastErrorFromErrno();
        const int err = t_lastError;
        try {
            SocketError("Bind");
        } catch (...) {
            t_lastError = err;
            InternalClose(false, 0);
            throw;
        }
        InternalClose(false, 0);
        return;
    }
    ChangeState(wsBound);
    if (::listen(m_hSocket, 5) != 0) {
        SetLastErrorFromErrno();
        SocketError("Listen");
        return;
    }
    ChangeState(wsListening);
    WatchSocket(true, false);
}

TSocket TWSocket::Accept()
{
    if (m_state != wsListening) {
        t_lastError = WSAEINVAL;
        SocketError("not a listening socket");
        return INVALID_SOCKET;
    }
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    const TSocket h = ::accept4(m_hSocket, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (h < 0) {
        SetLastErrorFromErrno();
        SocketError("Accept");
        return INVALID_SOCKET;
    }
    m_sin = TSocketAddress::FromRaw(peer, len);
    return h;
}

void TWSocket::Dup(TSocket newHSocket)
{
    if (newHSocket == 0 || newHSocket == INVALID_SOCKET) {
        t_lastError = WSAEINVAL;
        SocketError("Dup");
        return;
    }
    if (m_state != wsClosed) {
        m_connector.Cancel();
        StopWatching();
        if (m_hSocket != INVALID_SOCKET && ::close(m_hSocket) != 0) {
            SetLastErrorFromErrno();
            m_hSocket = INVALID_SOCKET;
            SocketError("Dup (closesocket)");
            return;
        }
        m_hSocket = INVALID_SOCKET;
        ChangeState(wsClosed);
    }
    m_tls.reset();
    m_hSocket = newHSocket;
    const int fl = fcntl(m_hSocket, F_GETFL);
    fcntl(m_hSocket, F_SETFL, fl | O_NONBLOCK);
    m_ahead.clear();
    m_aheadPos = 0;
    SetLingerOption();
    WatchSocket(true, false);
    ChangeState(wsConnected);
}

int TWSocket::GetSockName(sockaddr_storage& addr, socklen_t& len)
{
    if (::getsockname(m_hSocket, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        m_lastError = WSocketErrorFromErrno(errno);
        return -1;
    }
    return 0;
}

QString TWSocket::GetPeerAddr()
{
    if (m_state != wsConnected)
        return "error";
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (::getpeername(m_hSocket, reinterpret_cast<sockaddr*>(&peer), &len) != 0)
        return "error";
    return TSocketAddress::FromRaw(peer, len).Host();
}

int TWSocket::PeerFamily()
{
    if (m_state != wsConnected)
        return 0;
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (::getpeername(m_hSocket, reinterpret_cast<sockaddr*>(&peer), &len) != 0)
        return 0;
    return peer.ss_family;
}

QString TWSocket::GetLocalPort()
{
    if (m_state != wsBound && m_state != wsConnected && m_state != wsListening)
        return "error";
    sockaddr_storage local{};
    socklen_t len = sizeof local;
    if (GetSockName(local, len) != 0)
        return "error";
    return QString::number(TSocketAddress::FromRaw(local, len).Port());
}

QString TWSocket::GetLocalAddr()
{
    if (m_hSocket == INVALID_SOCKET)
        return "error";
    sockaddr_storage local{};
    socklen_t len = sizeof local;
    if (GetSockName(local, len) != 0)
        return "error";
    return TSocketAddress::FromRaw(local, len).Host();
}

void TWSocket::Pause()
{
    m_paused = true;
    m_connector.SetPaused(true);
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

void TWSocket::Resume()
{
    m_paused = false;
    m_connector.SetPaused(false);
    if (m_state == wsConnecting)
        WatchSocket(false, true);
    else
        WatchSocket(true, !m_allSent);
    // Bytes this process already holds raise no readiness of the socket.
    const bool held = m_aheadPos < m_ahead.size() || (m_tls && m_tls->HasPending());
    if (m_state == wsConnected && held)
        PostMessage(handle(), WM_ASYNCSELECT, static_cast<WPARAM>(m_hSocket), MakeLParam(FD_READ, 0));
}

} // namespace flk
