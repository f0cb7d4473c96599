#include "FileStream.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using flk::TFileStream;

using flk::test::ReadAll;
using flk::test::WriteAll;

TEST(FileStreamTest, GathersWritesAndFlushesOnClose)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.bin");
    TFileStream s(path);
    ASSERT_TRUE(s.Create());
    EXPECT_EQ(s.write("0123456789", 10), 10);
    EXPECT_EQ(s.size(), 10);
    // More than one buffer: the writer thread takes whole buffers meanwhile.
    QByteArray big(TFileStream::kBufferSize * 2 + 7, 'b');
    EXPECT_EQ(s.write(big), big.size());
    EXPECT_EQ(s.pos(), 10 + big.size());
    s.write("tail", 4);
    EXPECT_TRUE(s.flush());
    EXPECT_EQ(QFile(path).size(), 10 + big.size() + 4);
    s.close();
    EXPECT_EQ(ReadAll(path), "0123456789" + big + "tail");
}

TEST(FileStreamTest, AppendsAfterExistingBytesAndReadsBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("part.bin");
    WriteAll(path, "first-");
    TFileStream s(path);
    ASSERT_TRUE(s.OpenExisting());
    ASSERT_TRUE(s.SeekToEnd());
    EXPECT_EQ(s.pos(), 6);
    s.write("second");
    EXPECT_EQ(s.size(), 12);
    ASSERT_TRUE(s.seek(0));
    EXPECT_EQ(s.read(12), "first-second");
    s.close();
    EXPECT_EQ(ReadAll(path), "first-second");
}

TEST(FileStreamTest, TruncateStartsTheFileAgainFromItsFirstByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("again.bin");
    WriteAll(path, "stale partial bytes");
    TFileStream s(path);
    ASSERT_TRUE(s.OpenExisting());
    ASSERT_TRUE(s.SeekToEnd());
    s.write("more");
    ASSERT_TRUE(s.Truncate());
    EXPECT_EQ(s.size(), 0);
    s.write("fresh");
    s.close();
    EXPECT_EQ(ReadAll(path), "fresh");
}

TEST(FileStreamTest, CreateEmptiesAnExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("old.bin");
    WriteAll(path, "old contents");
    TFileStream s(path);
    ASSERT_TRUE(s.Create());
    s.write("new");
    s.close();
    EXPECT_EQ(ReadAll(path), "new");
}

// Pieces of one download: each stream writes at its own place in the same
// file, and drops what comes past its end (which may move back meanwhile).
TEST(FileStreamTest, PiecesWriteInPlaceAndNeverPastTheirEnd)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pieces.bin");
    WriteAll(path, QByteArray(40, '.'));
    TFileStream a(path), b(path);
    ASSERT_TRUE(a.OpenPiece(0, 10));
    ASSERT_TRUE(b.OpenPiece(20, 40));
    EXPECT_EQ(b.write("BBBBBBBB", 8), 8);
    EXPECT_EQ(a.write("AAAAAAAAAAAAAA", 14), 14); // 4 past its end: dropped
    EXPECT_EQ(a.Position(), 10);
    b.SetLimit(30);
    EXPECT_EQ(b.write("bbbbbbbb", 8), 8);         // 6 past the moved end
    EXPECT_EQ(b.Position(), 30);
    a.close();
    b.close();
    EXPECT_EQ(ReadAll(path), "AAAAAAAAAA" + QByteArray(10, '.') + "BBBBBBBBbb" + QByteArray(10, '.'));
}
