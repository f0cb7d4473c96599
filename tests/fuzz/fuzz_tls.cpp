// The TLS layer of the socket, against a scripted server on the other end
// of a socket pair (no network). The first byte chooses the game:
// - even: the rest is what the server sends first (its hello, certificate
//   and so on), in pieces of a size the second byte gives; no such flight
//   may complete a handshake (the fuzzer holds no key the client trusts),
//   and every one ends in a failure said in words once the server closes;
// - odd: a real handshake with the tests' certificate (TLS 1.2 or 1.3, bit
//   1), then the rest is a script of what the server does: send data, send
//   close_notify or a key update, hand over some of its bytes or all,
//   damage, drop or add bytes on the wire, and when the client reads and
//   with what buffer. The client may only ever read a prefix of what the
//   server sent; with nothing damaged it reads all of it, and ends cleanly
//   exactly when the server sent close_notify.
#include "FuzzTarget.h"

#include "TlsCertificates.h"
#include "TlsLayer.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

using namespace flk;

namespace {

class Script {
public:
    Script(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool AtEnd() const { return m_pos >= m_size; }
    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    QByteArray Bytes(size_t n)
    {
        n = std::min(n, m_size - m_pos);
        const QByteArray out = fuzz::Bytes(m_data + m_pos, n);
        m_pos += n;
        return out;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

struct Pair {
    int client = -1, server = -1;
    Pair()
    {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds) != 0)
            fuzz::Failed("socketpair", __FILE__, __LINE__);
        client = fds[0];
        server = fds[1];
    }
    ~Pair()
    {
        ::close(client);
        ::close(server);
    }
    // What the client sent, taken off the wire.
    QByteArray TakeFromClient() const
    {
        QByteArray all;
        char buf[16384];
        for (ssize_t n; (n = ::recv(server, buf, sizeof buf, 0)) > 0;)
            all.append(buf, n);
        return all;
    }
    // Puts as much of `bytes` on the wire as it takes; removes that from it.
    void Deliver(QByteArray& bytes, qsizetype most) const
    {
        const qsizetype n = std::min(most, bytes.size());
        if (n <= 0)
            return;
        const ssize_t sent = ::send(server, bytes.constData(), size_t(n), MSG_NOSIGNAL);
        if (sent > 0)
            bytes.remove(0, sent);
    }
};

struct Setup {
    test::TlsCertificates certificates;
    SSL_CTX* server = nullptr;
    Setup()
    {
        fuzz::EnsureApp();
        if (!certificates.IsValid())
            fuzz::Failed(qPrintable(certificates.ErrorText()), __FILE__, __LINE__);
        certificates.TrustTestAuthority();
        server = SSL_CTX_new(TLS_server_method());
        const QByteArray cert = certificates.CertificateFile(test::TlsCertificates::Good).toLocal8Bit();
        const QByteArray key = certificates.KeyFile(test::TlsCertificates::Good).toLocal8Bit();
        if (!server || SSL_CTX_use_certificate_chain_file(server, cert.constData()) != 1
            || SSL_CTX_use_PrivateKey_file(server, key.constData(), SSL_FILETYPE_PEM) != 1)
            fuzz::Failed("the test server's certificate", __FILE__, __LINE__);
    }
};

void FirstFlight(Script& script)
{
    Pair pair;
    TTlsLayer tls(pair.client, QStringLiteral("localhost"));
    const qsizetype piece = 1 + script.Byte();
    QByteArray flight = script.Bytes(SIZE_MAX);
    TTlsLayer::Step step = tls.Handshake();
    while (step == TTlsLayer::Step::Waiting && !flight.isEmpty()) {
        pair.TakeFromClient();
        pair.Deliver(flight, piece);
        step = tls.Handshake();
    }
    ::shutdown(pair.server, SHUT_WR);
    for (int i = 0; i < 100 && step == TTlsLayer::Step::Waiting; ++i) {
        pair.TakeFromClient();
        step = tls.Handshake();
    }
    FUZZ_CHECK(step == TTlsLayer::Step::Failed);
    FUZZ_CHECK(!tls.Established() && tls.Ended() && !tls.CleanEnd());
    FUZZ_CHECK(!tls.Failure().isEmpty());
    char byte;
    FUZZ_CHECK(tls.Read(&byte, 1) == 0);
}

// The server's end: OpenSSL on memory buffers, so the script decides what
// of its output reaches the wire, and when.
class Server {
public:
    Server(SSL_CTX* ctx, bool tls12) : m_ssl(SSL_new(ctx)), m_in(BIO_new(BIO_s_mem())), m_out(BIO_new(BIO_s_mem()))
    {
        SSL_set_bio(m_ssl, m_in, m_out);
        SSL_set_accept_state(m_ssl);
        if (tls12)
            SSL_set_max_proto_version(m_ssl, TLS1_2_VERSION);
    }
    ~Server() { SSL_free(m_ssl); }
    SSL* Ssl() const { return m_ssl; }
    void Take(const QByteArray& bytes) { BIO_write(m_in, bytes.constData(), int(bytes.size())); }
    QByteArray Output()
    {
        QByteArray out;
        char buf[16384];
        for (int n; (n = BIO_read(m_out, buf, sizeof buf)) > 0;)
            out.append(buf, n);
        return out;
    }

private:
    SSL* m_ssl;
    BIO* m_in;
    BIO* m_out;
};

struct Session {
    Pair pair;
    TTlsLayer tls{pair.client, QStringLiteral("localhost")};
    QByteArray sent, received, wire;
    bool damaged = false;

