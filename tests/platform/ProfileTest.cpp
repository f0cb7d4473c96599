// The INI rules of Profile, observed through the bytes on disk.
#include "Profile.h"
#include "TempHome.h"
#include "QtPrint.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <mutex>
#include <sys/resource.h>

using namespace flk;
using flk::test::ReadAll;
using flk::test::TempHome;
using flk::test::WriteAll;

namespace {

QString filled(int n, char c = 'x')
{
    return QString(n, QChar(c));
}

} // namespace

// --- Values: length, blanks, quotes ------------------------------------------

TEST(ProfileValues, Exactly1023CharactersReadBackWhole)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[S]\nK=" + filled(1023).toUtf8() + "\n");
    EXPECT_EQ(Profile(home.file("a.ini")).readString("S", "K", "def"), filled(1023));
}

TEST(ProfileValues, LongerValuesAreCutTo1023Characters)
{
    TempHome home;
    const QString value = filled(1000, 'a') + filled(24, 'b') + filled(500, 'c');
    WriteAll(home.file("a.ini"), "[S]\nK1024=" + value.left(1024).toUtf8() + "\nKlong=" + value.toUtf8() + "\n");
    Profile p(home.file("a.ini"));
    EXPECT_EQ(p.readString("S", "K1024", ""), value.left(1023));
    EXPECT_EQ(p.readString("S", "Klong", ""), value.left(1023));
}

TEST(ProfileValues, TheCutNeverSplitsACharacter)
{
    TempHome home;
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // one character, two UTF-16 units
    WriteAll(home.file("a.ini"), "[S]\nK=" + (filled(1022) + clef + "tail").toUtf8() + "\n");
    EXPECT_EQ(Profile(home.file("a.ini")).readString("S", "K", ""), filled(1022));
}

TEST(ProfileValues, BlanksAroundValuesAndOnePairOfQuotesAreDropped)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[S]\n"
                                 "Plain=   spaced out  \t\n"
                                 "Double=\"quoted\"\n"
                                 "Single='quoted'\n"
                                 "Inner=\"  kept blanks  \"\n"
                                 "Mixed=\"mismatched'\n"
                                 "Lone=\"\n"
                                 "Twice=\"\"x\"\"\n"
                                 "Days=5 \n"
                                 "Empty=\n");
    Profile p(home.file("a.ini"));
    EXPECT_EQ(p.readString("S", "Plain", ""), "spaced out");
    EXPECT_EQ(p.readString("S", "Double", ""), "quoted");
    EXPECT_EQ(p.readString("S", "Single", ""), "quoted");
    EXPECT_EQ(p.readString("S", "Inner", ""), "  kept blanks  ");
    EXPECT_EQ(p.readString("S", "Mixed", ""), "\"mismatched'");
    EXPECT_EQ(p.readString("S", "Lone", ""), "\"");
    EXPECT_EQ(p.readString("S", "Twice", ""), "\"x\"");
    EXPECT_EQ(p.readInteger("S", "Days", 0), 5);
    EXPECT_EQ(p.readString("S", "Empty", "def"), "");
    EXPECT_EQ(p.readString("S", "Missing", "def"), "def");
}

TEST(ProfileValues, TextIsStoredAsItIsUnquoted)
{
    TempHome home;
    Profile p(home.file("a.ini"));
    p.writeString("S", "K", "a \"b\" = c; d");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[S]\nK=a \"b\" = c; d\n");
    EXPECT_EQ(p.readString("S", "K", ""), "a \"b\" = c; d");
}

TEST(ProfileValues, LineBreaksInAValueNeverStartANewKey)
{
    TempHome home;
    Profile p(home.file("a.ini"));
    p.writeString("S", "K", "one\r\n[Evil]\nX=1");
    EXPECT_FALSE(p.sectionExists("Evil"));
    EXPECT_EQ(p.readSection("S"), QStringList{"K"});
    EXPECT_EQ(ReadAll(home.file("a.ini")).count('\n'), 2);
}

