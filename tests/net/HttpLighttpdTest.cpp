#include "HttpProt.h"
#include "LoopbackHttpd.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

using namespace flk;
using flk::test::LoopbackHttpd;

namespace {

class HttpLighttpdTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsRunning()) << server.ErrorText().toStdString();
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [this] { http.AbortRequest(); });
    }

    // Downloads into a local file; "ok" or the exception's "code message".
    QString Download(const QString& url, const QString& localName, bool append = false)
    {
        QFile f(dir.filePath(localName));
        f.open(append ? QIODevice::Append : QIODevice::WriteOnly);
        http.URL = url;
        http.ReceiveStream = &f;
        watchdog.start(15000);
        QString result = "ok";
        try {
            http.GetSync();
        } catch (const EHttpException& e) {
            result = QString("%1 %2").arg(e.ErrorCode()).arg(e.Message());
        }
        watchdog.stop();
        http.ReceiveStream = nullptr;
        return result;
    }

    QByteArray Local(const QString& localName)
    {
        QFile f(dir.filePath(localName));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

    LoopbackHttpd server;
    THttpCli http;
    QTemporaryDir dir;
    QTimer watchdog;
};

QByteArray Content(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 31) ^ (i >> 9));
    return b;
}

} // namespace

TEST_F(HttpLighttpdTest, HeadThenGetAndRangeIgnored)
{
    const QByteArray content = Content(300000);
    server.AddFile("files/app.bin", content);
    http.URL = server.Url("files/app.bin");
    http.HeadSync();
    EXPECT_EQ(http.ResponseStatus(), 200);
    EXPECT_EQ(http.AnnouncedLength(), 300000);
    EXPECT_EQ(http.ReceivedBytes(), 0);

    EXPECT_EQ(Download(server.Url("files/app.bin"), "app.bin"), "ok");
    EXPECT_EQ(Local("app.bin"), content);

    // lighttpd honours Range only for HTTP/1.1 requests: an HTTP/1.0 resume
    // gets the whole file with status 200, which the caller must restart from.
    http.ContentRangeBegin = "1000";
    EXPECT_EQ(Download(server.Url("files/app.bin"), "again.bin"), "ok");
    EXPECT_EQ(http.ResponseStatus(), 200);
    EXPECT_TRUE(http.ContentRangeBegin.isEmpty());
    EXPECT_EQ(Local("again.bin"), content);
}

TEST_F(HttpLighttpdTest, FollowsRelativeAndAbsoluteRedirects)
{
    const QByteArray content = Content(5000);
    server.AddFile("target.bin", content);
    QStringList locations;
    http.OnLocationChange = [&](THttpCli* c) { locations << c->Location; };
    EXPECT_EQ(Download(server.Url("redirect/target.bin"), "r1.bin"), "ok");
    EXPECT_EQ(Local("r1.bin"), content);
    EXPECT_EQ(Download(server.Url("absredirect/target.bin"), "r2.bin"), "ok");
    EXPECT_EQ(Local("r2.bin"), content);
    ASSERT_EQ(locations.size(), 2);
    EXPECT_TRUE(locations[0].endsWith("/target.bin"));
    EXPECT_EQ(locations[1], server.Url("target.bin"));
}

TEST_F(HttpLighttpdTest, MissingFileAndRedirectLoop)
{
    EXPECT_EQ(Download(server.Url("nothing-here.bin"), "missing.bin"), "404 Not Found");
    EXPECT_EQ(Download(server.Url("loop"), "loop.bin"), "404 Too many redirections (more than 20)");
    server.AddFile("after.txt", "still works");
    EXPECT_EQ(Download(server.Url("after.txt"), "after.txt"), "ok");
    EXPECT_EQ(Local("after.txt"), "still works");
    EXPECT_EQ(http.MediaType(), "text/plain");
}
