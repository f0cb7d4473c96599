#pragma once
// TWSocket: the non-blocking IPv4/IPv6 TCP endpoint under every network client.
//
// Every readiness change (connected, data waiting, room to send, peer
// closed, incoming connection) arrives on the GUI thread as the WM_USER+1
// notification of the socket's own hidden window and is dispatched, in a
// fixed order, to the events below. Host-name lookups run getaddrinfo on a
// worker thread whose completion comes back as WM_USER+2; they ask for both
// families.
//
// Connecting: Addr is a numeric address (dotted IPv4, or IPv6 with or
// without brackets) or a host name. When Addr is one of the addresses this
// socket's last DnsLookup returned, Connect tries all of them, by Happy
// Eyeballs (THappyEyeballs: IPv6 first, then the families alternating,
// 250 ms apart, the first to connect wins); a host name is resolved on the
// spot (blocking) and tried the same way. OnSessionConnected reports the
// winner, or the last error when every address failed; ConnectTried names
// the addresses tried.
//
// Event style: events are std::function members, assigned by the owner
// (sock.OnDataAvailable = [this](TWSocket* s, quint16 err) {...}). An empty
// member counts as "not assigned" (this matters for OnDataAvailable,
// OnDataSent, OnSessionClosed and OnError). Every event carries the socket as
// Sender, so one handler can serve several sockets. Each event is raised
// through a protected virtual Trigger... operation.
//
// Raised only from the dispatch of a notification (never inside a call):
// OnDataAvailable, OnDataSent, OnSessionAvailable, OnSessionConnected.
// Raised synchronously: OnChangeState at every state change; OnDnsLookupDone
// from DnsLookup of a dotted address and from CancelDnsLookup;
// OnSessionClosed from Close and Abort and from a send that finds the
// connection broken. OnSessionClosed fires at most once per connection.
//
// Errors: when OnError is empty, a failing operation throws ESocketException;
// otherwise OnError is called and the operation stops (LastError holds the
// code). Error codes are the WinSock numbers (10061 = connection refused...),
// mapped from errno, and WSocketErrorText gives their English text.
//
// Receiving reads ahead from the kernel in large chunks and serves Receive
// from that buffer, so a client reading in small blocks costs few system calls.
//
// Secure connections: with TlsHost set before Connect, the socket runs a TLS
// handshake (TTlsLayer) once the connection is made and raises
// OnSessionConnected only when it is done, or with WSAECONNABORTED when it
// failed (TlsFailure says why, in words). Receive and Send then carry
// decrypted bytes, driven by the same readiness notifications. The peer's
// close_notify ends the stream with OnSessionClosed(0); a stream cut without
// it ends with OnSessionClosed(WSAECONNABORTED) and a TlsFailure.

#include "HappyEyeballs.h"
#include "Messages.h"
#include "SocketAddress.h"
#include "SplicePipe.h"
#include "TlsLayer.h"
#include "WSockbuf.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include "Exception.h"

#include <netinet/in.h>
#include <sys/socket.h>

class QSocketNotifier;

namespace flk {

using TSocket = int;
constexpr TSocket INVALID_SOCKET = -1;

enum TSocketState : quint8 {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed
};

enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

// Event bits of the WM_USER+1 notification (low word of lParam; the high
// word is the error code; wParam the socket handle).
constexpr quint16 FD_READ = 0x01;
constexpr quint16 FD_WRITE = 0x02;
constexpr quint16 FD_OOB = 0x04;
constexpr quint16 FD_ACCEPT = 0x08;
constexpr quint16 FD_CONNECT = 0x10;
constexpr quint16 FD_CLOSE = 0x20;

// WinSock error codes used by the clients.
constexpr int WSAEINTR = 10004;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAHOST_NOT_FOUND = 11001;

class ESocketException : public Exception {
public:
    using Exception::Exception;
};

class TWSocket;
using TSocketEvent = std::function<void(TWSocket* Sender, quint16 Error)>;
using TChangeStateEvent = std::function<void(TWSocket* Sender, TSocketState OldState, TSocketState NewState)>;
using TSocketNotifyEvent = std::function<void(TWSocket* Sender)>;

class TWSocket : public HiddenWindow {
    Q_OBJECT
public:
    explicit TWSocket(QObject* owner = nullptr);
    ~TWSocket() override;

