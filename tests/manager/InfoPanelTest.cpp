// The information panel over real record files: what a selection shows,
// edits stored on Enter and on leaving a field for one and for several
// files, the days-left rule, notes, looks and the source link.

#include "Asker.h"
#include "InfoPanel.h"
#include "LockedPath.h"
#include "LookOutPage.h"
#include "ManagerFixture.h"
#include "Profile.h"
#include "StoredDate.h"
#include "TopLevel.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace flk;
using namespace flk::test;

namespace {

class InfoPanelTest : public ManagerFixture {
protected:
    void TearDown() override { DeleteTopLevel<TfrmAsker>(); }
    void record(const QString& file, const QString& key, const QString& value)
    {
        records().writeString(file, key, value);
    }
    QString stored(const QString& file, const QString& key) { return records().readString(file, key, "<absent>"); }
    // The record file's bytes once the window's writes are on disk.
    QByteArray onDisk()
    {
        const QString path = records().fileName();
        Profile::waitForWrites(path);
        return ReadAll(path);
    }
    QString daysAgo(int days) { return StoredDate::ToText(QDate::currentDate().addDays(-days)); }
    // Types into a field as a user would: focus, text, then a key.
    void type(QWidget* field, const QString& text, Qt::Key key)
    {
        field->setFocus();
        ProcessMessages();
        if (auto* edit = qobject_cast<QLineEdit*>(field))
            edit->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, key);
        ProcessMessages();
    }
};

TEST_F(InfoPanelTest, ASelectedFileShowsItsRecordAndAFileWithoutOneShowsThePlaceholders)
{
    record("a.zip", "Desc", "The a archive");
    record("a.zip", "Source", "http://example.org/a.zip");
    record("a.zip", "DateDownloaded", daysAgo(3));
    record("a.zip", "LastOpened", daysAgo(1));
    record("a.zip", "DeleteDays", "12");
    record("gone.zip", "Desc", "a record whose file is gone");
    TfrmManager& w = open({"a.zip", "b.zip"});
    EXPECT_EQ(w.FEDownloads->FileNames(), QStringList({"a.zip", "b.zip"})) << "records never add files";
    EXPECT_EQ(w.pnlCategory->text(), "Games - a.zip");
    EXPECT_EQ(w.pnlInfo->Chosen(), "a.zip");
    EXPECT_EQ(w.edtDescription->text(), "The a archive");
    EXPECT_EQ(w.edtSource->text(), "http://example.org/a.zip");
    EXPECT_EQ(w.lblDateDownloaded->text(), daysAgo(3));
    EXPECT_EQ(w.lblLastOpened->text(), daysAgo(1));
    EXPECT_EQ(w.lblVChecked->text(), "Never");
    EXPECT_EQ(w.meDelete->text(), "12");
    EXPECT_TRUE(w.edtDescription->isEnabled());

    w.FEDownloads->SelectFile("b.zip");
    ProcessMessages();
    EXPECT_EQ(w.pnlCategory->text(), "Games - b.zip");
    EXPECT_EQ(w.edtDescription->text(), "Click here to edit");
    EXPECT_EQ(w.edtSource->text(), "Click here to edit");
    EXPECT_EQ(w.mmoNotes->toPlainText(), "Click here to edit");
    EXPECT_EQ(w.lblLastOpened->text(), "Never");
    EXPECT_EQ(w.meDelete->text(), "30");
    EXPECT_FALSE(w.cbDelete->isChecked());

    // Stored unedited, the placeholders become the record's values.
    w.FEDownloads->SelectFile("a.zip");
    ProcessMessages();
    EXPECT_EQ(stored("b.zip", "Desc"), "Click here to edit");
    EXPECT_EQ(stored("b.zip", "Notes"), "Click here to edit");
    EXPECT_EQ(stored("b.zip", "Delete"), "0");
    EXPECT_EQ(stored("b.zip", "DeleteDays"), "30");
    EXPECT_EQ(stored("b.zip", "AlterDeleteOn"), StoredDate::Today());
}

