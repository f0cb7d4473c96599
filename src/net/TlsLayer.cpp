#include "TlsLayer.h"

#include "TlsRecordReader.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <sys/socket.h>

namespace flk {
namespace {

// OpenSSL reads records ahead into a buffer this large, so a fast body
// costs few system calls.
constexpr size_t kRecordBuffer = 256 * 1024;

int SocketOf(BIO* bio)
{
    return static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
}

bool WouldBlock(int err)
{
    return err == EAGAIN || err == EWOULDBLOCK || err == EINTR;
}

// The socket's own transport for the session: send with MSG_NOSIGNAL, so a
// server that has gone away gives an error, never a SIGPIPE that ends the
// program (OpenSSL's socket transport uses write(2)).
int BioWrite(BIO* bio, const char* data, int len)
{
    BIO_clear_retry_flags(bio);
    const ssize_t n = ::send(SocketOf(bio), data, static_cast<size_t>(len), MSG_NOSIGNAL);
    if (n < 0 && WouldBlock(errno))
        BIO_set_retry_write(bio);
    return static_cast<int>(n);
}

int BioRead(BIO* bio, char* data, int len)
{
    BIO_clear_retry_flags(bio);
    const ssize_t n = ::recv(SocketOf(bio), data, static_cast<size_t>(len), 0);
    if (n < 0 && WouldBlock(errno))
        BIO_set_retry_read(bio);
    return static_cast<int>(n);
}

long BioCtrl(BIO*, int cmd, long, void*)
{
    return cmd == BIO_CTRL_FLUSH ? 1 : 0;
}

// The address an IP literal names ("::1" for "[::1]" or "::1", without a
// "%zone", which no certificate carries); empty for a host name.
QByteArray IpLiteral(const QString& host)
{
    QString h = host.trimmed();
    if (h.startsWith(u'[') && h.endsWith(u']'))
        h = h.mid(1, h.size() - 2);
    h = h.section(u'%', 0, 0);
    in_addr a{};
    in6_addr a6{};
    const QByteArray text = h.toLatin1();
    if (inet_pton(AF_INET, text.constData(), &a) == 1 || inet_pton(AF_INET6, text.constData(), &a6) == 1)
        return text;
    return {};
}

QString OpenSslReason(unsigned long err)
{
    const char* text = ERR_reason_error_string(err);
    return text ? QString::fromLatin1(text) : QStringLiteral("error %1").arg(err);
}

} // namespace

TTlsLayer::TTlsLayer(int fd, const QString& host) : m_fd(fd), m_host(host)
{
    ERR_clear_error();
    m_ctx = SSL_CTX_new(TLS_client_method());
    if (m_ctx) {
        SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION);
        SSL_CTX_set_verify(m_ctx, SSL_VERIFY_PEER, nullptr);
        // The system's authorities, or SSL_CERT_FILE / SSL_CERT_DIR when set.
        SSL_CTX_set_default_verify_paths(m_ctx);
        SSL_CTX_set_read_ahead(m_ctx, 1);
        SSL_CTX_set_default_read_buffer_len(m_ctx, kRecordBuffer);
        SSL_CTX_set_mode(m_ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        SSL_CTX_set_keylog_callback(m_ctx, KeyLog);
        m_ssl = SSL_new(m_ctx);
    }
    if (m_ssl) {
        SSL_set_app_data(m_ssl, this);
        SSL_set_msg_callback(m_ssl, Message);
        SSL_set_msg_callback_arg(m_ssl, this);
    }
    m_bioMethod = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "fetchlark socket");
    BIO* bio = nullptr;
    if (m_bioMethod) {
        BIO_meth_set_write(m_bioMethod, BioWrite);
        BIO_meth_set_read(m_bioMethod, BioRead);
        BIO_meth_set_ctrl(m_bioMethod, BioCtrl);
        bio = BIO_new(m_bioMethod);
    }
    if (!m_ssl || !bio) {
        BIO_free(bio);
        m_failure = QStringLiteral("the TLS library could not start a session (%1)").arg(OpenSslReason(ERR_get_error()));
        m_end = End::Cut;
        return;
    }
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(fd)));
    BIO_set_init(bio, 1);
    SSL_set_bio(m_ssl, bio, bio);
    // An address is checked against the certificate's IP entries and sent no
    // server name (RFC 6066 forbids a literal there); a name is both.
    const QByteArray ip = IpLiteral(host);
    const QByteArray name = host.toUtf8();
    const bool checked = !ip.isEmpty() ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), ip.constData()) == 1
                                       : SSL_set_tlsext_host_name(m_ssl, name.constData()) == 1
                                             && SSL_set1_host(m_ssl, name.constData()) == 1;
    if (!checked) {
        // Never a session whose peer goes unchecked.
        m_failure = QStringLiteral("the TLS library could not check the server against %1").arg(host);
        m_end = End::Cut;
        return;
    }
    SSL_set_connect_state(m_ssl);
}

