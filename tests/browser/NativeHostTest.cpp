// The native-messaging host, run as its own process with frames on its
// standard input, against an endpoint captioned "FLK" in this process.

#include "BrowserEnv.h"
#include "Endpoint.h"
#include "FileMapping.h"
#include "HandOffMessage.h"
#include "HostRun.h"

#include <QJsonDocument>
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

// What fits the length-prefixed string whole goes as that string; a long
// address, a long description or the browser's context goes whole as the
// JSON form. Bad messages get a clear refusal, so the browser keeps its
// download.
TEST(NativeHost, LongFieldsAndContextGoWholeAndBadMessagesAreRefused)
{
    test::BrowserEnv env;
    Seen seen;
    QList<WPARAM> forms;
    Endpoint tray([&](UINT msg, WPARAM w, LPARAM l, const QByteArray& data) {
        forms << w;
        return Tray(seen)(msg, w, l, data);
    });
    ASSERT_TRUE(tray.setName("FLK"));

    const QString longUrl = "http://h/" + QString(4096, 'x') + ".zip";
    const QString description = QString(300, QChar(0x00E9));
    QJsonObject context = HandOff("http", "http://h/get?id=7", "d");
    context["finalUrl"] = "https://cdn.h/f/report.pdf";
    context["filename"] = "report 2026.pdf";
    context["referrer"] = "https://h/page";
    context["userAgent"] = "Browser/1.0";
    context["cookies"] = "sid=s3cret";
    QJsonObject hugeCookie = context;
    hugeCookie["cookies"] = QString(8193, 'c');
    const auto run = test::RunHost({HandOff("http", "http://h/f.zip", "short"), HandOff("http", longUrl, ""),
                                    HandOff("http", "http://h/f.zip", description), context, hugeCookie,
                                    HandOff("http", "", "no address"), {{"type", "dance"}}, Query(longUrl)});
    ASSERT_EQ(run.answers.size(), 8) << run.errorOutput.constData();
    for (int i : {0, 1, 2, 3})
        EXPECT_EQ(run.answers[i], (QJsonObject{{"ok", true}})) << i;
    for (int i : {4, 5, 6, 7})
        EXPECT_EQ(run.answers[i].value("ok"), QJsonValue(false)) << i;
    EXPECT_TRUE(run.answers[4].value("error").toString().contains("cookies is too long"));
    EXPECT_TRUE(run.answers[5].value("error").toString().contains("no address"));
    EXPECT_TRUE(run.answers[7].value("error").toString().contains("too long to test"));
    // The cookie never reaches the host's log.
    EXPECT_FALSE(run.errorOutput.contains("s3cret"));

    ASSERT_EQ(seen.data.size(), 4);
    EXPECT_EQ(forms, (QList<WPARAM>{0, kHandOffContext, kHandOffContext, kHandOffContext}));
    EXPECT_EQ(seen.data[0], QByteArray("\x19http\rhttp://h/f.zip\rshort"));
    const auto json = [&](int i) { return QJsonDocument::fromJson(seen.data[i]).object(); };
    EXPECT_EQ(json(1), (QJsonObject{{"kind", "http"}, {"url", longUrl}}));
    EXPECT_EQ(json(2)["description"].toString(), description);
    QJsonObject sent = context;
    sent.remove("type");
    EXPECT_EQ(json(3), sent);
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
