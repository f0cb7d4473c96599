// Sections, folders and the default catalogue, observed in the INI files
// and directories on disk.
#include "Catalogue.h"
#include "CatalogueError.h"
#include "RecordFile.h"
#include "Settings.h"
#include "TempHome.h"
#include "QtPrint.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace flk;
using flk::test::ReadAll;
using flk::test::TempHome;
using flk::test::WriteAll;

namespace {

QString refusal(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ECatalogueError& e) {
        return e.Message();
    }
    return QString();
}

QStringList iniFiles(const TempHome& home)
{
    return QDir(home.path()).entryList({"*.ini"}, QDir::Files, QDir::Name);
}

} // namespace

// --- Paths -------------------------------------------------------------------

TEST(CataloguePaths, FilesAndDirectoriesFollowTheNames)
{
    TempHome home;
    EXPECT_EQ(Catalogue::HeadersFile(), home.file("headers.ini"));
    EXPECT_EQ(Catalogue::SectionFile("Games"), home.file("Games.ini"));
    EXPECT_EQ(Catalogue::FolderFile("Games", "Utilities"), home.file("Games-Utilities.ini"));
    EXPECT_EQ(Catalogue::FolderDirectory("/data/Games/", "Utilities"), "/data/Games/Utilities/");
    EXPECT_EQ(Catalogue::FolderDirectory("/data/Games", "Utilities"), "/data/Games/Utilities/");
    EXPECT_EQ(Catalogue::FilePath("/data/Games/", "Utilities", "tool.zip"), "/data/Games/Utilities/tool.zip");
    EXPECT_EQ(RecordFile("Games", "Utilities").fileName(), home.file("Games-Utilities.ini"));
}

// --- Sections ---------------------------------------------------------------------

TEST(CatalogueSections, AddingWritesNameBeforeLocationAndMakesTheDirectory)
{
    TempHome home;
    EXPECT_EQ(Catalogue::SectionCount(), 0);
    EXPECT_EQ(Catalogue::AddSection("Games", home.file("deep/er/Games/")), 1);
    EXPECT_EQ(Catalogue::AddSection("Music", home.file("Music")), 2);
    EXPECT_TRUE(QFileInfo(home.file("deep/er/Games")).isDir());
    EXPECT_EQ(ReadAll(home.file("headers.ini")),
              "[Main]\nNumHeads=2\n[Header1]\nName=Games\nLocation=" + home.file("deep/er/Games/").toUtf8() +
                  "\n[Header2]\nName=Music\nLocation=" + home.file("Music/").toUtf8() + "\n");
    EXPECT_EQ(Catalogue::SectionCount(), 2);
    EXPECT_EQ(Catalogue::SectionName(2), "Music");
    EXPECT_EQ(Catalogue::SectionLocation(1), home.file("deep/er/Games/"));
    EXPECT_EQ(Catalogue::SectionNames(), (QStringList{"Games", "Music"}));
    EXPECT_EQ(Catalogue::SectionName(3), "");
    EXPECT_EQ(Catalogue::SectionLocation(3), "");
}

TEST(CatalogueSections, FindingByNameIsExact)
{
    TempHome home;
    WriteAll(home.file("Headers.ini"), "[main]\nnumheads=2\n[header1]\nname=Games\n[HEADER2]\nNAME=Music\n");
    EXPECT_EQ(Catalogue::SectionNumber("Music"), 2);
    EXPECT_EQ(Catalogue::SectionNumber("Games"), 1);
    EXPECT_EQ(Catalogue::SectionNumber("games"), 0);
    EXPECT_EQ(Catalogue::SectionNumber("Nothing"), 0);
}

TEST(CatalogueSections, AnEmptyLocationCannotBeCreated)
{
    TempHome home;
    EXPECT_EQ(refusal([] { Catalogue::AddSection("Games", ""); }), "Unable to create directory");
    EXPECT_FALSE(QFileInfo::exists(home.file("headers.ini")));
}

