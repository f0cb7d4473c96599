// The manager window's file list over real directories: its fixed settings
// and columns, odd names, the view styles from either menu, refreshing after
// outside changes, its menus' captions and the desktop file menu.

#include "DirectoryListing.h"
#include "FolderModel.h"
#include "InfoPanel.h"
#include "ManagerFixture.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeDatabase>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace flk;
using namespace flk::test;

namespace {

class FileListTest : public ManagerFixture {};

TEST_F(FileListTest, ListsEveryFileOfTheDirectoryInDetailsWithItsColumns)
{
    QDir().mkpath(games() + "sub folder");
    TfrmManager& w = open({"b.zip", "a file (1).txt", "Über.exe", ".hidden", "[x].bin", "b.zip.flkparts"});
    TFolderList* list = w.FEDownloads;
    QStringList names = list->FileNames();
    names.sort();
    EXPECT_EQ(names, QStringList({".hidden", "[x].bin", "a file (1).txt", "b.zip", "Über.exe"}))
        << "files only, hidden ones too; a download's record of its pieces is not one";
    EXPECT_EQ(list->Style(), TFolderList::vsDetails);
    EXPECT_EQ(list->View()->statusTip(), "This area displays all of the files located in the selected folder.  "
                                         "Right-click on a file for a helpful menu. F5 to refresh.");
    EXPECT_EQ(list->View()->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list->View()->editTriggers(), QAbstractItemView::NoEditTriggers);

    QTreeView* details = list->DetailsView();
    QHeaderView* header = details->header();
    QStringList shown;
    for (int c = 0; c < header->count(); ++c)
        if (!header->isSectionHidden(c))
            shown << details->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(shown, QStringList({"Name", "Size", "Type", "Modified"}));
    EXPECT_EQ(details->model()->headerData(TFolderModel::Extension, Qt::Horizontal).toString(), "Extension");
    EXPECT_EQ(details->model()->headerData(TFolderModel::Attributes, Qt::Horizontal).toString(), "Attributes");
    const QModelIndex hidden = details->model()->index(list->FileNames().indexOf(".hidden"), 0, details->rootIndex());
    EXPECT_EQ(hidden.siblingAtColumn(TFolderModel::Attributes).data().toString(), "H");
    EXPECT_EQ(details->model()
                  ->index(list->FileNames().indexOf("b.zip"), TFolderModel::Extension, details->rootIndex())
                  .data()
                  .toString(),
              "zip");
    EXPECT_TRUE(hidden.siblingAtColumn(TFolderModel::Size).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                (Qt::AlignRight | Qt::AlignTrailing));

    // Several selected at once, in list order; the window says so.
    list->SelectFiles({"b.zip", "[x].bin"});
    ProcessMessages();
    EXPECT_EQ(list->SelectedFileNames(), QStringList({"[x].bin", "b.zip"}));
    EXPECT_EQ(w.pnlCategory->text(), "Games - Multiple Files Selected");
}

// The layout's widths are the least: every value shows whole in this
// desktop's font, Name takes the rest of the width; a header click sorts and
// a dragged width lasts, and neither is written anywhere.
TEST_F(FileListTest, ColumnsFitTheirValuesNameTakesTheRestAndAHeaderClickSorts)
{
    WriteAll(games() + "big.zip", QByteArray(68400, 'x'));
    WriteAll(games() + "bigger.iso", QByteArray(258000, 'x'));
    WriteAll(games() + "tiny.txt", "abc");
    TfrmManager& w = open({});
    w.resize(1000, 600);
    ProcessMessages();
    TFolderList* list = w.FEDownloads;
    QTreeView* details = list->DetailsView();
    QHeaderView* header = details->header();
    const QByteArray settingsBefore = ReadAll(Settings::FileName());

    // What each value needs, as the list's own painter measures it.
    auto needed = [&](int column) {
        int most = 0;
        for (int row = 0; row < details->model()->rowCount(); ++row) {
            const QModelIndex index = details->model()->index(row, column);
            QStyleOptionViewItem option;
            option.initFrom(details->viewport());
            option.font = details->font();
            most = std::max(most, details->itemDelegateForIndex(index)->sizeHint(option, index).width());
        }
        return most;
    };
    const std::map<int, int> least = {{TFolderModel::Size, 50}, {TFolderModel::Type, 100}, {TFolderModel::Modified, 200}};
    for (const auto& [c, width] : least) {
        EXPECT_GE(header->sectionSize(c), needed(c)) << "column " << c << " cuts its values";
        EXPECT_GE(header->sectionSize(c), width) << "the layout's width is the least";
    }
    const int visibleWidth = header->sectionSize(TFolderModel::Name) + header->sectionSize(TFolderModel::Size) +
                             header->sectionSize(TFolderModel::Type) + header->sectionSize(TFolderModel::Modified);
    EXPECT_EQ(visibleWidth, details->viewport()->width()) << "Name takes the free width";
    w.resize(600, 600);
    ProcessMessages();
    EXPECT_EQ(header->sectionSize(TFolderModel::Name), 200) << "never below its least; the list scrolls instead";

    list->SelectFile("big.zip");
    const QPoint sizeHeader(header->sectionViewportPosition(TFolderModel::Size) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, sizeHeader);
    EXPECT_EQ(list->FileNames(), QStringList({"tiny.txt", "big.zip", "bigger.iso"}));
    EXPECT_EQ(list->SelectedFileNames(), QStringList({"big.zip"})) << "the selection follows its file";
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, sizeHeader);
    EXPECT_EQ(list->FileNames(), QStringList({"bigger.iso", "big.zip", "tiny.txt"}));
    WriteAll(games() + "middle.bin", QByteArray(100000, 'x'));
    w.mnuRefresh->trigger();
    EXPECT_EQ(list->FileNames(), QStringList({"bigger.iso", "middle.bin", "big.zip", "tiny.txt"}))
        << "a new reading keeps the order clicked";

