// Taking a hand-off: the string's fields, the file name, base and protocol
// rules, and a new download dialog per hand-off.

#include "Asker.h"
#include "BrowserEnv.h"
#include "BrowserHelper.h"
#include "Endpoint.h"
#include "HostRun.h"
#include "HandOff.h"
#include "ScriptedDialogs.h"
#include "TopLevel.h"

#include <QApplication>
#include <QJsonObject>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QPointer>
#include <gtest/gtest.h>

using namespace flk;

namespace {

QByteArray LengthPrefixed(const QByteArray& text)
{
    return char(uchar(text.size())) + text;
}

class HandOffDialog : public ::testing::Test {
protected:
    void TearDown() override
    {
        test::DeleteTopLevel<TfrmAsker>();
    }
    TfrmAsker* take(const QByteArray& text)
    {
        return browser::TakeHandOff(LengthPrefixed(text));
    }

    test::BrowserEnv env;
    test::ScriptedDialogs dialogs;
};

} // namespace

TEST(HandOffString, FieldsSplitAtTheFirstTwoCarriageReturns)
{
    const THandOff h = THandOff::Parse(LengthPrefixed("http\rhttp://host/a.zip\rline one\rline two"));
    EXPECT_EQ(h.Kind, "http");
    EXPECT_EQ(h.Address, "http://host/a.zip");
    EXPECT_EQ(h.Description, "line one\rline two");
}

TEST(HandOffString, FileNameLosesForbiddenCharacters)
{
    EXPECT_EQ(THandOff::FromText("http\rhttp://h/a/b*c?d\"e<f>g|h.txt\r").FileName(), "bcdefgh.txt");
    EXPECT_EQ(THandOff::FromText("http\rhttp://h/dir/\r").FileName(), "");
}

TEST(HandOffString, MissingCarriageReturnsLeaveEarlierFieldsEmpty)
{
    THandOff none = THandOff::Parse(LengthPrefixed("http://host/a.zip"));
    EXPECT_EQ(none.Kind, "");
    EXPECT_EQ(none.Address, "");
    EXPECT_EQ(none.Description, "http://host/a.zip");

    THandOff one = THandOff::Parse(LengthPrefixed("ftp\rsome text"));
    EXPECT_EQ(one.Kind, "ftp");
    EXPECT_EQ(one.Address, "");
    EXPECT_EQ(one.Description, "some text");
}

TEST(HandOffString, LengthByteRulesWhatIsRead)
{
    // Bytes past the length are not part of the string.
    EXPECT_EQ(THandOff::Parse("\x0E" "http\rhttp://h\rTRAILING").Address, "http://h");
    EXPECT_EQ(THandOff::Parse("\x0E" "http\rhttp://h\rTRAILING").Description, "");
    // A length beyond the data received reads only what is there.
    EXPECT_EQ(THandOff::Parse("\xFF" "http\rhttp://h\rdesc").Description, "desc");
    EXPECT_EQ(THandOff::Parse({}).Description, "");
}

TEST(HandOffString, FileNameBaseAndProtocol)
{
    auto parts = [](const QString& kind, const QString& address) {
        THandOff h;
        h.Kind = kind;
        h.Address = address;
        return QStringList{h.FileName(), h.Base(), h.Protocol()};
    };
    EXPECT_EQ(parts("IE", "http://host/dir/file.zip"), (QStringList{"file.zip", "http://host/dir/", "http"}));
    EXPECT_EQ(parts("IE", "ftp://host/pub/x.tar.gz"), (QStringList{"x.tar.gz", "ftp://host/pub/", "ftp"}));
    EXPECT_EQ(parts("http", "http://host/dir/"), (QStringList{"", "http://host/dir/", "http"}));
    EXPECT_EQ(parts("http", "http://host:8080/a/b.exe"), (QStringList{"b.exe", "http://host:8080/a/", "http"}));
    EXPECT_EQ(parts("http", "http://host/get?f=x:y"), (QStringList{"y", "http://host/get?f=x:", "http"}));
    EXPECT_EQ(parts("IE", "nohost"), (QStringList{"nohost", "", ""}));
    // Characters a file name cannot hold are dropped.
    EXPECT_EQ(parts("http", "http://h/a*b?c\"d<e>f|g.bin")[0], "abcdefg.bin");
}

