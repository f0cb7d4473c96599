#pragma once
// THttpCli: one HTTP/1.0 request at a time (GET, HEAD or POST) over an owned
// TWSocket. The header is parsed line by line; the body is handed out in
// blocks of at most 8192 bytes to OnDocData and to ReceiveStream; redirects
// are followed by the client itself (at most 20 per request). When
// ReceiveStream is a TFileStream the body moves from the socket into its
// file inside the kernel, in moves of up to 256 KiB, and OnDocData gets each
// move's length with a null Buffer. A stream that refuses the body ends the
// request ("Cannot write the document: ...").
//
// A request runs without waiting (StartRequest / Get / Head / Post; the end is
// OnRequestDone) or synchronously (GetSync / HeadSync / PostSync: a nested
// message loop until the client is idle, then EHttpException on failure).
//
// Settings are plain public members; run-time results are read through
// getters. Events are std::function members with the client as Sender,
// raised through protected virtual Trigger... operations; an empty member is
// simply not called.
//
// https addresses (default port 443) run over a TLS session of the socket,
// verified against the address's host; redirects may switch between http and
// https either way.
//
// Proxies: Proxy names one for every request; otherwise ProxyRules choose
// one (or none) for each address, redirections included. Through a proxy an
// http address is asked for in absolute form ("GET http://host:port/path"),
// and an https address gets a tunnel ("CONNECT host:port") in which the TLS
// session runs to the server itself, verified against its host, not the
// proxy's. Credentials of the proxy (ProxyUsername, or the proxy address's
// own) go only to the proxy, as "Proxy-Authorization: Basic", and never into
// a reason or a text of the client.
//
// Failures end the request with ResponseStatus >= 400 and a ResponseReason:
// the server's own status, or 404 with one of the client's texts ("can't
// resolve hostname to IP address", "can't connect: ...", "Connection aborted
// on request", "HTTP line too long", malformed or truncated replies, too many
// redirects, "Secure connection failed: " and the reason in words; a
// proxy's failures name the proxy: "can't connect to the proxy ...", its
// 407, its refusal of a tunnel with its own status, its close before the
// tunnel was open). The client is idle and ready for the next request
// afterwards.

#include "Messages.h"
#include "ProxyRules.h"
#include "ReadThrottle.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include "Exception.h"

class QIODevice;

namespace flk {

class TFileStream;
class TRateLimit;
class TWSocket;

enum THttpRequest { httpABORT, httpGET, httpPOST, httpHEAD };

// ClientState values, in order: idle, starting, connected, looking up the
// host, connecting, waiting for the header, receiving the body, aborting.
enum THttpState {
    httpReady,
    httpStarting,
    httpConnected,
    httpDnsLookup,
    httpConnecting,
    httpWaitingHeader,
    httpWaitingBody,
    httpAborting
};

class EHttpException : public Exception {
public:
    EHttpException(const QString& msg, int code) : Exception(msg), m_code(code) {}
    int ErrorCode() const { return m_code; }

private:
    int m_code;
};

// Standard Base64 (with "=" padding, no line breaks) of Latin-1 text.
QString EncodeBase64(const QString& text);

class THttpCli;
using THttpNotifyEvent = std::function<void(THttpCli* Sender)>;
using THttpCommandEvent = std::function<void(THttpCli* Sender, QString& Line)>;
using THttpDataEvent = std::function<void(THttpCli* Sender, const char* Buffer, int Len)>;
using THttpRequestDone = std::function<void(THttpCli* Sender, THttpRequest RqType, quint16 Error)>;

class THttpCli : public HiddenWindow {
    Q_OBJECT
public:
    static constexpr int kRcvBufSize = 8192;
    static constexpr qint64 kFileMoveSize = 256 << 10;
    static constexpr int kMaxRedirects = 20;
    // A reply's header beyond this is refused: no real server needs it, and
    // a hostile one could otherwise feed header lines for ever.
    static constexpr qint64 kMaxHeaderBytes = 256 << 10;

    explicit THttpCli(QObject* owner = nullptr);
    ~THttpCli() override;