TEST(ProfileValues, TheByte0xFFMapsToCharacterFF)
{
    TempHome home;
    Profile p(home.file("a.ini"));
    p.writeString("S", "Notes", QString("a") + QChar(0xFF) + QChar(0xFF) + "b");
    EXPECT_EQ(ReadAll(home.file("a.ini")), QByteArray("[S]\nNotes=a\xFF\xFF" "b\n"));
    WriteAll(home.file("b.ini"), QByteArray("[S]\nNotes=x\xFFy\xC3\xA9\n"));
    EXPECT_EQ(Profile(home.file("b.ini")).readString("S", "Notes", ""), QString("x") + QChar(0xFF) + "y" + QChar(0xE9));
}

// --- Integers and booleans ---------------------------------------------------

TEST(ProfileNumbers, DecimalAndHexadecimalIntegers)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[N]\nDec=28800\nNeg=-7\nPlus=+3\nHex=0x1F\nUpper=0X10\nBigHex=0xFFFFFFFF\n"
                                 "JustPrefix=0x\nBadHex=0xZZ\nWord=fast\nTrailing=12abc\nFraction=1.5\n"
                                 "Huge=99999999999\nBlank=  \n");
    Profile p(home.file("a.ini"));
    EXPECT_EQ(p.readInteger("N", "Dec", 0), 28800);
    EXPECT_EQ(p.readInteger("N", "Neg", 0), -7);
    EXPECT_EQ(p.readInteger("N", "Plus", 0), 3);
    EXPECT_EQ(p.readInteger("N", "Hex", 0), 31);
    EXPECT_EQ(p.readInteger("N", "Upper", 0), 16);
    EXPECT_EQ(p.readInteger("N", "BigHex", 0), -1);
    EXPECT_EQ(p.readInteger("N", "JustPrefix", 42), 42);
    EXPECT_EQ(p.readInteger("N", "BadHex", 42), 42);
    EXPECT_EQ(p.readInteger("N", "Word", 42), 42);
    EXPECT_EQ(p.readInteger("N", "Trailing", 42), 42);
    EXPECT_EQ(p.readInteger("N", "Fraction", 42), 42);
    EXPECT_EQ(p.readInteger("N", "Huge", 42), 42);
    EXPECT_EQ(p.readInteger("N", "Blank", 42), 42);
    EXPECT_EQ(p.readInteger("N", "Missing", 42), 42);
}

TEST(ProfileNumbers, BooleansAreOneAndZeroAndAnyOtherIntegerIsTrue)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[B]\nOne=1\nZero=0\nTwo=2\nMinus=-1\nHex=0x0\nYes=yes\nTrue=true\n");
    Profile p(home.file("a.ini"));
    EXPECT_TRUE(p.readBool("B", "One", false));
    EXPECT_FALSE(p.readBool("B", "Zero", true));
    EXPECT_TRUE(p.readBool("B", "Two", false));
    EXPECT_TRUE(p.readBool("B", "Minus", false));
    EXPECT_FALSE(p.readBool("B", "Hex", true));
    EXPECT_FALSE(p.readBool("B", "Yes", false));
    EXPECT_TRUE(p.readBool("B", "Yes", true));
    EXPECT_FALSE(p.readBool("B", "True", false));
    EXPECT_TRUE(p.readBool("B", "Missing", true));

    p.writeBool("W", "T", true);
    p.writeBool("W", "F", false);
    p.writeInteger("W", "I", -12);
    EXPECT_TRUE(ReadAll(home.file("a.ini")).endsWith("[W]\nT=1\nF=0\nI=-12\n"));
}

// --- Name lists ------------------------------------------------------------------

// The lists are read whole: names far beyond the old 8192-byte list are seen.
TEST(ProfileNames, SectionAndKeyNamesAreReadWhole)
{
    TempHome home;
    QByteArray content;
    QStringList names;
    for (int i = 0; i < 200; ++i) {
        const QString name = QString("%1").arg(i, 3, 10, QChar('0')) + filled(124, 'n');
        names << name;
        content += "[" + name.toUtf8() + "]\nK=1\n";
    }
    WriteAll(home.file("sections.ini"), content);
    EXPECT_EQ(Profile(home.file("sections.ini")).readSections(), names);

    QByteArray keyed = "[S]\n";
    for (int i = 0; i < 2000; ++i)
        keyed += QByteArray::number(10000000 + i) + "=v\n";
    WriteAll(home.file("keys.ini"), keyed);
    const QStringList keys = Profile(home.file("keys.ini")).readSection("S");
    ASSERT_EQ(keys.size(), 2000);
    EXPECT_EQ(keys.last(), "10001999");
}