    // A width the user gives stays when the folder changes; Name gives way.
    w.resize(1000, 600);
    ProcessMessages();
    header->resizeSection(TFolderModel::Type, 300);
    EXPECT_EQ(header->sectionSize(TFolderModel::Name) + header->sectionSize(TFolderModel::Size) + 300 +
                  header->sectionSize(TFolderModel::Modified),
              details->viewport()->width());
    w.Nav->Page(0)->Button(2)->Press();
    w.Nav->Page(0)->Button(1)->Press();
    ProcessMessages();
    EXPECT_EQ(header->sectionSize(TFolderModel::Type), 300);
    EXPECT_EQ(ReadAll(Settings::FileName()), settingsBefore) << "neither order nor widths are stored";
}

// Large icons: a name wraps on up to three lines, so names that begin alike
// are told apart.
TEST_F(FileListTest, LargeIconNamesWrapOnThreeLines)
{
    Settings::SetViewStyle(1);
    TfrmManager& w = open({"dpkg-status-backup-0001.log", "a.zip"});
    QAbstractItemView* view = w.FEDownloads->View();
    const int lines = (view->visualRect(view->model()->index(1, 0)).height() - view->iconSize().height()) /
                      view->fontMetrics().lineSpacing();
    EXPECT_GE(lines, 3) << "every cell has room for three lines of a name";
    EXPECT_EQ(view->visualRect(view->model()->index(0, 0)).size(), view->visualRect(view->model()->index(1, 0)).size());
}

