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
//
// A TLS 1.3 session's reading moves to TTlsRecordReader as soon as the
// library holds no received bytes: the layer follows the server's traffic
// secret (the library's key log, kept in memory only) and counts the
// records read under it, so the reader picks up at the right record.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct bio_method_st BIO_METHOD;

namespace flk {

class TTlsRecordReader;

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

    bool Ended() const;
    bool CleanEnd() const;
    // Sends close_notify once, without waiting for the server's.
    void Shutdown();
    // Why the handshake failed or the stream was cut, in words; empty if not.
    QString Failure() const;
    // True once the reading has moved off the library (see above).
    bool ReadsRecords() const { return m_reader != nullptr; }

private:
    enum class End { Open, Clean, Cut };

    void Fail(int sslError, const QString& during);
    QString VerifyFailure(long result) const;
    qint64 ReadThroughLibrary(char* data, qint64 size);
    void TakeOverReading();
    static void KeyLog(const SSL* ssl, const char* line);
    static void Message(int writing, int version, int type, const void* data, size_t length, SSL* ssl, void* self);

    int m_fd;
    QString m_host;
    SSL_CTX* m_ctx = nullptr;
    SSL* m_ssl = nullptr;
    BIO_METHOD* m_bioMethod = nullptr;
    bool m_established = false;
    bool m_shutdownSent = false;
    Want m_want = Want::Nothing;
    End m_end = End::Open;
    QString m_failure;
    QByteArray m_serverSecret; // the server's traffic secret in use, TLS 1.3
    uint64_t m_recordsRead = 0; // records the library has read under it
    std::unique_ptr<TTlsRecordReader> m_reader;
};

} // namespace flk
