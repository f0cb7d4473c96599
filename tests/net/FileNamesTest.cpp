// Names from outside: the one safe-name rule on every bad name an address,
// a hand-off or a server can bring, and the Content-Disposition reading.
#include "ContentDisposition.h"
#include "SafeName.h"
#include "Url.h"

#include <gtest/gtest.h>

using namespace flk;

TEST(SafeName, BadNamesBecomeOneSafeNameOrNothing)
{
    const struct {
        QString in, out;
    } cases[] = {
        {"../../.bashrc", "bashrc"},
        {"..\\..\\evil.exe", "evil.exe"},
        {"-rf", "rf"},
        {"--help.txt", "help.txt"},
        {".", ""},
        {"..", ""},
        {"....", ""},
        {"   ", ""},
        {" . - . ", ""},
        {"dir/", ""},
        {"a\tb\nc\x7f.txt", "abc.txt"},
        {QString::fromUtf8("invoice\u202Etxt.exe"), "invoicetxt.exe"},
        {"\"quoted name.pdf\"", "quoted name.pdf"},
        {"report 2026.pdf  ", "report 2026.pdf"},
        {QString::fromUtf8("café.pdf"), QString::fromUtf8("café.pdf")},
        // A byte order mark in front of the last part hid the dots and dashes.
        {QString::fromUtf8("x/\uFEFF.."), ""},
        {QString::fromUtf8("x/\uFEFF-rf"), "rf"},
        {QString::fromUtf8("x/\uFEFF.bashrc"), "bashrc"},
        {QString::fromUtf8("a\uFEFFb.txt"), "ab.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeName::Of(c.in), c.out) << c.in.toStdString();
}

// Within NAME_MAX bytes: cut before the extension, never inside a character.
TEST(SafeName, LongNamesAreCutBeforeTheExtensionOnACharacter)
{
    const QString plain = SafeName::Of(QString(1000, 'a') + ".tar.gz");
    EXPECT_EQ(plain.toUtf8().size(), 255);
    EXPECT_TRUE(plain.endsWith(".gz"));
    const QString wide = SafeName::Of(QString(1000, QChar(0x00E9)) + ".pdf"); // two bytes each
    EXPECT_LE(wide.toUtf8().size(), 255);
    EXPECT_EQ(wide, QString(125, QChar(0x00E9)) + ".pdf");
    EXPECT_EQ(QString::fromUtf8(wide.toUtf8()), wide);
    const QString noExtension = SafeName::Of(QString(300, 'x') + "." + QString(100, 'y'));
    EXPECT_EQ(noExtension, QString(255, 'x'));
    // Four-byte characters stay whole.
    QString emoji;
    for (int i = 0; i < 100; ++i)
        emoji += QString::fromUcs4(U"\U0001F600", 1);
    EXPECT_EQ(SafeName::Of(emoji).toUtf8().size(), 252);
    // A cut that leaves a quote at the end pairing with the one in front
    // takes both off, as for a short name: made safe again, a name stays.
    const QString quoted = SafeName::Of('"' + QString(253, 'a') + '"' + QString(10, 'b'));
    EXPECT_EQ(quoted, QString(253, 'a'));
    EXPECT_EQ(SafeName::Of(quoted), quoted);
}

TEST(SafeName, EscapesInAddressNamesAreDecodedAsUtf8)
{
    EXPECT_EQ(SafeName::FromEncoded("caf%C3%A9%20menu.pdf"), QString::fromUtf8("café menu.pdf"));
    EXPECT_EQ(SafeName::FromEncoded("%2E%2E%2F%2E%2Ebashrc"), "bashrc");
    EXPECT_EQ(SafeName::FromEncoded("100%.txt"), "100%.txt");
    EXPECT_EQ(SafeName::FromEncoded("a%00b.txt"), "ab.txt");
    EXPECT_EQ(SafeName::FromEncoded("a%2F%EF%BB%BF.."), "");
}

TEST(ContentDisposition, FileNameFromEitherParameter)
{
    const struct {
        QString header, name;
    } cases[] = {
        {"attachment; filename=\"report 2026.pdf\"", "report 2026.pdf"},
        {"attachment; filename=plain.zip", "plain.zip"},
        {"attachment;filename=\"a;b \\\"c\\\".txt\"", "a;b \"c\".txt"},
        {"attachment; filename*=UTF-8''caf%C3%A9%20menu.pdf", QString::fromUtf8("café menu.pdf")},
        // Both: the extended one wins, in either order.
        {"attachment; filename=\"fallback.pdf\"; filename*=utf-8'en'%E2%82%AC%20rates.pdf",
         QString::fromUtf8("€ rates.pdf")},
        {"attachment; filename*=UTF-8''first.pdf; filename=\"second.pdf\"", "first.pdf"},
        {"attachment; filename*=iso-8859-1''%E9t%E9.txt", QString::fromUtf8("été.txt")},
        // A charset we cannot read, or bad UTF-8: the plain name.
        {"attachment; filename*=x-unknown''%E9.txt; filename=\"plain.txt\"", "plain.txt"},
        {"attachment; filename*=UTF-8''%FF%FE.txt; filename=\"plain.txt\"", "plain.txt"},
        // A quote that never closes runs to the end.
        {"attachment; filename=\"open.txt", "open.txt"},
        {"inline", ""},
        {"attachment; size=3", ""},
        // Raw UTF-8 bytes in a plain name (the header line arrives as Latin-1).
        {QString::fromLatin1(QByteArray("attachment; filename=\"caf\xC3\xA9.pdf\"")), QString::fromUtf8("café.pdf")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ContentDisposition::FileName(c.header), c.name) << c.header.toStdString();
    // Path separators are the safe-name rule's to remove.
    EXPECT_EQ(SafeName::Of(ContentDisposition::FileName("attachment; filename=\"../../etc/passwd\"")), "passwd");
}

TEST(UrlSite, SameSchemeHostAndPort)
{
    EXPECT_TRUE(Url::SameSite("http://Host/a", "http://host:80/b?x"));
    EXPECT_TRUE(Url::SameSite("https://h/a", "HTTPS://h:443/"));
    EXPECT_FALSE(Url::SameSite("http://h/a", "https://h/a"));
    EXPECT_FALSE(Url::SameSite("http://h/a", "http://h:8080/a"));
    EXPECT_FALSE(Url::SameSite("http://h/a", "http://h.evil/a"));
    EXPECT_FALSE(Url::SameSite("/a", "/a"));
}
