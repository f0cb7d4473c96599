#include "BufferedFileStream.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using flk::TBufferedFileStream;

namespace {
QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
} // namespace

TEST(BufferedFileStreamTest, GathersWritesAndFlushesOnClose)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.bin");
    TBufferedFileStream s(path, 100);
    ASSERT_TRUE(s.open(QIODevice::WriteOnly));
    EXPECT_EQ(s.write("0123456789", 10), 10);
    EXPECT_EQ(QFile(path).size(), 0);  // still in the buffer
    EXPECT_EQ(s.size(), 10);
    QByteArray big(250, 'b');
    EXPECT_EQ(s.write(big), 250);     // larger than the buffer: written through
    EXPECT_EQ(s.pos(), 260);
    s.write("tail", 4);
    s.close();
    EXPECT_EQ(ReadAll(path), "0123456789" + big + "tail");
}

TEST(BufferedFileStreamTest, AppendsAfterExistingBytesAndReadsBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("part.bin");
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("first-");
    }
    TBufferedFileStream s(path);
    ASSERT_TRUE(s.open(QIODevice::ReadWrite | QIODevice::Append));
    EXPECT_EQ(s.pos(), 6);
    s.write("second");
    EXPECT_EQ(s.size(), 12);
    ASSERT_TRUE(s.seek(0));
    EXPECT_EQ(s.read(12), "first-second");
    s.close();
    EXPECT_EQ(ReadAll(path), "first-second");
}
