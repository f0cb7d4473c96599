#include "TlsRecordReader.h"

#include <openssl/evp.h>
#include <openssl/kdf.h>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>

namespace flk {
namespace {

constexpr unsigned char kApplicationData = 23;
constexpr unsigned char kAlert = 21;
constexpr unsigned char kHandshake = 22;
constexpr unsigned char kNewSessionTicket = 4;
constexpr unsigned char kKeyUpdate = 24;
constexpr int kMaxHandshakeMessage = 1 << 16; // tickets are a few hundred bytes

bool WouldBlock(int err)
{
    return err == EAGAIN || err == EWOULDBLOCK || err == EINTR;
}

} // namespace

std::unique_ptr<TTlsRecordReader> TTlsRecordReader::Make(const char* suite, const QByteArray& secret,
                                                         uint64_t sequence)
{
    if (!suite)
        return nullptr;
    std::unique_ptr<TTlsRecordReader> reader;
    if (std::strcmp(suite, "TLS_AES_128_GCM_SHA256") == 0)
        reader.reset(new TTlsRecordReader(EVP_aes_128_gcm(), EVP_sha256(), 16));
    else if (std::strcmp(suite, "TLS_AES_256_GCM_SHA384") == 0)
        reader.reset(new TTlsRecordReader(EVP_aes_256_gcm(), EVP_sha384(), 32));
    else if (std::strcmp(suite, "TLS_CHACHA20_POLY1305_SHA256") == 0)
        reader.reset(new TTlsRecordReader(EVP_chacha20_poly1305(), EVP_sha256(), 32));
    if (!reader || secret.size() != EVP_MD_get_size(reader->m_md) || !reader->UseSecret(secret))
        return nullptr;
    reader->m_sequence = sequence;
    return reader;
}

TTlsRecordReader::TTlsRecordReader(const EVP_CIPHER* cipher, const EVP_MD* md, int keyLength)
    : m_cipher(cipher), m_md(md), m_keyLength(keyLength), m_ctx(EVP_CIPHER_CTX_new()),
      m_raw(new unsigned char[kBuffer]), m_scratch(new unsigned char[kMaxCiphertext])
{
}

TTlsRecordReader::~TTlsRecordReader()
{
    EVP_CIPHER_CTX_free(m_ctx);
    OPENSSL_cleanse(m_secret.data(), size_t(m_secret.size()));
    OPENSSL_cleanse(m_iv, sizeof m_iv);
}

QByteArray TTlsRecordReader::ExpandLabel(const EVP_MD* md, const QByteArray& secret, const char* label, int length)
{
    // struct { uint16 length; opaque label<7..255> = "tls13 " + label; opaque context<0..255> = ""; }
    QByteArray info;
    const QByteArray full = QByteArray("tls13 ") + label;
    info.append(char(length >> 8)).append(char(length & 0xff));
    info.append(char(full.size())).append(full).append('\0');
    QByteArray out(length, '\0');
    size_t outLength = size_t(length);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_HKDF, nullptr);
    const bool ok = ctx && EVP_PKEY_derive_init(ctx) > 0
                    && EVP_PKEY_CTX_set_hkdf_mode(ctx, EVP_PKEY_HKDEF_MODE_EXPAND_ONLY) > 0
                    && EVP_PKEY_CTX_set_hkdf_md(ctx, md) > 0
                    && EVP_PKEY_CTX_set1_hkdf_key(ctx, reinterpret_cast<const unsigned char*>(secret.constData()),
                                                  int(secret.size())) > 0
                    && EVP_PKEY_CTX_add1_hkdf_info(ctx, reinterpret_cast<const unsigned char*>(info.constData()),
                                                   int(info.size())) > 0
                    && EVP_PKEY_derive(ctx, reinterpret_cast<unsigned char*>(out.data()), &outLength) > 0
                    && outLength == size_t(length);
    EVP_PKEY_CTX_free(ctx);
    return ok ? out : QByteArray();
}

