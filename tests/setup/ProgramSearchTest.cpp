#include "ProgramSearch.h"

#include "ProgramTree.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace flk;
using flk::test::ProgramTree;

namespace {

const QStringList kNames = {"firefox", "chromium", "clamscan", "clamdscan", "uvscan", "savscan"};

QList<ProgramHit> Search(const QString& root, const QStringList& names = kNames)
{
    std::atomic<bool> cancel{false};
    return ProgramSearch(root, names).Run(cancel);
}

} // namespace

TEST(ProgramSearchTest, FindsEveryNameInOneWalkAndReportsInTableOrder)
{
    ProgramTree tree;
    tree.program("srv/tools/ClamdScan");            // found as on disk, whatever its case
    tree.program("opt/clam/clamscan");
    tree.program("usr/bin/firefox");
    tree.program("srv/firefox");                    // a later copy: the first one wins
    tree.program("usr/bin/chromium", false);        // not a program
    tree.folder("usr/lib/uvscan");                  // a folder is no hit
    tree.program("opt/sav/savscan.real");
    tree.link("usr/local/bin/savscan", "../../../opt/sav/savscan.real"); // a link to a program is one

    const QList<ProgramHit> hits = Search(tree.root());

    const QString r = tree.root();
    EXPECT_EQ(hits, (QList<ProgramHit>{{0, r + "usr/bin/", "firefox"},
                                       {2, r + "opt/clam/", "clamscan"},
                                       {3, r + "srv/tools/", "ClamdScan"},
                                       {5, r + "usr/local/bin/", "savscan"}}));
}

TEST(ProgramSearchTest, LooksWhereProgramsLiveFirstAndSkipsKernelFolders)
{
    ProgramTree tree;
    tree.program("aaa/firefox");
    tree.program("opt/firefox/firefox");
    tree.program("proc/1/clamscan");
    tree.program("sys/clamscan");
    tree.program("dev/clamscan");
    EXPECT_EQ(Search(tree.root()), (QList<ProgramHit>{{0, tree.root() + "opt/firefox/", "firefox"}}));
}

TEST(ProgramSearchTest, NeverFollowsLinksToFoldersAndEndsOnLoops)
{
    ProgramTree tree;
    QTemporaryDir outside;
    QDir().mkpath(outside.path() + "/bin");
    QFile uv(outside.path() + "/bin/uvscan");
    uv.open(QIODevice::WriteOnly);
    uv.close();
    uv.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    tree.link("usr/elsewhere", outside.path() + "/bin");
    tree.link("usr/loop", "..");
    tree.link("srv/a/b/up", "../../..");
    tree.program("srv/a/b/clamscan");

    const QList<ProgramHit> hits = Search(tree.root());
    EXPECT_EQ(hits, (QList<ProgramHit>{{2, tree.root() + "srv/a/b/", "clamscan"}}));
}

TEST(ProgramSearchTest, AVeryDeepTreeIsWalkedWithoutRecursion)
{
    // In memory where there is such a file system: deep trees are slow to remove from a disk.
    ProgramTree tree(QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath());
    tree.program("deep/clamscan");
    // 3,000 levels: far beyond the longest path the system opens at once.
    int fd = ::open(QFile::encodeName(tree.root() + "deep").constData(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 3000 && fd >= 0; ++i) {
        ::mkdirat(fd, "ddd", 0755);
        const int next = ::openat(fd, "ddd", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    ::close(::openat(fd, "firefox", O_CREAT | O_WRONLY, 0755));
    ::close(fd);

    EXPECT_EQ(Search(tree.root()), (QList<ProgramHit>{{2, tree.root() + "deep/", "clamscan"}}));
    QProcess::execute("rm", {"-rf", tree.root() + "deep"}); // rm walks deep trees by handles
}

TEST(ProgramSearchTest, DoesNotEnterAnotherFileSystem)
{
    ProgramTree tree;
    tree.program("srv/clamscan");
    tree.folder("srv/mnt");
    const QByteArray mountPoint = QFile::encodeName(tree.root() + "srv/mnt");
    if (::mount("flk-test", mountPoint.constData(), "tmpfs", 0, nullptr) != 0)
        GTEST_SKIP() << "no permission to mount a file system here";
    tree.program("srv/mnt/firefox");
    const QList<ProgramHit> hits = Search(tree.root());
    ::umount(mountPoint.constData());
    EXPECT_EQ(hits, (QList<ProgramHit>{{2, tree.root() + "srv/", "clamscan"}}));
}

TEST(ProgramSearchTest, ACancelledSearchStopsAtOnce)
{
    ProgramTree tree;
    tree.program("srv/clamscan");
    std::atomic<bool> cancel{true};
    ProgramSearch search(tree.root(), kNames);
    EXPECT_TRUE(search.Run(cancel).isEmpty());
    EXPECT_EQ(search.FoldersRead(), 0);
}
