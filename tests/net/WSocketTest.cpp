#include "NetTestUtil.h"
#include "ScriptedHttpServer.h"
#include "WSocket.h"

#include <QThread>
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>
#include <arpa/inet.h>
#include <cerrno>
#include <unistd.h>

using namespace flk;
using flk::test::PumpFor;
using flk::test::RefusingPort;
using flk::test::ScriptedHttpServer;

namespace {

const char* StateName(TSocketState s)
{
    static const char* const names[] = {"wsInvalidState", "wsOpened", "wsBound", "wsConnecting",
                                        "wsConnected", "wsAccepting", "wsListening", "wsClosed"};
    return names[s];
}

// Records every event of a socket as a line of text, in order.
struct EventLog {
    QStringList lines;
    void Attach(TWSocket& s)
    {
        s.OnChangeState = [this](TWSocket*, TSocketState o, TSocketState n) {
            lines << QString("state %1->%2").arg(StateName(o), StateName(n));
        };
        s.OnSessionConnected = [this](TWSocket*, quint16 e) { lines << QString("connected %1").arg(e); };
        s.OnSessionClosed = [this](TWSocket*, quint16 e) { lines << QString("closed %1").arg(e); };
        s.OnDataSent = [this](TWSocket*, quint16 e) { lines << QString("sent %1").arg(e); };
        s.OnDnsLookupDone = [this](TWSocket*, quint16 e) { lines << QString("dns %1").arg(e); };
    }
    int Count(const QString& line) const { return static_cast<int>(lines.count(line)); }
};

QString ExceptionText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ESocketException& e) {
        return e.Message();
    }
    return "(no exception)";
}

void ConnectTo(TWSocket& s, quint16 port)
{
    s.SetAddr("127.0.0.1");
    s.SetPort(QString::number(port));
    s.Connect();
}

} // namespace

TEST(TBufferTest, WritePeekRemoveAndRewind)
{
    TBuffer b(0);
    EXPECT_EQ(b.BufSize(), 1514);
    QByteArray data(2000, 'x');
    EXPECT_EQ(b.Write(data.constData(), 2000), 1514);
    EXPECT_EQ(b.Write("y", 1), 0);
    qint32 len = 0;
    b.Peek(len);
    EXPECT_EQ(len, 1514);
    EXPECT_EQ(b.Remove(1000), 1000);
    const char* p = b.Peek(len);
    EXPECT_EQ(len, 514);
    EXPECT_EQ(p[0], 'x');
    EXPECT_EQ(b.Remove(5000), 514);
    b.Peek(len);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(b.WrCount(), 0);  // rewound: refilled from the start
    EXPECT_EQ(b.Write("abc", 3), 3);
    b.SetBufSize(10);
    p = b.Peek(len);
    EXPECT_EQ(QByteArray(p, len), QByteArray("abc"));
    EXPECT_EQ(b.BufSize(), 10);
}

