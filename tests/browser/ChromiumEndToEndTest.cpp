// End to end in a real browser: headless Chromium with our extension opens
// a loopback page that clicks a download link; the helper's host hands the
// download to the tray endpoint, and a download dialog shows the address.
// A download behind a cookie arrives whole through the dialog, and the
// browser keeps no copy of it.

#include "Asker.h"
#include "Catalogue.h"
#include "BrowserEnv.h"
#include "BrowserHelper.h"
#include "Endpoint.h"
#include "LoopbackHttpd.h"
#include "RegNS.h"
#include "ScriptedDialogs.h"
#include "TopLevel.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QDirIterator>
#include <functional>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <gtest/gtest.h>

using namespace flk;

namespace {

TfrmAsker* FirstAsker()
{
    return test::TopLevel<TfrmAsker>().value(0, nullptr);
}

const char* const kPage = R"(<html><head><title>Downloads</title></head><body>
<a id="dl" href="files/setup.bin" download>setup.bin</a>
<script>setTimeout(function () { document.getElementById("dl").click(); }, 300);</script>
</body></html>)";

} // namespace

TEST(ChromiumEndToEnd, ClickedDownloadLinkOpensADownloadDialog)
{
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    test::BrowserEnv env;
    test::ScriptedDialogs dialogs;

    // The program's start: the helper registers itself for the browsers
    // the user has run.
    QDir().mkpath(env.configHome() + "/chromium");
    ASSERT_TRUE(TRegNS(QFileInfo(FLK_AUTO_LIBRARY).absolutePath()).SelfRegister(true)) << dialogs.texts().join("; ").toStdString();
    const QString userData = env.configHome() + "/chromium";
    ASSERT_TRUE(QFileInfo::exists(userData + "/NativeMessagingHosts/org.fetchlark.flkauto.json"));
    Endpoint tray(browser::HandleTrayMessage);
    ASSERT_TRUE(tray.setName("FLK"));

    test::LoopbackHttpd httpd;
    ASSERT_TRUE(httpd.IsRunning()) << qPrintable(httpd.ErrorText());
    httpd.AddFile("page.html", kPage);
    httpd.AddFileOfSize("files/setup.bin", 64 * 1024);

    QProcess browser;
    browser.setProgram(chromium);
    browser.setArguments({"--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                          "--disable-background-networking", "--disable-component-update", "--disable-sync",
                          "--disable-extensions-except=" FLK_EXTENSION_DIR, "--load-extension=" FLK_EXTENSION_DIR,
                          "--user-data-dir=" + userData, httpd.Url("page.html")});
    browser.setProcessChannelMode(QProcess::MergedChannels);
    browser.start();
    ASSERT_TRUE(browser.waitForStarted());

    // A safety net only: the browser may never get as far on a broken set-up.
    bool gaveUp = false;
    QTimer::singleShot(90000, [&] { gaveUp = true; });
    PumpUntil([&] { return FirstAsker() || gaveUp || browser.state() == QProcess::NotRunning; });
    TfrmAsker* asker = FirstAsker();

    browser.terminate();
    if (!browser.waitForFinished(10000)) {
        browser.kill();
        browser.waitForFinished();
    }
    ASSERT_NE(asker, nullptr) << "no download dialog; browser said:\n" << browser.readAll().right(3000).constData();
    EXPECT_EQ(asker->edtSource->currentText(), httpd.Url("files/setup.bin"));
    EXPECT_EQ(asker->SourceUrl, httpd.Url("files/setup.bin"));
    EXPECT_EQ(asker->edtName->text(), "setup.bin");
    EXPECT_EQ(asker->Protocol, "http");
    EXPECT_EQ(asker->edtDesc->text(), httpd.Url("page.html")); // the page it came from
    EXPECT_TRUE(asker->isVisible());
    delete asker;
}