TEST_F(InfoPanelTest, EditsAreStoredOnEnterAndOnLeavingAndLongValuesSurviveAFlush)
{
    const QString longDesc = QString("x").repeated(3000);
    record("b.zip", "Desc", longDesc);
    TfrmManager& w = open({"a.zip", "b.zip"});

    type(w.edtDescription, "New text", Qt::Key_Return);
    EXPECT_EQ(stored("a.zip", "Desc"), "New text");
    EXPECT_TRUE(w.FEDownloads->View()->hasFocus()) << "Enter moves on to the list";

    w.edtSource->setFocus();
    ProcessMessages();
    EXPECT_TRUE(w.edtSource->text().isEmpty()) << "the placeholder makes way";
    EXPECT_TRUE(w.pnlInfo->Editing(w.edtSource));
    QTest::keyClicks(w.edtSource, "ftp://files.example.org/a.zip");
    w.FEDownloads->setFocus(); // leaving the field stores it
    ProcessMessages();
    EXPECT_EQ(stored("a.zip", "Source"), "ftp://files.example.org/a.zip");
    EXPECT_FALSE(w.pnlInfo->Editing(w.edtSource));

    type(w.edtDescription, "typo", Qt::Key_Escape);
    EXPECT_EQ(w.edtDescription->text(), "New text") << "Escape undoes";

    w.FEDownloads->SelectFile("b.zip");
    ProcessMessages();
    w.FEDownloads->SelectFile("a.zip");
    ProcessMessages();
    EXPECT_EQ(stored("b.zip", "Desc").size(), 1023) << "what the reader gives back";
    EXPECT_TRUE(onDisk().contains("Desc=" + QByteArray(3000, 'x') + "\n"))
        << "the stored value stays whole";
}

TEST_F(InfoPanelTest, SeveralSelectedTakeOneFieldOnEnterAndTheWholePanelOnAFolderPress)
{
    record("a.zip", "Desc", "first");
    record("b.zip", "Desc", "second");
    record("b.zip", "Source", "http://example.org/b.zip");
    TfrmManager& w = open({"a.zip", "b.zip", "c.zip"});
    w.FEDownloads->SelectFiles({"a.zip", "b.zip"});
    ProcessMessages();
    EXPECT_EQ(w.pnlCategory->text(), "Games - Multiple Files Selected");
    EXPECT_EQ(w.edtDescription->text(), "first") << "the panel keeps what it showed";

    type(w.edtDescription, "both", Qt::Key_Return);
    EXPECT_EQ(stored("a.zip", "Desc"), "both");
    EXPECT_EQ(stored("b.zip", "Desc"), "both");
    EXPECT_EQ(stored("b.zip", "Source"), "http://example.org/b.zip") << "nothing else";
    EXPECT_EQ(stored("b.zip", "Delete"), "<absent>");

    w.Nav->Page(0)->Button(0)->Press();
    EXPECT_EQ(stored("b.zip", "Source"), "Click here to edit");
    EXPECT_EQ(stored("b.zip", "Delete"), "0");
    EXPECT_EQ(stored("c.zip", "Desc"), "<absent>");
}