TEST(CatalogueSections, DeletingClosesTheGap)
{
    TempHome home;
    for (const char* name : {"A", "B", "C", "D"})
        Catalogue::AddSection(name, home.file(name));
    Catalogue::DeleteSection(2);
    EXPECT_EQ(Catalogue::SectionNames(), (QStringList{"A", "C", "D"}));
    EXPECT_EQ(Catalogue::SectionLocation(2), home.file("C/"));
    EXPECT_EQ(Catalogue::SectionLocation(3), home.file("D/"));
    const QByteArray text = ReadAll(home.file("headers.ini"));
    EXPECT_TRUE(text.startsWith("[Main]\nNumHeads=3\n"));
    EXPECT_FALSE(text.contains("[Header4]"));
    Catalogue::DeleteSection(3);
    Catalogue::DeleteSection(9); // no such section: nothing changes
    EXPECT_EQ(Catalogue::SectionNames(), (QStringList{"A", "C"}));
    Catalogue::DeleteSection(1);
    Catalogue::DeleteSection(1);
    EXPECT_EQ(ReadAll(home.file("headers.ini")), "[Main]\nNumHeads=0\n");
    // Directories and files are left to the caller.
    EXPECT_TRUE(QFileInfo(home.file("B")).isDir());
}

// --- Folders ----------------------------------------------------------------------

TEST(CatalogueFolders, AddingWritesNameThenIconAndMakesTheDirectory)
{
    TempHome home;
    Catalogue::AddSection("Games", home.file("Games"));
    Catalogue::AddSection("Music", home.file("Music"));
    EXPECT_EQ(Catalogue::AddFolder("Rock", "Music", 7, 1), 1);
    EXPECT_EQ(Catalogue::AddFolder("Jazz Age", "Music", 12, 1), 2);
    EXPECT_TRUE(QFileInfo(home.file("Music/Rock")).isDir());
    EXPECT_TRUE(QFileInfo(home.file("Music/Jazz Age")).isDir());
    EXPECT_EQ(ReadAll(home.file("Music.ini")),
              "[Main]\nNumCats=2\n[Cat1]\nName=Rock\nIcon=7\n[Cat2]\nName=Jazz Age\nIcon=12\n");
    EXPECT_EQ(Catalogue::FolderCount("Music"), 2);
    EXPECT_EQ(Catalogue::FolderCount("Games"), 0);
    EXPECT_EQ(Catalogue::FolderName("Music", 2), "Jazz Age");
    EXPECT_EQ(Catalogue::FolderIcon("Music", 2), 12);
    EXPECT_EQ(Catalogue::FolderIcon("Music", 3), 0);
    EXPECT_EQ(Catalogue::FolderNames("Music"), (QStringList{"Rock", "Jazz Age"}));
    EXPECT_EQ(Catalogue::FolderNumber("Music", "Jazz Age"), 2);
    EXPECT_EQ(Catalogue::FolderNumber("Music", "rock"), 0);
    Catalogue::SetFolderIcon("Music", 1, 3);
    EXPECT_EQ(Catalogue::FolderIcon("music", 1), 3);
    EXPECT_EQ(iniFiles(home), (QStringList{"Music.ini", "headers.ini"})); // no folder file yet
}

TEST(CatalogueFolders, DeletingClosesTheGapKeepingNameBeforeIcon)
{
    TempHome home;
    Catalogue::AddSection("S", home.file("S"));
    Catalogue::AddFolder("one", "S", 1, 0);
    Catalogue::AddFolder("two", "S", 2, 0);
    Catalogue::AddFolder("three", "S", 3, 0);
    Catalogue::DeleteFolder("S", 1);
    EXPECT_EQ(ReadAll(home.file("S.ini")), "[Main]\nNumCats=2\n[Cat1]\nName=two\nIcon=2\n[Cat2]\nName=three\nIcon=3\n");
    Catalogue::DeleteFolder("S", 2);
    EXPECT_EQ(ReadAll(home.file("S.ini")), "[Main]\nNumCats=1\n[Cat1]\nName=two\nIcon=2\n");
    Catalogue::DeleteFolder("S", 0);
    EXPECT_EQ(Catalogue::FolderNames("S"), QStringList{"two"});
}

TEST(CatalogueFolders, AFolderOfASectionWithoutLocationCannotBeCreated)
{
    TempHome home;
    WriteAll(home.file("headers.ini"), "[Main]\nNumHeads=1\n[Header1]\nName=Bare\n");
    EXPECT_EQ(refusal([] { Catalogue::AddFolder("F", "Bare", 0, 0); }), "Unable to create directory");
    EXPECT_EQ(Catalogue::FolderCount("Bare"), 0);
}

