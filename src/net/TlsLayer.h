#pragma once
// TTlsLayer: the TLS session of one TWSocket connection, with OpenSSL.
//
// The socket keeps its descriptor and its readiness notifiers; this layer
// turns records into bytes and says which readiness it waits for (Waiting:
// read or write), so a handshake, a read or a write that cannot go on is
// simply tried again at the next readiness of that kind.
//
// TLS 1.2 and 1.3 only. The server's certificate must chain to an authority
// the system trusts (the authority file or folder named by SSL_CERT_FILE /
// SSL_CERT_DIR when set, as OpenSSL's own default lookup does) and name the
// host, or the IP address, the connection was asked for. Nothing turns the
// verification off. Failures are kept as words a user can act on (Failure).
//
// The stream ends cleanly only with the server's close_notify; a connection
// closed without it is an end cut short (Ended and not CleanEnd).

#include <QString>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct bio_method_st BIO_METHOD;

namespace flk {

class TTlsLayer {
public:
    enum class Want { Nothing, Read, Write };
    enum class Step { Done, Waiting, Failed };

    // A client session on the connected non-blocking socket fd, for host
    // (a name or a dotted address): server name indication for a name, and
    // the certificate checked against one or the other.
    TTlsLayer(int fd, const QString& host);
    ~TTlsLayer();
    TTlsLayer(const TTlsLayer&) = delete;
    TTlsLayer& operator=(const TTlsLayer&) = delete;

    // One step of the handshake; Waiting tells the readiness it waits for.
    Step Handshake();
    bool Established() const { return m_established; }
    Want Waiting() const { return m_want; }

    // Decrypts up to size bytes into data (record after record, straight
    // into the caller's buffer): bytes, 0 once the stream has ended (see
    // CleanEnd), -1 when nothing can be read now (Waiting).
    qint64 Read(char* data, qint64 size);
    // Bytes taken (>0), -1 when it must wait (Waiting), -2 on failure.
    qint64 Write(const char* data, qint64 size);
    // True while the session holds received bytes (decrypted or not) that
    // the socket's readiness will not announce again.
    bool HasPending() const;

    bool Ended() const { return m_end != End::Open; }
    bool CleanEnd() const { return m_end == End::Clean; }
    // Sends close_notify once, without waiting for the server's.
    void Shutdown();
    // Why the handshake failed or the stream was cut, in words; empty if not.
    QString Failure() const { return m_failure; }

private:
    enum class End { Open, Clean, Cut };

    void Fail(int sslError, const QString& during);
    QString VerifyFailure(long result) const;

    QString m_host;
    SSL_CTX* m_ctx = nullptr;
    SSL* m_ssl = nullptr;
    BIO_METHOD* m_bioMethod = nullptr;
    bool m_established = false;
    bool m_shutdownSent = false;
    Want m_want = Want::Nothing;
    End m_end = End::Open;
    QString m_failure;
};

} // namespace flk
