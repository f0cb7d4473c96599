// The report dialog opened from the manager window over a real folder: its
// two modes, the file name it offers, saving (with the replace question and
// a target that cannot be written) and printing to a PDF file read back with
// poppler's tools (a missing printer and a failing one too).

#include "Catalogue.h"
#include "FolderList.h"
#include "LookOut.h"
#include "Manager.h"
#include "ProgramWindows.h"
#include "QtPrint.h"
#include "RecordFile.h"
#include "RecordingShell.h"
#include "ReportPrinter.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "TempHome.h"
#include "print.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMap>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace flk;
using namespace flk::test;

namespace {

// A poppler tool's output for a file.
QString Poppler(const QString& tool, const QStringList& arguments)
{
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(30'000) || p.exitCode() != 0)
        ADD_FAILURE() << tool.toStdString() << " failed (poppler-utils installed?)";
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString PdfText(const QString& pdf)
{
    return Poppler("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
}

std::function<bool(QPrinter&)> ToPdf(const QString& file)
{
    return [file](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    };
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // No test ever reaches a real printer: the print system is out of reach.
        qputenv("CUPS_SERVER", (home.path() + "no-cups.sock").toUtf8());
        Settings::SetSpeed(28800);
        Catalogue::BuildDefaultCatalogue();
        folder = home.path() + "Programs/Utilities/";
        for (const QString& name : QStringList{"setup-long-name.exe", "a.zip", QString::fromUtf8("Ünïcode.txt")})
            WriteAll(folder + name, "x");
        RecordFile records("Programs", "Utilities");
        records.writeString("setup-long-name.exe", "Desc", "tool");
        records.writeString("setup-long-name.exe", "Source", "http://example.org/setup.exe");
        records.writeString("setup-long-name.exe", "DateDownloaded", "12/08/2026");
        records.writeString("setup-long-name.exe", "LastScanned", "12/09/2026");
        records.writeString(QString::fromUtf8("Ünïcode.txt"), "Desc", QString::fromUtf8("Grüße"));
        records.writeString(QString::fromUtf8("Ünïcode.txt"), "Source", "\"ftp://h/u\"");
        records.writeString("gone.zip", "Desc", "a record whose file is gone");

        Settings::SetFirstRun(false);
        manager = std::make_unique<TfrmManager>();
        windows.Add(manager.get());
        manager->show();
        manager->Nav->Page(0)->Button(2)->Press(); // Utilities
        report = std::make_unique<TfrmPrint>();
        windows.Add(report.get());
    }

    // Opens the dialog from the manager's menu; `drive` runs while it is shown.
    void Open(QAction* item, const std::function<void(TfrmPrint*)>& drive)
    {
        dialogs.onModal = [drive](QDialog* d) {
            auto* p = qobject_cast<TfrmPrint*>(d);
            ASSERT_TRUE(p);
            p->setResult(QDialog::Rejected);
            drive(p);
        };
        emit manager->mnuFile->aboutToShow(); // the File menu opens
        item->trigger();
        dialogs.onModal = nullptr;
    }

    // The report of the folder in the list's order, from per-file lines.
    QString Expected(const QString& header, const QMap<QString, QString>& lines) const
    {
        QString text = header + "\n\n";
        for (const QString& name : manager->FEDownloads->FileNames())
            text += lines.value(name) + "\n";
        return text;
    }

    TempHome home;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    ProgramWindows windows;
    QString folder;
    std::unique_ptr<TfrmManager> manager;
    std::unique_ptr<TfrmPrint> report;
};

const QString kDash = "----------";

TEST_F(ReportTest, BothModesShowTheirControlsAndOfferAFileNamedAfterTheFolder)
{
    EXPECT_EQ(report->ReportFileName(), home.path() + "Utilities.txt");
    EXPECT_EQ(report->edtPrintFile->text(), home.path() + "Utilities.txt");
    QStringList ticked;
    for (QCheckBox* b : report->findChildren<QCheckBox*>())
        ticked << b->text() + (b->isChecked() ? "+" : "-");
    EXPECT_EQ(ticked, QStringList({"File Name+", "Source+", "Date Downloaded+", "Date Opened-", "Virus Checked-",
                                   "Description+"}));

    Open(manager->mnuPrintReport, [](TfrmPrint* p) {
        EXPECT_EQ(p->windowTitle(), "Print a Report");
        EXPECT_EQ(p->lblHeading->text(), "Select the fields that you would like to print.");
        EXPECT_FALSE(p->lblWarning->isHidden());
        EXPECT_EQ(p->lblWarning->text(), TfrmPrint::kWarning);
        EXPECT_TRUE(p->edtPrintFile->isHidden() && p->lblFilename->isHidden() && p->cmdBrowse->isHidden());
        p->cbDateOpened->setChecked(true);
        QTest::keyClick(p, Qt::Key_F1);
    });
    EXPECT_EQ(dialogs.modals(), QStringList({"flk::TfrmPrint"}));
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened[0].endsWith("flk.html"));

    WriteAll(home.path() + "Programs/Games/chess.zip", "x");
    manager->Nav->Page(0)->Button(1)->Press(); // Games
    dialogs.answerFile("/elsewhere/reports/mine");
    Open(manager->mnuSaveReport, [this](TfrmPrint* p) {
        EXPECT_EQ(p->windowTitle(), "Save a Report");
        EXPECT_EQ(p->lblHeading->text(), "Select the fields that you would like to save in the report.");
        EXPECT_TRUE(p->lblWarning->isHidden());
        EXPECT_FALSE(p->edtPrintFile->isHidden());
        EXPECT_TRUE(p->cbDateOpened->isChecked()); // ticks stay between showings
        EXPECT_EQ(p->edtPrintFile->text(), home.path() + "Games.txt");
        EXPECT_EQ(p->edtPrintFile->accessibleName(), "Report Filename");
        EXPECT_EQ(p->lblFilename->buddy(), p->edtPrintFile);
        EXPECT_TRUE(p->cmdOK->isDefault());
        p->cmdBrowse->click();
        EXPECT_EQ(p->edtPrintFile->text(), "/elsewhere/reports/mine.txt");
    });
    // The next save keeps the chosen folder and takes the current folder's name.
    manager->Nav->Page(0)->Button(2)->Press();
    Open(manager->mnuSaveReport,
         [](TfrmPrint* p) { EXPECT_EQ(p->edtPrintFile->text(), "/elsewhere/reports/Utilities.txt"); });
    EXPECT_EQ(dialogs.modals().size(), 3);
}

TEST_F(ReportTest, SavingWritesTheReportAndAsksBeforeReplacingAFile)
{
    const QString target = home.path() + "Utilities.txt";
    Open(manager->mnuSaveReport, [](TfrmPrint* p) {
        p->cbVirusChecked->setChecked(true);
        p->cmdOK->click();
        EXPECT_EQ(p->result(), QDialog::Accepted);
    });
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    // Names: 19 wide; sources: 28 wide ("ftp://h/u" loses its quotes).
    const QString header = "FILENAME" + QString(13, ' ') + "SOURCE" + QString(24, ' ')
                           + "DOWNLOADED  SCANNED     DESCRIPTION";
    const QString full = Expected(
        header, {{"setup-long-name.exe", "setup-long-name.exe  http://example.org/setup.exe  12/08/2026  12/09/2026  tool"},
                 {"a.zip", "a.zip" + QString(16, ' ') + kDash + QString(20, ' ') + kDash + "  " + kDash + "  " + kDash},
                 {QString::fromUtf8("Ünïcode.txt"),
                  QString::fromUtf8("Ünïcode.txt") + QString(10, ' ') + "ftp://h/u" + QString(21, ' ') + kDash + "  "
                      + kDash + "  " + QString::fromUtf8("Grüße")}});
    EXPECT_EQ(QString::fromUtf8(ReadAll(target)), full);

    // No: the file stays and the dialog stays open.
    dialogs.answer(IDNO);
    Open(manager->mnuSaveReport, [](TfrmPrint* p) {
        p->cbSource->setChecked(false);
        p->cmdOK->click();
        EXPECT_EQ(p->result(), QDialog::Rejected);
    });
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text,
              "The specified file \"" + target + "\" already exists.  Replace the existing file?");
    EXPECT_EQ(dialogs.boxes()[0].buttons, MB_YESNO);
    EXPECT_EQ(dialogs.boxes()[0].icon, MB_ICONWARNING);
    EXPECT_EQ(QString::fromUtf8(ReadAll(target)), full);

    // Yes: written anew, shorter than before.
    dialogs.answer(IDYES);
    Open(manager->mnuSaveReport, [](TfrmPrint* p) {
        for (QCheckBox* b : {p->cbFileName, p->cbDateDownloaded, p->cbVirusChecked})
            b->setChecked(false);
        p->cmdOK->click();
        EXPECT_EQ(p->result(), QDialog::Accepted);
    });
    EXPECT_EQ(QString::fromUtf8(ReadAll(target)),
              Expected("DESCRIPTION", {{"setup-long-name.exe", "tool"},
                                       {"a.zip", kDash},
                                       {QString::fromUtf8("Ünïcode.txt"), QString::fromUtf8("Grüße")}}));
}

TEST_F(ReportTest, ATargetThatCannotBeWrittenShowsTheErrorAndStaysOpen)
{
    const QString target = home.path() + "no-such-folder/r.txt";
    Open(manager->mnuSaveReport, [&](TfrmPrint* p) {
        p->edtPrintFile->setText(target);
        p->cmdOK->click();
        EXPECT_EQ(p->result(), QDialog::Rejected);
    });
    EXPECT_EQ(dialogs.texts(),
              QStringList({"Cannot write the report file \"" + target + "\": No such file or directory."}));
    EXPECT_EQ(dialogs.boxes()[0].icon, MB_ICONERROR);
}

TEST_F(ReportTest, PrintingToAPdfReadsBackAsTheReportInAMonospaceFont)
{
    // Cancelling the print dialog prints nothing and keeps the dialog open.
    Open(manager->mnuPrintReport, [](TfrmPrint* p) {
        p->cmdOK->click();
        EXPECT_EQ(p->result(), QDialog::Rejected);
    });
    EXPECT_EQ(dialogs.printDialogs(), 1);

    const QString pdf = home.path() + "report.pdf";
    dialogs.answerPrint(ToPdf(pdf));
    Open(manager->mnuPrintReport, [](TfrmPrint* p) {
        p->cmdOK->click();
        EXPECT_EQ(p->result(), QDialog::Accepted);
    });
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    // The report's lines, their columns one under the other (pdftotext
    // keeps the layout, though not the exact number of spaces).
    const QString text = PdfText(pdf);
    QStringList printed = text.split(QRegularExpression("\\s*\\n\\s*"), Qt::SkipEmptyParts); // and the page end
    QStringList words;
    for (const QString& line : printed)
        words << line.simplified();
    EXPECT_EQ(words, QStringList({"FILENAME SOURCE DOWNLOADED DESCRIPTION", "a.zip ---------- ---------- ----------",
                                  "setup-long-name.exe http://example.org/setup.exe 12/08/2026 tool",
                                  QString::fromUtf8("Ünïcode.txt ftp://h/u ---------- Grüße")}))
        << text.toStdString();
    ASSERT_EQ(printed.size(), 4);
    for (const QString& line : printed.mid(1)) {
        const QStringList header = printed[0].split(' ', Qt::SkipEmptyParts);
        const QStringList cells = line.split(' ', Qt::SkipEmptyParts);
        for (int c = 1; c < 4; ++c)
            EXPECT_EQ(line.indexOf(cells[c], printed[0].indexOf(header[c]) - 1), printed[0].indexOf(header[c]))
                << line.toStdString();
    }
    const QString fonts = Poppler("pdffonts", {pdf});
    EXPECT_TRUE(fonts.contains("Mono") || fonts.contains("Courier")) << fonts.toStdString();
}

TEST_F(ReportTest, AMissingOrFailingPrinterShowsAClearErrorAndStaysOpen)
{
    dialogs.answerPrint([](QPrinter&) { return true; }); // the print system is out of reach: no printer
    dialogs.answerPrint(ToPdf(home.path() + "no-such-folder/r.pdf"));
    for (int i = 0; i < 2; ++i)
        Open(manager->mnuPrintReport, [](TfrmPrint* p) {
            p->cmdOK->click();
            EXPECT_EQ(p->result(), QDialog::Rejected);
        });
    EXPECT_EQ(dialogs.texts(),
              QStringList({"Cannot print the report: no printer is available.",
                           "Cannot print the report: the file \"" + home.path()
                               + "no-such-folder/r.pdf\" could not be opened."}));
}

TEST(ReportPrinter, LongLinesContinueOnTheNextLineAndFullPagesBreak)
{
    TempHome home;
    const QString pdf = home.path() + "long.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QString longLine;
    for (int i = 0; i < 40; ++i)
        longLine += QStringLiteral("w%1-").arg(i, 3, 10, QChar('0'));
    QStringList lines{longLine};
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral("line %1").arg(i);
    PrintReportLines(printer, lines);

    QStringList text = PdfText(pdf).split('\n');
    for (QString& line : text)
        line = line.trimmed();
    // The first line is cut where the page ends, and its rest follows.
    EXPECT_TRUE(text.value(0).startsWith("w000-w001-"));
    EXPECT_FALSE(text.value(0).contains("w039-"));
    EXPECT_TRUE(text.value(1).endsWith("w039-"));
    EXPECT_EQ(text.join("").remove(' ').left(longLine.size()), longLine);
    // 201 lines of 8 points fill more than one page, and nothing is lost.
    EXPECT_TRUE(Poppler("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+[2-9]")));
    EXPECT_TRUE(text.contains("line 199"));
}

} // namespace
