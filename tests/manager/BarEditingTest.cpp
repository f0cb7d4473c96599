// Editing on the sections bar: renaming sections and folders in place with
// their files, directories and record files, every refusal, reordering
// folders by dragging, and a folder dragged onto another section's page.

#include "EditingFixture.h"

#include "LookOutButton.h"
#include "LookOutPage.h"
#include "PumpGuard.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace flk;
using namespace flk::test;

namespace {

class BarEditingTest : public EditingTest {
protected:
    // Types into the open rename box and presses Enter (or Escape).
    void Type(const QString& text, Qt::Key key = Qt::Key_Return)
    {
        ASSERT_TRUE(manager->RenameEdit);
        manager->RenameEdit->setText(text);
        QTest::keyClick(manager->RenameEdit, key);
    }
    bool BoxOpen() const { return manager->RenameEdit && manager->RenameEdit->isVisible(); }
};

TEST_F(BarEditingTest, RenamingASectionMovesItsDirectorySectionFileAndRecordFilesTogether)
{
    Touch(Catalogue::FolderFile("Programs", "Games"));
    Touch(home.path() + "Programs/Games/setup.exe");
    manager->RenameSectionClick();
    ASSERT_TRUE(BoxOpen());
    EXPECT_EQ(manager->RenameEdit->text(), "Programs");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(manager->RenameEdit)->text(QAccessible::Name),
              "Rename section Programs");
    Type("Software");
    EXPECT_FALSE(BoxOpen());
    EXPECT_EQ(Page(0)->Caption(), "Software");
    EXPECT_EQ(Ini("headers.ini", "Header1", "Name"), "Software");
    EXPECT_EQ(Ini("headers.ini", "Header1", "Location"), home.path() + "Software/");
    EXPECT_TRUE(QFile::exists(home.path() + "Software/Games/setup.exe"));
    EXPECT_TRUE(QFile::exists(home.file("Software.ini")));
    EXPECT_TRUE(QFile::exists(Catalogue::FolderFile("Software", "Games"))) << "no record orphaned";
    EXPECT_FALSE(QFile::exists(Catalogue::FolderFile("Programs", "Games")));
    EXPECT_EQ(manager->SectionLocation, home.path() + "Software/");
    EXPECT_EQ(manager->FEDownloads->Directory(), home.path() + "Software/Productivity/");
    EXPECT_TRUE(manager->FEDownloads->AutoRefresh());
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(BarEditingTest, RenamingASectionKeepsTheSelectedFileInThePanel)
{
    Touch(home.path() + "Programs/Games/setup.exe");
    Touch(home.path() + "Programs/Games/zip.exe");
    Page(0)->Button(1)->Press(); // Games
    manager->FEDownloads->SelectFile("zip.exe");
    ProcessMessages();
    manager->RenameSectionClick();
    Type("Software");
    ProcessMessages();
    EXPECT_EQ(manager->FEDownloads->Directory(), home.path() + "Software/Games/");
    EXPECT_EQ(manager->FEDownloads->SelectedFileNames(), QStringList{"zip.exe"});
    EXPECT_EQ(manager->pnlCategory->text(), "Games - zip.exe");
    EXPECT_TRUE(manager->edtDescription->isEnabled());
}

TEST_F(BarEditingTest, RefusedSectionNamesKeepTheBoxOpenAndChangeNothing)
{
    QDir().mkpath(home.path() + "Taken");
    manager->RenameSectionClick();
    for (const char* bad : {"a|b", "  ", "Taken", "research", "Programs\t"}) {
        Type(bad);
        EXPECT_TRUE(BoxOpen()) << bad;
    }
    EXPECT_EQ(dialogs.texts(),
              QStringList({"Section names cannot contain any of the following characters: \\/:*?\"<>|",
                           "Please specify a name for the new section.",
                           "That section already exists, please choose another name.",
                           "That section already exists, please choose another name.",
                           "The section name \"Programs\t\" cannot be used: it holds a line break or another "
                           "control character."}));
    EXPECT_EQ(Ini("headers.ini", "Header1", "Name"), "Programs");
    EXPECT_TRUE(QFile::exists(home.file("Programs.ini")));
    Type("Programs"); // its own name: just closes
    EXPECT_FALSE(BoxOpen());
    EXPECT_EQ(dialogs.boxes().size(), 5);

    manager->RenameSectionClick();
    Type("Other", Qt::Key_Escape);
    EXPECT_FALSE(BoxOpen());
    EXPECT_EQ(Page(0)->Caption(), "Programs");
}

TEST_F(BarEditingTest, RenamingAFolderMovesItsRecordFileAndDirectoryAndRefusesCollisions)
{
    Page(0)->Button(1)->Press(); // Games
    Touch(Catalogue::FolderFile("Programs", "Games"));
    Touch(home.path() + "Programs/Games/doom.zip");
    manager->RenameFolderClick();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(manager->RenameEdit)->text(QAccessible::Name),
              "Rename folder Games");
    for (const char* bad : {"x|y", " ", "UTILITIES"}) {
        Type(bad);
        EXPECT_TRUE(BoxOpen());
    }
    EXPECT_EQ(dialogs.texts(),
              QStringList({"Folder names cannot contain any of the following characters: \\/:*?\"<>|",
                           "Please specify a name for this folder.",
                           "That folder already exists, please choose another name."}));
    Type("Arcade");
    EXPECT_FALSE(BoxOpen());
    EXPECT_EQ(Page(0)->Button(1)->Caption(), "Arcade");
    EXPECT_EQ(Ini("Programs.ini", "Cat2", "Name"), "Arcade");
    EXPECT_TRUE(QFile::exists(Catalogue::FolderFile("Programs", "Arcade")));
    EXPECT_TRUE(QFile::exists(home.path() + "Programs/Arcade/doom.zip"));
    EXPECT_EQ(manager->FEDownloads->Directory(), home.path() + "Programs/Arcade/");
    EXPECT_EQ(manager->pnlCategory->text(), "Arcade - doom.zip");
}

