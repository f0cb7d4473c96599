// The endpoint that stands for a window found by caption: messages across
// the socket, the caption switch, and who may connect.

#include "BrowserEnv.h"
#include "Endpoint.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace flk;

namespace {

struct Received {
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    QByteArray data;
    int calls = 0;
};

Endpoint::Handler Recorder(Received& r, LRESULT answer)
{
    return [&r, answer](UINT msg, WPARAM w, LPARAM l, const QByteArray& data) {
        r = Received{msg, w, l, data, r.calls + 1};
        return answer;
    };
}

} // namespace

TEST(Endpoint, SendReachesTheHandlerAndReturnsItsResult)
{
    test::BrowserEnv env;
    Received got;
    Endpoint window(Recorder(got, 77));
    ASSERT_TRUE(window.setName("FLK"));
    EXPECT_TRUE(Endpoint::Exists("FLK"));

    LRESULT result = 0;
    const QByteArray data("\x05hello\0world", 12);
    ASSERT_TRUE(Endpoint::Send("FLK", WM_COPYDATA, 12345, -9, data, &result));
    EXPECT_EQ(result, 77);
    EXPECT_EQ(got.calls, 1);
    EXPECT_EQ(got.msg, WM_COPYDATA);
    EXPECT_EQ(got.wParam, WPARAM(12345));
    EXPECT_EQ(got.lParam, LPARAM(-9));
    EXPECT_EQ(got.data, data);
}

TEST(Endpoint, NoWindowWithThatCaption)
{
    test::BrowserEnv env;
    LRESULT result = 5;
    EXPECT_FALSE(Endpoint::Exists("FLK"));
    EXPECT_FALSE(Endpoint::Send("FLK", 2024, 0, 0, {}, &result));
    EXPECT_EQ(result, 5);
}

TEST(Endpoint, CaptionSwitchCutsTheOldNameOff)
{
    test::BrowserEnv env;
    Received got;
    Endpoint window(Recorder(got, 1));
    ASSERT_TRUE(window.setName("FLK"));
    ASSERT_TRUE(window.setName("FLK - Download Detect Disabled"));

    EXPECT_FALSE(Endpoint::Exists("FLK"));
    EXPECT_FALSE(Endpoint::Send("FLK", 2024, 0, 0, {}, nullptr));
    EXPECT_EQ(got.calls, 0);
    EXPECT_TRUE(Endpoint::Exists("FLK - Download Detect Disabled"));
    EXPECT_FALSE(QFileInfo::exists(Endpoint::PathFor("FLK")));

    ASSERT_TRUE(window.setName("FLK"));
    EXPECT_TRUE(Endpoint::Send("FLK", 2024, 0, 0, {}, nullptr));
    EXPECT_EQ(got.calls, 1);
    EXPECT_FALSE(Endpoint::Exists("FLK - Download Detect Disabled"));
}

TEST(Endpoint, SecondWindowCannotTakeALiveCaptionButAStaleOne)
{
    test::BrowserEnv env;
    Received first, second;
    Endpoint a(Recorder(first, 1));
    Endpoint b(Recorder(second, 2));
    ASSERT_TRUE(a.setName("FLK"));
    EXPECT_FALSE(b.setName("FLK"));
    LRESULT result = 0;
    ASSERT_TRUE(Endpoint::Send("FLK", 1, 0, 0, {}, &result));
    EXPECT_EQ(result, 1);

    // A socket file with nobody listening (left by a crash) is taken over.
    a.setName("other");
    const QByteArray path = QFile::encodeName(Endpoint::PathFor("FLK"));
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    close(fd);
    ASSERT_TRUE(QFileInfo::exists(path));
    ASSERT_TRUE(b.setName("FLK"));
    ASSERT_TRUE(Endpoint::Send("FLK", 1, 0, 0, {}, &result));
    EXPECT_EQ(result, 2);
}

TEST(Endpoint, FolderIsPrivateToTheUser)
{
    test::BrowserEnv env;
    const QString dir = Endpoint::Directory();
    EXPECT_EQ(dir, env.runtimeDir() + "/fetchlark");
    struct stat st{};
    ASSERT_EQ(stat(QFile::encodeName(dir).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, geteuid());
    EXPECT_EQ(Endpoint::PathFor("a/b%c"), dir + "/a%2Fb%25c");

    // Without a runtime folder the fallback is per user in /tmp.
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(Endpoint::Directory(), QStringLiteral("/tmp/fetchlark-%1").arg(geteuid()));
}

TEST(Endpoint, HandlerCanRunANestedLoopWhileAnotherMessageArrives)
{
    test::BrowserEnv env;
    QList<UINT> order;
    Endpoint window([&](UINT msg, WPARAM, LPARAM, const QByteArray&) -> LRESULT {
        order << msg;
        if (msg == 1) { // the inner message arrives while this one waits
            EXPECT_TRUE(Endpoint::Send("FLK", 2, 0, 0, {}, nullptr));
        }
        order << msg + 100;
        return msg * 10;
    });
    ASSERT_TRUE(window.setName("FLK"));
    LRESULT result = 0;
    ASSERT_TRUE(Endpoint::Send("FLK", 1, 0, 0, {}, &result));
    EXPECT_EQ(result, 10);
    EXPECT_EQ(order, (QList<UINT>{1, 2, 102, 101}));
}

// Another user who could reach the socket is still refused: the connection
// is dropped before the handler sees anything. Needs root to become another
// user.
TEST(Endpoint, OtherUserIsDropped)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    test::BrowserEnv env;
    Received got;
    Endpoint window(Recorder(got, 1));
    ASSERT_TRUE(window.setName("FLK"));
    const QByteArray path = QFile::encodeName(Endpoint::PathFor("FLK"));
    // Open the doors so that only the credential check stands in the way.
    chmod(QFile::encodeName(QFileInfo(env.runtimeDir()).path()).constData(), 0777);
    chmod(QFile::encodeName(env.runtimeDir()).constData(), 0777);
    chmod(QFile::encodeName(Endpoint::Directory()).constData(), 0777);
    chmod(path.constData(), 0777);

    int done[2];
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(done[0]);
        int status = 1;
        if (setuid(65534) == 0) {
            const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            memcpy(addr.sun_path, path.constData(), size_t(path.size()));
            if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
                const char frame[24] = {1};
                (void)!send(fd, frame, sizeof(frame), MSG_NOSIGNAL); // may already be dropped
                char answer[8];
                status = read(fd, answer, sizeof(answer)) <= 0 ? 0 : 2; // dropped: 0
            } else {
                status = 3;
            }
        }
        _exit(status);
    }
    close(done[1]);
    QSocketNotifier childGone(done[0], QSocketNotifier::Read);
    bool gone = false;
    QObject::connect(&childGone, &QSocketNotifier::activated, [&] {
        gone = true;
        childGone.setEnabled(false);
    });
    PumpUntil([&] { return gone; });
    int status = -1;
    waitpid(child, &status, 0);
    close(done[0]);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(got.calls, 0);
}
