#include "secdelete.h"

#include "Catalogue.h"
#include "CatalogueBar.h"
#include "CatalogueError.h"
#include "Dialogs.h"
#include "Exception.h"
#include "ErrorBox.h"
#include "Help.h"
#include "ProgramFolder.h"
#include "ProgramWindows.h"
#include "Settings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace flk {

namespace {

QString Clean(const QString& path)
{
    return WithSlash(QDir::cleanPath(path));
}

// `path` is `other` or lies on the way to it.
bool Holds(const QString& path, const QString& other)
{
    return other.startsWith(Clean(path));
}

// Removes everything inside `dir` (files, links and sub-directories, hidden
// ones too) except what holds one of `keep`. Failures are passed over.
void EmptyDirectory(const QString& dir, const QStringList& keep)
{
    const QFileInfoList entries = QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                          QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString path = entry.absoluteFilePath();
        if (entry.isDir() && !entry.isSymLink()) {
            if (std::any_of(keep.begin(), keep.end(), [&](const QString& k) { return Holds(path, k); })) {
                EmptyDirectory(path, keep);
                continue;
            }
            QDir(path).removeRecursively();
        } else {
            QFile::remove(path);
        }
    }
}

// Empties and removes a directory that exists; one that cannot be removed
// ends the delete with an error.
void RemoveDirectory(const QString& dir, const QStringList& keep = {})
{
    if (dir.isEmpty() || !QFileInfo(dir).isAbsolute() || !QFileInfo(dir).isDir())
        return;
    EmptyDirectory(dir, keep);
    QCoreApplication::processEvents();
    if (QFileInfo(dir).isDir() && !QDir().rmdir(QDir::cleanPath(dir)))
        throw Exception(QStringLiteral("Unable to remove directory %1").arg(dir));
}

// What a section's files never take with them: the program folder and the
// directories of the other sections.
QStringList KeptDirectories(int section)
{
    QStringList keep{Clean(ProgramFolder())};
    for (int n = 1; n <= static_cast<int>(Catalogue::SectionNames().size()); ++n) {
        const QString location = Catalogue::SectionLocation(n);
        if (n != section && !location.isEmpty())
            keep << Clean(location);
    }
    return keep;
}

} // namespace

TfrmDelete::TfrmDelete(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDelete"));
    setWindowTitle(QStringLiteral("Confirm Delete"));

    lblCaption = new QLabel(this);
    cbSectionInfo = new QCheckBox(QStringLiteral("Delete section configuration  information"), this);
    cbCategory = new QCheckBox(QStringLiteral("Delete all folder information"), this);
    cbFolders = new QCheckBox(QStringLiteral("Delete all files in this section"), this);
    cbSectionInfo->setChecked(true);
    cbCategory->setChecked(true);
    cbFolders->setChecked(false);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdOK->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCaption);
    layout->addWidget(cbSectionInfo);
    layout->addWidget(cbCategory);
    layout->addWidget(cbFolders);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, [this] { RunGuarded([this] { cmdOKClick(); }, this); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, [] { OpenHelp(); });
}

void TfrmDelete::ShowForm(int page, int kind)
{
    m_page = page;
    m_kind = kind;
    const auto* bar = Window<CatalogueBar>();
    const QString section = bar && page >= 0 && page < bar->PageCount() ? bar->PageCaption(page) : QString();
    lblCaption->setText(QStringLiteral("Delete Options for \"%1\"").arg(section));
    cbSectionInfo->setVisible(kind == kSection);
    if (kind == kSection) {
        cbCategory->setText(QStringLiteral("Delete all folder information"));
        cbFolders->setText(QStringLiteral("Delete all files in this section"));
    } else {
        cbCategory->setText(QStringLiteral("Delete information for files in this folder"));
        cbFolders->setText(QStringLiteral("Delete all files in this category"));
    }
    setAccessibleDescription(lblCaption->text());
    Dialogs::instance().execModal(this);
}

void TfrmDelete::cmdOKClick()
{
    if (m_kind == kSection)
        DelSection();
    else
        DelCat();
}

void TfrmDelete::DelSection()
{
    auto* bar = Window<CatalogueBar>();
    if (!bar || m_page < 0 || m_page >= bar->PageCount())
        return;
    const int n = bar->SectionNumberOf(m_page);
    if (n < 1)
        return;
    const QString name = Catalogue::SectionName(n);
    const QString location = Catalogue::SectionLocation(n);

    if (n == Settings::DefaultSectionOrNone() + 1) {
        Settings::SetDefaultSection(0);
        Settings::SetDefaultCat(0);
    }
    if (cbFolders->isChecked())
        RemoveDirectory(location, KeptDirectories(n));
    // The section's own folder files, by its folder list: never another
    // section's whose name begins the same way.
    Catalogue::DeleteFolderFiles(name);
    if (cbCategory->isChecked())
        Catalogue::DeleteSectionFile(name);
    if (cbSectionInfo->isChecked()) {
        bar->RemovePage(m_page);
        Catalogue::DeleteSection(n);
    }
    accept();
}

void TfrmDelete::DelCat()
{
    auto* bar = Window<CatalogueBar>();
    if (!bar)
        return;
    const int page = bar->ClickedPageIndex();
    const int button = bar->ClickedButtonIndex();
    if (page < 0 || button < 0)
        return;
    const QString section = bar->PageCaption(page);
    const QString folder = bar->ButtonCaptions(page).value(button);
    const int m = bar->FolderNumberOf(page, button);
    const int n = bar->SectionNumberOf(page);
    const QString location = n > 0 ? Catalogue::SectionLocation(n) : QString();

    if (m == Settings::DefaultCatOrNone() + 1)
        Settings::SetDefaultCat(0);
    if (!location.isEmpty() && !folder.isEmpty())
        RemoveDirectory(Catalogue::FolderDirectory(location, folder), KeptDirectories(n));
    Catalogue::DeleteFolderFile(section, folder);
    bar->LeaveFolder(page, button);
    if (m > 0)
        Catalogue::DeleteFolder(section, m);
    bar->RemoveButton(page, button);
    if (isVisible())
        accept();
}

} // namespace flk