TEST_F(HandOffDialog, InternetExplorerHandOffFillsTheDialog)
{
    TfrmAsker* asker = take("IE\rhttp://host/dir/file.zip\rIE");
    ASSERT_NE(asker, nullptr);
    EXPECT_EQ(asker->edtName->text(), "file.zip");
    EXPECT_EQ(asker->edtSource->currentText(), "http://host/dir/file.zip");
    EXPECT_EQ(asker->RemoteFileName, "file.zip");
    EXPECT_EQ(asker->SourceUrl, "http://host/dir/file.zip");
    EXPECT_EQ(asker->UrlBase, "http://host/dir/");
    EXPECT_EQ(asker->Protocol, "http");
    EXPECT_TRUE(asker->isVisible());
    // "IE" stands for the browser window's title, which the dialog looks up
    // when shown; offscreen there is no such window.
    EXPECT_NE(asker->edtDesc->text(), "IE");
}

TEST_F(HandOffDialog, AddressEndingInSlashKeepsItAsTheBase)
{
    TfrmAsker* asker = take("http\rhttp://host/dir/\rA folder");
    EXPECT_EQ(asker->edtName->text(), "");
    EXPECT_EQ(asker->UrlBase, "http://host/dir/");
    EXPECT_EQ(asker->Protocol, "http");
    EXPECT_EQ(asker->edtDesc->text(), "A folder");
}

TEST_F(HandOffDialog, PortAndColonInTheQuery)
{
    TfrmAsker* port = take("http\rhttp://host:8080/a/b.exe\rx");
    EXPECT_EQ(port->edtName->text(), "b.exe");
    EXPECT_EQ(port->UrlBase, "http://host:8080/a/");
    TfrmAsker* query = take("http\rhttp://host/get?f=x:y\rx");
    EXPECT_EQ(query->edtName->text(), "y");
    EXPECT_EQ(query->RemoteFileName, "y");
}

// Only what the program can download is taken: the browser keeps the rest
// (the host answers {"ok":false}) instead of losing it to a dialog that
// could only fail.
TEST_F(HandOffDialog, OnlyHttpHttpsAndFtpAreTakenOver)
{
    Endpoint tray([](UINT msg, WPARAM w, LPARAM l, const QByteArray& data) {
        return browser::HandleTrayMessage(msg, w, l, data);
    });
    ASSERT_TRUE(tray.setName("FLK"));
    const QStringList taken{"http://h/a.zip", "https://h/b.zip", "ftp://h/c.zip", "HTTPS://h/d.zip"};
    const QStringList kept{"file:///tmp/e.zip", "data:application/zip;base64,UEsFBg==", "blob:https://h/0f3c-11",
                           "mailto:someone@example.org", "", "https:nohost.zip"};
    QList<QJsonObject> requests;
    for (const QString& url : taken + kept)
        requests << QJsonObject{{"type", "handoff"}, {"kind", url.section(':', 0, 0).toLower()}, {"url", url},
                                {"description", "d"}};
    const auto run = test::RunHost(requests);
    ASSERT_EQ(run.answers.size(), requests.size()) << run.errorOutput.constData();
    for (int i = 0; i < requests.size(); ++i)
        EXPECT_EQ(run.answers[i].value("ok").toBool(), i < taken.size()) << requests[i]["url"].toString().toStdString();

    QStringList opened;
    for (TfrmAsker* asker : test::TopLevel<TfrmAsker>())
        opened << asker->SourceUrl;
    opened.sort();
    QStringList want = taken;
    want.sort();
    EXPECT_EQ(opened, want);
    // The raw message too: no address, no dialog.
    EXPECT_EQ(take("just some text"), nullptr);
    EXPECT_EQ(browser::HandleTrayMessage(WM_COPYDATA, 0, 0, LengthPrefixed("IE\rmailto:x@y\rIE")), 0);
}

