// The report dialog opened from the manager window over a real folder: its
// two modes, the file name it offers, saving (the replace question, a target
// that cannot be written) and printing to a PDF file read back with poppler's
// tools (a missing printer and a failing one too).

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
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

using namespace flk;
using namespace flk::test;

namespace {

const QString kDash = "----------";
const QString kUni = QString::fromUtf8("Ünïcode.txt");

// A poppler tool's output for a file.
QString Poppler(const QString& tool, const QStringList& arguments)
{
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(30'000) || p.exitCode() != 0)
        ADD_FAILURE() << tool.toStdString() << " failed (poppler-utils installed?)";
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The printed lines, without empty ones and the page ends.
QStringList PdfLines(const QString& pdf)
{
    return Poppler("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"})
        .split(QRegularExpression("\\s*\\n\\s*"), Qt::SkipEmptyParts);
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
        for (const QString& name : QStringList{"setup-long-name.exe", "a.zip", kUni})
            WriteAll(home.path() + "Programs/Utilities/" + name, "x");
        RecordFile records("Programs", "Utilities");
        records.writeString("setup-long-name.exe", "Desc", "tool");
        records.writeString("setup-long-name.exe", "Source", "http://example.org/setup.exe");
        records.writeString("setup-long-name.exe", "DateDownloaded", "12/08/2026");
        records.writeString("setup-long-name.exe", "LastScanned", "12/09/2026");
        records.writeString(kUni, "Desc", QString::fromUtf8("Grüße"));
        records.writeString(kUni, "Source", "\"ftp://h/u\"");
        records.writeString("gone.zip", "Desc", "a record whose file is gone");

        Settings::SetFirstRun(false);
        manager = std::make_unique<TfrmManager>();
        windows.Add(manager.get());
        manager->show();
        manager->Nav->Page(0)->Button(2)->Press(); // Utilities
        report = std::make_unique<TfrmPrint>();
        windows.Add(report.get());
    }

    // Opens the dialog from the File menu, runs `drive` while it is shown,
    // then (unless `ok` is false) presses OK; true when the dialog closed.
    bool Run(QAction* item, const std::function<void(TfrmPrint*)>& drive = {}, bool ok = true)
    {
        bool accepted = false;
        dialogs.onModal = [&](QDialog* d) {
            auto* p = static_cast<TfrmPrint*>(d);
            p->setResult(QDialog::Rejected);
            if (drive)
                drive(p);
            if (ok)
                p->cmdOK->click();
            accepted = p->result() == QDialog::Accepted;
        };
        emit manager->mnuFile->aboutToShow();
        item->trigger();
        dialogs.onModal = nullptr;
        return accepted;
    }

    // The report of the folder in the list's order.
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
    std::unique_ptr<TfrmManager> manager;
    std::unique_ptr<TfrmPrint> report;
};

TEST_F(ReportTest, BothModesShowTheirControlsAndOfferAFileNamedAfterTheFolder)
{
    EXPECT_EQ(report->edtPrintFile->text(), home.path() + "Utilities.txt");
    QStringList ticked;
    for (QCheckBox* b : report->findChildren<QCheckBox*>())
        ticked << b->text() + (b->isChecked() ? "+" : "-");
    EXPECT_EQ(ticked, QStringList({"File Name+", "Source+", "Date Downloaded+", "Date Opened-", "Virus Checked-",
                                   "Description+"}));

    Run(manager->mnuPrintReport, [](TfrmPrint* p) {
        EXPECT_EQ(p->windowTitle(), "Print a Report");
        EXPECT_EQ(p->lblHeading->text(), "Select the fields that you would like to print.");
        EXPECT_FALSE(p->lblWarning->isHidden());
        EXPECT_TRUE(p->edtPrintFile->isHidden() && p->lblFilename->isHidden() && p->cmdBrowse->isHidden());
        p->cbDateOpened->setChecked(true);
        QTest::keyClick(p, Qt::Key_F1);
    }, false);
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened[0].endsWith("flk.html"));