TEST_F(BarEditingTest, DroppingAFolderOnAnotherSwapsTheirNamesAndIcons)
{
    TLookOutButton* games = Page(0)->Button(1);
    TLookOutButton* apps = Page(0)->Button(3);
    Touch(Catalogue::FolderFile("Programs", "Games"));
    games->Press();
    games->BeginDrag();
    bool accept = false;
    emit apps->OnDragOver(apps, games, &accept);
    EXPECT_TRUE(accept);
    emit games->OnDragOver(games, games, &accept);
    EXPECT_FALSE(accept) << "not onto itself";
    games->EndDrag(false);
    emit apps->OnDragDrop(apps, games);
    EXPECT_EQ(Catalogue::FolderNames("Programs"), QStringList({"Productivity", "Applications", "Utilities", "Games"}));
    EXPECT_EQ(Ini("Programs.ini", "Cat4", "Icon"), "46");
    EXPECT_EQ(Ini("Programs.ini", "Cat2", "Icon"), "21");
    EXPECT_EQ(Page(0)->Button(3), games);
    EXPECT_TRUE(QFile::exists(Catalogue::FolderFile("Programs", "Games"))) << "records stay with their names";
}

TEST_F(BarEditingTest, AFolderDraggedOntoAnotherSectionIsHandedToTheMoveByNumber)
{
    QList<QPair<WPARAM, LPARAM>> moves;
    AppMessages::SetHook([&](UINT msg, WPARAM w, LPARAM l) {
        if (msg == WM_FLK_MOVEFOLDER)
            moves << qMakePair(w, l);
        return true;
    });
    TLookOutButton* utilities = Page(0)->Button(2);
    utilities->BeginDrag();
    bool accept = true;
    emit Page(0)->OnDragOver(Page(0), utilities, &accept);
    EXPECT_FALSE(accept) << "its own section";
    emit Page(2)->OnDragOver(Page(2), utilities, &accept);
    EXPECT_TRUE(accept);
    EXPECT_TRUE(Page(2)->font().bold());
    EXPECT_FALSE(Page(1)->font().bold());
    utilities->EndDrag(false);
    EXPECT_FALSE(Page(2)->font().bold());
    emit Page(2)->OnDragDrop(Page(2), utilities);
    Pump();
    AppMessages::RemoveHook(nullptr);
    EXPECT_EQ(moves, (QList<QPair<WPARAM, LPARAM>>{{3, 3}}));
}

TEST_F(BarEditingTest, TheRenameAndDeleteSectionKeysWorkFromTheFileList)
{
    // Every press on the bar leaves the focus in the file list.
    QApplication::setActiveWindow(manager.get());
    QAbstractItemView* list = manager->FEDownloads->View();
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        list->setFocus();
        QTest::keyClick(list, key, modifiers);
    };
    press(Qt::Key_Backspace, Qt::AltModifier);
    ASSERT_TRUE(BoxOpen());
    EXPECT_EQ(manager->RenameEdit->accessibleName(), "Rename section Programs");
    Type("Programs", Qt::Key_Escape);
    press(Qt::Key_Backspace, Qt::AltModifier | Qt::ShiftModifier);
    ASSERT_TRUE(BoxOpen());
    EXPECT_EQ(manager->RenameEdit->accessibleName(), "Rename folder Productivity");
    Type("Productivity", Qt::Key_Escape);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dialogs.modals(), QStringList{"flk::TfrmDelete"});
    EXPECT_EQ(Page(0)->Caption(), "Programs") << "the delete dialog was cancelled";
}

TEST_F(BarEditingTest, AFolderDraggedOntoAnotherSectionLeavesTheOneBeforeItShownUnderItsOwnName)
{
    Touch(home.path() + "Programs/Utilities/zip.exe");
    Touch(home.path() + "Programs/Applications/app.bin");
    Page(0)->Button(1)->Press(); // Games
    // Applications is pressed, dragged and dropped onto Research, as the bar
    // reports it.
    TLookOutButton* applications = Page(0)->Button(3);
    QTest::mousePress(applications, Qt::LeftButton);
    applications->BeginDrag();
    emit applications->OnMouseUp(applications, Qt::LeftButton, {}, {});
    emit Page(1)->OnDragDrop(Page(1), applications);
    ProcessMessages();
    EXPECT_EQ(Catalogue::FolderNames("Research").value(3), "Applications");
    EXPECT_TRUE(QFile::exists(home.path() + "Research/Applications/app.bin"));
    EXPECT_EQ(manager->GetClickedButton(), Page(0)->Button(2));
    EXPECT_EQ(manager->FEDownloads->Directory(), home.path() + "Programs/Utilities/");
    EXPECT_EQ(manager->pnlCategory->text(), "Utilities - zip.exe");
}

} // namespace