TEST(WSocketTextTest, ErrorTextsAndErrnoMapping)
{
    EXPECT_EQ(WSocketErrorText(0), "No Error");
    EXPECT_EQ(WSocketErrorText(10061), "Connection refused");
    EXPECT_EQ(WSocketErrorText(10054), "Connection reset by peer");
    EXPECT_EQ(WSocketErrorText(11001), "Host not found");
    EXPECT_EQ(WSocketErrorText(10058), "Can't send after socket shutdown");
    EXPECT_EQ(WSocketErrorText(12345), "Not a WinSock error");
    EXPECT_EQ(WSocketErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(WSocketErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(WSocketErrorFromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(WSocketErrorFromErrno(ENOTCONN), 10057);
    EXPECT_EQ(WSocketErrorFromErrno(ETIMEDOUT), 10060);
}

TEST(WSocketResolveTest, PortsProtocolsAndHosts)
{
    EXPECT_EQ(WSocketResolvePort("21abc", "tcp"), 21);
    EXPECT_EQ(WSocketResolvePort("ftp", "tcp"), 21);
    EXPECT_EQ(WSocketResolveProto("tcp"), 6);
    EXPECT_EQ(WSocketResolveProto("17"), 17);
    EXPECT_EQ(WSocketResolveHost(" 127.0.0.1 "), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ExceptionText([] { WSocketResolvePort("", "tcp"); }), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(ExceptionText([] { WSocketResolvePort("nosuchservice", "tcp"); }),
              "WSocketResolvePort: Cannot convert port 'nosuchservice'");
    EXPECT_EQ(ExceptionText([] { WSocketResolveProto(""); }), "WSocketResolveProto: Invalid Protocol.");
    EXPECT_EQ(ExceptionText([] { WSocketResolveHost(""); }), "WSocketResolveHost: Invalid Hostname.");
    EXPECT_EQ(ExceptionText([] { WSocketResolveHost("no-such-host.invalid"); }),
              "WSocketResolveHost: Cannot convert host address 'no-such-host.invalid'");
}

TEST(WSocketDnsTest, DottedAddressCompletesBeforeReturning)
{
    EventLog log; // outlives the socket, whose destruction still reports
    TWSocket s;
    log.Attach(s);
    s.DnsLookup("10.0.0.1");
    EXPECT_EQ(log.lines, QStringList{"dns 0"});
    EXPECT_EQ(s.DnsResult(), "10.0.0.1");
    EXPECT_TRUE(s.DnsResultList().isEmpty());
}

TEST(WSocketDnsTest, EmptyHostRaises)
{
    TWSocket s;
    EXPECT_EQ(ExceptionText([&] { s.DnsLookup(""); }), "DNS lookup: invalid host name.");
}

TEST(WSocketDnsTest, NameIsLookedUpOffTheCallAndSecondLookupReplacesFirst)
{
    EventLog log; // outlives the socket, whose destruction still reports
    TWSocket s;
    log.Attach(s);
    s.DnsLookup("first-lookup.invalid");
    s.DnsLookup("localhost");
    EXPECT_TRUE(log.lines.isEmpty());  // names complete later, from the message loop
    ASSERT_TRUE(PumpFor([&] { return !log.lines.isEmpty(); }));
    PumpFor([] { return false; }, 300);  // a late completion of the first would show now
    EXPECT_EQ(log.lines, QStringList{"dns 0"});
    EXPECT_EQ(s.DnsResult(), "127.0.0.1");
    EXPECT_TRUE(s.DnsResultList().contains("127.0.0.1"));
}

TEST(WSocketDnsTest, UnknownNameAndCancel)
{
    EventLog log; // outlives the socket, whose destruction still reports
    TWSocket s;
    log.Attach(s);
    s.DnsLookup("no-such-host.invalid");
    ASSERT_TRUE(PumpFor([&] { return !log.lines.isEmpty(); }));
    EXPECT_EQ(log.lines, QStringList{"dns 11001"});
    log.lines.clear();
    s.DnsLookup("another-host.invalid");
    s.CancelDnsLookup();
    EXPECT_EQ(log.lines, QStringList{"dns 10004"});
    PumpFor([] { return false; }, 300);
    EXPECT_EQ(log.lines, QStringList{"dns 10004"});
}

TEST(WSocketConnectTest, RefusedConnectionEventOrder)
{
    RefusingPort refusing;
    EventLog log; // outlives the socket, whose destruction still reports
    TWSocket s;
    log.Attach(s);
    ConnectTo(s, refusing.port);
    EXPECT_EQ(log.lines, (QStringList{"state wsClosed->wsOpened", "state wsOpened->wsConnecting"}));
    ASSERT_TRUE(PumpFor([&] { return s.State() == wsClosed; }));
    EXPECT_EQ(log.lines, (QStringList{"state wsClosed->wsOpened", "state wsOpened->wsConnecting",
                                      "state wsConnecting->wsConnected", "connected 10061",
                                      "state wsConnected->wsClosed", "closed 0"}));
}

TEST(WSocketConnectTest, ChecksAndSettersRaise)
{
    TWSocket s;
    EXPECT_EQ(ExceptionText([&] { s.Connect(); }), "Connect: No Port Specified");
    s.SetPort("80");
    EXPECT_EQ(ExceptionText([&] { s.Connect(); }), "Connect: No IP Address Specified");

    ScriptedHttpServer server;
    server.AddReply(ScriptedHttpServer::Reply{"", false, false});
    ConnectTo(s, server.Port());
    EXPECT_EQ(ExceptionText([&] { s.SetAddr("10.0.0.2"); }), "Cannot change Addr if not closed");
    EXPECT_EQ(ExceptionText([&] { s.SetPort("81"); }), "Cannot change Port if not closed");
    EXPECT_EQ(ExceptionText([&] { s.SetProto("udp"); }), "Cannot change Proto if not closed");
    EXPECT_EQ(ExceptionText([&] { s.Connect(); }), "Connect: Socket already in use");
    ASSERT_TRUE(PumpFor([&] { return s.State() == wsConnected; }));
    s.Close();
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(s.Addr(), "127.0.0.1");  // the text stays, but must be set again
    EXPECT_EQ(ExceptionText([&] { s.Connect(); }), "Connect: No Port Specified");
    s.SetPort(QString::number(server.Port()));
    EXPECT_EQ(ExceptionText([&] { s.Connect(); }), "Connect: No IP Address Specified");
    EXPECT_EQ(s.Proto(), "tcp");
}

TEST(WSocketConnectTest, SendWhileConnectingRaisesAndCloses)
{
    ScriptedHttpServer server;
    server.AddReply(ScriptedHttpServer::Reply{"", false, true});
    TWSocket s;
    ConnectTo(s, server.Port());
    ASSERT_EQ(s.State(), wsConnecting);
    EXPECT_EQ(ExceptionText([&] { s.Send("x", 1); }), "Error 10057 in function Send\r\nSocket is not connected");
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(s.LastError(), 10057);
}

TEST(WSocketConnectTest, OnErrorReplacesTheException)
{
    TWSocket s;
    int errors = 0;
    s.OnError = [&](TWSocket*) { ++errors; };
    EXPECT_EQ(s.Send("x", 1), -1);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(s.LastError(), 10057);
}

TEST(WSocketDataTest, SendQueuesAndReportsDataSentFromTheLoop)
{
    ScriptedHttpServer server;
    QByteArray request(4000, 'q');
    request.replace(3996, 4, "\r\n\r\n");
    server.AddReply(ScriptedHttpServer::Reply{"", true, true});
    EventLog log; // outlives the socket, whose destruction still reports
    TWSocket s;
    log.Attach(s);
    ConnectTo(s, server.Port());
    ASSERT_TRUE(PumpFor([&] { return s.State() == wsConnected; }));
    PumpFor([] { return false; }, 100);
    log.lines.clear();
    EXPECT_EQ(s.Send(request.constData(), 4000), 4000);
    EXPECT_TRUE(log.lines.isEmpty());  // never from inside Send
    ASSERT_TRUE(PumpFor([&] { return log.Count("sent 0") > 0; }));
    EXPECT_EQ(server.WaitForRequest(0), request);
}

TEST(WSocketDataTest, DataArrivingWithTheCloseComesFirst)
{
    ScriptedHttpServer server;
    server.AddReply(ScriptedHttpServer::Reply{"hello, world", false, true});
    EventLog log; // outlives the socket, whose destruction still reports
    TWSocket s;
    log.Attach(s);
    QByteArray received;
    s.OnDataAvailable = [&](TWSocket* sock, quint16 e) {
        char buf[5];
        const int n = sock->Receive(buf, sizeof buf);
        if (n > 0)
            received.append(buf, n);
        log.lines << QString("data %1").arg(e);
    };
    ConnectTo(s, server.Port());
    ASSERT_TRUE(PumpFor([&] { return s.State() == wsClosed; }));
    EXPECT_EQ(received, "hello, world");
    EXPECT_EQ(s.ReadCount(), 0);  // reset by the close
    const qsizetype closed = log.lines.indexOf("closed 0");
    ASSERT_GE(closed, 0);
    EXPECT_EQ(log.lines.lastIndexOf(QRegularExpression("data .*")) < closed, true);
    EXPECT_EQ(log.lines.mid(closed), (QStringList{"closed 0", "state wsConnected->wsClosed"}));
    EXPECT_EQ(log.Count("closed 0"), 1);
}

TEST(WSocketDataTest, ResetWhileSendingClosesOnce)
{
    ScriptedHttpServer server;
    server.AddReply(ScriptedHttpServer::Reply{"", false, true, true});
    EventLog log; // outlives the socket, whose destruction still reports
    TWSocket s;
    log.Attach(s);
    ConnectTo(s, server.Port());
    // The reset may come before the connection is seen as made: it is made
    // first all the same, and closed once.
    ASSERT_TRUE(PumpFor([&] { return log.Count("connected 0") > 0; }));
    server.WaitForRequest(0);
    const QByteArray block(64 * 1024, 'z');
    ASSERT_TRUE(PumpFor([&] {
        if (s.State() == wsConnected)
            s.Send(block.constData(), static_cast<int>(block.size()));
        return s.State() == wsClosed;
    }));
    PumpFor([] { return false; }, 200);
    EXPECT_EQ(log.Count("closed 10054"), 1);
    EXPECT_EQ(log.lines.filter("closed").size(), 1);
}

TEST(WSocketDataTest, ResetBeforeTheConnectIsSeenStillConnectsThenCloses)
{
    ScriptedHttpServer server;
    server.AddReply(ScriptedHttpServer::Reply{"", false, true, true});
    EventLog log;
    TWSocket s;
    log.Attach(s);
    ConnectTo(s, server.Port());
    // Let the server accept and reset before the loop sees the connect.
    while (server.Connections() == 0)
        QThread::msleep(5);
    QThread::msleep(100);
    ASSERT_TRUE(PumpFor([&] { return s.State() == wsClosed; }));
    PumpFor([] { return false; }, 100);
    EXPECT_EQ(log.Count("connected 0"), 1) << log.lines.join(" | ").toStdString();
    EXPECT_EQ(log.Count("closed 10054"), 1) << log.lines.join(" | ").toStdString();
    EXPECT_EQ(log.lines.filter("connected").size(), 1);
    EXPECT_EQ(log.lines.filter("closed").size(), 1);
}

TEST(WSocketDataTest, LocalCloseOrderAndDefaults)
{
    ScriptedHttpServer server;
    server.AddReply(ScriptedHttpServer::Reply{"", false, false});
    EventLog log; // outlives the socket, whose destruction still reports
    TWSocket s;
    log.Attach(s);
    s.SetLingerTimeout(5);
    ConnectTo(s, server.Port());
    ASSERT_TRUE(PumpFor([&] { return s.State() == wsConnected; }));
    log.lines.clear();
    s.Close();
    EXPECT_EQ(log.lines, (QStringList{"state wsConnected->wsClosed", "closed 0"}));
    EXPECT_EQ(s.LingerOnOff(), wsLingerOn);
    EXPECT_EQ(s.LingerTimeout(), 0);
    s.Close();  // nothing more
    EXPECT_EQ(log.lines.size(), 2);
}

TEST(WSocketServerTest, ListenAcceptDupAndExchange)
{
    TWSocket listener;
    listener.SetAddr("0.0.0.0");
    listener.SetPort("0");
    listener.Listen();
    EXPECT_EQ(listener.State(), wsListening);
    sockaddr_storage local{};
    socklen_t len = sizeof local;
    ASSERT_EQ(listener.GetSockName(local, len), 0);
    const quint16 port = ntohs(reinterpret_cast<sockaddr_in&>(local).sin_port);
    EXPECT_NE(port, 0);
    EXPECT_EQ(listener.GetLocalPort(), QString::number(port));

    TWSocket data;
    QByteArray atServer;
    listener.OnSessionAvailable = [&](TWSocket* l, quint16) {
        const TSocket h = l->Accept();
        l->Close();
        data.OnDataAvailable = [&](TWSocket* d, quint16) {
            char buf[100];
            const int n = d->Receive(buf, sizeof buf);
            if (n > 0)
                atServer.append(buf, n);
        };
        data.Dup(h);
    };
    TWSocket client;
    QByteArray atClient;
    client.OnSessionConnected = [](TWSocket* c, quint16 e) {
        if (e == 0)
            c->SendText(QByteArray("ping"));
    };
    client.OnDataAvailable = [&](TWSocket* c, quint16) {
        char buf[100];
        const int n = c->Receive(buf, sizeof buf);
        if (n > 0)
            atClient.append(buf, n);
    };
    ConnectTo(client, port);
    ASSERT_TRUE(PumpFor([&] { return atServer == "ping"; }));
    EXPECT_EQ(data.State(), wsConnected);
    EXPECT_EQ(listener.State(), wsClosed);
    data.SendText(QByteArray("pong"));
    ASSERT_TRUE(PumpFor([&] { return atClient == "pong"; }));
    EXPECT_EQ(data.GetPeerAddr(), "127.0.0.1");
    EXPECT_EQ(data.ReadCount(), 4);
}

TEST(WSocketServerTest, ListenChecksAndAcceptOutsideListening)
{
    TWSocket s;
    EXPECT_EQ(ExceptionText([&] { s.Listen(); }), "listen: port not assigned");
    s.SetPort("0");
    EXPECT_EQ(ExceptionText([&] { s.Listen(); }), "listen: address not assigned");
    EXPECT_EQ(ExceptionText([&] { s.Accept(); }),
              "Error 10022 in function not a listening socket\r\nInvalid argument");
}
