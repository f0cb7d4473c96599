// The TLS layer's reading, against an OpenSSL server on memory buffers at
// the other end of a socket pair: what the library reads first and what the
// record reader reads after it must join into the server's bytes exactly.
#include "TlsCertificates.h"
#include "TlsLayer.h"

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <sys/socket.h>
#include <unistd.h>

using namespace flk;

namespace {

class TlsSession {
public:
    TlsSession(test::TlsCertificates& certs, const char* suite, bool tls12)
    {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0);
        m_client = fds[0];
        m_server = fds[1];
        m_ctx = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate_chain_file(m_ctx, certs.CertificateFile(test::TlsCertificates::Good).toLocal8Bit());
        SSL_CTX_use_PrivateKey_file(m_ctx, certs.KeyFile(test::TlsCertificates::Good).toLocal8Bit(), SSL_FILETYPE_PEM);
        if (suite)
            SSL_CTX_set_ciphersuites(m_ctx, suite);
        if (tls12)
            SSL_CTX_set_max_proto_version(m_ctx, TLS1_2_VERSION);
        m_ssl = SSL_new(m_ctx);
        SSL_set_msg_callback(m_ssl, [](int writing, int, int type, const void* buf, size_t len, SSL*, void* arg) {
            if (!writing && type == SSL3_RT_HANDSHAKE && len > 0 && *static_cast<const unsigned char*>(buf) == 24)
                ++*static_cast<int*>(arg);
        });
        SSL_set_msg_callback_arg(m_ssl, &clientKeyUpdates);
        SSL_set_bio(m_ssl, BIO_new(BIO_s_mem()), BIO_new(BIO_s_mem()));
        SSL_set_accept_state(m_ssl);
        tls = std::make_unique<TTlsLayer>(m_client, QStringLiteral("localhost"));
        for (int i = 0; i < 20 && !(tls->Established() && SSL_is_init_finished(m_ssl)); ++i) {
            tls->Handshake();
            Pump();
            SSL_do_handshake(m_ssl);
            Flush();
            Deliver();
        }
        ERR_clear_error();
    }
    ~TlsSession()
    {
        tls.reset();
        SSL_free(m_ssl);
        SSL_CTX_free(m_ctx);
        ::close(m_client);
        ::close(m_server);
    }
    // Data from the server, in writes of up to `piece` bytes (a record each).
    void Send(qsizetype bytes, int piece = 16384)
    {
        for (qsizetype done = 0; done < bytes;) {
            const int n = int(std::min<qsizetype>(piece, bytes - done));
            QByteArray data(n, '\0');
            for (int i = 0; i < n; ++i)
                data[i] = char('a' + (sent.size() + i) % 23);
            ASSERT_EQ(SSL_write(m_ssl, data.constData(), n), n);
            sent += data;
            done += n;
            Flush();
            if (wire.size() > (1 << 20))
                ReadAll(1 << 20); // the wire holds a few hundred kilobytes
        }
    }
    void KeyUpdate()
    {
        SSL_key_update(m_ssl, SSL_KEY_UPDATE_REQUESTED);
        SSL_do_handshake(m_ssl);
        Flush();
    }
    void CloseNotify()
    {
        SSL_shutdown(m_ssl);
        Flush();
    }
    // A byte of what is on its way changes.
    void Damage(qsizetype fromEnd) { wire[wire.size() - fromEnd] ^= 0x20; }
    void Hangup() { ::shutdown(m_server, SHUT_WR); }
    // Hands everything to the client and reads with `size` buffers until
    // nothing comes.
    void ReadAll(qsizetype size)
    {
        QByteArray buf(size, '\0');
        for (int idle = 0; idle < 3 && !tls->Ended();) {
            Deliver();
            const qint64 n = tls->Read(buf.data(), size);
            if (n > 0)
                received += buf.left(n);
            else
                ++idle;
        }
    }
    // What the client wrote, as the server reads it.
    QByteArray FromClient()
    {
        Pump();
        char buf[256];
        const int n = SSL_read(m_ssl, buf, sizeof buf);
        return n > 0 ? QByteArray(buf, n) : QByteArray();
    }
    void Deliver()
    {
        while (!wire.isEmpty()) {
            const ssize_t n = ::send(m_server, wire.constData(), size_t(wire.size()), MSG_NOSIGNAL);
            if (n <= 0)
                return;
            wire.remove(0, n);
        }
    }