namespace {

// A server that sets a session cookie with its page and serves the file only
// to a request that carries the cookie and the page as referrer (403
// otherwise), naming it by Content-Disposition; every request is logged.
const char* const kCookieServer = R"(
import http.server, sys
log, size, delay = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
body = bytes((i * 7 + i // 251) & 255 for i in range(size))
page = b"""<html><body><a id="dl" href="/get?id=7">report</a>
<script>setTimeout(function () { document.getElementById("dl").click(); }, %d);</script></body></html>""" % delay
class H(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    def log_message(self, *a): pass
    def do_HEAD(self): self.serve(False)
    def do_GET(self): self.serve(True)
    def serve(self, send):
        cookie, referer = self.headers.get("Cookie", ""), self.headers.get("Referer", "")
        with open(log, "a") as f: f.write("%s %s cookie=%s referer=%s\n" % (self.command, self.path, cookie, referer))
        if self.path == "/page.html":
            data, headers = page, [("Content-Type", "text/html"), ("Set-Cookie", "sid=s3cret; Path=/")]
        elif self.path == "/get?id=7" and "sid=s3cret" in cookie and referer.endswith("/page.html"):
            data, headers = body, [("Content-Type", "application/octet-stream"),
                                   ("Content-Disposition", 'attachment; filename="report 2026.bin"')]
        else:
            self.send_response(403); self.send_header("Content-Length", "0"); self.end_headers(); return
        self.send_response(200)
        for h in headers: self.send_header(*h)
        self.send_header("Content-Length", str(len(data))); self.end_headers()
        if send: self.wfile.write(data)
s = http.server.ThreadingHTTPServer(("127.0.0.1", 0), H)
print(s.server_address[1], flush=True)
s.serve_forever()
)";

QByteArray Body(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 251) & 255);
    return b;
}

// Files of the download the browser left anywhere in the home folder: a
// copy, or a partial file.
QStringList BrowserCopies(const QString& home)
{
    QStringList found;
    QDirIterator it(home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next();
        const QString file = QFileInfo(name).fileName();
        if (file.startsWith("report 2026") || file.endsWith(".crdownload") || file.startsWith("get"))
            found << name;
    }
    return found;
}

void Stop(QProcess& p)
{
    p.terminate();
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
    }
}

// One browser's run of the cookie-protected download: `prepare` sets the
// browser up in `env` (its profile, the extension) and gives the arguments
// that open `page`.
// `clickAfterMs`: how long the page waits before it clicks the link, time
// for the browser to start the extension.
// `refused`: the program runs with download detection off, so the hand-off
// is refused: the browser's paused download must resume and finish.
void CookieDownloadArrivesOnceAndWhole(const QString& program, int clickAfterMs,
                                       const std::function<QStringList(test::BrowserEnv&, const QString&)>& prepare,
                                       bool refused = false)
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed (the test's web server)";
    test::BrowserEnv env;
    test::ScriptedDialogs dialogs;
    Catalogue::AddSection("Programs", env.scratch("Programs/"));
    Catalogue::AddFolder("Utilities", "Programs", 0, 0);

    constexpr int kSize = 3 * 1024 * 1024;
    const QString log = env.scratch("requests.log");
    QProcess server;
    server.start(python, {"-c", kCookieServer, log, QString::number(kSize), QString::number(clickAfterMs)});
    ASSERT_TRUE(server.waitForReadyRead(10000));
    const QString base = "http://127.0.0.1:" + QString::fromLatin1(server.readLine().trimmed());

    const QStringList arguments = prepare(env, base + "/page.html");
    ASSERT_TRUE(TRegNS(QFileInfo(FLK_AUTO_LIBRARY).absolutePath()).SelfRegister(true));
    Endpoint tray(browser::HandleTrayMessage);
    ASSERT_TRUE(tray.setName(refused ? "FLK - Download Detect Disabled" : "FLK"));

    QProcess browser;
    browser.setProgram(program);
    browser.setArguments(arguments);
    browser.setProcessChannelMode(QProcess::MergedChannels);
    browser.start();
    ASSERT_TRUE(browser.waitForStarted());

    bool gaveUp = false;
    QTimer::singleShot(120000, [&] { gaveUp = true; });
    if (refused) {
        // The browser's own download, resumed after the refusal, completes.
        const auto whole = [&] {
            const QStringList copies = BrowserCopies(env.home());
            return copies.size() == 1 && copies[0].endsWith("/report 2026.bin") && test::ReadAll(copies[0]) == Body(kSize);
        };
        while (!whole() && !gaveUp && browser.state() != QProcess::NotRunning)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 200);
        EXPECT_TRUE(whole()) << qPrintable(BrowserCopies(env.home()).join('\n'));
        EXPECT_EQ(FirstAsker(), nullptr);
        Stop(browser);
        Stop(server);
        return;
    }
    PumpUntil([&] { return FirstAsker() || gaveUp || browser.state() == QProcess::NotRunning; });
    QPointer<TfrmAsker> asker = FirstAsker();
    if (!asker)
        Stop(browser);
    ASSERT_NE(asker, nullptr) << "no download dialog; browser said:\n" << browser.readAll().right(3000).constData()
                              << "\nrequests:\n" << test::ReadAll(log).constData();
    EXPECT_EQ(asker->SourceUrl, base + "/get?id=7");
    EXPECT_EQ(asker->edtName->text(), "report 2026.bin"); // the browser's name
    EXPECT_TRUE(asker->SessionCookie.contains("sid=s3cret"));
    EXPECT_EQ(asker->SessionReferer, base + "/page.html");

    asker->cmdOK->click();
    PumpUntil([&] { return !asker || !asker->IsBusy() || gaveUp; });
    ASSERT_FALSE(gaveUp);
    QStringList details;
    for (int i = 0; asker && i < asker->ListBox1->count(); ++i)
        details << asker->ListBox1->item(i)->text();
    EXPECT_EQ(test::ReadAll(env.scratch("Programs/Utilities/report 2026.bin")), Body(kSize))
        << qPrintable(details.join('\n') + '\n' + dialogs.texts().join('\n'));

    // The browser's copy goes (cancelled, or removed when it finished first);
    // give the extension its round trip (a loaded machine may take a while).
    QElapsedTimer clock;
    clock.start();
    while (!BrowserCopies(env.home()).isEmpty() && clock.elapsed() < 45000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_EQ(BrowserCopies(env.home()), QStringList());
    Stop(browser);
    Stop(server);
    const QString requests = QString::fromUtf8(test::ReadAll(log));
    EXPECT_TRUE(requests.contains("HEAD /get?id=7 cookie=sid=s3cret referer=" + base + "/page.html")) << qPrintable(requests);
    for (const QString& line : requests.split('\n', Qt::SkipEmptyParts))
        if (line.contains(" /get")) {
            EXPECT_TRUE(line.contains("cookie=sid=s3cret")) << qPrintable(line);
        }
    delete asker.data();
}

} // namespace

