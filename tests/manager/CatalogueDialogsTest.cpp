// The section and folder dialogs on the manager window's bar: what each
// writes, every refusal, the deletes with their default resets, the
// properties' counts and sizes, and the new folder reaching an open
// download dialog.

#include "EditingFixture.h"

#include "Asker.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace flk;
using namespace flk::test;

namespace {

using CatalogueDialogsTest = EditingTest;

TEST_F(CatalogueDialogsTest, NewSectionProposesItsDirectoryRefusesBadNamesAndAddsTheCurrentSection)
{
    const QString base = QDir(home.path() + "elsewhere").absolutePath();
    QDir().mkpath(base);
    dialogs.onModal = [&](QDialog*) {
        newSection.show();
        newSection.edtName->setText("Games");
        EXPECT_EQ(newSection.edtLocation->text(), home.path() + "Games/");
        dialogs.answerFolder(base); // no trailing slash
        newSection.cmdBrowse->click();
        EXPECT_EQ(newSection.edtLocation->text(), base + "/Games/");
        for (const char* bad : {"a?b", "   ", "Programs", " Games", "elsewhere/.."}) {
            newSection.edtName->setText(bad);
            newSection.cmdOK->click();
        }
        newSection.edtName->setText("Games");
        QDir().mkpath(base + "/Games");
        newSection.cmdOK->click(); // its directory exists already
        QDir(base + "/Games").removeRecursively();
        EXPECT_EQ(Catalogue::SectionCount(), 3) << "nothing written by a refusal";
        newSection.cmdOK->click();
    };
    manager->NewSectionClick();
    EXPECT_EQ(dialogs.texts(),
              QStringList({"Section names cannot contain any of the following characters: \\/:*?\"<>|",
                           "Please specify a name for the new section.",
                           "That section already exists, please choose another name.",
                           "The section name \" Games\" cannot be used: it begins or ends with a blank.",
                           "Section names cannot contain any of the following characters: \\/:*?\"<>|",
                           "That section already exists, please choose another name."}));
    EXPECT_EQ(Catalogue::SectionName(4), "Games");
    EXPECT_EQ(Catalogue::SectionLocation(4), base + "/Games/");
    EXPECT_TRUE(QDir(base + "/Games").exists());
    EXPECT_EQ(manager->Nav->ActivePage(), Page(3));
    EXPECT_EQ(manager->GetClickedPage(), Page(3));
    EXPECT_EQ(manager->SectionLocation, base + "/Games/");
    EXPECT_EQ(category.cbSection->findText("Games"), category.cbSection->count() - 1) << "offered to New Folder";
}

TEST_F(CatalogueDialogsTest, NewFolderListsIconsRefusesBadNamesAndBecomesTheCurrentFolder)
{
    dialogs.onModal = [&](QDialog*) {
        category.show();
        EXPECT_EQ(category.cbSection->currentText(), "Research");
        EXPECT_EQ(category.lvIcon->count(), 62);
        EXPECT_EQ(category.lvIcon->item(61)->text(), "Icon 62");
        EXPECT_EQ(category.lvIcon->currentRow(), 0);
        for (const char* bad : {"a|b", " ", "Office", "office", "Home\n"}) {
            category.edtName->setText(bad);
            category.cmdOK->click();
        }
        EXPECT_EQ(Catalogue::FolderCount("Research"), 3);
        category.edtName->setText("Papers");
        category.lvIcon->setCurrentRow(7);
        category.cmdOK->click();
    };
    manager->SelectSection(1);
    manager->NewFolderClick();
    EXPECT_EQ(dialogs.texts(),
              QStringList({"Folder names cannot contain any of the following characters: \\/:*?\"<>|",
                           "Please specify a name for the new folder.",
                           "That folder already exists under that section, please choose another name.",
                           "The folder \"Office\" already exists under that section; folder names may not differ "
                           "only in case.",
                           "The folder name \"Home\n\" cannot be used: it holds a line break or another control "
                           "character."}));
    EXPECT_EQ(Ini("Research.ini", "Cat4", "Name"), "Papers");
    EXPECT_EQ(Ini("Research.ini", "Cat4", "Icon"), "7");
    EXPECT_TRUE(QDir(home.path() + "Research/Papers").exists());
    EXPECT_EQ(manager->GetClickedButton(), Page(1)->Button(3));
    EXPECT_EQ(manager->FEDownloads->Directory(), home.path() + "Research/Papers/");
    EXPECT_TRUE(manager->mnuRenCat->isEnabled());
    EXPECT_EQ(category.lvIcon->count(), 0) << "emptied on close";
}

TEST_F(CatalogueDialogsTest, NewFolderFromTheDownloadDialogAppearsSelectedThere)
{
    auto* asker = new TfrmAsker;
    asker->SetDefaults();
    asker->show();
    asker->cbSection->setCurrentIndex(2);
    dialogs.onModal = [&](QDialog*) {
        category.show();
        EXPECT_EQ(category.cbSection->currentText(), "Internet");
        category.edtName->setText("Podcasts");
        category.cmdOK->click();
    };
    asker->cmdFolder->click();
    Pump();
    EXPECT_EQ(asker->cbSection->currentText(), "Internet");
    EXPECT_EQ(asker->cbCategory->currentText(), "Podcasts");
    delete asker;
}

TEST_F(CatalogueDialogsTest, DeletingASectionTakesOnlyItsOwnFilesAndResetsTheDefaults)
{
    // "Programs-Old" begins like "Programs-<folder>": its files must stay.
    Catalogue::AddSection("Programs-Old", home.path() + "Programs-Old/");
    Catalogue::AddFolder("Arcade", "Programs-Old", 2, 3);
    Touch(Catalogue::FolderFile("Programs-Old", "Arcade"));
    Touch(Catalogue::FolderFile("Programs", "Games"));
    Touch(home.path() + "Programs/Games/setup.exe");
    Settings::SetDefaultSection(0);
    Settings::SetDefaultCat(3);
    del.cbFolders->setChecked(true);
    dialogs.onModal = [&](QDialog*) {
        EXPECT_EQ(del.lblCaption->text(), "Delete Options for \"Programs\"");
        EXPECT_EQ(del.cbSectionInfo->text(), "Delete section configuration  information");
        del.cmdOK->click();
    };
    manager->DeleteSectionClick();
    EXPECT_FALSE(QDir(home.path() + "Programs").exists());
    EXPECT_FALSE(QFile::exists(home.file("Programs.ini")));
    EXPECT_FALSE(QFile::exists(Catalogue::FolderFile("Programs", "Games")));
    EXPECT_TRUE(QFile::exists(home.file("Programs-Old.ini")));
    EXPECT_TRUE(QFile::exists(Catalogue::FolderFile("Programs-Old", "Arcade")));
    EXPECT_EQ(Catalogue::SectionNames(), QStringList({"Research", "Internet", "Programs-Old"}));
    EXPECT_EQ(Settings::DefaultSection(), 0);
    EXPECT_EQ(Settings::DefaultCat(), 0);
    EXPECT_EQ(manager->Nav->PageCount(), 2) << "Programs-Old was never on the bar";
    EXPECT_EQ(manager->Nav->ActivePage(), Page(0));
    EXPECT_EQ(manager->GetClickedPage(), Page(0));
    EXPECT_TRUE(manager->FEDownloads->AutoRefresh()) << "the list follows the disk again";
}

TEST_F(CatalogueDialogsTest, DeletingAFolderAsksWhenConfiguredAndResetsTheDefaultFolderByNumber)
{
    Page(0)->Button(2)->Press(); // Utilities
    Touch(home.path() + "Programs/Utilities/zip.exe");
    Touch(Catalogue::FolderFile("Programs", "Utilities"));
    Settings::SetDefaultSection(1);
    Settings::SetDefaultCat(2);
    dialogs.answer(IDCANCEL);
    manager->DeleteFolderClick();
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_EQ(dialogs.boxes()[0].caption, "Confirm Delete");
    EXPECT_EQ(dialogs.boxes()[0].text, TfrmManager::ConfirmCatDeleteText());
    EXPECT_EQ(dialogs.boxes()[0].buttons, MB_OKCANCEL);
    EXPECT_TRUE(QDir(home.path() + "Programs/Utilities").exists());

    dialogs.answer(IDOK);
    manager->DeleteFolderClick();
    EXPECT_FALSE(QDir(home.path() + "Programs/Utilities").exists());
    EXPECT_FALSE(QFile::exists(Catalogue::FolderFile("Programs", "Utilities")));
    EXPECT_EQ(Catalogue::FolderNames("Programs"), QStringList({"Productivity", "Games", "Applications"}));
    EXPECT_EQ(Ini("Programs.ini", "Cat3", "Icon"), "21");
    EXPECT_EQ(Settings::DefaultCat(), 0) << "the third folder of any section";
    EXPECT_EQ(manager->GetClickedButton(), Page(0)->Button(1)) << "the folder before it";

    Settings::SetConfirmCatDelete(false);
    dialogs.clear();
    manager->DeleteFolderClick();
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(Catalogue::FolderNames("Programs"), QStringList({"Productivity", "Applications"}));
}

TEST_F(CatalogueDialogsTest, PropertiesCountAndSizeAFolderAndStoreItsNewIcon)
{
    Page(0)->Button(1)->Press(); // Games
    Touch(home.path() + "Programs/Games/a", 1000);
    Touch(home.path() + "Programs/Games/b", 2000);
    Touch(home.path() + "Programs/Games/.c", 500);
    QDir().mkpath(home.path() + "Programs/Games/sub");
    dialogs.onModal = [&](QDialog*) {
        EXPECT_EQ(props.windowTitle(), "Games Properties");
        EXPECT_EQ(props.lblType->text(), "Folder");
        EXPECT_EQ(props.edtLocation->text(), home.path() + "Programs/Games/");
        EXPECT_EQ(props.lblNumberDesc->text(), "Files:");
        EXPECT_EQ(props.lblNumber->text(), "3");
        EXPECT_EQ(props.lblSpace->text(), "3k");
        EXPECT_EQ(props.lvIcon->currentRow(), 46);
        props.lvIcon->setCurrentRow(12);
        props.cmdOK->click();
    };
    manager->MenuItem7Click();
    EXPECT_EQ(Ini("Programs.ini", "Cat2", "Icon"), "12");
    EXPECT_EQ(Page(0)->Button(1)->ImageIndex(), 12);
    EXPECT_EQ(TfrmSectionProps::KiloBytes(1536), "2k");
    EXPECT_EQ(TfrmSectionProps::KiloBytes(2560), "2k");

    dialogs.onModal = [&](QDialog*) {
        EXPECT_EQ(props.windowTitle(), "Programs Properties");
        EXPECT_EQ(props.lblType->text(), "Section");
        EXPECT_EQ(props.edtLocation->text(), home.path() + "Programs/");
        EXPECT_EQ(props.lblNumberDesc->text(), "Categories:");
        EXPECT_EQ(props.lblNumber->text(), "4");
        EXPECT_TRUE(props.lvIcon->isHidden());
        props.cmdOK->click();
    };
    manager->P1Click();
    EXPECT_EQ(Ini("Programs.ini", "Cat2", "Icon"), "12");
}

TEST_F(CatalogueDialogsTest, EveryDialogFieldHasAName)
{
    for (QDialog* d : std::initializer_list<QDialog*>{&newSection, &category, &del, &props})
        for (QWidget* w : d->findChildren<QWidget*>())
            if ((qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QListWidget*>(w)
                 || qobject_cast<QCheckBox*>(w))
                && QAccessible::queryAccessibleInterface(w)) {
                EXPECT_FALSE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty())
                    << d->metaObject()->className() << " " << w->metaObject()->className();
            }
}

} // namespace