// --- Refused names --------------------------------------------------------------------

TEST(CatalogueNames, ForbiddenCharactersAndEmptyNames)
{
    TempHome home;
    const QString sectionChars = "Section names cannot contain any of the following characters: \\/:*?\"<>|";
    const QString folderChars = "Folder names cannot contain any of the following characters: \\/:*?\"<>|";
    for (const QString c : {"\\", "/", ":", "*", "?", "\"", "<", ">", "|"}) {
        EXPECT_EQ(refusal([&] { Catalogue::AddSection("a" + c + "b", home.file("x")); }), sectionChars) << c.toStdString();
        EXPECT_EQ(refusal([&] { Catalogue::CheckNewFolderName("S", "a" + c); }), folderChars) << c.toStdString();
    }
    EXPECT_EQ(refusal([&] { Catalogue::AddSection("   ", home.file("x")); }),
              "Please specify a name for the new section.");
    EXPECT_EQ(refusal([&] { Catalogue::AddFolder("", "S", 0, 0); }), "Please specify a name for the new folder.");
    EXPECT_EQ(refusal([&] { Catalogue::AddSection("..", home.file("x")); }), "\"..\" cannot be used as a section name.");
    EXPECT_EQ(refusal([&] { Catalogue::AddSection("? ", home.file("x")); }), sectionChars); // characters first
    EXPECT_FALSE(QFileInfo::exists(home.file("x")));
    EXPECT_FALSE(QFileInfo::exists(home.file("headers.ini")));
}

// A name must come back as written: it is stored as a value and becomes a
// file name. Refused before anything is written.
TEST(CatalogueNames, NamesThatWouldNotReadBackAreRefused)
{
    TempHome home;
    const QString tooLong(252, QChar('n')); // "<name>.ini" over 255 bytes
    const QList<std::pair<QString, QString>> cases{
        {" lead", "begins or ends with a blank"},
        {"trail\t", "holds a line break or another control character"},
        {"'quoted'", "is enclosed in quotes"},
        {"two\nlines", "holds a line break or another control character"},
        {"bell\x07", "holds a line break or another control character"},
    };
    for (const auto& [name, why] : cases) {
        EXPECT_EQ(refusal([&] { Catalogue::AddSection(name, home.file("x")); }),
                  "The section name \"" + name + "\" cannot be used: it " + why + ".");
        EXPECT_EQ(refusal([&] { Catalogue::CheckNewFolderName("S", name); }),
                  "The folder name \"" + name + "\" cannot be used: it " + why + ".");
    }
    EXPECT_EQ(refusal([&] { Catalogue::AddSection(tooLong, home.file("x")); }),
              "The section name \"" + tooLong + "\" is too long: the file " + tooLong
                  + ".ini would be longer than the file system allows.");
    EXPECT_EQ(refusal([&] { Catalogue::CheckNewFolderName("Sec", tooLong.left(248)); }),
              "The folder name \"" + tooLong.left(248) + "\" is too long: the file Sec-" + tooLong.left(248)
                  + ".ini would be longer than the file system allows.");
    EXPECT_FALSE(QFileInfo::exists(home.file("x")));
    EXPECT_TRUE(iniFiles(home).isEmpty());
}

TEST(CatalogueNames, SpacesBracketsEqualsAndLettersBeyondAsciiWork)
{
    TempHome home;
    const QString section = QString::fromUtf8("Mes [fichiers] = été");
    const QString folder = QString::fromUtf8("Año [2]=x");
    ASSERT_EQ(Catalogue::AddSection(section, home.file("s")), 1);
    ASSERT_EQ(Catalogue::AddFolder(folder, section, 3, 0), 1);
    EXPECT_EQ(Catalogue::SectionNames(), QStringList{section});
    EXPECT_EQ(Catalogue::FolderNames(section), QStringList{folder});
    EXPECT_TRUE(QFileInfo(home.file("s/") + folder).isDir());
}