    WriteAll(home.path() + "Programs/Games/chess.zip", "x");
    manager->Nav->Page(0)->Button(1)->Press();
    dialogs.answerFile("/elsewhere/reports/mine");
    Run(manager->mnuSaveReport, [this](TfrmPrint* p) {
        EXPECT_EQ(p->windowTitle(), "Save a Report");
        EXPECT_EQ(p->lblHeading->text(), "Select the fields that you would like to save in the report.");
        EXPECT_TRUE(p->lblWarning->isHidden() && !p->edtPrintFile->isHidden());
        EXPECT_TRUE(p->cbDateOpened->isChecked()); // ticks stay between showings
        EXPECT_EQ(p->edtPrintFile->text(), home.path() + "Games.txt");
        EXPECT_EQ(p->lblFilename->buddy(), p->edtPrintFile);
        p->cmdBrowse->click();
        EXPECT_EQ(p->edtPrintFile->text(), "/elsewhere/reports/mine.txt");
    }, false);
    // The next save keeps the chosen folder and takes the current folder's name.
    manager->Nav->Page(0)->Button(2)->Press();
    Run(manager->mnuSaveReport,
        [](TfrmPrint* p) { EXPECT_EQ(p->edtPrintFile->text(), "/elsewhere/reports/Utilities.txt"); }, false);
    EXPECT_EQ(dialogs.modals().size(), 3);
}

TEST_F(ReportTest, SavingWritesTheReportAsksBeforeReplacingAndReportsAFailure)
{
    const QString target = home.path() + "Utilities.txt";
    EXPECT_TRUE(Run(manager->mnuSaveReport, [](TfrmPrint* p) { p->cbVirusChecked->setChecked(true); }));
    // Names 19 wide, sources 28 ("ftp://h/u" loses its quotes).
    const QString full = Expected(
        "FILENAME" + QString(13, ' ') + "SOURCE" + QString(24, ' ') + "DOWNLOADED  SCANNED     DESCRIPTION",
        {{"setup-long-name.exe", "setup-long-name.exe  http://example.org/setup.exe  12/08/2026  12/09/2026  tool"},
         {"a.zip", "a.zip" + QString(16, ' ') + kDash + QString(20, ' ') + kDash + "  " + kDash + "  " + kDash},
         {kUni, kUni + QString(10, ' ') + "ftp://h/u" + QString(21, ' ') + kDash + "  " + kDash + "  "
                    + QString::fromUtf8("Grüße")}});
    EXPECT_EQ(QString::fromUtf8(ReadAll(target)), full);
    EXPECT_TRUE(dialogs.boxes().isEmpty());

    // No: the file stays and the dialog stays open. Yes: written anew.
    dialogs.answer(IDNO);
    EXPECT_FALSE(Run(manager->mnuSaveReport, [](TfrmPrint* p) { p->cbSource->setChecked(false); }));
    EXPECT_EQ(QString::fromUtf8(ReadAll(target)), full);
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].text,
              "The specified file \"" + target + "\" already exists.  Replace the existing file?");
    EXPECT_EQ(dialogs.boxes()[0].buttons, MB_YESNO);
    EXPECT_EQ(dialogs.boxes()[0].icon, MB_ICONWARNING);
    dialogs.answer(IDYES);
    EXPECT_TRUE(Run(manager->mnuSaveReport, [](TfrmPrint* p) {
        for (QCheckBox* b : {p->cbFileName, p->cbDateDownloaded, p->cbVirusChecked})
            b->setChecked(false);
    }));
    EXPECT_EQ(QString::fromUtf8(ReadAll(target)),
              Expected("DESCRIPTION", {{"setup-long-name.exe", "tool"}, {"a.zip", kDash}, {kUni, QString::fromUtf8("Grüße")}}));

    // A target that cannot be written: the error, and the dialog stays open.
    dialogs.clear();
    const QString bad = home.path() + "no-such-folder/r.txt";
    EXPECT_FALSE(Run(manager->mnuSaveReport, [&](TfrmPrint* p) { p->edtPrintFile->setText(bad); }));
    EXPECT_EQ(dialogs.texts(), QStringList({"Cannot write the report file \"" + bad + "\": No such file or directory."}));
    EXPECT_EQ(dialogs.boxes()[0].icon, MB_ICONERROR);

    // A folder given as the report file is refused before any question to
    // replace it (which then failed with "Is a directory").
    for (const QString& folder : {home.path() + "reports", home.path() + "reports/", QString()}) {
        QDir().mkpath(home.path() + "reports");
        dialogs.clear();
        EXPECT_FALSE(Run(manager->mnuSaveReport, [&](TfrmPrint* p) { p->edtPrintFile->setText(folder); }));
        EXPECT_EQ(dialogs.texts(),
                  QStringList{"\"" + QDir(home.path()).absoluteFilePath(folder) + "\" is a folder. Give the name of a "
                                                                                  "file for the report."})
            << folder.toStdString();
        EXPECT_EQ(dialogs.boxes().value(0).icon, MB_ICONERROR);
        EXPECT_TRUE(QFileInfo(home.path() + "reports").isDir());
    }
}