    // --- settings (used by the next request) ---
    QString URL;
    QString Proxy;                 // "host" or "host:port"; empty = ProxyRules decide
    QString ProxyPort = "80";
    QString Sender;                // "From: "
    QString Agent;                 // "User-Agent: "
    QString Reference;             // "Referer: "
    QString Username, Password;    // "Authorization: Basic "; the URL's own replace them
    QString ProxyUsername, ProxyPassword;  // when the proxy's address gives none
    TProxyRules ProxyRules;        // the proxy for each address when Proxy is empty
    bool NoCache = false;          // "Pragma: no-cache"
    // The request as HTTP/1.1 with "Connection: close" (still one request
    // per connection): some servers (lighttpd) serve ranges to 1.1 only.
    bool Http11 = false;
    // Seconds the server may stay silent (while connecting or replying)
    // before the request fails; 0 waits for ever.
    int Timeout = 60;
    QDateTime ModifiedSince;       // invalid = not sent
    // Cookie and Reference belong to the site of URL: they go with its
    // request and with redirections within that site (scheme, host and
    // port), never to another site a redirection leads to.
    QString Cookie;
    QString ContentTypePost = "application/x-www-form-urlencoded";
    QString ContentRangeBegin, ContentRangeEnd;  // one request only; set again by a reply's Content-Range
    QString Location;              // last location header, as the server sent it
    QIODevice* ReceiveStream = nullptr;  // not owned: every body block is written into it
    QIODevice* PostStream = nullptr;     // not owned: read for a POST body
    // Not owned: the body is read no faster than it allows (nullptr: no limit).
    TRateLimit* RateLimit = nullptr;

    bool MultiThreaded() const { return m_multiThreaded; }
    void SetMultiThreaded(bool value);

    // --- run-time results ---
    THttpState ClientState() const { return m_state; }
    int ResponseStatus() const { return m_statusCode; }
    QString ResponseReason() const { return m_reasonPhrase; }
    // True when ResponseStatus came from the server's status line; false for
    // the client's own failures (lookup, connection, TLS, malformed replies),
    // which carry 404 without the server having said so.
    bool ServerStatus() const { return m_statusFromServer; }
    QString CurrentLine() const { return m_lastResponse; }
    qint64 ReceivedBytes() const { return m_rcvdCount; }
    qint64 SentBytes() const { return m_sentCount; }
    QString LocalDocName() const { return m_docName; }
    // -1 when the reply gave none, or sent its body in chunks (whose decoded
    // length is what counts then).
    qint64 AnnouncedLength() const { return m_contentLength; }
    bool Chunked() const { return m_chunked; }
    QString MediaType() const { return m_contentType; }
    // The reply's Content-Disposition value, as sent; empty when none.
    QString ContentDispositionValue() const { return m_contentDisposition; }
    QStringList AuthChallenges() const { return m_authChallenges; }
    QStringList ResponseHeaders() const { return m_responseHeaders; }
    quint16 RequestError() const { return m_requestError; }
    THttpRequest RequestType() const { return m_requestType; }
    int RedirectCount() const { return m_redirectCount; }
    // The address being fetched: URL, or where the redirections led (each
    // Location resolved against the address it came from).
    QString CurrentUrl() const { return m_url; }
    TWSocket* CtrlSocket() const { return m_socket; }
    // The proxy the address being fetched goes through; Direct() when none.
    TProxy CurrentProxy() const { return m_proxy; }

    // --- events ---
    THttpNotifyEvent OnTrace;  // declared, never fired
    THttpNotifyEvent OnSessionConnected;
    THttpNotifyEvent OnHeaderData;
    THttpCommandEvent OnCommand;
    THttpNotifyEvent OnHeaderBegin;
    THttpNotifyEvent OnHeaderEnd;
    THttpNotifyEvent OnRequestHeaderBegin;
    THttpNotifyEvent OnRequestHeaderEnd;
    THttpNotifyEvent OnDocBegin;
    THttpDataEvent OnDocData;
    THttpNotifyEvent OnDocEnd;
    THttpNotifyEvent OnSendBegin;
    THttpDataEvent OnSendData;
    THttpNotifyEvent OnSendEnd;
    THttpNotifyEvent OnStateChange;
    THttpRequestDone OnRequestDone;
    THttpNotifyEvent OnLocationChange;

    // --- operations ---
    void StartRequest(THttpRequest rq);  // EHttpException 1 (busy) or 2 (nothing to post)
    void Get() { StartRequest(httpGET); }
    void Head() { StartRequest(httpHEAD); }
    void Post() { StartRequest(httpPOST); }
    void GetSync();    // EHttpException on failure: ResponseReason and ResponseStatus,
    void HeadSync();   // or "HTTP line too long" (4)
    void PostSync();
    void AbortRequest();

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    virtual void TriggerSessionConnected();
    virtual void TriggerHeaderData();
    virtual void TriggerCommand(QString& line);
    virtual void TriggerHeaderBegin();
    virtual void TriggerHeaderEnd();
    virtual void TriggerRequestHeaderBegin();
    virtual void TriggerRequestHeaderEnd();
    virtual void TriggerDocBegin();
    virtual void TriggerDocData(const char* buffer, int len);
    virtual void TriggerDocEnd();
    virtual void TriggerSendBegin();
    virtual void TriggerSendData(const char* buffer, int len);
    virtual void TriggerSendEnd();
    virtual void TriggerStateChange();
    virtual void TriggerRequestDone();
    virtual void TriggerLocationChange();

private:
    enum class CloseHandler { Normal, Redirect };