// A garbled count is bounded by the entries in the file.
TEST(CatalogueSections, AHugeCountWalksOnlyTheEntriesPresent)
{
    TempHome home;
    WriteAll(home.file("headers.ini"), "[Main]\nNumHeads=2000000\n[Header1]\nName=A\n[Header3]\nName=C\n");
    WriteAll(home.file("A.ini"), "[Main]\nNumCats=2000000\n[Cat1]\nName=F\n");
    EXPECT_EQ(Catalogue::SectionNames(), (QStringList{"A", "", "C"}));
    EXPECT_EQ(Catalogue::FolderNames("A"), QStringList{"F"});
    Catalogue::DeleteSection(1);
    EXPECT_EQ(ReadAll(home.file("headers.ini")), "[Main]\nNumHeads=2\n[Header1]\nName=\nLocation=\n[Header2]\nName=C\nLocation=\n");
}

TEST(CatalogueNames, SectionNamesDifferingOnlyInCaseAreRefused)
{
    TempHome home;
    Catalogue::AddSection("Games", home.file("Games"));
    EXPECT_EQ(refusal([&] { Catalogue::AddSection("Games", home.file("G2")); }),
              "That section already exists, please choose another name.");
    EXPECT_EQ(refusal([&] { Catalogue::AddSection("GAMES", home.file("G3")); }),
              "The section \"Games\" already exists; section names may not differ only in case.");
    EXPECT_EQ(Catalogue::SectionCount(), 1);
}

TEST(CatalogueNames, FolderNamesDifferingOnlyInCaseAreRefused)
{
    TempHome home;
    Catalogue::AddSection("Games", home.file("Games"));
    Catalogue::AddFolder("Puzzles", "Games", 0, 0);
    EXPECT_EQ(refusal([&] { Catalogue::AddFolder("Puzzles", "Games", 0, 0); }),
              "That folder already exists under that section, please choose another name.");
    EXPECT_EQ(refusal([&] { Catalogue::AddFolder("puzzles", "Games", 0, 0); }),
              "The folder \"Puzzles\" already exists under that section; folder names may not differ only in case.");
    EXPECT_EQ(Catalogue::FolderCount("Games"), 1);
}

TEST(CatalogueNames, TwoFoldersNeverShareOneFolderFile)
{
    TempHome home;
    Catalogue::AddSection("A-B", home.file("AB"));
    Catalogue::AddSection("A", home.file("A"));
    Catalogue::AddFolder("C", "A-B", 0, 0);
    EXPECT_EQ(refusal([&] { Catalogue::AddFolder("B-C", "A", 0, 1); }),
              "The folder \"B-C\" would share the file A-B-C.ini with another section or folder.");
    EXPECT_EQ(refusal([&] { Catalogue::AddFolder("b-c", "A", 0, 1); }),
              "The folder \"b-c\" would share the file A-b-c.ini with another section or folder.");
    EXPECT_FALSE(QFileInfo::exists(home.file("A/B-C")));
    // A folder file may not take a section file's name either, nor the other
    // way round, nor the settings or section list.
    EXPECT_NE(refusal([&] { Catalogue::AddFolder("B", "A", 0, 1); }), "");
    Catalogue::AddFolder("X", "A", 0, 1);
    EXPECT_EQ(refusal([&] { Catalogue::AddSection("a-x", home.file("ax")); }),
              "The name \"a-x\" would share the file a-x.ini with another section or folder.");
    EXPECT_NE(refusal([&] { Catalogue::AddSection("Headers", home.file("h")); }), "");
    EXPECT_NE(refusal([&] { Catalogue::AddSection("dlmain", home.file("d")); }), "");
    EXPECT_EQ(Catalogue::FolderNames("A"), QStringList{"X"});
}

TEST(CatalogueNames, TwoSectionsNeverShareOneDirectory)
{
    TempHome home;
    Catalogue::AddSection("One", home.file("shared"));
    Catalogue::AddFolder("Inner", "One", 0, 0);
    EXPECT_EQ(refusal([&] { Catalogue::AddSection("Two", home.file("shared/")); }),
              "The location " + home.file("shared/") + " is already used by another section or folder.");
    EXPECT_NE(refusal([&] { Catalogue::AddSection("Three", home.file("shared/Inner")); }), "");
    Catalogue::AddSection("Four", home.file("shared/Inner2"));
    EXPECT_NE(refusal([&] { Catalogue::AddFolder("Inner2", "One", 0, 0); }), "");
}