TEST_F(InfoPanelTest, DaysLeftCountFromTheDownloadOrTheLastChangeAndTheBoxTakesDigitsOnly)
{
    for (const char* f : {"due.zip", "one.zip", "moved.zip"}) {
        record(f, "Delete", "1");
        record(f, "DeleteDays", "30");
    }
    record("due.zip", "DateDownloaded", daysAgo(30));
    record("one.zip", "DateDownloaded", daysAgo(29));
    record("moved.zip", "DateDownloaded", daysAgo(300));
    record("moved.zip", "AlterDeleteOn", daysAgo(5));
    record("odd.zip", "DeleteDays", "abc");
    TfrmManager& w = open({"due.zip", "one.zip", "moved.zip", "odd.zip"});

    w.FEDownloads->SelectFile("due.zip");
    ProcessMessages();
    EXPECT_EQ(w.meDelete->text(), "00");
    EXPECT_FALSE(w.lblDeletion->isHidden());
    EXPECT_EQ(w.lblDeletion->text(), "Due for deletion");
    w.FEDownloads->SelectFile("one.zip");
    ProcessMessages();
    EXPECT_EQ(w.meDelete->text(), "1");
    EXPECT_TRUE(w.lblDeletion->isHidden());
    w.FEDownloads->SelectFile("moved.zip");
    ProcessMessages();
    EXPECT_EQ(w.meDelete->text(), "25");

    type(w.meDelete, "1x-0", Qt::Key_Return);
    EXPECT_EQ(stored("moved.zip", "DeleteDays"), "10") << "letters and signs are refused";
    EXPECT_EQ(stored("moved.zip", "AlterDeleteOn"), StoredDate::Today());
    w.FEDownloads->SelectFile("odd.zip");
    ProcessMessages();
    EXPECT_EQ(w.meDelete->text(), "30") << "garbage is shown corrected";

    // A date that does not parse: the rest of the panel is filled, no box.
    record("one.zip", "DateDownloaded", "yesterday-ish");
    w.FEDownloads->SelectFile("one.zip");
    ProcessMessages();
    EXPECT_EQ(w.lblDateDownloaded->text(), "yesterday-ish");
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(InfoPanelTest, NotesRoundTripThroughTheSeparatorByte)
{
    Profile(records().fileName()).writeString("b.zip", "Notes", QString("a") + QChar(0xFF) + QChar(0xFF) + "b" + QChar(0xFF));
    TfrmManager& w = open({"a.zip", "b.zip"});
    w.mmoNotes->setFocus();
    ProcessMessages();
    EXPECT_TRUE(w.mmoNotes->toPlainText().isEmpty()) << "the placeholder makes way";
    w.mmoNotes->setPlainText(QString::fromUtf8("line one\nLa\u00FF line"));
    w.FEDownloads->setFocus();
    ProcessMessages();
    EXPECT_TRUE(onDisk().contains(QByteArray("Notes=line one\xFFLay\xCC\x88 line")))
        << "a y with diaeresis typed in the notes is not the separator";

    w.FEDownloads->SelectFile("b.zip");
    ProcessMessages();
    EXPECT_EQ(w.mmoNotes->toPlainText(), "a\n\nb") << "no empty line for a trailing separator";
    w.mmoNotes->setPlainText(QString("n").repeated(500));
    EXPECT_EQ(w.mmoNotes->toPlainText().size(), 440);
}

TEST_F(InfoPanelTest, TheSourceIsALinkForWebAndFtpAddressesAndFollowingItOpensBrowserOrDownload)
{
    record("a.zip", "Source", "http://example.org/page.html");
    record("a.zip", "Desc", "An archive");
    TfrmManager& w = open({"a.zip"});
    EXPECT_TRUE(w.edtSource->font().underline());
    w.SourceClick();
    EXPECT_EQ(shell.opened, QStringList{"http://example.org/page.html"});

    w.edtSource->setText("FTP://EXAMPLE.ORG/A.ZIP");
    EXPECT_FALSE(w.edtSource->font().underline()) << "exact case only";

    w.edtSource->setText("www.example.org/setup.exe");
    EXPECT_TRUE(w.edtSource->font().underline());
    w.mnuGoThere->trigger();
    const QList<TfrmAsker*> askers = TopLevel<TfrmAsker>();
    ASSERT_EQ(askers.size(), 1);
    TfrmAsker* asker = askers[0];
    EXPECT_TRUE(asker->isVisible());
    EXPECT_FALSE(asker->isModal());
    EXPECT_EQ(asker->SourceUrl, "www.example.org/setup.exe");
    EXPECT_EQ(asker->RemoteFileName, "setup.exe");
    EXPECT_EQ(asker->edtDesc->text(), "An archive");
    EXPECT_EQ(asker->cbSection->currentText(), "Programs");
    EXPECT_EQ(asker->cbCategory->currentText(), "Games");
    EXPECT_EQ(asker->edtName->text(), "a.zip");
    EXPECT_TRUE(asker->FromManager);
}

TEST_F(InfoPanelTest, AFolderOrSectionWhoseMenuIsOpenedIsShownSoEditsGoToItsOwnRecords)
{
    record("a.zip", "Desc", "in Games");
    WriteAll(home.path() + "Programs/Utilities/u.zip", "data");
    TfrmManager& w = open({"a.zip"});
    TLookOutButton* utilities = w.Nav->Page(0)->Button(2);
    // The right press that opens its menu.
    QTest::mouseClick(utilities, Qt::RightButton);
    ProcessMessages();
    EXPECT_EQ(w.GetClickedButton(), utilities);
    EXPECT_EQ(w.pnlCategory->text(), "Utilities - u.zip");
    type(w.edtDescription, "a utility", Qt::Key_Return);
    EXPECT_EQ(RecordFile("Programs", "Utilities").readString("u.zip", "Desc", ""), "a utility");
    EXPECT_FALSE(RecordFile("Programs", "Utilities").hasRecord("a.zip"));
    EXPECT_EQ(stored("a.zip", "Desc"), "in Games");

    TLookOutPage* research = w.Nav->Page(1);
    QTest::mouseClick(research, Qt::RightButton, {}, research->HeaderRect().center());
    ProcessMessages();
    EXPECT_EQ(w.Nav->ActivePage(), research);
    EXPECT_EQ(w.FEDownloads->Directory(), home.path() + "Research/School/");
}

TEST_F(InfoPanelTest, AFileWhoseNameCannotHoldARecordIsNotEditableAndGetsNone)
{
    TfrmManager& w = open({"a.zip", " space.zip"});
    w.FEDownloads->SelectFile(" space.zip");
    ProcessMessages();
    EXPECT_FALSE(w.edtDescription->isEnabled());
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "The file name \" space.zip\" cannot hold a download record: it begins or ends with a blank.");
    // Opening both stamps the one that can hold it; the other would have
    // been a record that never reads back, added again at every write.
    w.FEDownloads->SelectFiles({"a.zip", " space.zip"});
    ProcessMessages();
    w.mnuOpenClick();
    w.mnuOpenClick();
    EXPECT_EQ(records().recordNames(), QStringList{"a.zip"});
    EXPECT_EQ(shell.opened.size(), 4);
}

} // namespace