    void SyncRequest(THttpRequest rq);
    void SetState(THttpState state);
    void StartConnection();
    void SocketDnsLookupDone(quint16 error);
    void SocketSessionConnected(quint16 error);
    void SocketDataAvailable();
    void SocketDataSent();
    void SocketSessionClosed(quint16 error);
    void SendRequestHeader();
    void SendNextPostBlock();
    void ProcessLines();
    void HeaderLine(const QByteArray& raw, qsizetype lineEnd);
    void HeaderLineText(const QString& line);
    void EndOfHeader(qsizetype rest);
    void Body(const char* data, qsizetype len);
    void BodyBlock(const char* data, qsizetype len);
    void DecodeChunks(const char* data, qsizetype len);
    bool ChunkLine(const QByteArray& line);
    void BodyToFile(TFileStream& file);
    void WriteFailed(const QString& why);
    void Aim(const QString& url);
    TProxy ProxyOf(const QString& url) const;
    void SendConnect();
    void TunnelData();
    void TunnelReply(const QByteArray& header, qsizetype rest);
    void StartTunnelTls();
    void ProxyFail(int status, const QString& reason);
    QString ProxyAuthFailure() const;
    void WorkOutRedirect(const QString& value);
    void Fail(const QString& reason);
    void DeliverHeaderlessDocument();
    void EndOfSession();
    void RedirectSessionClosed();
    QString SecureFailure() const;
    void RestartAfterRedirect();
    void CloseSocket();
    void Heard();
    void TimedOut();

    TWSocket* m_socket = nullptr;
    QTimer m_silence; // runs while the request waits for the server
    TReadThrottle m_throttle;
    bool m_multiThreaded = false;
    THttpState m_state = httpReady;
    THttpRequest m_requestType = httpGET;
    CloseHandler m_closeHandler = CloseHandler::Normal;
    int m_statusCode = 0;
    bool m_statusFromServer = false;
    QString m_reasonPhrase;
    QString m_lastResponse;
    qint64 m_rcvdCount = 0;
    qint64 m_sentCount = 0;
    QString m_docName;
    qint64 m_contentLength = -1;
    bool m_lengthSeen = false;   // a Content-Length came in this reply
    qint64 m_headerBytes = 0;    // bytes of this reply's header so far
    QString m_contentType;
    QString m_contentDisposition;
    QStringList m_authChallenges;
    QStringList m_responseHeaders;
    quint16 m_requestError = 0;
    QString m_url;          // absolute address being fetched
    QString m_siteUrl;      // URL as asked: its site gets Cookie and Referer
    QString m_hostName;     // for the Host header
    QString m_targetHost;   // connect target
    QString m_targetPort;
    QString m_path;         // request target
    QString m_pathPrefix;   // "http://host:port" before it, for a proxy
    // Through a proxy: which, and for https the tunnel to the server. The
    // tunnel goes Connecting (to the proxy) -> Asked (CONNECT sent) -> Ready
    // (the proxy said yes) -> Securing (TLS handshake) -> Open.
    enum class Tunnel { None, Connecting, Asked, Ready, Securing, Open };
    TProxy m_proxy;
    bool m_tunnelWanted = false;
    Tunnel m_tunnel = Tunnel::None;
    QString m_tunnelTarget; // "host:port" of the CONNECT
    QString m_originHost;   // the server's host, for its certificate
    QByteArray m_tunnelReply;
    QString m_scheme;
    bool m_connected = false;
    bool m_locationChanged = false;
    bool m_sending = false;
    bool m_lineTooLong = false;
    bool m_sessionEnded = false;
    int m_redirectCount = 0;
    // "Transfer-Encoding: chunked": the body comes as size lines and data.
    enum class Chunk { Size, Data, DataEnd, Trailer, Done, Failed };
    bool m_chunked = false;
    Chunk m_chunk = Chunk::Size;
    qint64 m_chunkLeft = 0;
    QByteArray m_chunkLine;
    char m_rcvBuf[kRcvBufSize + 1] = {};
    int m_rcvLen = 0;
    int m_headerLineCount = 0;
    int m_bodyDataCount = 0;
};

} // namespace flk