    // --- properties ---
    QString Addr() const { return m_addr; }
    void SetAddr(const QString& value);   // only while wsClosed
    QString Port() const { return m_port; }
    void SetPort(const QString& value);   // only while wsClosed
    QString Proto() const { return m_proto; }
    void SetProto(const QString& value);  // only while wsClosed; default "tcp"
    QString DnsResult() const { return m_dnsResult; }
    QStringList DnsResultList() const { return m_dnsResultList; }
    TSocketState State() const { return m_state; }
    qint64 ReadCount() const { return m_readCount; }  // bytes received (Receive, ReceiveToFile)
    qint64 RcvdCount();                               // bytes waiting now; -1 on failure
    int LastError() const { return m_lastError; }
    bool MultiThreaded() const { return m_multiThreaded; }
    void SetMultiThreaded(bool value) { m_multiThreaded = value; }
    int FlushTimeout() const { return m_flushTimeout; }
    void SetFlushTimeout(int seconds) { m_flushTimeout = seconds; }
    TSocketSendFlags SendFlags() const { return m_sendFlags; }
    void SetSendFlags(int value);          // "Invalid SendFlags" for other values
    TSocketLingerOnOff LingerOnOff() const { return m_lingerOnOff; }
    void SetLingerOnOff(TSocketLingerOnOff value) { m_lingerOnOff = value; }
    int LingerTimeout() const { return m_lingerTimeout; }
    void SetLingerTimeout(int seconds) { m_lingerTimeout = seconds; }
    TSocket HSocket() const { return m_hSocket; }
    // Host name or dotted address the next connection's TLS session is for;
    // empty (the default, again after every close) for a plain connection.
    QString TlsHost() const { return m_tlsHost; }
    void SetTlsHost(const QString& value); // only while wsClosed
    bool Secure() const { return m_tls != nullptr; }
    // Why the last connection's handshake failed or its stream was cut short;
    // empty when it did not. Kept until the next Connect.
    QString TlsFailure() const { return m_tlsFailure; }
    // The addresses the last Connect tried, "[::1]:80" / "127.0.0.1:80",
    // in the order tried. Kept until the next Connect.
    QStringList ConnectTried() const { return m_connectTried; }
    // " (tried [::1]:80, 127.0.0.1:80)" after a connect that tried several
    // addresses, for a failure text; empty after one.
    QString ConnectTriedText() const;

    // --- events ---
    TSocketEvent OnDataAvailable;
    TSocketEvent OnDataSent;
    TSocketEvent OnSessionClosed;
    TSocketEvent OnSessionAvailable;
    TSocketEvent OnSessionConnected;
    TChangeStateEvent OnChangeState;
    TSocketEvent OnDnsLookupDone;
    TSocketNotifyEvent OnError;

