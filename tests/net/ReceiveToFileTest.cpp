// Received bytes moved from a socket straight into a file: order, limits,
// files that append, files that refuse, and the stream built on it.
#include "FileStream.h"
#include "NetTestUtil.h"
#include "ScriptedHttpServer.h"
#include "TempHome.h"
#include "WSocket.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace flk;
using flk::test::PumpFor;
using flk::test::ReadAll;
using flk::test::ScriptedHttpServer;
using flk::test::WriteAll;

namespace {

QByteArray Pattern(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>(i * 13 + i / 509);
    return b;
}

// A socket connected to a server that sends `bytes` unasked and closes;
// OnDataAvailable runs `onData` until the close.
void Receive(const QByteArray& bytes, const std::function<void(TWSocket&)>& onData)
{
    ScriptedHttpServer server;
    server.AddReply(ScriptedHttpServer::Reply{bytes, false, true});
    TWSocket s;
    s.OnDataAvailable = [&](TWSocket* sock, quint16) { onData(*sock); };
    s.SetAddr("127.0.0.1");
    s.SetPort(QString::number(server.Port()));
    s.Connect();
    ASSERT_TRUE(PumpFor([&] { return s.State() == wsClosed; }));
}

} // namespace

TEST(ReceiveToFileTest, ReadAheadBytesComeFirstThenTheRestInOrderWithinTheLimit)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.bin");
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const QByteArray sent = Pattern(3 * 1024 * 1024 + 17);
    QByteArray head;
    qint64 moved = 0, largest = 0;
    Receive(sent, [&](TWSocket& s) {
        if (head.isEmpty()) { // a small read fills the read-ahead buffer first
            char buf[10];
            const int n = s.Receive(buf, sizeof buf);
            if (n > 0)
                head.append(buf, n);
            return;
        }
        const qint64 n = s.ReceiveToFile(fd, 100000);
        ASSERT_NE(n, TWSocket::kFileWriteFailed);
        if (n > 0) {
            moved += n;
            largest = std::max(largest, n);
        }
    });
    ::close(fd);
    EXPECT_EQ(head, sent.left(head.size()));
    EXPECT_EQ(moved, sent.size() - head.size());
    EXPECT_LE(largest, 100000);
    EXPECT_EQ(ReadAll(path), sent.mid(head.size()));
}

TEST(ReceiveToFileTest, AFileOpenedForAppendingStillGetsEveryByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("append.bin");
    WriteAll(path, "head:");
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    const QByteArray sent = Pattern(600000);
    Receive(sent, [&](TWSocket& s) { ASSERT_NE(s.ReceiveToFile(fd, 1 << 20), TWSocket::kFileWriteFailed); });
    ::close(fd);
    EXPECT_EQ(ReadAll(path), "head:" + sent);
}

TEST(ReceiveToFileTest, AFullDiskIsAFileFailureWithItsReason)
{
    const int fd = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    qint64 result = 0;
    int error = 0;
    Receive(Pattern(300000), [&](TWSocket& s) {
        if (result == TWSocket::kFileWriteFailed) {
            char discard[4096];
            s.Receive(discard, sizeof discard);
            return;
        }
        result = s.ReceiveToFile(fd, 1 << 20);
        error = errno;
    });
    ::close(fd);
    EXPECT_EQ(result, TWSocket::kFileWriteFailed);
    EXPECT_EQ(error, ENOSPC);

    // The stream built on it fails as a failed write does, and says why.
    TFileStream stream("/dev/full");
    ASSERT_TRUE(stream.OpenExisting());
    qint64 first = 0;
    Receive(Pattern(300000), [&](TWSocket& s) {
        const qint64 n = stream.ReceiveFrom(s, 1 << 20);
        if (first == 0)
            first = n;
        if (n == TWSocket::kFileWriteFailed) {
            char discard[4096];
            s.Receive(discard, sizeof discard);
        }
    });
    EXPECT_EQ(first, TWSocket::kFileWriteFailed);
    EXPECT_TRUE(stream.WriteFailed());
    EXPECT_EQ(stream.ErrorText(), QString::fromLocal8Bit(std::strerror(ENOSPC)));
}

TEST(ReceiveToFileTest, StreamWritesItsBufferedBytesBeforeTheMovedOnes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mixed.bin");
    WriteAll(path, "kept ");
    TFileStream stream(path);
    ASSERT_TRUE(stream.OpenExisting());
    ASSERT_TRUE(stream.SeekToEnd());
    stream.write("buffered ");
    int written = 0;
    stream.OnWritten = [&] { ++written; };
    const QByteArray sent = Pattern(1 << 20);
    Receive(sent, [&](TWSocket& s) { ASSERT_NE(stream.ReceiveFrom(s, 1 << 18), TWSocket::kFileWriteFailed); });
    EXPECT_EQ(stream.pos(), 14 + sent.size());
    EXPECT_EQ(stream.size(), 14 + sent.size());
    EXPECT_GE(written, 4); // once per move
    stream.write(" tail");
    stream.close();
    EXPECT_EQ(ReadAll(path), "kept buffered " + sent + " tail");
}
