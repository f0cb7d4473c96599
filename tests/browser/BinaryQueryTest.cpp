// The query message: the block "ISBINARYMAP", the ftp rule, the HEAD
// request and its content type, against loopback servers; and the helper's
// host carrying queries and hand-offs to the real message handler.

#include "Asker.h"
#include "BinaryQuery.h"
#include "BrowserEnv.h"
#include "BrowserHelper.h"
#include "Endpoint.h"
#include "FileMapping.h"
#include "HostRun.h"
#include "LoopbackHttpd.h"
#include "ScriptedDialogs.h"
#include "TopLevel.h"

#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QJsonObject>
#include <QLineEdit>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <cerrno>

using namespace flk;

namespace {

// Answers each request with the canned reply for its path and counts the
// connections it accepted.
class CannedHttpServer {
public:
    CannedHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                ++connections;
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { serve(s); });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    void reply(const QString& path, const QByteArray& response) { m_replies.insert(path, response); }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    quint16 port() const { return m_server.serverPort(); }

    int connections = 0;
    QStringList requestLines;

private:
    void serve(QTcpSocket* s)
    {
        QByteArray& buffer = m_buffers[s];
        buffer += s->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QByteArray requestLine = buffer.left(buffer.indexOf("\r\n"));
        requestLines << QString::fromLatin1(requestLine);
        const QString path = QString::fromLatin1(requestLine.split(' ').value(1));
        s->write(m_replies.value(path, "HTTP/1.0 500 Nothing here\r\n\r\n"));
        s->disconnectFromHost();
        m_buffers.remove(s);
    }

    QTcpServer m_server;
    QHash<QString, QByteArray> m_replies;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

class Query : public ::testing::Test {
protected:
    Query()
    {
        server.reply("/page.html", "HTTP/1.0 200 OK\r\nServer: canned\r\nContent-Type: text/html\r\n\r\n");
        server.reply("/file.zip", "HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\nContent-Length: 9\r\n\r\n");
        server.reply("/missing.zip", "HTTP/1.0 404 Not Found\r\nContent-Type: application/zip\r\n\r\n");
        server.reply("/untyped", "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n");
        server.reply("/twotypes", "HTTP/1.0 200 OK\r\ncontent-type: application/zip\r\nCONTENT-TYPE: Text/Plain\r\n\r\n");
        server.reply("/forbidden", "HTTP/1.0 403 Forbidden\r\nContent-Type: application/octet-stream\r\n\r\n");
        server.reply("/error", "HTTP/1.0 500 Broken\r\n\r\n");
    }
    void TearDown() override
    {
        test::DeleteTopLevel<TfrmAsker>();
    }

    // Fills the block as the helper does, sends 2024 and reads the answer;
    // -1 when the answer byte was left alone.
    int ask(const QString& address)
    {
        FileMapping block = FileMapping::Create("ISBINARYMAP", 3076);
        EXPECT_TRUE(block.isValid());
        const QByteArray bytes = address.toUtf8();
        memcpy(block.data(), bytes.constData(), size_t(bytes.size()));
        memcpy(block.data() + 1025, "second", 6);
        memcpy(block.data() + 2050, "third", 5);
        block.data()[3075] = 0xAA;
        browser::HandleTrayMessage(browser::WM_ISBINARY, 0, 0, {});
        const int answer = block.data()[3075];
        return answer == 0xAA ? -1 : answer;
    }

    test::BrowserEnv env;
    test::ScriptedDialogs dialogs;
    CannedHttpServer server;
};

} // namespace