TTlsLayer::~TTlsLayer()
{
    OPENSSL_cleanse(m_serverSecret.data(), size_t(m_serverSecret.size()));
    SSL_free(m_ssl);  // frees the transport too; the descriptor stays the socket's
    SSL_CTX_free(m_ctx);
    BIO_meth_free(m_bioMethod);
}

TTlsLayer::Step TTlsLayer::Handshake()
{
    if (m_established)
        return Step::Done;
    if (m_end != End::Open)
        return Step::Failed;
    ERR_clear_error();
    const int rc = SSL_do_handshake(m_ssl);
    if (rc == 1) {
        m_established = true;
        m_want = Want::Nothing;
        return Step::Done;
    }
    const int e = SSL_get_error(m_ssl, rc);
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
        m_want = e == SSL_ERROR_WANT_READ ? Want::Read : Want::Write;
        return Step::Waiting;
    }
    Fail(e, QStringLiteral("handshake"));
    return Step::Failed;
}

// The library tells every secret it derives; only the server's first
// application traffic secret is kept, and its record count starts.
void TTlsLayer::KeyLog(const SSL* ssl, const char* line)
{
    auto* self = static_cast<TTlsLayer*>(SSL_get_app_data(ssl));
    static const char kLabel[] = "SERVER_TRAFFIC_SECRET_0 ";
    if (!self || std::strncmp(line, kLabel, sizeof kLabel - 1) != 0)
        return;
    const char* secret = std::strrchr(line, ' ');
    OPENSSL_cleanse(self->m_serverSecret.data(), size_t(self->m_serverSecret.size()));
    self->m_serverSecret = QByteArray::fromHex(QByteArray(secret + 1));
    self->m_recordsRead = 0;
}

// Counts the records the library reads under the server's traffic secret
// and follows the server's key updates, so the reader can take over.
void TTlsLayer::Message(int writing, int, int type, const void* data, size_t length, SSL* ssl, void* arg)
{
    auto* self = static_cast<TTlsLayer*>(arg);
    if (writing || self->m_serverSecret.isEmpty() || self->m_reader)
        return;
    if (type == SSL3_RT_HEADER) {
        ++self->m_recordsRead;
    } else if (type == SSL3_RT_HANDSHAKE && length > 0 && *static_cast<const unsigned char*>(data) == SSL3_MT_KEY_UPDATE) {
        const EVP_MD* md = SSL_CIPHER_get_handshake_digest(SSL_get_current_cipher(ssl));
        self->m_serverSecret = md ? TTlsRecordReader::ExpandLabel(md, self->m_serverSecret, "traffic upd", EVP_MD_get_size(md))
                                  : QByteArray();
        self->m_recordsRead = 0;
    }
}

void TTlsLayer::TakeOverReading()
{
    if (m_reader || !m_established || m_end != End::Open || m_serverSecret.isEmpty()
        || SSL_version(m_ssl) != TLS1_3_VERSION || SSL_has_pending(m_ssl) != 0)
        return;
    m_reader = TTlsRecordReader::Make(SSL_CIPHER_standard_name(SSL_get_current_cipher(m_ssl)), m_serverSecret,
                                      m_recordsRead);
    // Either way the library's reading is over or stays for good.
    OPENSSL_cleanse(m_serverSecret.data(), size_t(m_serverSecret.size()));
    m_serverSecret.clear();
}

qint64 TTlsLayer::Read(char* data, qint64 size)
{
    qint64 total = 0;
    m_want = Want::Nothing;
    if (!m_reader)
        total = ReadThroughLibrary(data, size);
    if (total < size && m_want != Want::Write)
        TakeOverReading();
    if (m_reader && total < size) {
        const qint64 n = m_reader->Read(m_fd, data + total, size - total);
        m_want = n < 0 ? Want::Read : Want::Nothing;
        if (n > 0)
            total += n;
        if (m_reader->Ended())
            m_end = m_reader->CleanEnd() ? End::Clean : End::Cut;
    }
    if (total > 0)
        return total;
    return Ended() ? 0 : -1;
}

qint64 TTlsLayer::ReadThroughLibrary(char* data, qint64 size)
{
    qint64 total = 0;
    ERR_clear_error();
    while (total < size && m_end == End::Open) {
        const int chunk = static_cast<int>(std::min<qint64>(size - total, INT_MAX));
        const int rc = SSL_read(m_ssl, data + total, chunk);
        if (rc > 0) {
            total += rc;
            continue;
        }
        const int e = SSL_get_error(m_ssl, rc);
        if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
            m_want = e == SSL_ERROR_WANT_READ ? Want::Read : Want::Write;
            break;
        }
        if (e == SSL_ERROR_ZERO_RETURN)
            m_end = End::Clean;
        else
            Fail(e, QStringLiteral("stream"));
    }
    return total;
}