TEST(ProfileNames, NamesComeInFileOrder)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[b]\nz=1\ny=2\n[a]\nx=3\n[B]\nw=4\n");
    Profile p(home.file("a.ini"));
    EXPECT_EQ(p.readSections(), (QStringList{"b", "a"}));
    EXPECT_EQ(p.readSection("B"), (QStringList{"z", "y", "w"}));
}

// --- Case folding ------------------------------------------------------------------

TEST(ProfileCase, FileNamesAreOneFileWhateverTheirCase)
{
    TempHome home;
    Profile(home.file("headers.ini")).writeInteger("Main", "NumHeads", 3);
    Profile(home.file("Headers.ini")).writeString("Header1", "Name", "Programs");
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{"headers.ini"});
    EXPECT_EQ(Profile(home.file("HEADERS.INI")).readInteger("Main", "NumHeads", 0), 3);
    EXPECT_EQ(Profile(home.file("HEADERS.INI")).fileName(), home.file("headers.ini"));
}

TEST(ProfileCase, AnExistingFileIsFoundWhateverTheCaseOfItsName)
{
    TempHome home;
    WriteAll(home.file("Games-Utilities.INI"), "[tool.zip]\nDesc=A tool\n");
    Profile p(home.file("games-utilities.ini"));
    EXPECT_EQ(p.readString("tool.zip", "Desc", ""), "A tool");
    p.writeString("tool.zip", "Source", "http://x/");
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{"Games-Utilities.INI"});
}

TEST(ProfileCase, AFileCreatedLaterUnderAnotherCaseIsSeen)
{
    TempHome home;
    Profile p(home.file("dlmain.ini"));
    EXPECT_EQ(p.readInteger("Download", "Speed", 0), 0);
    WriteAll(home.file("DLMain.ini"), "[Download]\nSpeed=56600\n");
    EXPECT_EQ(p.readInteger("Download", "Speed", 0), 56600);
}

TEST(ProfileCase, SectionsAndKeysAreMatchedWithoutRegardToCase)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[ToolBar]\nShowMenu=1\nNumHeads=4\n");
    Profile p(home.file("a.ini"));
    EXPECT_TRUE(p.readBool("Toolbar", "Showmenu", false));
    EXPECT_EQ(p.readInteger("TOOLBAR", "Numheads", 0), 4);
    p.writeString("toolbar", "numheads", "5");
    p.writeString("TOOLBAR", "New", "0");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[ToolBar]\nShowMenu=1\nNumHeads=5\nNew=0\n");
}

TEST(ProfileCase, NamesBeyondAsciiFoldToo)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[Über]\nÄrger=1\nplain=2\n");
    Profile p(home.file("a.ini"));
    EXPECT_EQ(p.readInteger("über", "ärger", 0), 1);
    EXPECT_EQ(p.readInteger("ÜBER", "PLAIN", 0), 2);
    EXPECT_EQ(p.readInteger("Uber", "Arger", 0), 0);
    p.writeString("über", "ÄRGER", "3");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[Über]\nÄrger=3\nplain=2\n");
}

// --- Writing ------------------------------------------------------------------------

TEST(ProfileWrite, OtherLinesStayByteForByteAndNewKeysFollowTheirSection)
{
    TempHome home;
    const QByteArray before = "; comment line\n"
                              "[Main]\n"
                              "  NumHeads = 2 \n"
                              "Stray line without equals\n"
                              "\n"
                              "[Header1]\n"
                              "Name=Programs\n"
                              "Location=/x/Programs/\n"
                              "\n";
    WriteAll(home.file("h.ini"), before);
    Profile p(home.file("h.ini"));
    p.writeInteger("Main", "NumHeads", 3);
    p.writeString("Main", "Extra", "e");
    p.writeString("Header2", "Name", "Research");
    p.writeString("Header2", "Location", "/x/Research/");
    EXPECT_EQ(ReadAll(home.file("h.ini")), "; comment line\n"
                                           "[Main]\n"
                                           "NumHeads=3\n"
                                           "Extra=e\n"
                                           "Stray line without equals\n"
                                           "\n"
                                           "[Header1]\n"
                                           "Name=Programs\n"
                                           "Location=/x/Programs/\n"
                                           "\n"
                                           "[Header2]\n"
                                           "Name=Research\n"
                                           "Location=/x/Research/\n");
}