// A new traffic secret: its key goes into the cipher, its IV is kept for
// the nonces, and the record count starts again.
bool TTlsRecordReader::UseSecret(const QByteArray& secret)
{
    QByteArray key = ExpandLabel(m_md, secret, "key", m_keyLength);
    const QByteArray iv = ExpandLabel(m_md, secret, "iv", int(sizeof m_iv));
    const bool ok = m_ctx && key.size() == m_keyLength && iv.size() == int(sizeof m_iv)
                    && EVP_DecryptInit_ex(m_ctx, m_cipher, nullptr,
                                          reinterpret_cast<const unsigned char*>(key.constData()), nullptr) == 1;
    OPENSSL_cleanse(key.data(), size_t(key.size()));
    if (!ok)
        return false;
    OPENSSL_cleanse(m_secret.data(), size_t(m_secret.size()));
    m_secret = secret;
    std::memcpy(m_iv, iv.constData(), sizeof m_iv);
    m_sequence = 0;
    return true;
}

qint64 TTlsRecordReader::Read(int fd, char* data, qint64 size)
{
    qint64 total = 0;
    while (total < size) {
        if (m_plainAt < m_plain.size()) {
            const qint64 n = std::min<qint64>(size - total, m_plain.size() - m_plainAt);
            std::memcpy(data + total, m_plain.constData() + m_plainAt, size_t(n));
            m_plainAt += n;
            total += n;
            continue;
        }
        if (m_end != End::Open)
            break;
        const int length = WholeRecord();
        if (length == 0) {
            if (!Receive(fd))
                break;
            continue;
        }
        // Straight into the caller's buffer when the whole record fits
        // (its plain text, type byte included, is the ciphertext less the tag).
        // Otherwise into a scratch buffer, kept for the next reads.
        const bool direct = size - total >= length - kTag;
        unsigned char* out = direct ? reinterpret_cast<unsigned char*>(data + total) : m_scratch.get();
        int type = 0;
        const int plain = Open(length, out, &type);
        if (plain < 0)
            break;
        if (type != kApplicationData) {
            if (!Control(type, out, plain))
                break;
        } else if (direct) {
            total += plain;
        } else {
            m_plain = QByteArray(reinterpret_cast<const char*>(out), plain);
            m_plainAt = 0;
        }
    }
    if (total > 0)
        return total;
    return m_end != End::Open ? 0 : -1;
}

bool TTlsRecordReader::HasPending() const
{
    return m_plainAt < m_plain.size() || (m_end == End::Open && WholeRecord() > 0);
}

int TTlsRecordReader::WholeRecord() const
{
    const int have = m_rawEnd - m_rawStart;
    if (have < kHeader)
        return 0;
    const unsigned char* h = m_raw.get() + m_rawStart;
    const int length = h[3] << 8 | h[4];
    return have >= kHeader + length ? length : 0;
}

