// Downloads from a real FTP server (Debian's pyftpdlib on 127.0.0.1) in the
// sequence the download dialog uses: connect and log in, change directory,
// binary type, retrieve (continuing a partial file), quit.

#include "Ftpcli.h"
#include "PyFtpServer.h"
#include "TempHome.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace flk;

namespace {

class FtpDownloadTest : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite()
    {
        root = new QTemporaryDir;
        QDir(root->path()).mkpath("pub/files");
        // Several MiB of bytes that are not a repeating pattern, so that a
        // misplaced block would show.
        content = new QByteArray(5 * 1024 * 1024 + 777, Qt::Uninitialized);
        QRandomGenerator rng(20240611);
        rng.fillRange(reinterpret_cast<quint32*>(content->data()), content->size() / 4);
        test::WriteAll(root->path() + "/pub/files/setup.bin", *content);
        server = new test::PyFtpServer(root->path());
    }
    static void TearDownTestSuite()
    {
        delete server;
        delete content;
        delete root;
    }

    void SetUp() override
    {
        ASSERT_TRUE(server->isRunning()) << server->output().toStdString();
        ftp.HostName = "127.0.0.1";
        ftp.Port = QString::number(server->port());
        ftp.UserName = "anonymous";
        ftp.PassWord = "guest@example.org";
        ftp.ShareMode = ftpShareDenyNone;
        ftp.PassiveMode = GetParam();
        ftp.HostDirName = "/pub/files/";
        ftp.HostFileName = "setup.bin";
        ftp.LocalFileName = local.path() + "/setup.bin";
        ftp.OnDisplay = [this](TFtpClient*, QString& m) { display << m; };
        ftp.OnProgress = [this](TFtpClient*, qint64 count, bool&) {
            if (firstProgress < 0)
                firstProgress = count;
            lastProgress = count;
        };
    }

    bool Download(bool resume)
    {
        if (!ftp.ConnectSync() || !ftp.CwdSync() || !ftp.TypeSetSync())
            return false;
        const bool ok = resume ? ftp.RestGetSync() : ftp.GetSync();
        result = ftp.RequestResult();
        error = ftp.ErrorMessage();
        ftp.QuitSync();
        ftp.AbortSync();
        return ok;
    }
    QString Log() const { return display.join("\n"); }

    static QTemporaryDir* root;
    static QByteArray* content;
    static test::PyFtpServer* server;
    QTemporaryDir local;
    TFtpClient ftp;
    QStringList display;
    qint64 firstProgress = -1;
    qint64 lastProgress = -1;
    quint16 result = 0;
    QString error;
};

QTemporaryDir* FtpDownloadTest::root = nullptr;
QByteArray* FtpDownloadTest::content = nullptr;
test::PyFtpServer* FtpDownloadTest::server = nullptr;

TEST_P(FtpDownloadTest, FreshDownloadIsByteIdentical)
{
    test::WriteAll(ftp.LocalFileName, "stale bytes from an earlier try");
    ASSERT_TRUE(Download(false)) << error.toStdString() << "\n" << Log().toStdString();
    EXPECT_TRUE(test::ReadAll(ftp.LocalFileName) == *content);
    EXPECT_EQ(ftp.ByteCount(), content->size());
    EXPECT_EQ(firstProgress, 0);
    EXPECT_EQ(display.filter("! " + QString::number(content->size()) + " bytes received/sent in ").size(), 1)
        << Log().toStdString();
    EXPECT_TRUE(display.contains("> CWD /pub/files/"));
    EXPECT_TRUE(display.contains("> TYPE I"));
    EXPECT_EQ(display.filter(GetParam() ? "> PASV" : "> PORT 127,0,0,1,").size(), 1);
}

TEST_P(FtpDownloadTest, ResumedDownloadIsByteIdentical)
{
    const qint64 partial = 1234567;
    test::WriteAll(ftp.LocalFileName, content->left(partial));
    ASSERT_TRUE(Download(true)) << error.toStdString() << "\n" << Log().toStdString();
    EXPECT_TRUE(test::ReadAll(ftp.LocalFileName) == *content);
    EXPECT_TRUE(display.contains("> REST 1234567"));
    EXPECT_EQ(ftp.ByteCount(), content->size() - partial);
    EXPECT_EQ(firstProgress, partial);
    EXPECT_LE(lastProgress, content->size());
}

TEST_P(FtpDownloadTest, MissingRemoteFileEndsWith550)
{
    ftp.HostFileName = "missing.bin";
    EXPECT_FALSE(Download(false));
    EXPECT_EQ(result, 550);
    EXPECT_TRUE(error.startsWith("550 ")) << error.toStdString();
    EXPECT_EQ(ftp.State(), ftpReady);
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpDownloadTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

} // namespace
