#include "category.h"

#include "AppMessages.h"
#include "Catalogue.h"
#include "CatalogueBar.h"
#include "CatalogueError.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "FolderIcons.h"
#include "Help.h"
#include "NewSection.h"
#include "ProgramWindows.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>

namespace flk {

TfrmCategory::TfrmCategory(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCategory"));
    setWindowTitle(QStringLiteral("New Folder"));

    edtName = new QLineEdit(QStringLiteral("New Folder"), this);
    cbSection = new QComboBox(this);
    cmdNewSection = new QPushButton(QStringLiteral("&New Section"), this);
    lvIcon = NewIconList(this);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdOK->setDefault(true);

    auto* lblName = new QLabel(QStringLiteral("Folder &name:"), this);
    lblName->setBuddy(edtName);
    auto* lblSection = new QLabel(QStringLiteral("&Section:"), this);
    lblSection->setBuddy(cbSection);
    auto* lblIcon = new QLabel(QStringLiteral("&Icon:"), this);
    lblIcon->setBuddy(lvIcon);
    edtName->setAccessibleName(QStringLiteral("Folder name"));
    cbSection->setAccessibleName(QStringLiteral("Section"));
    lvIcon->setAccessibleName(QStringLiteral("Icon"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblName, 0, 0);
    grid->addWidget(edtName, 0, 1, 1, 2);
    grid->addWidget(lblSection, 1, 0);
    grid->addWidget(cbSection, 1, 1);
    grid->addWidget(cmdNewSection, 1, 2);
    grid->addWidget(lblIcon, 2, 0, Qt::AlignTop);
    grid->addWidget(lvIcon, 2, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 3);

    connect(cmdNewSection, &QPushButton::clicked, this, [this] { RunGuarded([this] { cmdNewSectionClick(); }, this); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { RunGuarded([this] { cmdOKClick(); }, this); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, [] { OpenHelp(); });
}

void TfrmCategory::NewCatShow(int page)
{
    m_page = page;
    m_position = -1;
    const auto* bar = Window<CatalogueBar>();
    const QString caption = bar && page >= 0 && page < bar->PageCount() ? bar->PageCaption(page) : QString();
    cbSection->clear();
    const QStringList sections = Catalogue::SectionNames();
    for (int i = 0; i < sections.size(); ++i) {
        cbSection->addItem(sections[i]);
        if (m_position < 0 && !caption.isNull() && sections[i] == caption)
            m_position = i;
    }
    // Without a bar (or a page) the page's place is its section's place.
    if (m_position < 0 && !bar && page >= 0 && page < sections.size())
        m_position = page;
    cbSection->setCurrentIndex(m_position);
    Dialogs::instance().execModal(this);
}

void TfrmCategory::SectionAdded(const QString& name)
{
    cbSection->addItem(name);
    if (isVisible())
        cbSection->setCurrentIndex(cbSection->count() - 1);
}

void TfrmCategory::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

void TfrmCategory::FormShow()
{
    FillIconList(lvIcon);
    edtName->selectAll();
    edtName->setFocus();
}

void TfrmCategory::hideEvent(QHideEvent* e)
{
    QDialog::hideEvent(e);
    if (!e->spontaneous())
        lvIcon->clear();
}

void TfrmCategory::cmdNewSectionClick()
{
    if (auto* newSection = Window<TfrmNewSection>())
        Dialogs::instance().execModal(newSection);
}

void TfrmCategory::Refuse(const QString& message)
{
    Dialogs::showMessage(message, this);
    edtName->setFocus();
}

void TfrmCategory::cmdOKClick()
{
    const QString name = edtName->text();
    if (Catalogue::HasForbiddenCharacter(name))
        return Refuse(QStringLiteral("Folder names cannot contain any of the following characters: %1")
                          .arg(Catalogue::ForbiddenCharacters()));
    if (name.trimmed().isEmpty())
        return Refuse(QStringLiteral("Please specify a name for the new folder."));
    const int position = cbSection->currentIndex();
    const QString section = cbSection->currentText();
    if (position < 0)
        return Refuse(QStringLiteral("Please choose a section for the new folder."));
    // The folder goes into the section chosen here, so that is the section
    // whose folders it must not repeat. Names that could not be stored and
    // read back, or would share a file or directory, are refused too,
    // before anything is written.
    auto* bar = Window<CatalogueBar>();
    if (bar && position < bar->PageCount() && bar->ButtonCaptions(position).contains(name)) {
        Dialogs::showMessage(QStringLiteral("That folder already exists under that section, please choose another name."),
                             this);
        return;
    }
    try {
        Catalogue::CheckNewFolderName(section, name);
    } catch (const ECatalogueError& e) {
        return Refuse(e.Message());
    }

    AppMessages::Post(WM_FLK_NEWFOLDER, static_cast<WPARAM>(position));
    const int icon = lvIcon->currentRow() >= 0 ? lvIcon->currentRow() : 0;
    if (bar) {
        bar->NewButton(name, section, icon, position);
        bar->SetFolderItemsEnabled(true);
        try {
            if (bar->ActivePageIndex() != position)
                bar->SelectSection(position);
            bar->SelectFolder(position, static_cast<int>(bar->ButtonCaptions(position).size()) - 1);
        } catch (...) {
            // The folder exists; only showing it failed.
        }
    } else {
        Catalogue::AddFolder(name, section, icon, position);
    }
    accept();
}

} // namespace flk