namespace {

// A message box as the user meets it: while open it holds the focus, and
// closing it gives the focus back to where it was.
class FocusTakingDialogs : public ScriptedDialogs {
public:
    int messageBox(QWidget* parent, const MessageRequest& request) override
    {
        if (boxes().size() >= 20) // the endless round of boxes: stop it here
            return ScriptedDialogs::messageBox(parent, request);
        const QPointer<QWidget> had = QApplication::focusWidget();
        QLineEdit box;
        box.show();
        QApplication::setActiveWindow(&box);
        box.setFocus();
        ProcessMessages();
        const int answer = ScriptedDialogs::messageBox(parent, request);
        box.hide();
        if (had) {
            QApplication::setActiveWindow(had->window());
            had->setFocus();
        }
        ProcessMessages();
        return answer;
    }
};

} // namespace

// The record file cannot be replaced (immutable: root too is refused).
// Leaving the field stores the panel, the store fails: one message, the
// edit stays, and the focus coming back from the message adds no second
// one. Once the file can be written, the next store takes the edit.
TEST_F(InfoPanelTest, AnUnwritableRecordFileGivesOneMessagePerFailedSaveAndKeepsTheEdit)
{
    record("a.zip", "Desc", "old");
    TfrmManager& w = open({"a.zip"});
    FocusTakingDialogs boxes;
    auto lock = std::make_unique<LockedPath>(records().fileName());
    if (!lock->locked())
        GTEST_SKIP() << "cannot lock a file here";

    w.edtDescription->setFocus();
    ProcessMessages();
    w.edtDescription->selectAll();
    QTest::keyClicks(w.edtDescription, "kept");
    w.mmoNotes->setFocus(); // leaving the field stores the panel
    for (int i = 0; i < 5; ++i)
        ProcessMessages();
    ASSERT_EQ(boxes.boxes().size(), 1) << boxes.texts().join("\n").toStdString();
    EXPECT_EQ(boxes.texts()[0], "Could not save the information of \"a.zip\": Unable to write to " + records().fileName()
                                    + ".  The changes stay in the panel.");
    EXPECT_EQ(w.edtDescription->text(), "kept");
    EXPECT_EQ(stored("a.zip", "Desc"), "old");
    EXPECT_EQ(w.statusBar()->currentMessage(), "Not saved: Unable to write to " + records().fileName());

    // Another edit that fails is another failed save.
    QTest::keyClicks(w.mmoNotes, "a note");
    w.edtSource->setFocus();
    for (int i = 0; i < 5; ++i)
        ProcessMessages();
    EXPECT_EQ(boxes.boxes().size(), 2);

    lock.reset();
    w.edtDescription->setFocus();
    ProcessMessages();
    EXPECT_EQ(stored("a.zip", "Desc"), "kept");
    EXPECT_EQ(stored("a.zip", "Notes"), "a note");
    EXPECT_TRUE(w.statusBar()->currentMessage().isEmpty());
    EXPECT_EQ(boxes.boxes().size(), 2);
}

