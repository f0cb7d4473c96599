// The freedesktop.org Trash: what lands in files/ and info/, in the home
// trash and in another disk's own trash, and that a failure leaves the file.
#include "FileTransfer.h"
#include "LockedPath.h"
#include "TempHome.h"
#include "Trash.h"
#include "QtPrint.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace flk;
using flk::test::LockedPath;
using flk::test::ReadAll;
using flk::test::TempHome;
using flk::test::WriteAll;

namespace {

// Another file system than the temporary folder's, where one is writable.
QString OtherDisk()
{
    struct stat a, b;
    if (::stat("/dev/shm", &b) != 0 || ::stat(QFile::encodeName(QDir::tempPath()).constData(), &a) != 0
        || a.st_dev == b.st_dev || ::access("/dev/shm", W_OK) != 0)
        return {};
    return QStringLiteral("/dev/shm");
}

} // namespace

TEST(Trash, FilesGoToTheHomeTrashWithTheirOriginalPathAndTime)
{
    TempHome home;
    QDir().mkpath(home.home() + "dl/my files");
    const QString first = home.home() + "dl/my files/report 100%.pdf";
    const QString second = home.home() + "dl/report 100%.pdf";
    WriteAll(first, "first");
    WriteAll(second, "second");
    ASSERT_TRUE(Trash::Move(first));
    ASSERT_TRUE(Trash::Move(second));

    const QString trash = home.home() + ".local/share/Trash/";
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_EQ(ReadAll(trash + "files/report 100%.pdf"), "first");
    EXPECT_EQ(ReadAll(trash + "files/report 100%.2.pdf"), "second") << "a second file of one name";
    const QByteArray info = ReadAll(trash + "info/report 100%.pdf.trashinfo");
    const QByteArray path = QFile::encodeName(home.home()).replace(" ", "%20") + "dl/my%20files/report%20100%25.pdf";
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + path + "\nDeletionDate="
                                + QDate::currentDate().toString("yyyy-MM-dd").toLatin1() + "T"))
        << info.toStdString();
    EXPECT_TRUE(QFileInfo::exists(trash + "info/report 100%.2.pdf.trashinfo"));
}

TEST(Trash, AFileOfAnotherDiskGoesToThatDisksOwnTrash)
{
    const QString disk = OtherDisk();
    if (disk.isEmpty())
        GTEST_SKIP() << "no second writable file system";
    TempHome home;
    const QString trash = disk + "/.Trash-" + QString::number(::getuid()) + "/";
    const bool hadTrash = QFileInfo::exists(trash);
    QTemporaryDir dir(disk + "/flk-trash-test-XXXXXX");
    const QString file = dir.path() + "/song.ogg";
    WriteAll(file, "la");
    ASSERT_TRUE(Trash::Move(file));
    const QString relative = QFileInfo(dir.path()).fileName() + "/song.ogg";
    EXPECT_EQ(ReadAll(trash + "files/song.ogg"), "la");
    EXPECT_TRUE(ReadAll(trash + "info/song.ogg.trashinfo").startsWith("[Trash Info]\nPath=" + relative.toUtf8() + "\n"));
    EXPECT_FALSE(QDir(home.home() + ".local/share/Trash/files").exists()) << "never copied into the home trash";
    QFile::remove(trash + "files/song.ogg");
    QFile::remove(trash + "info/song.ogg.trashinfo");
    if (!hadTrash)
        QDir(trash).removeRecursively();
}

TEST(Trash, AFileThatCannotGoStaysAndLeavesNoInformationBehind)
{
    TempHome home;
    QString reason;
    EXPECT_FALSE(Trash::Move(home.home() + "missing.txt", &reason));
    EXPECT_EQ(reason, "No such file or directory");

    QDir().mkpath(home.home() + "locked");
    WriteAll(home.home() + "locked/a.txt", "a");
    LockedPath lock(home.home() + "locked");
    if (!lock.locked())
        GTEST_SKIP() << "cannot lock a directory here";
    EXPECT_FALSE(Trash::Move(home.home() + "locked/a.txt", &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(ReadAll(home.home() + "locked/a.txt"), "a");
    EXPECT_TRUE(QDir(home.home() + ".local/share/Trash/info").isEmpty());
}

// --- Moving and copying -------------------------------------------------------

TEST(FileTransfer, AcrossDisksAFileArrivesWholeWithItsTimeOrStaysWhole)
{
    const QString disk = OtherDisk();
    if (disk.isEmpty())
        GTEST_SKIP() << "no second writable file system";
    TempHome home;
    QTemporaryDir there(disk + "/flk-move-test-XXXXXX");
    const QByteArray content(3 << 20, 'z');
    const QString from = home.home() + "big.iso";
    WriteAll(from, content);
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(1'600'000'000);
    {
        QFile f(from);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    // Writes stop after 1 MiB: the copy fails half-way.
    struct rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = {1 << 20, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    QString reason;
    const bool failed = !FileTransfer::Move(from, there.path() + "/big.iso", false, &reason);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_TRUE(failed);
    EXPECT_EQ(reason, "File too large");
    EXPECT_EQ(ReadAll(from), content) << "the original is whole";
    EXPECT_TRUE(QDir(there.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "neither the target nor a half copy";

    ASSERT_TRUE(FileTransfer::Move(from, there.path() + "/big.iso", false));
    EXPECT_FALSE(QFileInfo::exists(from));
    EXPECT_EQ(ReadAll(there.path() + "/big.iso"), content);
    EXPECT_EQ(QFileInfo(there.path() + "/big.iso").lastModified(), stamp);
}

// A move with replace from a folder that refuses to let the original go: the
// file it was to replace must still be there afterwards, on the same disk
// (one rename, refused) and across disks (copied, then the original refused).
TEST(FileTransfer, AReplacingMoveWhoseOriginalCannotGoLeavesBothFilesAsTheyWere)
{
    TempHome home;
    const QString disk = OtherDisk();
    QTemporaryDir there(disk.isEmpty() ? QDir::tempPath() + "/flk-replace-XXXXXX" : disk + "/flk-replace-XXXXXX");
    for (const QString& targetDir : {home.home(), there.path() + "/"}) {
        SCOPED_TRACE(targetDir.toStdString());
        QDir().mkpath(home.home() + "locked");
        const QString from = home.home() + "locked/a.zip";
        const QString to = targetDir + "a.zip";
        WriteAll(from, "new");
        WriteAll(to, "old");
        {
            LockedPath lock(home.home() + "locked");
            if (!lock.locked())
                GTEST_SKIP() << "cannot lock a directory here";
            QString reason;
            EXPECT_FALSE(FileTransfer::Move(from, to, true, &reason));
            EXPECT_FALSE(reason.isEmpty());
        }
        EXPECT_EQ(ReadAll(to), "old") << "the file in the target folder is never lost";
        EXPECT_EQ(ReadAll(from), "new");
        EXPECT_EQ(QDir(targetDir).entryList({"*a.zip*"}, QDir::Files | QDir::Hidden), QStringList({"a.zip"}))
            << "no copy or set-aside file left behind";

        ASSERT_TRUE(FileTransfer::Move(from, to, true));
        EXPECT_EQ(ReadAll(to), "new");
        EXPECT_FALSE(QFileInfo::exists(from));
        EXPECT_EQ(QDir(targetDir).entryList({"*a.zip*"}, QDir::Files | QDir::Hidden), QStringList({"a.zip"}));
    }
    if (disk.isEmpty())
        GTEST_SKIP() << "no second writable file system: only the same-disk case ran";
}