bool TTlsRecordReader::Receive(int fd)
{
    // Checked before more is read: a header that can never be whole.
    if (m_rawEnd - m_rawStart >= kHeader) {
        const unsigned char* h = m_raw.get() + m_rawStart;
        const int length = h[3] << 8 | h[4];
        if (h[0] != kApplicationData || length > kMaxCiphertext || length < kTag + 1) {
            Cut(h[0] == kAlert ? QStringLiteral("TLS error (the server sent an alert in the clear)")
                               : QStringLiteral("TLS error (wrong record)"));
            return false;
        }
    }
    // The partial record at the end moves to the front when the rest of
    // the buffer could not hold a whole one.
    if (kBuffer - m_rawEnd < kHeader + kMaxCiphertext) {
        std::memmove(m_raw.get(), m_raw.get() + m_rawStart, size_t(m_rawEnd - m_rawStart));
        m_rawEnd -= m_rawStart;
        m_rawStart = 0;
    }
    const ssize_t n = ::recv(fd, m_raw.get() + m_rawEnd, size_t(kBuffer - m_rawEnd), 0);
    if (n > 0) {
        m_rawEnd += int(n);
        return true;
    }
    if (n < 0 && WouldBlock(errno))
        return false;
    if (n == 0)
        Cut(QStringLiteral("the connection was cut short (no TLS close_notify)"));
    else
        Cut(QStringLiteral("the connection failed during the TLS stream: %1")
                .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return false;
}

int TTlsRecordReader::Open(int length, unsigned char* out, int* type)
{
    const unsigned char* header = m_raw.get() + m_rawStart;
    const unsigned char* body = header + kHeader;
    if (header[0] != kApplicationData || header[1] != 3 || header[2] != 3 || length > kMaxCiphertext
        || length < kTag + 1) {
        Cut(QStringLiteral("TLS error (wrong record)"));
        return -1;
    }
    unsigned char nonce[sizeof m_iv];
    std::memcpy(nonce, m_iv, sizeof nonce);
    for (int i = 0; i < 8; ++i)
        nonce[sizeof nonce - 1 - i] ^= static_cast<unsigned char>(m_sequence >> (8 * i));
    const int cipherLength = length - kTag;
    int n = 0, last = 0;
    const bool ok = EVP_DecryptInit_ex(m_ctx, nullptr, nullptr, nullptr, nonce) == 1
                    && EVP_DecryptUpdate(m_ctx, nullptr, &n, header, kHeader) == 1
                    && EVP_DecryptUpdate(m_ctx, out, &n, body, cipherLength) == 1
                    && EVP_CIPHER_CTX_ctrl(m_ctx, EVP_CTRL_AEAD_SET_TAG, kTag,
                                           const_cast<unsigned char*>(body + cipherLength)) == 1
                    && EVP_DecryptFinal_ex(m_ctx, out + n, &last) == 1;
    if (!ok) {
        Cut(QStringLiteral("TLS error (decryption failed or bad record mac)"));
        return -1;
    }
    ++m_sequence;
    m_rawStart += kHeader + length;
    if (m_rawStart == m_rawEnd)
        m_rawStart = m_rawEnd = 0;
    // The content type is the last byte that is not padding.
    int plain = n + last;
    while (plain > 0 && out[plain - 1] == 0)
        --plain;
    if (plain == 0) {
        Cut(QStringLiteral("TLS error (record without a content type)"));
        return -1;
    }
    *type = out[plain - 1];
    return plain - 1;
}

// A record that is not application data: an alert or handshake messages.
bool TTlsRecordReader::Control(int type, const unsigned char* plain, int length)
{
    if (type == kAlert) {
        if (length != 2) {
            Cut(QStringLiteral("TLS error (wrong alert)"));
        } else if (plain[1] == 0) {
            m_end = End::Clean; // close_notify
        } else if (plain[1] == 90) {
            return true; // user_canceled: close_notify follows
        } else {
            Cut(QStringLiteral("TLS error (the server sent alert %1)").arg(plain[1]));
        }
        return false;
    }
    if (type != kHandshake || length == 0) {
        Cut(QStringLiteral("TLS error (unexpected record)"));
        return false;
    }
    m_handshake.append(reinterpret_cast<const char*>(plain), length);
    return HandshakeMessages();
}

bool TTlsRecordReader::HandshakeMessages()
{
    while (m_handshake.size() >= 4) {
        const auto* m = reinterpret_cast<const unsigned char*>(m_handshake.constData());
        const int length = m[1] << 16 | m[2] << 8 | m[3];
        if (length > kMaxHandshakeMessage) {
            Cut(QStringLiteral("TLS error (handshake message too long)"));
            return false;
        }
        if (m_handshake.size() < 4 + length)
            return true;
        if (m[0] == kKeyUpdate) {
            // The new key starts with the next record, so nothing may follow
            // the message in this one.
            if (length != 1 || m[4] > 1 || m_handshake.size() != 5
                || !UseSecret(ExpandLabel(m_md, m_secret, "traffic upd", EVP_MD_get_size(m_md)))) {
                Cut(QStringLiteral("TLS error (wrong key update)"));
                return false;
            }
            m_updateRequested = m_updateRequested || m[4] == 1;
        } else if (m[0] != kNewSessionTicket) {
            Cut(QStringLiteral("TLS error (unexpected handshake message)"));
            return false;
        }
        m_handshake.remove(0, 4 + length);
    }
    return true;
}

void TTlsRecordReader::Cut(const QString& why)
{
    m_end = End::Cut;
    m_failure = why;
}

} // namespace flk
