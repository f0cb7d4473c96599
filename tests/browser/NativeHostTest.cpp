// The native-messaging host, run as its own process with frames on its
// standard input, against an endpoint captioned "FLK" in this process.

#include "BrowserEnv.h"
#include "Endpoint.h"
#include "FileMapping.h"
#include "HostRun.h"

#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using namespace flk;

namespace {

struct Seen {
    QList<UINT> messages;
    QList<QByteArray> data;
    QStringList queried;
};

// A stand-in for the tray window: answers 1 for addresses ending in ".zip".
Endpoint::Handler Tray(Seen& seen)
{
    return [&seen](UINT msg, WPARAM, LPARAM, const QByteArray& data) -> LRESULT {
        seen.messages << msg;
        seen.data << data;
        if (msg == 2024) {
            FileMapping block = FileMapping::Open("ISBINARYMAP", 3076);
            if (!block.isValid())
                return 0;
            const QString url = QString::fromUtf8(reinterpret_cast<const char*>(block.data()));
            seen.queried << url;
            block.data()[3075] = url.endsWith(".zip") ? 1 : 0;
        }
        return 1;
    };
}

QJsonObject Query(const QString& url)
{
    return {{"type", "query"}, {"url", url}};
}

QJsonObject HandOff(const QString& kind, const QString& url, const QString& description)
{
    return {{"type", "handoff"}, {"kind", kind}, {"url", url}, {"description", description}};
}

} // namespace

TEST(NativeHost, QueriesAndHandOffsReachTheWindow)
{
    test::BrowserEnv env;
    Seen seen;
    Endpoint tray(Tray(seen));
    ASSERT_TRUE(tray.setName("FLK"));

    const auto run = test::RunHost({Query("http://h/a.zip"), Query("http://h/page.html"),
                                    HandOff("http", "http://h/a.zip", "Some page")});
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.answers.size(), 3) << run.errorOutput.constData();
    EXPECT_EQ(run.answers[0], (QJsonObject{{"file", true}}));
    EXPECT_EQ(run.answers[1], (QJsonObject{{"file", false}}));
    EXPECT_EQ(run.answers[2], (QJsonObject{{"ok", true}}));
    EXPECT_EQ(seen.messages, (QList<UINT>{2024, 2024, WM_COPYDATA}));
    EXPECT_EQ(seen.queried, (QStringList{"http://h/a.zip", "http://h/page.html"}));
    EXPECT_EQ(seen.data[2], QByteArray("\x1Dhttp\rhttp://h/a.zip\rSome page"));
    // The block is gone once the query is answered.
    EXPECT_FALSE(FileMapping::Open("ISBINARYMAP", 3076).isValid());
}

TEST(NativeHost, NoWindowCaptionedFlk)
{
    test::BrowserEnv env;
    Seen seen;
    Endpoint tray(Tray(seen));
    ASSERT_TRUE(tray.setName("FLK - Download Detect Disabled"));

    const auto run = test::RunHost({Query("http://h/a.zip"), HandOff("http", "http://h/a.zip", "")});
    ASSERT_EQ(run.answers.size(), 2);
    for (const QJsonObject& answer : run.answers) {
        EXPECT_EQ(answer.value("ok"), QJsonValue(false));
        EXPECT_TRUE(answer.value("error").toString().contains("no window captioned \"FLK\""));
    }
    EXPECT_TRUE(seen.messages.isEmpty());
    EXPECT_FALSE(run.errorOutput.isEmpty()); // logged, on standard error only
}

TEST(NativeHost, LongAddressesAreRefusedAndLongDescriptionsShortened)
{
    test::BrowserEnv env;
    Seen seen;
    Endpoint tray(Tray(seen));
    ASSERT_TRUE(tray.setName("FLK"));

    const QString longUrl = "http://h/" + QString(250, 'x') + ".zip"; // never cut
    const QString url = "http://h/f.zip";
    const QString description = QString(300, QChar(0x00E9)); // two bytes each in UTF-8
    const auto run = test::RunHost({HandOff("http", longUrl, ""), HandOff("http", url, description),
                                    {{"type", "dance"}}, });
    ASSERT_EQ(run.answers.size(), 3);
    EXPECT_EQ(run.answers[0].value("ok"), QJsonValue(false));
    EXPECT_TRUE(run.answers[0].value("error").toString().contains("too long"));
    EXPECT_EQ(run.answers[1], (QJsonObject{{"ok", true}}));
    EXPECT_EQ(run.answers[2].value("ok"), QJsonValue(false));

    ASSERT_EQ(seen.data.size(), 1);
    const QByteArray sent = seen.data[0];
    EXPECT_EQ(uchar(sent[0]), sent.size() - 1);
    EXPECT_LE(sent.size() - 1, 255);
    const QByteArray head = "http\rhttp://h/f.zip\r";
    EXPECT_TRUE(sent.mid(1).startsWith(head));
    // Cut between characters: 255 - 20 = 235 bytes leave 117 whole ones.
    EXPECT_EQ(QString::fromUtf8(sent.mid(1 + head.size())), QString(117, QChar(0x00E9)));
}

TEST(NativeHost, BrokenFrameEndsTheHost)
{
    test::BrowserEnv env;
    QProcess host;
    host.start(FLK_HOST_PROGRAM, {});
    ASSERT_TRUE(host.waitForStarted());
    const quint32 huge = 0x7FFFFFFF;
    host.write(reinterpret_cast<const char*>(&huge), 4);
    host.closeWriteChannel();
    PumpUntil([&] { return host.state() == QProcess::NotRunning; });
    EXPECT_EQ(host.exitCode(), 0);
    EXPECT_TRUE(host.readAllStandardOutput().isEmpty());
}