// The panel on its own, without the window: filled from a record file it
// holds the file and what each field held; a date that is no date leaves
// the days box empty; emptied, it holds none.
TEST(InfoPanelAlone, FillsFromARecordAndHoldsItsFileUntilEmptied)
{
    TempHome home;
    QTemporaryDir dir;
    RecordFile records(dir.path() + "/Programs-Games.ini");
    records.writeString("a.zip", "Desc", "An archive");
    records.writeString("a.zip", "Notes", QString("one") + QChar(0xFF) + "two");
    records.writeString("a.zip", "Delete", "0");
    records.writeString("a.zip", "DeleteDays", "12");
    records.writeString("b.zip", "Delete", "1");
    records.writeString("b.zip", "DateDownloaded", "not a date");

    TInfoPanel panel;
    panel.Fill(records, "a.zip");
    EXPECT_EQ(panel.File(), "a.zip");
    EXPECT_EQ(panel.edtDescription->text(), "An archive");
    EXPECT_EQ(panel.edtSource->text(), "Click here to edit");
    EXPECT_EQ(panel.mmoNotes->toPlainText(), "one\ntwo");
    EXPECT_EQ(panel.meDelete->text(), "12");
    EXPECT_EQ(panel.lblLastOpened->text(), "Never");
    EXPECT_EQ(panel.Loaded(panel.edtDescription), std::optional<QString>("An archive"));
    EXPECT_EQ(panel.Loaded(panel.mmoNotes), std::optional<QString>(panel.EncodedNotes()));
    panel.edtDescription->setText("Changed");
    panel.SetLoaded(panel.edtDescription, "Changed");
    EXPECT_EQ(panel.Loaded(panel.edtDescription), std::optional<QString>("Changed")) << "as last stored";

    EXPECT_ANY_THROW(panel.Fill(records, "b.zip"));
    EXPECT_EQ(panel.meDelete->text(), "") << "never the other file's days";
    EXPECT_EQ(panel.edtDescription->text(), "Click here to edit");

    // Stored back: the text left as filled stays as stored, a new one is written.
    panel.Fill(records, "a.zip");
    records.writeString("a.zip", "Source", QString(1100, 'x')); // longer than the panel reads back
    panel.Fill(records, "a.zip");
    panel.edtDescription->setText("Changed");
    panel.Store(records, "a.zip", true);
    EXPECT_EQ(records.readString("a.zip", "Desc", ""), "Changed");
    EXPECT_EQ(Profile(records.fileName()).readString("a.zip", "Source", "").size(), 1023) << "read back cut, as ever";
    EXPECT_EQ(QString::fromUtf8(ReadAll(records.fileName())).count(QString(1100, 'x')), 1) << "the long source kept whole";
    panel.meDelete->setText("7");
    panel.StoreField(records, "a.zip", panel.meDelete);
    EXPECT_EQ(records.readString("a.zip", "DeleteDays", ""), "7");
    EXPECT_EQ(records.readString("a.zip", "AlterDeleteOn", ""), StoredDate::Today()) << "a changed count starts today";

    panel.Clear();
    EXPECT_TRUE(panel.File().isEmpty());
    EXPECT_FALSE(panel.Loaded(panel.edtDescription));
    EXPECT_TRUE(panel.edtDescription->text().isEmpty());
}