    // --- operations ---
    void DnsLookup(const QString& host);
    void CancelDnsLookup();
    void Connect();
    // Starts a TLS session for host on a plain connection already made (a
    // tunnel through a proxy, once the proxy said yes). As after Connect
    // with TlsHost, OnSessionConnected comes again when the handshake is
    // done, or with WSAECONNABORTED when it failed (TlsFailure).
    void StartTls(const QString& host);
    int Send(const void* data, int len);   // count accepted, -1 when not connected
    int SendText(const QByteArray& text);
    int SendText(const QString& text);     // as Latin-1 bytes
    int Receive(void* buffer, int size);   // bytes, 0 at end of stream, -1 on error
    // Moves up to max received bytes into the file open on fd, at its
    // position. Bytes already read ahead are written from memory; the rest
    // goes from the socket into the file through a kernel pipe and never
    // passes through this process. Bytes moved, 0 at end of stream, -1 on a
    // socket error (LastError; WSAEWOULDBLOCK when nothing is waiting),
    // kFileWriteFailed when the file refused them (errno tells why; the
    // bytes are lost to the file).
    qint64 ReceiveToFile(int fd, qint64 max);
    static constexpr qint64 kFileWriteFailed = -2;
    QByteArray ReceiveText();
    void Close();
    void Abort();
    void Shutdown(int how);                // 0 receive, 1 send, 2 both
    void Listen();
    TSocket Accept();                      // new handle or -1 (INVALID_SOCKET)
    void Dup(TSocket newHSocket);
    int GetSockName(sockaddr_storage& addr, socklen_t& len);  // 0 or -1 (LastError set)
    // Numeric addresses: dotted IPv4, or IPv6 without brackets ("::1").
    QString GetPeerAddr();                 // "error" unless connected
    QString GetLocalPort();                // decimal, "error" unless bound/connected/listening
    QString GetLocalAddr();                // local address of a live socket, "error" otherwise
    int PeerFamily();                      // AF_INET, AF_INET6; 0 unless connected
    // Pause stops the notifications (reads wait in the kernel); Resume
    // restarts them, and delivers bytes already read ahead at once.
    void Pause();
    void Resume();
    bool Paused() const { return m_paused; }

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    virtual bool TriggerDataAvailable(quint16 error);
    virtual void TriggerSessionAvailable(quint16 error);
    virtual void TriggerSessionConnected(quint16 error);
    virtual void TriggerSessionClosed(quint16 error);
    virtual void TriggerDataSent(quint16 error);
    virtual void TriggerChangeState(TSocketState oldState, TSocketState newState);
    virtual void TriggerDnsLookupDone(quint16 error);
    virtual void TriggerError();

private:
    void ResolveSocketAddress();
    QList<TSocketAddress> ResolveTargets(quint16 port) const;
    int PrepareStream(int fd);
    void ConnectorDone(int fd, int error);
    void ConnectOutcome(quint16 error);
    bool ConnectDatagram();
    struct Lookup;
    void AssignDefaultValue();
    void InternalClose(bool graceful, quint16 error);
    void ChangeState(TSocketState newState);
    void SocketError(const QString& func);           // report(function name)
    void RaiseException(const QString& msg);         // raise(message)
    void SetLingerOption();
    void DeleteBufferedData();
    void PutDataInSendBuffer(const char* data, int len);
    void TryToSend();
    void ReadLoop(quint16 error);
    bool BytesWaiting();
    qsizetype FillReadAhead();
    void Dispatch(quint16 events, quint16 error);
    void DnsLookupDone(WPARAM request, quint16 error);
    void WatchSocket(bool read, bool write);
    void StopWatching();
    void ReadReady();
    void WriteReady();
    void TlsHandshake();
    void TlsReadReady();
    qint64 RawRead(char* data, qint64 size);
    void CloseHandleNow();

    TSocket m_hSocket = INVALID_SOCKET;
    TSocketState m_state = wsClosed;
    QString m_addr, m_port, m_proto;
    bool m_addrAssigned = false, m_addrResolved = false;
    bool m_portAssigned = false, m_portResolved = false;
    bool m_protoAssigned = false, m_protoResolved = false;
    TSocketAddress m_sin;              // Listen's address; Accept's peer
    QList<TSocketAddress> m_targets;   // what Connect tries, in order
    THappyEyeballs m_connector;
    QStringList m_connectTried;
    int m_type = SOCK_STREAM;
    int m_protoNum = 6;
    quint16 m_portNum = 0;
    std::deque<std::unique_ptr<TBuffer>> m_bufList;
    bool m_allSent = true;
    bool m_paused = false;
    bool m_closeInvoked = false;  // session-closed reported
    bool m_destroying = false;
    int m_lastError = 0;
    qint64 m_readCount = 0;
    std::shared_ptr<Lookup> m_lookup;
    quint64 m_lookupSeq = 0;
    QString m_dnsResult;
    QStringList m_dnsResultList;
    TSocketLingerOnOff m_lingerOnOff = wsLingerOn;
    int m_lingerTimeout = 0;
    TSocketSendFlags m_sendFlags = wsSendNormal;
    bool m_multiThreaded = false;
    int m_flushTimeout = 60;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_ahead;        // bytes read ahead from the kernel
    qsizetype m_aheadPos = 0;  // first unread byte in m_ahead
    TSplicePipe m_pipe;        // socket-to-file moves of ReceiveToFile
    QString m_tlsHost;
    std::unique_ptr<TTlsLayer> m_tls;
    QString m_tlsFailure;
    bool m_tlsReadWantsWrite = false;  // a read waits for room to send
};

// English text of a WinSock error code.
QString WSocketErrorText(int code);
// WinSock code for an errno value.
int WSocketErrorFromErrno(int err);
// Resolve a dotted address or host name to an IPv4 address (network order;
// TSocketAddress reads both families), a port number or
// service name (host order), a protocol number or name. Throw ESocketException.
quint32 WSocketResolveHost(const QString& host);
quint16 WSocketResolvePort(const QString& port, const QString& proto);
int WSocketResolveProto(const QString& proto);

} // namespace flk