TEST(CatalogueNames, RenamesFollowTheSameRules)
{
    TempHome home;
    Catalogue::AddSection("A", home.file("A"));
    Catalogue::AddSection("Z", home.file("Z"));
    Catalogue::AddFolder("B-C", "A", 0, 0);
    Catalogue::AddFolder("Q", "Z", 0, 1);
    EXPECT_NE(refusal([] { Catalogue::RenameSection(2, "a"); }), "");
    EXPECT_EQ(refusal([] { Catalogue::RenameSection(2, "A-B-C"); }),
              "The name \"A-B-C\" would share the file A-B-C.ini with another section or folder.");
    EXPECT_NE(refusal([] { Catalogue::RenameSection(1, "Z-Q"); }), "");
    EXPECT_NE(refusal([] { Catalogue::RenameFolder("Z", 1, "x|y"); }), "");
    EXPECT_EQ(Catalogue::SectionNames(), (QStringList{"A", "Z"}));
}

// --- Renames ---------------------------------------------------------------------------

TEST(CatalogueRenames, ASectionRenameMovesItsFilesAndDirectory)
{
    TempHome home;
    Catalogue::AddSection("Games", home.file("Games"));
    Catalogue::AddFolder("Puzzles", "Games", 4, 0);
    RecordFile("Games", "Puzzles").writeString("p.zip", "Desc", "A puzzle");
    Catalogue::RenameSection(1, "Play");
    EXPECT_EQ(Catalogue::SectionName(1), "Play");
    EXPECT_EQ(Catalogue::SectionLocation(1), home.file("Play/"));
    EXPECT_TRUE(QFileInfo(home.file("Play/Puzzles")).isDir());
    EXPECT_FALSE(QFileInfo::exists(home.file("Games")));
    EXPECT_EQ(iniFiles(home), (QStringList{"Play-Puzzles.ini", "Play.ini", "headers.ini"}));
    EXPECT_EQ(RecordFile("Play", "Puzzles").readString("p.zip", "Desc", ""), "A puzzle");
}

TEST(CatalogueRenames, AFolderRenameMovesItsFileAndDirectory)
{
    TempHome home;
    Catalogue::AddSection("Games", home.file("Games"));
    Catalogue::AddFolder("Puzzles", "Games", 4, 0);
    RecordFile("Games", "Puzzles").writeString("p.zip", "Desc", "A puzzle");
    Catalogue::RenameFolder("Games", 1, "Riddles");
    EXPECT_EQ(Catalogue::FolderNames("Games"), QStringList{"Riddles"});
    EXPECT_EQ(Catalogue::FolderIcon("Games", 1), 4);
    EXPECT_TRUE(QFileInfo(home.file("Games/Riddles")).isDir());
    EXPECT_FALSE(QFileInfo::exists(home.file("Games/Puzzles")));
    EXPECT_EQ(RecordFile("Games", "Riddles").readString("p.zip", "Desc", ""), "A puzzle");
    EXPECT_FALSE(QFileInfo::exists(home.file("Games-Puzzles.ini")));
}

TEST(CatalogueRenames, RefusedRenamesChangeNothing)
{
    TempHome home;
    Catalogue::AddSection("Games", home.file("Games"));
    Catalogue::AddFolder("Puzzles", "Games", 4, 0);
    Catalogue::AddFolder("Cards", "Games", 5, 0);
    QDir().mkpath(home.file("Taken"));
    QDir().mkpath(home.file("Games/Loose"));
    EXPECT_EQ(refusal([] { Catalogue::RenameSection(1, "Taken"); }),
              "That section already exists, please choose another name.");
    EXPECT_EQ(refusal([] { Catalogue::RenameFolder("Games", 1, "  "); }), "Please specify a name for this folder.");
    EXPECT_EQ(refusal([] { Catalogue::RenameFolder("Games", 1, "cards"); }),
              "That folder already exists, please choose another name.");
    EXPECT_EQ(refusal([] { Catalogue::RenameFolder("Games", 1, "Loose"); }),
              "That folder already exists, please choose another name.");
    EXPECT_NE(refusal([] { Catalogue::RenameFolder("Games", 3, "Other"); }), "");
    EXPECT_EQ(Catalogue::SectionNames(), QStringList{"Games"});
    EXPECT_EQ(Catalogue::FolderNames("Games"), (QStringList{"Puzzles", "Cards"}));
    EXPECT_TRUE(QFileInfo(home.file("Games/Puzzles")).isDir());
    // A change of case only is a rename like any other.
    Catalogue::RenameFolder("Games", 1, "puzzles");
    EXPECT_TRUE(QFileInfo(home.file("Games/puzzles")).isDir());
    EXPECT_EQ(Catalogue::FolderName("Games", 1), "puzzles");
}

