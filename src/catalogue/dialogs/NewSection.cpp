#include "NewSection.h"

#include "Catalogue.h"
#include "CatalogueBar.h"
#include "CatalogueError.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "ProgramFolder.h"
#include "ProgramWindows.h"
#include "Settings.h"
#include "category.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace flk {

TfrmNewSection::TfrmNewSection(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmNewSection"));
    setWindowTitle(QStringLiteral("New Section"));

    edtName = new QLineEdit(this);
    edtLocation = new QLineEdit(this);
    edtLocation->setReadOnly(true);
    edtLocation->setFocusPolicy(Qt::NoFocus);
    edtLocation->setMinimumWidth(320);
    cmdBrowse = new QPushButton(QStringLiteral("&Browse"), this);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdOK->setDefault(true);

    auto* lblName = new QLabel(QStringLiteral("Section &name:"), this);
    lblName->setBuddy(edtName);
    auto* lblLocation = new QLabel(QStringLiteral("Location:"), this);
    lblLocation->setBuddy(edtLocation);
    edtName->setAccessibleName(QStringLiteral("Section name"));
    edtLocation->setAccessibleName(QStringLiteral("Location"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblName, 0, 0);
    grid->addWidget(edtName, 0, 1, 1, 2);
    grid->addWidget(lblLocation, 1, 0);
    grid->addWidget(edtLocation, 1, 1);
    grid->addWidget(cmdBrowse, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 2, 0, 1, 3);

    connect(edtName, &QLineEdit::textChanged, this, [this] { edtNameChange(); });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] { RunGuarded([this] { cmdBrowseClick(); }, this); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { RunGuarded([this] { cmdOKClick(); }, this); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmNewSection::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

void TfrmNewSection::FormShow()
{
    // A name left from the last opening would not match the location shown.
    edtName->clear();
    m_base = WithSlash(Settings::ManagementDefaultRoot());
    edtLocation->setText(m_base);
    edtName->setFocus();
}

void TfrmNewSection::edtNameChange()
{
    edtLocation->setText(m_base + edtName->text() + '/');
}

void TfrmNewSection::cmdBrowseClick()
{
    const QString dir = Dialogs::instance().browseForFolder(this, QStringLiteral("Choose a section location below:"),
                                                            m_base);
    if (dir.isEmpty())
        return;
    m_base = WithSlash(dir);
    edtNameChange();
}

void TfrmNewSection::Refuse(const QString& message)
{
    Dialogs::showMessage(message, this);
    edtName->setFocus();
}

void TfrmNewSection::cmdOKClick()
{
    const QString name = edtName->text();
    const QString location = edtLocation->text();
    const QString exists = QStringLiteral("That section already exists, please choose another name.");
    if (Catalogue::HasForbiddenCharacter(name))
        return Refuse(QStringLiteral("Section names cannot contain any of the following characters: %1")
                          .arg(Catalogue::ForbiddenCharacters()));
    if (name.trimmed().isEmpty())
        return Refuse(QStringLiteral("Please specify a name for the new section."));
    if (QFileInfo(location).isDir())
        return Refuse(exists);
    if (Catalogue::SectionNames().contains(name))
        return Refuse(exists);
    // Every other name that could not be stored and read back, or would
    // share a file or directory with another section, is refused here too,
    // before anything is written.
    try {
        Catalogue::CheckNewSectionName(name, location);
    } catch (const ECatalogueError& e) {
        return Refuse(e.Message());
    }

    if (auto* bar = Window<CatalogueBar>()) {
        bar->NewPage(name, location);
        bar->SelectSection(bar->PageCount() - 1);
    } else {
        Catalogue::AddSection(name, location);
    }
    if (auto* category = Window<TfrmCategory>())
        category->SectionAdded(name);
    accept();
}

} // namespace flk