TEST(ChromiumEndToEnd, ACookieProtectedDownloadArrivesOnceAndWhole)
{
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    CookieDownloadArrivesOnceAndWhole(chromium, 300, [](test::BrowserEnv& env, const QString& page) {
        QDir().mkpath(env.configHome() + "/chromium");
        return QStringList{"--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                           "--disable-background-networking", "--disable-component-update", "--disable-sync",
                           "--disable-extensions-except=" FLK_EXTENSION_DIR, "--load-extension=" FLK_EXTENSION_DIR,
                           "--user-data-dir=" + env.configHome() + "/chromium", page};
    });
}

TEST(ChromiumEndToEnd, ARefusedHandOffLeavesTheBrowserItsDownload)
{
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    CookieDownloadArrivesOnceAndWhole(
        chromium, 300,
        [](test::BrowserEnv& env, const QString& page) {
            QDir().mkpath(env.configHome() + "/chromium");
            return QStringList{"--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                               "--disable-background-networking", "--disable-component-update", "--disable-sync",
                               "--disable-extensions-except=" FLK_EXTENSION_DIR, "--load-extension=" FLK_EXTENSION_DIR,
                               "--user-data-dir=" + env.configHome() + "/chromium", page};
        },
        true);
}

// Firefox ESR takes the unsigned extension from its profile's extensions
// folder once signatures are not required (ESR honours that setting).
TEST(FirefoxEndToEnd, ACookieProtectedDownloadArrivesOnceAndWhole)
{
    const QString firefox = QStandardPaths::findExecutable("firefox-esr");
    if (firefox.isEmpty())
        GTEST_SKIP() << "firefox-esr is not installed";
    // A first start installs the extension from the profile: the page
    // waits for it.
    CookieDownloadArrivesOnceAndWhole(firefox, 5000, [](test::BrowserEnv& env, const QString& page) {
        const QString profile = env.scratch("firefox-profile");
        QDir().mkpath(profile + "/extensions");
        QFile::copy(FLK_EXTENSION_XPI, profile + "/extensions/flkauto@fetchlark.org.xpi");
        test::WriteAll(profile + "/user.js",
                       "user_pref(\"xpinstall.signatures.required\", false);\n"
                       "user_pref(\"extensions.autoDisableScopes\", 0);\n"
                       "user_pref(\"extensions.enabledScopes\", 15);\n"
                       "user_pref(\"browser.download.useDownloadDir\", true);\n"
                       "user_pref(\"browser.download.folderList\", 2);\n"
                       "user_pref(\"browser.download.dir\", \"" + env.home().toUtf8() + "/Downloads\");\n"
                       "user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
                       "user_pref(\"browser.aboutwelcome.enabled\", false);\n"
                       "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);\n"
                       "user_pref(\"app.update.auto\", false);\n");
        return QStringList{"--headless", "--no-remote", "--profile", profile, page};
    });
}