TEST_F(FileListTest, ViewStyleFromEitherMenuChecksBothAndIsStored)
{
    Settings::SetViewStyle(1);
    TfrmManager& w = open({"a.zip"});
    EXPECT_EQ(w.FEDownloads->Style(), TFolderList::vsLargeIcons);
    EXPECT_TRUE(w.mnuFELargeIcons->isChecked());

    // The toolbar's "View Style" menu joins in.
    QMenu toolbarMenu;
    QAction* large = toolbarMenu.addAction("&Large Icons");
    QAction* small = toolbarMenu.addAction("&Small Icons");
    QAction* list = toolbarMenu.addAction("&List");
    QAction* details = toolbarMenu.addAction("&Details");
    w.AddViewStyleItems(large, small, list, details);
    EXPECT_TRUE(large->isChecked());

    w.mnuFEDetails->trigger();
    EXPECT_EQ(Settings::ViewStyle(), 3);
    EXPECT_EQ(w.FEDownloads->Style(), TFolderList::vsDetails);
    EXPECT_TRUE(details->isChecked());
    EXPECT_FALSE(large->isChecked());
    EXPECT_FALSE(w.mnuFELargeIcons->isChecked());

    list->trigger();
    EXPECT_EQ(Settings::ViewStyle(), 2);
    EXPECT_TRUE(w.mnuFEList->isChecked());
    list->trigger(); // the checked item again: still the one checked
    EXPECT_TRUE(list->isChecked());
    small->trigger();
    EXPECT_EQ(Settings::ViewStyle(), 4);
    EXPECT_EQ(w.FEDownloads->SelectedFileName(), "a.zip") << "the selection stays across styles";

    // A stored style outside 1..4 leaves the details view, nothing checked.
    m.reset();
    Settings::SetViewStyle(5);
    TfrmManager& other = open({});
    EXPECT_EQ(other.FEDownloads->Style(), TFolderList::vsDetails);
    for (QAction* a : {other.mnuFELargeIcons, other.mnuFESmallIcons, other.mnuFEList, other.mnuFEDetails})
        EXPECT_FALSE(a->isChecked());
}

TEST_F(FileListTest, OutsideChangesShowWhileAutoRefreshIsOnAndAfterItComesBack)
{
    TfrmManager& w = open({"a.zip", "b.zip"});
    TFolderList* list = w.FEDownloads;
    list->SelectFile("b.zip");
    WriteAll(games() + "c.zip", "new");
    ASSERT_TRUE(waitFor([&] { return list->FileNames().contains("c.zip"); }));
    EXPECT_EQ(list->SelectedFileName(), "b.zip");

    // Deleted by another program while selected: no panel for a file that
    // is gone, and no record made for it.
    records().eraseRecord("b.zip");
    QFile::remove(games() + "b.zip");
    ASSERT_TRUE(waitFor([&] { return !list->FileNames().contains("b.zip"); }));
    ProcessMessages();
    EXPECT_TRUE(w.pnlInfo->Chosen().isEmpty());
    EXPECT_FALSE(w.edtDescription->isEnabled());
    EXPECT_FALSE(records().hasRecord("b.zip")) << ReadAll(records().fileName()).toStdString();

    list->SetAutoRefresh(false);
    WriteAll(games() + "d.zip", "new");
    QApplication::processEvents();
    list->SelectFile("c.zip");
    list->SetAutoRefresh(true);
    EXPECT_FALSE(list->FileNames().contains("d.zip")) << "not while the caller still works";
    ProcessMessages();
    EXPECT_TRUE(list->FileNames().contains("d.zip"));
    EXPECT_EQ(list->SelectedFileName(), "c.zip") << "a refresh keeps the selection";

    // A file written in place (a download) shows its final size once closed.
    QFile growing(games() + "growing.zip");
    ASSERT_TRUE(growing.open(QIODevice::WriteOnly));
    growing.write("x");
    growing.flush();
    ASSERT_TRUE(waitFor([&] { return list->FileNames().contains("growing.zip"); }));
    growing.write(QByteArray(5000, 'x'));
    growing.close();
    const QString finalSize = QLocale::system().formattedDataSize(5001);
    EXPECT_TRUE(waitFor([&] {
        const int row = list->FileNames().indexOf("growing.zip");
        return list->DetailsView()->model()->index(row, TFolderModel::Size).data().toString() == finalSize;
    }));

    WriteAll(games() + "e.zip", "new");
    w.mnuRefresh->trigger(); // F5
    EXPECT_TRUE(list->FileNames().contains("e.zip"));

    // The directory replaced by another of the same name: that one is watched.
    const QString fresh = home.path() + "Fresh/";
    QDir().mkpath(fresh);
    WriteAll(fresh + "fresh.zip", "new");
    ASSERT_TRUE(QDir().rename(games(), home.path() + "Games-old"));
    ASSERT_TRUE(QDir().rename(fresh, games()));
    ASSERT_TRUE(waitFor([&] { return list->FileNames() == QStringList{"fresh.zip"}; }));
    WriteAll(games() + "later.zip", "new");
    EXPECT_TRUE(waitFor([&] { return list->FileNames().contains("later.zip"); }));
}