TEST(ProfileWrite, WindowsLineEndsAreKept)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[S]\r\nA=1\r\n");
    Profile(home.file("a.ini")).writeString("S", "B", "2");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[S]\r\nA=1\r\nB=2\r\n");
}

TEST(ProfileWrite, MixedLineEndsStayAsTheyWere)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[S]\r\nA=1\nB=2\r\n[T]\nC=3");
    Profile p(home.file("a.ini"));
    p.writeString("S", "A", "9");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[S]\r\nA=9\nB=2\r\n[T]\nC=3");
    p.writeString("T", "D", "4");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[S]\r\nA=9\nB=2\r\n[T]\nC=3\r\nD=4\r\n");
    p.deleteKey("S", "B");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[S]\r\nA=9\n[T]\nC=3\r\nD=4\r\n");
}

// A header runs to the last "]" of its line: "[report[1].pdf]" is the record
// "report[1].pdf" for reads, writes, erases and the list of names.
TEST(ProfileWrite, SectionNamesHoldingBracketsAreOneSection)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[report[1].pdf]\nDesc=old\n[b]]\nK=1\n");
    Profile p(home.file("a.ini"));
    EXPECT_EQ(p.readSections(), (QStringList{"report[1].pdf", "b]"}));
    EXPECT_EQ(p.readString("report[1].pdf", "Desc", ""), "old");
    p.writeString("report[1].pdf", "Desc", "new");
    p.writeString("x]y", "K", "2");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[report[1].pdf]\nDesc=new\n[b]]\nK=1\n[x]y]\nK=2\n");
    p.eraseSection("report[1].pdf");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[b]]\nK=1\n[x]y]\nK=2\n");
}

TEST(ProfileWrite, TheFirstOfDuplicateKeysIsReadAndWritten)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[S]\nK=first\nK=second\n[s]\nK=third\nL=4\n");
    Profile p(home.file("a.ini"));
    EXPECT_EQ(p.readString("S", "K", ""), "first");
    EXPECT_EQ(p.readString("S", "L", ""), "4");
    p.writeString("S", "K", "new");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[S]\nK=new\nK=second\n[s]\nK=third\nL=4\n");
}

TEST(ProfileWrite, EraseSectionAndDeleteKey)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "[a.zip]\nDesc=A\nSource=u\n[b.zip]\nDesc=B\n[A.ZIP]\nNotes=n\n");
    Profile p(home.file("a.ini"));
    p.deleteKey("b.zip", "desc");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[a.zip]\nDesc=A\nSource=u\n[b.zip]\n[A.ZIP]\nNotes=n\n");
    p.eraseSection("a.zip");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[b.zip]\n");
    p.eraseSection("missing");
    p.deleteKey("b.zip", "missing");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[b.zip]\n");
    EXPECT_EQ(p.readSections(), QStringList{"b.zip"});
}

TEST(ProfileWrite, AnotherWriterIsSeenByTheNextRead)
{
    TempHome home;
    Profile mine(home.file("a.ini"));
    mine.writeString("S", "K", "mine");
    Profile(home.file("a.ini")).writeString("S", "K", "theirs");
    EXPECT_EQ(mine.readString("S", "K", ""), "theirs");
    WriteAll(home.file("a.ini"), "[S]\nK=edited by hand\n");
    EXPECT_EQ(mine.readString("S", "K", ""), "edited by hand");
    mine.writeString("S", "L", "x");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "[S]\nK=edited by hand\nL=x\n");
}

// --- Missing, empty and garbled files ---------------------------------------------------