// --- Deleting files -------------------------------------------------------------------------

TEST(CatalogueDelete, DeletingASectionsFolderFilesSparesOtherSections)
{
    TempHome home;
    Catalogue::AddSection("A", home.file("A"));
    Catalogue::AddSection("A-B", home.file("AB"));
    Catalogue::AddFolder("B-C", "A", 0, 0);
    Catalogue::AddFolder("X", "A-B", 0, 1);
    RecordFile("A", "B-C").writeString("f", "Desc", "1");
    RecordFile("A-B", "X").writeString("g", "Desc", "2");
    WriteAll(home.file("A-Old.ini"), "[h]\nDesc=stray\n");
    Catalogue::DeleteFolderFiles("A");
    EXPECT_EQ(iniFiles(home), (QStringList{"A-B-X.ini", "A-B.ini", "A.ini", "headers.ini"}));
    Catalogue::DeleteSectionFile("A");
    EXPECT_EQ(iniFiles(home), (QStringList{"A-B-X.ini", "A-B.ini", "headers.ini"}));
    Catalogue::DeleteFolderFile("A-B", "x"); // found whatever its case
    EXPECT_EQ(iniFiles(home), (QStringList{"A-B.ini", "headers.ini"}));
}

// --- The default catalogue -------------------------------------------------------------------

TEST(CatalogueDefault, BuiltUnderTheProgramFolder)
{
    TempHome home;
    Catalogue::BuildDefaultCatalogue();
    const QString pf = home.path();
    EXPECT_EQ(ReadAll(home.file("headers.ini")),
              ("[Main]\nNumHeads=3\n[Header1]\nName=Programs\nLocation=" + pf + "Programs/\n[Header2]\nName=Research\n"
               "Location=" + pf + "Research/\n[Header3]\nName=Internet\nLocation=" + pf + "Internet/\n").toUtf8());
    EXPECT_EQ(ReadAll(home.file("Programs.ini")),
              "[Main]\nNumCats=4\n[Cat1]\nName=Productivity\nIcon=39\n[Cat2]\nName=Games\nIcon=46\n"
              "[Cat3]\nName=Utilities\nIcon=1\n[Cat4]\nName=Applications\nIcon=21\n");
    EXPECT_EQ(ReadAll(home.file("Research.ini")),
              "[Main]\nNumCats=3\n[Cat1]\nName=School\nIcon=15\n[Cat2]\nName=Office\nIcon=30\n"
              "[Cat3]\nName=Home\nIcon=32\n");
    EXPECT_EQ(ReadAll(home.file("Internet.ini")),
              "[Main]\nNumCats=3\n[Cat1]\nName=FTP Files\nIcon=3\n[Cat2]\nName=E-Mail Files\nIcon=44\n"
              "[Cat3]\nName=Web Files\nIcon=43\n");
    for (const char* dir : {"Programs/Productivity", "Programs/Games", "Programs/Utilities", "Programs/Applications",
                            "Research/School", "Research/Office", "Research/Home", "Internet/FTP Files",
                            "Internet/E-Mail Files", "Internet/Web Files"})
        EXPECT_TRUE(QFileInfo(pf + dir).isDir()) << dir;
    EXPECT_EQ(iniFiles(home), (QStringList{"Internet.ini", "Programs.ini", "Research.ini", "headers.ini"}));
    EXPECT_TRUE(Settings::FirstRun()); // the caller writes FirstRun=0
}

TEST(CatalogueDefault, BuiltUnderDefaultRootOfMainAndNotDuplicated)
{
    TempHome home;
    Settings::writeString("Main", "DefaultRoot", home.file("root"));
    Catalogue::BuildDefaultCatalogue();
    EXPECT_EQ(Catalogue::SectionLocation(2), home.file("root/Research/"));
    EXPECT_TRUE(QFileInfo(home.file("root/Internet/Web Files")).isDir());
    Catalogue::BuildDefaultCatalogue();
    EXPECT_EQ(Catalogue::FolderCount("Programs"), 4);
}