TEST_F(ReportTest, PrintingToAPdfReadsBackAsTheReportInAMonospaceFont)
{
    // Cancelling the print dialog prints nothing and keeps the dialog open.
    EXPECT_FALSE(Run(manager->mnuPrintReport));
    EXPECT_EQ(dialogs.printDialogs(), 1);

    const QString pdf = home.path() + "report.pdf";
    dialogs.answerPrint(ToPdf(pdf));
    EXPECT_TRUE(Run(manager->mnuPrintReport));
    const QStringList printed = PdfLines(pdf);
    QStringList words;
    for (const QString& line : printed)
        words << line.simplified();
    EXPECT_EQ(words, QStringList({"FILENAME SOURCE DOWNLOADED DESCRIPTION", "a.zip ---------- ---------- ----------",
                                  "setup-long-name.exe http://example.org/setup.exe 12/08/2026 tool",
                                  kUni + " ftp://h/u ---------- " + QString::fromUtf8("Grüße")}));
    // pdftotext keeps the layout, though not the exact spaces: the columns
    // stand one under the other.
    const QStringList header = words.value(0).split(' ');
    for (const QString& line : printed.mid(1)) {
        const QStringList cells = line.simplified().split(' ');
        for (int c = 1; c < 4 && cells.size() == 4; ++c) {
            const int at = printed[0].indexOf(header[c]);
            EXPECT_EQ(line.indexOf(cells[c], at - 1), at) << line.toStdString();
        }
    }
    const QString fonts = Poppler("pdffonts", {pdf});
    EXPECT_TRUE(fonts.contains("Mono") || fonts.contains("Courier")) << fonts.toStdString();
}

TEST_F(ReportTest, AMissingOrFailingPrinterShowsAClearErrorAndStaysOpen)
{
    const QString bad = home.path() + "no-such-folder/r.pdf";
    dialogs.answerPrint([](QPrinter&) { return true; }); // no print system: no printer
    dialogs.answerPrint(ToPdf(bad));
    EXPECT_FALSE(Run(manager->mnuPrintReport));
    EXPECT_FALSE(Run(manager->mnuPrintReport));
    EXPECT_EQ(dialogs.texts(), QStringList({"Cannot print the report: no printer is available.",
                                            "Cannot print the report: the file \"" + bad + "\" could not be opened."}));
}

TEST(ReportPrinter, LongLinesContinueOnTheNextLineAndFullPagesBreak)
{
    TempHome home;
    const QString pdf = home.path() + "long.pdf";
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(pdf)(printer);
    QString longLine;
    for (int i = 0; i < 40; ++i)
        longLine += QStringLiteral("w%1-").arg(i, 3, 10, QChar('0'));
    QStringList lines{longLine};
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral("line %1").arg(i);
    PrintReportLines(printer, lines);

    const QStringList text = PdfLines(pdf);
    EXPECT_TRUE(text.value(0).startsWith("w000-w001-"));
    EXPECT_FALSE(text.value(0).contains("w039-"));
    EXPECT_TRUE(text.value(1).endsWith("w039-"));
    EXPECT_EQ(QString(text.value(0) + text.value(1)).remove(QChar(0x20)), longLine);
    EXPECT_EQ(text.value(2), "line 0");
    EXPECT_EQ(text.last(), "line 199");
    EXPECT_TRUE(Poppler("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+[2-9]")));
}

} // namespace