TEST(ProfileDefaults, MissingEmptyAndGarbledFilesGiveDefaults)
{
    TempHome home;
    WriteAll(home.file("empty.ini"), "");
    static const char kGarbled[] = "\x00\x01\xFE\xFF]]]\n[unclosed\nK=1\n==\n[]\n=v\nno equals\n";
    WriteAll(home.file("garbled.ini"), QByteArray(kGarbled, sizeof kGarbled - 1));
    WriteAll(home.file("keysfirst.ini"), "K=1\nSpeed=5\n[Download]\n");
    for (const char* name : {"missing.ini", "empty.ini", "garbled.ini", "keysfirst.ini"}) {
        Profile p(home.file(name));
        EXPECT_EQ(p.readInteger("Download", "Speed", 28800), 28800) << name;
        EXPECT_EQ(p.readString("Main", "IconFile", "icons.dll"), "icons.dll") << name;
        EXPECT_TRUE(p.readBool("Main", "FirstRun", true)) << name;
    }
    EXPECT_FALSE(QFile::exists(home.file("missing.ini")));
    EXPECT_EQ(Profile(home.file("garbled.ini")).readString("unclosed", "K", ""), "1");
}

TEST(ProfileDefaults, AByteOrderMarkDoesNotHideTheFirstSection)
{
    TempHome home;
    WriteAll(home.file("a.ini"), "\xEF\xBB\xBF[Main]\nFirstRun=0\n");
    Profile p(home.file("a.ini"));
    EXPECT_FALSE(p.readBool("Main", "FirstRun", true));
    p.writeString("Main", "ViewStyle", "2");
    EXPECT_EQ(ReadAll(home.file("a.ini")), "\xEF\xBB\xBF[Main]\nFirstRun=0\nViewStyle=2\n");
}

TEST(ProfileDefaults, WritingCreatesFileAndSection)
{
    TempHome home;
    Profile(home.file("new.ini")).writeString("Main", "FirstRun", "0");
    EXPECT_EQ(ReadAll(home.file("new.ini")), "[Main]\nFirstRun=0\n");
}

// --- Refused writes -------------------------------------------------------------------------

TEST(ProfileRefusal, AWriteUnderARegularFileFailsWithItsPath)
{
    TempHome home;
    WriteAll(home.file("plain"), "not a folder");
    const QString path = home.file("plain/dlmain.ini");
    try {
        Profile(path).writeString("Main", "FirstRun", "0");
        FAIL() << "no error";
    } catch (const EProfileError& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + path);
    }
    EXPECT_EQ(ReadAll(home.file("plain")), "not a folder");
}

// The file-size limit holds for root too: a refused write must leave the
// file exactly as it was and no temporary file behind.
TEST(ProfileRefusal, ARefusedWriteLeavesTheFileAsItWas)
{
    TempHome home;
    QByteArray before = "[S]\n";
    for (int i = 0; i < 200; ++i)
        before += "Key" + QByteArray::number(i) + "=value\n";
    WriteAll(home.file("a.ini"), before);
    Profile p(home.file("a.ini"));
    ASSERT_EQ(p.readString("S", "Key0", ""), "value");

    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool refused = false;
    QString message;
    try {
        p.writeString("S", "Key0", "changed");
    } catch (const EProfileError& e) {
        refused = true;
        message = e.Message();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_TRUE(refused);
    EXPECT_EQ(message, "Unable to write to " + home.file("a.ini"));
    EXPECT_EQ(ReadAll(home.file("a.ini")), before);
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{"a.ini"});
    EXPECT_EQ(p.readString("S", "Key0", ""), "value");
}

// --- Bulk writes: one replace, the same bytes as the single writes ---------------