qint64 TTlsLayer::Write(const char* data, qint64 size)
{
    if (m_end != End::Open)
        return -2;
    ERR_clear_error();
    // The library did not see the server's request: answer it here.
    if (m_reader && m_reader->TakeUpdateRequest())
        SSL_key_update(m_ssl, SSL_KEY_UPDATE_NOT_REQUESTED);
    const int rc = SSL_write(m_ssl, data, static_cast<int>(std::min<qint64>(size, INT_MAX)));
    if (rc > 0)
        return rc;
    const int e = SSL_get_error(m_ssl, rc);
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
        m_want = e == SSL_ERROR_WANT_READ ? Want::Read : Want::Write;
        return -1;
    }
    Fail(e, QStringLiteral("stream"));
    return -2;
}

bool TTlsLayer::HasPending() const
{
    if (m_reader)
        return m_reader->HasPending();
    return m_ssl && m_end == End::Open && SSL_has_pending(m_ssl) == 1;
}

bool TTlsLayer::Ended() const
{
    return m_reader ? m_reader->Ended() : m_end != End::Open;
}

bool TTlsLayer::CleanEnd() const
{
    return Ended() && (m_reader ? m_reader->CleanEnd() : m_end == End::Clean);
}

QString TTlsLayer::Failure() const
{
    return m_reader && !m_reader->Failure().isEmpty() ? m_reader->Failure() : m_failure;
}

void TTlsLayer::Shutdown()
{
    if (!m_established || m_shutdownSent || m_end == End::Cut)
        return;
    m_shutdownSent = true;
    ERR_clear_error();
    SSL_shutdown(m_ssl);
    ERR_clear_error();
}

// Names the reason in words: the certificate check first (its result says
// more than the handshake error it causes), then the protocol's own errors.
void TTlsLayer::Fail(int sslError, const QString& during)
{
    m_end = End::Cut;
    const int savedErrno = errno;
    const unsigned long err = ERR_peek_last_error();
    const int reason = ERR_GET_LIB(err) == ERR_LIB_SSL ? ERR_GET_REASON(err) : 0;
    const bool handshake = during == QLatin1String("handshake");
    const long verify = m_ssl ? SSL_get_verify_result(m_ssl) : X509_V_OK;
    if (handshake && verify != X509_V_OK) {
        m_failure = VerifyFailure(verify);
    } else if (reason == SSL_R_UNSUPPORTED_PROTOCOL || reason == SSL_R_TLSV1_ALERT_PROTOCOL_VERSION
               || reason == SSL_R_NO_PROTOCOLS_AVAILABLE || reason == SSL_R_VERSION_TOO_LOW) {
        m_failure = QStringLiteral("the server refused the protocol version (TLS 1.2 or 1.3 required)");
    } else if (handshake && (reason == SSL_R_WRONG_VERSION_NUMBER || reason == SSL_R_PACKET_LENGTH_TOO_LONG)) {
        m_failure = QStringLiteral("the server does not speak TLS on this port");
    } else if (reason == SSL_R_UNEXPECTED_EOF_WHILE_READING
               || (sslError == SSL_ERROR_SYSCALL && err == 0 && savedErrno == 0)) {
        m_failure = handshake ? QStringLiteral("the server closed the connection during the TLS handshake")
                              : QStringLiteral("the connection was cut short (no TLS close_notify)");
    } else if (sslError == SSL_ERROR_SYSCALL && err == 0) {
        m_failure = QStringLiteral("the connection failed during the TLS %1: %2")
                        .arg(during, QString::fromLocal8Bit(std::strerror(savedErrno)));
    } else if (handshake) {
        m_failure = QStringLiteral("TLS handshake failure (%1)").arg(OpenSslReason(err));
    } else {
        m_failure = QStringLiteral("TLS error (%1)").arg(OpenSslReason(err));
    }
    ERR_clear_error();
}

QString TTlsLayer::VerifyFailure(long result) const
{
    switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return QStringLiteral("the server's certificate has expired");
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return QStringLiteral("the server's certificate is not valid yet");
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return QStringLiteral("the server's certificate is for another host name, not %1").arg(m_host);
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
        return QStringLiteral("the server's certificate is signed by an unknown authority");
    default:
        return QStringLiteral("the server's certificate was refused (%1)")
            .arg(QString::fromLatin1(X509_verify_cert_error_string(result)));
    }
}

} // namespace flk
