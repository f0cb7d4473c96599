// Download records, notes and stored dates.
#include "CatalogueError.h"
#include "Notes.h"
#include "RecordFile.h"
#include "StoredDate.h"
#include "TempHome.h"
#include "QtPrint.h"

#include <QLocale>
#include <QStringList>
#include <gtest/gtest.h>

#include <utility>

using namespace flk;
using flk::test::ReadAll;
using flk::test::TempHome;
using flk::test::WriteAll;

namespace {
const QChar FF(0xFF);

class LocaleScope {
public:
    explicit LocaleScope(const QLocale& l) : m_old(QLocale()) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};
} // namespace

TEST(Records, ADownloadRecordKeepsItsKeyOrder)
{
    TempHome home;
    RecordFile r("Programs", "Games");
    r.writeString("game.zip", RecordKey::Desc, "A game");
    r.writeString("game.zip", RecordKey::Source, "http://example.test/game.zip");
    r.writeInteger("game.zip", RecordKey::OpenWhen, 0);
    r.writeBool("game.zip", RecordKey::Prompt, true);
    r.writeString("game.zip", RecordKey::PromptDays, "10");
    r.writeBool("game.zip", RecordKey::Delete, false);
    r.writeString("game.zip", RecordKey::DeleteDays, "30");
    r.writeString("game.zip", RecordKey::DateDownloaded, "1/2/2026");
    r.writeBool("game.zip", RecordKey::ScanWhenDone, false);
    EXPECT_EQ(ReadAll(home.file("Programs-Games.ini")),
              "[game.zip]\nDesc=A game\nSource=http://example.test/game.zip\nOpenWhen=0\nPrompt=1\nPromptDays=10\n"
              "Delete=0\nDeleteDays=30\nDateDownloaded=1/2/2026\nScanWhenDone=0\n");
}

TEST(Records, ListReadEraseAndDeleteKey)
{
    TempHome home;
    WriteAll(home.file("programs-GAMES.ini"), "[a.zip]\nDesc=A\nDelete=1\n[b.zip]\nDesc=B\n[c.zip]\n");
    RecordFile r("Programs", "Games");
    EXPECT_EQ(r.recordNames(), (QStringList{"a.zip", "b.zip", "c.zip"}));
    EXPECT_TRUE(r.hasRecord("A.ZIP"));
    EXPECT_TRUE(r.readBool("a.zip", RecordKey::Delete, false));
    EXPECT_EQ(r.readInteger("a.zip", RecordKey::DeleteDays, 30), 30);
    EXPECT_EQ(r.readString("c.zip", RecordKey::Desc, kClickHereToEdit), "Click here to edit");
    EXPECT_EQ(r.readString("c.zip", RecordKey::LastOpened, kNever), "Never");
    r.deleteKey("a.zip", RecordKey::Delete);
    r.eraseRecord("b.zip");
    EXPECT_EQ(ReadAll(home.file("programs-GAMES.ini")), "[a.zip]\nDesc=A\n[c.zip]\n");
    EXPECT_EQ(r.recordNames(), (QStringList{"a.zip", "c.zip"}));
}

TEST(Records, AMissingFolderFileHasNoRecords)
{
    TempHome home;
    RecordFile r("No", "Where");
    EXPECT_TRUE(r.recordNames().isEmpty());
    EXPECT_FALSE(r.hasRecord("x"));
    EXPECT_EQ(r.readString("x", "Desc", "d"), "d");
}

TEST(Records, EveryRecordNameIsListedInFileOrder)
{
    TempHome home;
    QByteArray content;
    QStringList names;
    for (int i = 0; i < 2000; ++i) {
        const QByteArray name = "file" + QByteArray::number(1000 + i) + ".zip"; // 26,000 bytes of names
        content += "[" + name + "]\nDesc=x\n";
        names << QString::fromLatin1(name);
    }
    WriteAll(home.file("S-F.ini"), content);
    EXPECT_EQ(RecordFile("S", "F").recordNames(), names);
}

// --- Notes ----------------------------------------------------------------------------

TEST(NotesEncoding, ThreeLinesWithAnEmptyOneRoundTrip)
{
    TempHome home;
    EXPECT_EQ(Notes::Encode({"a", "", "b"}), QString("a") + FF + FF + "b");
    EXPECT_EQ(Notes::EncodeText("a\r\n\r\nb"), QString("a") + FF + FF + "b");
    EXPECT_EQ(Notes::Decode(QString("a") + FF + FF + "b"), (QStringList{"a", "", "b"}));
    RecordFile r("S", "F");
    r.writeNotes("f", {"a", "", "b"});
    EXPECT_EQ(ReadAll(home.file("S-F.ini")), QByteArray("[f]\nNotes=a\xFF\xFF" "b\n"));
    EXPECT_EQ(r.readNotes("f"), (QStringList{"a", "", "b"}));
}

