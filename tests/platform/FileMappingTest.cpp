// The named shared block: shared bytes, the system error for a missing
// block, and the per-user name space.

#include "FileMapping.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace flk;

TEST(FileMapping, CreatorAndOpenerShareTheBytes)
{
    FileMapping created = FileMapping::Create("FLKTEST-share", 3076);
    ASSERT_TRUE(created.isValid()) << created.error();
    EXPECT_EQ(created.data()[3075], 0);
    memcpy(created.data(), "http://host/a.zip", 18);
    {
        FileMapping opened = FileMapping::Open("FLKTEST-share", 3076);
        ASSERT_TRUE(opened.isValid()) << opened.error();
        EXPECT_STREQ(reinterpret_cast<const char*>(opened.data()), "http://host/a.zip");
        opened.data()[3075] = 1;
    }
    EXPECT_EQ(created.data()[3075], 1);

    struct stat st{};
    const QByteArray sys = FileMapping::SystemName("FLKTEST-share");
    EXPECT_TRUE(sys.startsWith("/fetchlark-" + QByteArray::number(geteuid()) + "-"));
    EXPECT_TRUE(sys.endsWith("-FLKTEST-share"));
    ASSERT_EQ(stat(("/dev/shm" + sys).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    created.close();
    EXPECT_FALSE(QFile::exists(QString::fromUtf8("/dev/shm" + sys)));
}

TEST(FileMapping, MissingBlockGivesTheSystemError)
{
    FileMapping opened = FileMapping::Open("FLKTEST-missing", 3076);
    EXPECT_FALSE(opened.isValid());
    EXPECT_EQ(opened.error(), ENOENT);
    const EOSError e(opened.error());
    EXPECT_EQ(e.Message(), QStringLiteral("Win32 Error.  Code: %1.\nNo such file or directory").arg(ENOENT));
}

TEST(FileMapping, TooSmallBlockIsRefused)
{
    FileMapping created = FileMapping::Create("FLKTEST-small", 100);
    ASSERT_TRUE(created.isValid());
    FileMapping opened = FileMapping::Open("FLKTEST-small", 3076);
    EXPECT_FALSE(opened.isValid());
    EXPECT_EQ(opened.error(), EINVAL);
}

TEST(FileMapping, AnotherUsersBlockIsRefused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give the block to another user";
    const QByteArray sys = FileMapping::SystemName("FLKTEST-foreign");
    const int fd = shm_open(sys.constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 3076), 0);
    ASSERT_EQ(fchown(fd, 65534, 65534), 0);
    close(fd);
    FileMapping opened = FileMapping::Open("FLKTEST-foreign", 3076);
    EXPECT_FALSE(opened.isValid());
    EXPECT_EQ(opened.error(), EACCES);
    shm_unlink(sys.constData());
}
