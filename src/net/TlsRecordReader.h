#pragma once
// TTlsRecordReader: the receiving half of an established TLS 1.3 session,
// reading records straight off the socket and decrypting each one straight
// into the caller's buffer.
//
// OpenSSL decrypts a record inside its own buffer and then copies it out,
// record by record; for a large body that copy and the per-record work cost
// a tenth of a download's processor time. Once the handshake is over and
// the library holds no received bytes, the session's reading moves here:
// large receives into one buffer, one AEAD call per record into the file's
// buffer. Writing stays with the library (TLS 1.3 keys each direction on
// its own), as does everything before the switch.
//
// What a TLS 1.3 client must do while reading is done here too: the
// record's tag is checked before its bytes count, padding is stripped, the
// server's key updates move the key on, session tickets are skipped,
// close_notify ends the stream cleanly and any other alert or malformed
// record cuts it with the reason in words. Nothing is ever delivered that
// did not pass its tag.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <utility>

typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;
typedef struct evp_cipher_st EVP_CIPHER;
typedef struct evp_md_st EVP_MD;

namespace flk {

class TTlsRecordReader {
public:
    // A reader for the suite's standard name (TLS_AES_128_GCM_SHA256,
    // TLS_AES_256_GCM_SHA384, TLS_CHACHA20_POLY1305_SHA256), the server's
    // current application traffic secret and the number of records already
    // read under it; null for any other suite or when the keys cannot be made.
    static std::unique_ptr<TTlsRecordReader> Make(const char* suite, const QByteArray& secret, uint64_t sequence);
    ~TTlsRecordReader();
    TTlsRecordReader(const TTlsRecordReader&) = delete;
    TTlsRecordReader& operator=(const TTlsRecordReader&) = delete;

    // Up to size bytes of application data from the socket fd: bytes, 0 once
    // the stream has ended, -1 when the socket has nothing more now.
    qint64 Read(int fd, char* data, qint64 size);
    // Holds received bytes (a whole record, or decrypted bytes not yet taken)
    // that the socket's readiness will not announce again.
    bool HasPending() const;
    // Ended: nothing more will come, and every decrypted byte was taken.
    bool Ended() const { return m_end != End::Open && m_plainAt >= m_plain.size(); }
    bool CleanEnd() const { return m_end == End::Clean; }
    QString Failure() const { return m_failure; }
    // The server asked for our key update (sent before our next write);
    // true once per request.
    bool TakeUpdateRequest() { return std::exchange(m_updateRequested, false); }

    // The HKDF-Expand-Label of TLS 1.3 with an empty context.
    static QByteArray ExpandLabel(const EVP_MD* md, const QByteArray& secret, const char* label, int length);

private:
    enum class End { Open, Clean, Cut };
    static constexpr int kTag = 16;
    static constexpr int kHeader = 5;
    static constexpr int kMaxCiphertext = (1 << 14) + 256;
    static constexpr int kBuffer = 512 * 1024;

    TTlsRecordReader(const EVP_CIPHER* cipher, const EVP_MD* md, int keyLength);
    bool UseSecret(const QByteArray& secret);
    int WholeRecord() const; // its ciphertext length, 0 until all of it is here
    bool Receive(int fd);    // false: nothing came (see m_end and errno)
    // Decrypts the record at the buffer's head into out; the plain length
    // with the content type in *type, or -1 (the stream is cut).
    int Open(int length, unsigned char* out, int* type);
    bool Control(int type, const unsigned char* plain, int length);
    bool HandshakeMessages();
    void Cut(const QString& why);

    const EVP_CIPHER* m_cipher;
    const EVP_MD* m_md;
    const int m_keyLength;
    EVP_CIPHER_CTX* m_ctx = nullptr;
    QByteArray m_secret;
    unsigned char m_iv[12] = {};
    uint64_t m_sequence = 0;

    std::unique_ptr<unsigned char[]> m_raw; // received, not yet decrypted
    int m_rawStart = 0, m_rawEnd = 0;
    std::unique_ptr<unsigned char[]> m_scratch; // a record the caller had no room for
    QByteArray m_plain; // its decrypted bytes, not yet taken
    qsizetype m_plainAt = 0;
    QByteArray m_handshake; // post-handshake messages, until whole
    bool m_updateRequested = false;
    End m_end = End::Open;
    QString m_failure;
};

} // namespace flk