TEST_F(FileListTest, OrderIsByNameAsPeopleReadItAndARereadingUpdatesRowsInPlace)
{
    TfrmManager& w = open({"file10.txt", "File2.txt", "file1.txt", "a.zip", "notes"});
    WriteAll(games() + "notes", "plain words, no extension\n");
    w.mnuRefresh->trigger();
    TFolderList* list = w.FEDownloads;
    EXPECT_EQ(list->FileNames(), QStringList({"a.zip", "file1.txt", "File2.txt", "file10.txt", "notes"}))
        << "numbers by value, case aside";
    QAbstractItemModel* model = list->DetailsView()->model();
    auto cell = [&](const QString& name, int column) {
        return model->index(list->FileNames().indexOf(name), column).data().toString();
    };
    EXPECT_EQ(cell("notes", TFolderModel::Type), "plain text document") << "a file without extension: by content";

    list->SelectFiles({"file1.txt", "file10.txt"});
    for (const char* gone : {"a.zip", "File2.txt"})
        QFile::remove(games() + gone);
    for (const char* added : {"file3.txt", "file100.txt", "0.zip", "zz.zip"})
        WriteAll(games() + added, "data");
    WriteAll(games() + "file10.txt", QByteArray(3000, 'x'));
    w.mnuRefresh->trigger();
    EXPECT_EQ(list->FileNames(), QStringList({"0.zip", "file1.txt", "file3.txt", "file10.txt", "file100.txt", "notes", "zz.zip"}));
    EXPECT_EQ(list->SelectedFileNames(), QStringList({"file1.txt", "file10.txt"}));
    EXPECT_EQ(cell("file10.txt", TFolderModel::Size), QLocale::system().formattedDataSize(3000));

    // A folder pressed while another still loads: the later one is shown.
    QDir().mkpath(home.path() + "Other");
    WriteAll(home.path() + "Other/x.zip", "data");
    QTimer::singleShot(0, list, [&] { list->SetDirectory(home.path() + "Other"); });
    list->SetDirectory(games());
    EXPECT_EQ(list->Directory(), home.path() + "Other/");
    EXPECT_EQ(list->FileNames(), QStringList({"x.zip"}));
}

// Files of one tail share one look-up of their type; names whose type a
// pattern reads before the tail ("README*", "Makefile.*", "core") are each
// looked up: every file has the type the desktop gives it on its own.
TEST_F(FileListTest, EachFileHasTheTypeTheDesktopGivesIt)
{
    const QStringList names = {"a.zip",       "b.zip",      "README.zip", "README",    "Makefile.am", "makefile",
                               "x.tar.gz",    "y.gz",       "Z.TAR.GZ",   "core",      "core.zip",    "page.1",
                               "page.3",      "backup~",    "main.c~",    "upper.C",   "lower.c",     "CMakeLists.txt",
                               "notes.txt",   "no-tail",    ".hidden",    "two.dots.zip"};
    QTemporaryDir dir;
    for (const QString& name : names)
        WriteAll(dir.path() + "/" + name, "plain words\n");
    const std::atomic<int> wanted{1};
    const TDirectoryListing listing = TDirectoryListing::Read(dir.path(), wanted, 1);
    ASSERT_EQ(listing.files.size(), size_t(names.size()));
    QMimeDatabase db;
    for (const TDirectoryListing::File& file : listing.files) {
        const QList<QMimeType> byName = db.mimeTypesForFileName(file.name);
        const QMimeType own = byName.size() == 1 ? byName.first() : db.mimeTypeForFile(dir.path() + "/" + file.name);
        ASSERT_TRUE(file.type);
        EXPECT_EQ(file.type->text, own.comment()) << qPrintable(file.name);
        EXPECT_EQ(file.type->iconName, own.iconName()) << qPrintable(file.name);
        EXPECT_EQ(listing.rows.value(file.name, -1), int(&file - listing.files.data())) << "indexed by name";
    }
}