    // One read by the client with a buffer of `size`.
    qint64 Read(qsizetype size)
    {
        pair.TakeFromClient(); // a key update's answer: the server need not read it
        QByteArray buf(size, '\0');
        const qint64 n = tls.Read(buf.data(), size);
        FUZZ_CHECK(n >= -1 && n <= size);
        if (n > 0)
            received += buf.left(n);
        else if (n == 0)
            FUZZ_CHECK(tls.Ended());
        else
            FUZZ_CHECK(tls.Waiting() != TTlsLayer::Want::Nothing && !tls.Ended());
        // Only what the server sent, in its order, whatever the wire did.
        FUZZ_CHECK(sent.startsWith(received));
        return n;
    }
};

void Handshake(Session& s, Server& server)
{
    bool serverDone = false;
    for (int i = 0; i < 50 && !(s.tls.Established() && serverDone); ++i) {
        const TTlsLayer::Step step = s.tls.Handshake();
        FUZZ_CHECK(step != TTlsLayer::Step::Failed);
        server.Take(s.pair.TakeFromClient());
        if (!serverDone)
            serverDone = SSL_do_handshake(server.Ssl()) == 1;
        s.wire += server.Output();
        s.pair.Deliver(s.wire, s.wire.size());
    }
    FUZZ_CHECK(s.tls.Established());
    ERR_clear_error();
}

void ScriptedSession(Script& script, SSL_CTX* ctx, bool tls12)
{
    Session s;
    Server server(ctx, tls12);
    Handshake(s, server);
    bool closeSent = false;
    const qsizetype readSizes[] = {1, 5, 100, 4096, 16384, 70000};
    while (!script.AtEnd() && s.sent.size() < 300000) {
        switch (script.Byte() % 8) {
        case 0: { // the server sends data
            const int n = 1 + (script.Byte() | script.Byte() << 8) % 40000;
            QByteArray data(n, '\0');
            for (int i = 0; i < n; ++i)
                data[i] = char('a' + (s.sent.size() + i) % 26);
            const int rc = SSL_write(server.Ssl(), data.constData(), n);
            if (rc > 0)
                s.sent += data.left(rc);
            break;
        }
        case 1: { // some of the server's bytes reach the client
            const uint8_t b = script.Byte();
            s.pair.Deliver(s.wire, b == 255 ? s.wire.size() : 1 + b * 8);
            break;
        }
        case 2:
            s.Read(readSizes[script.Byte() % std::size(readSizes)]);
            break;
        case 3: // a bit changes on the wire
            if (!s.wire.isEmpty()) {
                const int at = (script.Byte() | script.Byte() << 8) % s.wire.size();
                s.wire[at] = char(s.wire[at] ^ (1 << (script.Byte() % 8)));
                s.damaged = true;
            }
            break;
        case 4:
            SSL_shutdown(server.Ssl());
            closeSent = true;
            break;
        case 5:
            SSL_key_update(server.Ssl(), script.Byte() % 2 ? SSL_KEY_UPDATE_REQUESTED : SSL_KEY_UPDATE_NOT_REQUESTED);
            SSL_do_handshake(server.Ssl());
            break;
        case 6: { // bytes from elsewhere join the stream
            const QByteArray extra = script.Bytes(script.Byte());
            s.wire += extra;
            s.damaged = s.damaged || !extra.isEmpty();
            break;
        }
        case 7: { // bytes go missing
            const qsizetype n = std::min<qsizetype>(script.Byte(), s.wire.size());
            s.wire.remove(0, n);
            s.damaged = s.damaged || n > 0;
            break;
        }
        }
        ERR_clear_error();
        s.wire += server.Output();
    }
    // The server hands over the rest and closes the connection.
    bool eofSent = false;
    for (int i = 0; i < 2000 && !s.tls.Ended(); ++i) {
        s.pair.Deliver(s.wire, s.wire.size());
        if (s.wire.isEmpty() && !eofSent) {
            ::shutdown(s.pair.server, SHUT_WR);
            eofSent = true;
        }
        s.Read(70000);
    }
    FUZZ_CHECK(s.tls.Ended());
    FUZZ_CHECK(s.Read(1) == 0);
    FUZZ_CHECK(!s.tls.HasPending());
    if (!s.tls.CleanEnd())
        FUZZ_CHECK(!s.tls.Failure().isEmpty());
    if (!s.damaged) {
        FUZZ_CHECK(s.received == s.sent);
        FUZZ_CHECK(s.tls.CleanEnd() == closeSent);
    }
}

} // namespace

FLK_FUZZ_TARGET(tls)
{
    static Setup setup;
    if (size == 0)
        return 0;
    Script script(data, size);
    const uint8_t game = script.Byte();
    if (game % 2 == 0)
        FirstFlight(script);
    else
        ScriptedSession(script, setup.server, game & 2);
    ERR_clear_error();
    return 0;
}