    std::unique_ptr<TTlsLayer> tls;
    QByteArray sent, received, wire;
    int clientKeyUpdates = 0;

private:
    void Flush()
    {
        char buf[16384];
        for (int n; (n = BIO_read(SSL_get_wbio(m_ssl), buf, sizeof buf)) > 0;)
            wire.append(buf, n);
    }
    void Pump()
    {
        char buf[16384];
        for (ssize_t n; (n = ::recv(m_server, buf, sizeof buf, 0)) > 0;)
            BIO_write(SSL_get_rbio(m_ssl), buf, int(n));
    }

    int m_client = -1, m_server = -1;
    SSL_CTX* m_ctx = nullptr;
    SSL* m_ssl = nullptr;
};

class TlsLayerTest : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() { s_certs = new test::TlsCertificates; s_certs->TrustTestAuthority(); }
    static void TearDownTestSuite() { delete s_certs; }
    static test::TlsCertificates* s_certs;
};
test::TlsCertificates* TlsLayerTest::s_certs = nullptr;

// The library reads the tickets and the first records, the record reader
// the rest across two key updates, into small and large buffers alike.
TEST_P(TlsLayerTest, ReaderPicksUpWhereTheLibraryStoppedAndFollowsKeyUpdates)
{
    TlsSession s(*s_certs, GetParam(), false);
    ASSERT_TRUE(s.tls->Established());
    s.Send(50000, 3000);
    s.ReadAll(1000);
    EXPECT_TRUE(s.tls->ReadsRecords());
    s.Send(3 << 20);
    s.KeyUpdate();
    s.Send(70000, 777);
    s.ReadAll(100);
    s.KeyUpdate();
    s.Send(1 << 20);
    s.ReadAll(1 << 20);
    // The server asked for the client's key update: it comes before the
    // client's next bytes, which the server reads under the new key.
    ASSERT_EQ(s.tls->Write("bye", 3), 3);
    EXPECT_EQ(s.FromClient(), "bye");
    EXPECT_EQ(s.clientKeyUpdates, 1);
    s.CloseNotify();
    s.ReadAll(1 << 20);
    EXPECT_EQ(s.received.size(), s.sent.size());
    EXPECT_TRUE(s.received == s.sent);
    EXPECT_TRUE(s.tls->Ended());
    EXPECT_TRUE(s.tls->CleanEnd());
    EXPECT_FALSE(s.tls->HasPending());
}

INSTANTIATE_TEST_SUITE_P(Suites, TlsLayerTest,
                         ::testing::Values("TLS_AES_128_GCM_SHA256", "TLS_AES_256_GCM_SHA384",
                                           "TLS_CHACHA20_POLY1305_SHA256"));

// A changed byte is never delivered: the bytes before its record arrive,
// then the stream is cut with the reason; an end without close_notify is
// an end cut short; TLS 1.2 stays with the library and still ends cleanly.
TEST_F(TlsLayerTest, DamageAndEndsAreToldWithTheirReason)
{
    {
        TlsSession s(*s_certs, nullptr, false);
        s.Send(20000);
        s.ReadAll(1 << 16);
        ASSERT_TRUE(s.tls->ReadsRecords());
        s.Send(40000);
        s.Damage(100);
        s.ReadAll(1 << 16);
        EXPECT_EQ(s.received, s.sent.left(20000 + 32768));
        EXPECT_TRUE(s.tls->Ended());
        EXPECT_FALSE(s.tls->CleanEnd());
        EXPECT_EQ(s.tls->Failure(), "TLS error (decryption failed or bad record mac)");
    }
    {
        TlsSession s(*s_certs, nullptr, false);
        s.Send(300000);
        s.ReadAll(1 << 16);
        s.Hangup();
        s.ReadAll(1 << 16);
        EXPECT_TRUE(s.received == s.sent);
        EXPECT_TRUE(s.tls->Ended());
        EXPECT_FALSE(s.tls->CleanEnd());
        EXPECT_EQ(s.tls->Failure(), "the connection was cut short (no TLS close_notify)");
    }
    {
        TlsSession s(*s_certs, nullptr, true);
        s.Send(300000);
        s.CloseNotify();
        s.ReadAll(1 << 16);
        EXPECT_FALSE(s.tls->ReadsRecords());
        EXPECT_TRUE(s.received == s.sent);
        EXPECT_TRUE(s.tls->CleanEnd());
    }
}

} // namespace