// A large folder is described by two threads, a half each: every file comes
// once, in the order people read numbers, indexed at its place, and files of
// one kind on either side of the split have the same type.
TEST_F(FileListTest, ALargeFolderReadByTwoThreadsListsEveryFileOnceInOrder)
{
    constexpr int kFiles = 5000; // past the size from which the reading splits
    QTemporaryDir dir;
    for (int i = 0; i < kFiles; ++i) {
        QFile file(dir.path() + QStringLiteral("/f%1.%2").arg(i).arg(i % 2 ? "zip" : "txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const std::atomic<int> wanted{1};
    const TDirectoryListing listing = TDirectoryListing::Read(dir.path(), wanted, 1);
    ASSERT_TRUE(listing.readable);
    ASSERT_FALSE(listing.stopped);
    ASSERT_EQ(listing.files.size(), size_t(kFiles));
    const auto first = listing.files.front().type, second = listing.files[1].type;
    ASSERT_TRUE(first && second);
    for (int i = 0; i < kFiles; ++i) {
        const TDirectoryListing::File& file = listing.files[size_t(i)];
        ASSERT_EQ(file.name, QStringLiteral("f%1.%2").arg(i).arg(i % 2 ? "zip" : "txt"));
        EXPECT_EQ(file.nameRank, i);
        EXPECT_EQ(listing.rows.value(file.name, -1), i);
        ASSERT_TRUE(file.type);
        EXPECT_EQ(file.type->text, (i % 2 ? second : first)->text) << qPrintable(file.name);
    }
}

TEST_F(FileListTest, MenuCaptionsFollowTheSelectionAndTheDesktopMenuActs)
{
    TfrmManager& w = open({"a.zip", "b.zip"});
    w.FEDownloads->SelectFile("a.zip");
    w.PopupMenu1Popup();
    EXPECT_EQ(w.mnuOpen->text(), "&Open File");
    EXPECT_EQ(w.mnuDeleteFile->title(), "&Delete File");
    EXPECT_EQ(w.mnuScan->text(), "&Scan for Viruses");
    w.FEDownloads->SelectFiles({"a.zip", "b.zip"});
    w.PopupMenu1Popup();
    EXPECT_EQ(w.mnuOpen->text(), "&Open Files");
    EXPECT_EQ(w.mnuDeleteFile->title(), "&Delete Selected Files");
    EXPECT_EQ(w.mnuScan->text(), "&Scan Folder for Viruses");
    EXPECT_EQ(w.mnuRecBin->shortcut(), QKeySequence("Del"));
    EXPECT_EQ(w.N17->shortcut(), QKeySequence("Shift+Del"));
    EXPECT_EQ(w.mnuScan->shortcut(), QKeySequence("Ctrl+V"));
    EXPECT_EQ(w.mnuProps->shortcut(), QKeySequence("Ctrl+P"));

    m.reset();
    Settings::SetShowMenu(true);
    TfrmManager& desktop = open({"a.zip"});
    EXPECT_TRUE(desktop.FEDownloads->ShellMenu());
    desktop.mnuShellShowInFolder->trigger();
    EXPECT_EQ(shell.opened, QStringList{games()});
    dialogs.answerFile("/usr/bin/viewer");
    desktop.mnuShellOpenWith->trigger();
    ASSERT_EQ(shell.started.size(), 1);
    EXPECT_EQ(shell.started[0].program, "/usr/bin/viewer");
    EXPECT_EQ(shell.started[0].arguments, QStringList{games() + "a.zip"});
}

TEST_F(FileListTest, TheMenuKeyOpensTheMenuOfTheFocusedFileOrBarItem)
{
    TfrmManager& w = open({"a.zip"});
    WriteAll(home.path() + "Programs/Utilities/u.zip", "data");
    QContextMenuEvent inList(QContextMenuEvent::Keyboard, {}, {});
    QApplication::sendEvent(w.FEDownloads->View(), &inList);
    EXPECT_TRUE(w.PopupMenu1->isVisible());
    w.PopupMenu1->close();

    // On the bar the menu is the focused folder's, as a right click gives it.
    TLookOutButton* utilities = w.Nav->Page(0)->Button(2);
    w.Nav->setFocus();
    w.Nav->SetFocusItem(utilities);
    QContextMenuEvent onBar(QContextMenuEvent::Keyboard, {}, {});
    QApplication::sendEvent(w.Nav, &onBar);
    EXPECT_TRUE(w.pmButton->isVisible());
    w.pmButton->close();
    EXPECT_EQ(w.GetClickedButton(), utilities);
    EXPECT_EQ(w.pnlCategory->text(), "Utilities - u.zip");
}

} // namespace