TEST(NotesEncoding, ATrailingLineBreakIsDropped)
{
    EXPECT_EQ(Notes::EncodeText("one\r\ntwo\r\n"), QString("one") + FF + "two" + FF);
    EXPECT_EQ(Notes::Decode(QString("one") + FF + "two" + FF), (QStringList{"one", "two"}));
    EXPECT_EQ(Notes::Decode(QString("one") + FF + FF), (QStringList{"one", ""}));
    EXPECT_EQ(Notes::Decode("single"), QStringList{"single"});
    EXPECT_TRUE(Notes::Decode("").isEmpty());
    EXPECT_EQ(Notes::EncodeText("unix\nbreaks"), QString("unix") + FF + "breaks");
}

TEST(NotesEncoding, AbsentNotesReadAsClickHereToEdit)
{
    TempHome home;
    RecordFile r("S", "F");
    EXPECT_EQ(r.readNotes("nothing"), QStringList{"Click here to edit"});
    r.writeString("f", "Desc", "d");
    EXPECT_EQ(r.readNotes("f"), QStringList{"Click here to edit"});
}

// --- Dates ------------------------------------------------------------------------------

TEST(Dates, NewDatesAreWrittenInOneFormThatEveryLanguageReadsBack)
{
    // Written in an English session, read in every other one (a German
    // session refused "29 Nov 2026" and the start-up walk stopped).
    QString written;
    {
        LocaleScope english(QLocale::c());
        written = StoredDate::ToText(QDate(2026, 11, 29));
    }
    EXPECT_EQ(written, "29 Nov 2026");
    const QString early = [] {
        LocaleScope arabic(QLocale(QLocale::Arabic, QLocale::Egypt)); // other digits, other month names
        return StoredDate::ToText(QDate(1901, 2, 3));
    }();
    EXPECT_EQ(early, "3 Feb 1901");
    QStringList misread;
    for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                          QLocale::AnyTerritory)) {
        LocaleScope session(locale);
        if (StoredDate::ToText(QDate(2026, 5, 9)) != "9 May 2026")
            misread << locale.name() + " writes " + StoredDate::ToText(QDate(2026, 5, 9));
        for (const auto& [text, date] : {std::pair{written, QDate(2026, 11, 29)}, {early, QDate(1901, 2, 3)}}) {
            try {
                if (StoredDate::Parse(text) != date)
                    misread << locale.name() + " reads " + text + " as " + StoredDate::Parse(text).toString();
            } catch (const EConvertError& e) {
                misread << locale.name() + ": " + e.Message();
            }
        }
    }
    EXPECT_TRUE(misread.isEmpty()) << misread.join("\n").toStdString();
}

TEST(Dates, OlderFilesInTheSessionsOwnFormAndIsoDatesStillParse)
{
    LocaleScope us(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(StoredDate::SessionFormat(), "M/d/yyyy"); // a two-digit year is widened
    EXPECT_EQ(StoredDate::Parse("3/7/2026"), QDate(2026, 3, 7));
    EXPECT_EQ(StoredDate::Parse(" 2026-03-07 "), QDate(2026, 3, 7));
    EXPECT_EQ(StoredDate::Parse(StoredDate::Today()), QDate::currentDate());
    LocaleScope de(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(StoredDate::SessionFormat(), "dd.MM.yyyy");
    EXPECT_EQ(StoredDate::Parse("31.12.1999"), QDate(1999, 12, 31));
    EXPECT_EQ(StoredDate::Parse("1999-12-31"), QDate(1999, 12, 31));
    EXPECT_EQ(StoredDate::Parse(StoredDate::Today()), QDate::currentDate());
}

TEST(Dates, TextThatIsNoDateRaisesAConversionError)
{
    LocaleScope de(QLocale(QLocale::German, QLocale::Germany));
    for (const QString text : {"3/7/2026", "", "Never", "32.01.2026", "29 Foo 2026", "2026-13-01", "2026/03/07",
                               "2026-03-07 10:00"}) {
        try {
            StoredDate::Parse(text);
            ADD_FAILURE() << text.toStdString();
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "'" + text + "' is not a valid date");
        }
    }
}

TEST(Dates, RecordDatesUseTheStoredText)
{
    TempHome home;
    LocaleScope us(QLocale(QLocale::English, QLocale::UnitedStates));
    RecordFile r("S", "F");
    r.writeDate("f", RecordKey::LastOpened, QDate(2026, 1, 2));
    EXPECT_EQ(ReadAll(home.file("S-F.ini")), "[f]\nLastOpened=2 Jan 2026\n");
    EXPECT_EQ(r.readDate("f", RecordKey::LastOpened, QDate()), QDate(2026, 1, 2));
    EXPECT_EQ(r.readDate("f", RecordKey::DateDownloaded, QDate(2000, 1, 1)), QDate(2000, 1, 1));
    r.writeString("f", RecordKey::LastScanned, "Never");
    EXPECT_THROW(r.readDate("f", RecordKey::LastScanned, QDate()), EConvertError);
    EXPECT_EQ(StoredDate::DaysBetween(QDate(2026, 1, 2), QDate(2026, 2, 1)), 30);
}