TEST_F(Query, ContentTypeDecides)
{
    EXPECT_EQ(ask(server.url("/page.html")), 0);
    EXPECT_EQ(ask(server.url("/file.zip")), 1);
    EXPECT_EQ(ask(server.url("/missing.zip")), 0);
    // The last content-type line is the one that counts.
    EXPECT_EQ(ask(server.url("/twotypes")), 0);
    EXPECT_EQ(server.requestLines.first(), "HEAD /page.html HTTP/1.0");
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(Query, AnswersLeftOpen)
{
    // No content type on a good reply: taken as a file (octet-stream).
    EXPECT_EQ(ask(server.url("/untyped")), 1);
    // A failure other than 404 brings no content type (the client stops at
    // the error status), so the browser keeps the click.
    EXPECT_EQ(ask(server.url("/forbidden")), 0);
    EXPECT_EQ(ask(server.url("/error")), 0);
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const quint16 deadPort = closed.serverPort();
    closed.close();
    EXPECT_EQ(ask(QStringLiteral("http://127.0.0.1:%1/x.zip").arg(deadPort)), 0);
}

TEST_F(Query, FtpAddressesAreFilesWithoutAnyTraffic)
{
    EXPECT_EQ(ask(QStringLiteral("ftp://127.0.0.1:%1/pub/file").arg(server.port())), 1);
    EXPECT_EQ(ask(QStringLiteral("FtP://127.0.0.1:%1/x").arg(server.port())), 1);
    EXPECT_EQ(ask("ftpsomething"), 1);
    EXPECT_EQ(ask(""), 0);
    EXPECT_EQ(server.connections, 0);
}

TEST_F(Query, MissingBlockShowsTheSystemError)
{
    EXPECT_EQ(browser::HandleTrayMessage(browser::WM_ISBINARY, 0, 0, {}), 0);
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text, QStringLiteral("Win32 Error.  Code: %1.\nNo such file or directory").arg(ENOENT));
    EXPECT_EQ(dialogs.boxes()[0].icon, MB_ICONERROR);
}

TEST_F(Query, RealServer)
{
    test::LoopbackHttpd httpd;
    ASSERT_TRUE(httpd.IsRunning()) << qPrintable(httpd.ErrorText());
    httpd.AddFile("index.html", "<html></html>");
    httpd.AddFile("dl/archive.bin", QByteArray(1000, 'z'));
    EXPECT_EQ(ask(httpd.Url("index.html")), 0);
    EXPECT_EQ(ask(httpd.Url("dl/archive.bin")), 1);
    EXPECT_EQ(ask(httpd.Url("nothing-here.zip")), 0);
    // Redirects are followed to the file itself.
    EXPECT_EQ(ask(httpd.Url("redirect/dl/archive.bin")), 1);
}

// The whole way from the browser's side: frames into the host process, the
// tray's endpoint, the real handler.
TEST_F(Query, HostCarriesQueriesAndHandOffsToTheTray)
{
    Endpoint tray(browser::HandleTrayMessage);
    ASSERT_TRUE(tray.setName("FLK"));
    const auto run = test::RunHost({
        {{"type", "query"}, {"url", server.url("/file.zip")}},
        {{"type", "query"}, {"url", server.url("/page.html")}},
        {{"type", "handoff"}, {"kind", "http"}, {"url", server.url("/file.zip")}, {"description", "From a page"}},
    });
    ASSERT_EQ(run.answers.size(), 3) << run.errorOutput.constData();
    EXPECT_EQ(run.answers[0], (QJsonObject{{"file", true}}));
    EXPECT_EQ(run.answers[1], (QJsonObject{{"file", false}}));
    EXPECT_EQ(run.answers[2], (QJsonObject{{"ok", true}}));

    const QList<TfrmAsker*> askers = test::TopLevel<TfrmAsker>();
    ASSERT_EQ(askers.size(), 1);
    EXPECT_EQ(askers[0]->edtSource->currentText(), server.url("/file.zip"));
    EXPECT_EQ(askers[0]->edtName->text(), "file.zip");
    EXPECT_EQ(askers[0]->edtDesc->text(), "From a page");
    EXPECT_TRUE(askers[0]->isVisible());
}

TEST_F(Query, DisabledDetectionCutsTheHelperOff)
{
    Endpoint tray(browser::HandleTrayMessage);
    ASSERT_TRUE(tray.setName("FLK"));
    ASSERT_TRUE(tray.setName("FLK - Download Detect Disabled"));
    const auto run = test::RunHost({
        {{"type", "query"}, {"url", server.url("/file.zip")}},
        {{"type", "handoff"}, {"kind", "http"}, {"url", server.url("/file.zip")}, {"description", ""}},
    });
    ASSERT_EQ(run.answers.size(), 2);
    EXPECT_EQ(run.answers[0].value("ok"), QJsonValue(false));
    EXPECT_EQ(run.answers[1].value("ok"), QJsonValue(false));
    EXPECT_EQ(server.connections, 0);
    EXPECT_TRUE(test::TopLevel<TfrmAsker>().isEmpty());
}
