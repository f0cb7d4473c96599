// The report's text: the header, the padding of every column after the one
// shown before it, ten hyphens for what a record lacks, and widths that
// count characters as a reader sees them.

#include "QtPrint.h"
#include "ReportText.h"

#include <gtest/gtest.h>

using namespace flk;

namespace {

ReportColumns Only(bool name, bool source, bool downloaded, bool opened, bool scanned, bool description)
{
    return {name, source, downloaded, opened, scanned, description};
}

QString Sp(int n)
{
    return QString(n, ' ');
}

const QString kDash = "----------";

} // namespace

TEST(ReportText, NameAndDescriptionPadToTheLongestName)
{
    const QList<ReportRow> rows{{"a.zip", {}, {}, {}, {}, {}},
                                {"setup-long-name.exe", {}, {}, {}, {}, QString("tool")}};
    EXPECT_EQ(ReportLines(Only(true, false, false, false, false, true), rows),
              QStringList({"FILENAME  " + Sp(11) + "DESCRIPTION", "", "a.zip" + Sp(16) + kDash,
                           "setup-long-name.exe" + Sp(2) + "tool"}));
}

TEST(ReportText, EveryColumnWithMissingAndLongValues)
{
    const QList<ReportRow> rows{
        {"setup-4.2.exe", QString("http://example.org/setup-4.2.exe"), QString("12/08/2026"), QString("Never"),
         QString("12/09/2026"), QString("The tools")},
        {"no-record.bin", {}, {}, {}, {}, {}},
        // A stored date longer than its twelve places runs into the next column.
        {"x", QString(""), QString("2026-12-08 long"), {}, QString("Never"), QString("")},
    };
    const int w2 = 32; // the longest source
    EXPECT_EQ(ReportLines(Only(true, true, true, true, true, true), rows),
              QStringList({"FILENAME  " + Sp(5) + "SOURCE" + Sp(w2 - 4) + "DOWNLOADED  OPENED      SCANNED     DESCRIPTION",
                           "",
                           "setup-4.2.exe  http://example.org/setup-4.2.exe  12/08/2026  Never       12/09/2026  The tools",
                           "no-record.bin  " + kDash + Sp(w2 + 2 - 10) + kDash + "  " + kDash + "  " + kDash + "  " + kDash,
                           "x" + Sp(14) + Sp(w2 + 2) + "2026-12-08 long" + kDash + "  Never" + Sp(7)}));
}

TEST(ReportText, PaddingFollowsThePreviousShownColumnAndEmptyCases)
{
    const QList<ReportRow> rows{{"f", QString("s"), QString("1/2/2026"), QString("3/4/2026"), {}, QString("d")}};
    // Source first and short: the header keeps at least its own width, the
    // line pads to the longest source only.
    EXPECT_EQ(ReportLines(Only(false, true, false, true, false, true), rows),
              QStringList({"SOURCEOPENED      DESCRIPTION", "", "s  3/4/2026    d"}));
    // A date first.
    EXPECT_EQ(ReportLines(Only(false, false, true, false, true, false), rows),
              QStringList({"DOWNLOADED  SCANNED     ", "", "1/2/2026    " + kDash}));
    // No box ticked: empty lines; no files: the header and the empty line.
    EXPECT_EQ(ReportLines(Only(false, false, false, false, false, false), rows + rows), QStringList({"", "", "", ""}));
    EXPECT_EQ(ReportLines(ReportColumns{}, {}),
              QStringList({"FILENAME  SOURCEDOWNLOADED  DESCRIPTION", ""}));
}

TEST(ReportText, NonAsciiTextCountsAsCharactersRead)
{
    const QList<ReportRow> rows{{QString::fromUtf8("résumé-日本.pdf"), QString::fromUtf8("ftp://ü.example/é"), {}, {}, {}, QString::fromUtf8("Ça va")},
                                {QString::fromUtf8("e\u0301.txt"), QString("s"), {}, {}, {}, {}}};
    // 13 characters wide; the decomposed é is one.
    EXPECT_EQ(ReportLines(Only(true, true, false, false, false, true), rows),
              QStringList({QString("FILENAME  ") + Sp(5) + "SOURCE" + Sp(13) + "DESCRIPTION", "",
                           QString::fromUtf8("résumé-日本.pdf  ftp://ü.example/é  Ça va"),
                           QString::fromUtf8("e\u0301.txt") + Sp(10) + "s" + Sp(18) + kDash}));
}
