// End to end in a real browser: headless Chromium with our extension opens
// a loopback page that clicks a download link; the helper's host hands the
// download to the tray endpoint, and a download dialog shows the address.

#include "Asker.h"
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
#include <QProcess>
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