TEST_F(HandOffDialog, TwoHandOffsOpenTwoDialogs)
{
    LRESULT first = browser::HandleTrayMessage(WM_COPYDATA, 0, 0, LengthPrefixed("http\rhttp://h/one.zip\rOne"));
    LRESULT second = browser::HandleTrayMessage(WM_COPYDATA, 0, 0, LengthPrefixed("ftp\rftp://h/two.zip\rTwo"));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    QStringList names;
    for (TfrmAsker* asker : test::TopLevel<TfrmAsker>())
        if (asker->isVisible())
            names << asker->edtName->text() + "/" + asker->Protocol;
    names.sort();
    EXPECT_EQ(names, (QStringList{"one.zip/http", "two.zip/ftp"}));
}

// The browser's context through the host into the dialog: the final address
// is fetched, the browser's name shows (made safe), the session waits for
// the transfer. Bad values are refused whole: the browser keeps the download.
TEST_F(HandOffDialog, TheBrowsersContextFillsTheDialog)
{
    Endpoint tray([](UINT msg, WPARAM w, LPARAM l, const QByteArray& data) {
        return browser::HandleTrayMessage(msg, w, l, data);
    });
    ASSERT_TRUE(tray.setName("FLK"));
    const QString longUrl = "https://cdn.example/" + QString(4096, 'a') + "?sig=1";
    const auto handOff = [](const QString& url, const QString& name, const QString& cookies) {
        return QJsonObject{{"type", "handoff"}, {"kind", "https"}, {"url", "https://example.org/get?id=7"},
                           {"finalUrl", url}, {"description", "A report"}, {"filename", name},
                           {"referrer", "https://example.org/page"}, {"userAgent", "Browser/1.0"},
                           {"cookies", cookies}};
    };
    const auto run = test::RunHost({handOff("https://cdn.example/f/r.pdf", "../../.bashrc", "sid=1; t=2"),
                                    handOff(longUrl, QString(1000, 'n') + ".pdf", "a=b"),
                                    handOff("https://cdn.example/x", "x", "sid=1\r\nX-Evil: 1"),
                                    handOff("https://cdn.example/x", "x", QString(9000, 'c')),
                                    handOff("", "x", "")});
    ASSERT_EQ(run.answers.size(), 5) << run.errorOutput.constData();
    QList<bool> ok;
    for (const QJsonObject& a : run.answers)
        ok << a.value("ok").toBool();
    // The last has no finalUrl: the address it started from is fetched.
    EXPECT_EQ(ok, (QList<bool>{true, true, false, false, true}));
    EXPECT_TRUE(run.answers[2].value("error").toString().contains("control character"));

    QMap<QString, TfrmAsker*> bySource;
    for (TfrmAsker* asker : test::TopLevel<TfrmAsker>())
        bySource[asker->SourceUrl] = asker;
    ASSERT_EQ(bySource.size(), 3);
    TfrmAsker* first = bySource.value("https://cdn.example/f/r.pdf");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->edtName->text(), "bashrc");
    EXPECT_EQ(first->edtSource->currentText(), "https://cdn.example/f/r.pdf");
    EXPECT_EQ(first->edtDesc->text(), "A report");
    EXPECT_EQ(first->SessionCookie, "sid=1; t=2");
    EXPECT_EQ(first->SessionReferer, "https://example.org/page");
    EXPECT_EQ(first->SessionAgent, "Browser/1.0");
    TfrmAsker* second = bySource.value(longUrl);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->edtName->text().toUtf8().size(), 255);
    EXPECT_TRUE(second->edtName->text().endsWith(".pdf"));
    EXPECT_NE(bySource.value("https://example.org/get?id=7"), nullptr);
}

// Names from addresses are decoded and made safe for the name box; the
// address's own name stays for the server.
TEST_F(HandOffDialog, NamesFromAddressesAreDecodedAndSafe)
{
    TfrmAsker* asker = take("http\rhttp://h/caf%C3%A9%20menu.pdf\rx");
    EXPECT_EQ(asker->edtName->text(), QString::fromUtf8("café menu.pdf"));
    EXPECT_EQ(asker->RemoteFileName, "caf%C3%A9%20menu.pdf");
    EXPECT_EQ(take("http\rhttp://h/d/-rf\rx")->edtName->text(), "rf");
    EXPECT_EQ(take("http\rhttp://h/d/%2E%2E\rx")->edtName->text(), "");
}