TEST(ProfileBatch, ManyWritesGiveTheBytesOfTheSingleWritesInOrder)
{
    TempHome home;
    const QByteArray before = "[S]\r\nA=1\r\n[Empty]\r\n[T]\r\nC=3";
    const QList<Profile::Write> writes = {{"S", "A", "9"},   {"s", "B", "2"},   {"Empty", "E", "e"},
                                          {"New", "X", "x"}, {"T", "D", "4"},   {"NEW", "Y", "y"},
                                          {"S", "b", "22"},  {"New", "x", "x2"}, {"Other", "K", "a\nb"}};
    WriteAll(home.file("one.ini"), before);
    WriteAll(home.file("many.ini"), before);
    Profile single(home.file("one.ini"));
    for (const Profile::Write& w : writes)
        single.writeString(w.section, w.key, w.value);
    Profile(home.file("many.ini")).writeStrings(writes);
    EXPECT_EQ(ReadAll(home.file("many.ini")), ReadAll(home.file("one.ini")));

    Profile(home.file("one.ini")).eraseSections({"t", "New", "missing"});
    EXPECT_EQ(ReadAll(home.file("one.ini")), "[S]\r\nA=9\r\nB=22\r\n[Empty]\r\nE=e\r\n[Other]\r\nK=a b\r\n");
}

// --- Writes put on disk by a thread of their own -------------------------------------------

namespace {

// Replaced values, new keys in existing sections (some with none yet),
// new sections, a key written twice, and a header that reads back as an
// existing section.
void MixedWrites(Profile& p)
{
    p.writeString("Old", "Desc", "changed");
    p.writeStrings({{"Old", "New", "1"}, {"Empty", "First", "a"}, {"Fresh", "Desc", "x"}, {"Fresh", "Desc", "y"},
                    {"Other", "K", "v"}, {"old", "Late", "2"}});
    p.writeString("Fresh", "Notes", QString("a") + QChar(0xFF) + "b");
    p.writeString("Other ", "K2", "merged"); // "[Other ]" reads back as "Other"
    p.writeInteger("Empty", "Second", 7);
}

} // namespace

TEST(ProfileDeferred, WritesReadBackAtOnceAndReachTheDiskAsAWriteInPlaceWould)
{
    TempHome home;
    const QByteArray start = "; kept\r\n[Old]\r\nDesc=old\r\nKeep=1\r\n[Empty]\r\n\r\n[Last]\r\nX=1";
    WriteAll(home.file("now.ini"), start);
    WriteAll(home.file("later.ini"), start);
    Profile now(home.file("now.ini"));
    Profile later(home.file("later.ini"));
    later.setDeferredWrites([](const QString&) { ADD_FAILURE() << "a write failed"; });
    MixedWrites(now);
    MixedWrites(later);

    // The open that wrote reads its writes at once; another open of the file
    // waits for them; the file is whole on disk.
    EXPECT_EQ(later.readString("Old", "Desc", ""), "changed");
    EXPECT_EQ(later.readInteger("Empty", "Second", 0), 7);
    const Profile fresh(home.file("later.ini"));
    EXPECT_EQ(fresh.readString("Fresh", "Desc", ""), "y");
    later.flush();
    EXPECT_EQ(ReadAll(home.file("later.ini")), ReadAll(home.file("now.ini")));
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), (QStringList{"later.ini", "now.ini"}));

    // What each open holds after its writes is what a new parse reads.
    for (const Profile* p : {&now, &later}) {
        ASSERT_EQ(p->readSections(), fresh.readSections());
        for (const QString& section : fresh.readSections()) {
            ASSERT_EQ(p->readSection(section), fresh.readSection(section)) << section.toStdString();
            for (const QString& key : fresh.readSection(section))
                EXPECT_EQ(p->readString(section, key, "<none>"), fresh.readString(section, key, "<none>"));
        }
    }
}

// A write refused on its way is told with the file's path, and the open then
// reads what the disk holds; a file that may not be replaced is refused at once.
TEST(ProfileDeferred, AWriteThatFailsOnItsWayIsToldAndTheDiskIsReadAgain)
{
    TempHome home;
    const QString path = home.file("a.ini");
    WriteAll(path, "[S]\nK=disk\n");
    QStringList told;
    std::mutex toldMutex;
    Profile p(path);
    p.setDeferredWrites([&](const QString& message) {
        std::lock_guard lock(toldMutex);
        told << message;
    });
    ASSERT_EQ(p.readString("S", "K", ""), "disk");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path)); // nothing can be renamed over a folder
    p.writeString("S", "K", "lost");
    p.flush();
    EXPECT_EQ(told, QStringList{"Unable to write to " + path});
    EXPECT_EQ(p.readString("S", "K", "<none>"), "<none>");
}
