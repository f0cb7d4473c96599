#include "SectionProps.h"

#include "Catalogue.h"
#include "CatalogueBar.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "FolderIcons.h"
#include "Help.h"
#include "Profile.h"
#include "ProgramWindows.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>

#include <cmath>

namespace flk {

namespace {

constexpr int kPicture = 32;

QLineEdit* Borderless(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setMinimumWidth(260);
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, parent->palette().color(QPalette::Window));
    edit->setPalette(pal);
    return edit;
}

struct Usage {
    int count = 0;
    qint64 bytes = 0;
};

// Every entry of the directory but its sub-directories, each measured as a
// file: one that cannot be opened counts -1 bytes.
Usage Measure(const QString& dir)
{
    Usage usage;
    const QFileInfoList entries = QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                          QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir())
            continue;
        QFile file(entry.absoluteFilePath());
        usage.bytes += file.open(QIODevice::ReadOnly) ? file.size() : -1;
        ++usage.count;
    }
    return usage;
}

} // namespace

TfrmSectionProps::TfrmSectionProps(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSectionProps"));
    setWindowTitle(QStringLiteral("Properties"));

    imgSection = new QLabel(this);
    imgSection->setPixmap(style()->standardIcon(QStyle::SP_DirIcon).pixmap(kPicture, kPicture));
    imgSection->setAccessibleName(QStringLiteral("Section picture"));
    imgIcon = new QLabel(this);
    imgIcon->setFixedSize(kPicture, kPicture);
    imgIcon->setAccessibleName(QStringLiteral("Folder icon"));
    imgIcon->hide();
    lblType = new QLabel(this);
    edtName = Borderless(this);
    edtLocation = Borderless(this);
    auto* lblName = new QLabel(QStringLiteral("Name:"), this);
    lblName->setBuddy(edtName);
    auto* lblLocation = new QLabel(QStringLiteral("Location:"), this);
    lblLocation->setBuddy(edtLocation);
    edtName->setAccessibleName(QStringLiteral("Name"));
    edtLocation->setAccessibleName(QStringLiteral("Location"));
    lblNumberDesc = new QLabel(this);
    lblNumber = new QLabel(this);
    lblNumberDesc->setBuddy(lblNumber);
    lblSpaceDesc = new QLabel(QStringLiteral("Total File Space"), this);
    lblSpace = new QLabel(this);
    lblSpace->setAccessibleName(QStringLiteral("Total File Space"));
    lblIcon = new QLabel(QStringLiteral("Icon:"), this);
    lvIcon = NewIconList(this);
    lblIcon->setBuddy(lvIcon);
    lvIcon->setAccessibleName(QStringLiteral("Icon"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);

    auto* grid = new QGridLayout(this);
    auto* pictures = new QHBoxLayout;
    pictures->addWidget(imgSection);
    pictures->addWidget(imgIcon);
    pictures->addWidget(lblType, 1);
    grid->addLayout(pictures, 0, 0, 1, 2);
    grid->addWidget(lblName, 1, 0);
    grid->addWidget(edtName, 1, 1);
    grid->addWidget(lblLocation, 2, 0);
    grid->addWidget(edtLocation, 2, 1);
    grid->addWidget(lblNumberDesc, 3, 0);
    grid->addWidget(lblNumber, 3, 1);
    grid->addWidget(lblSpaceDesc, 4, 0);
    grid->addWidget(lblSpace, 4, 1);
    grid->addWidget(lblIcon, 5, 0, Qt::AlignTop);
    grid->addWidget(lvIcon, 5, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    grid->addLayout(buttons, 6, 0, 1, 2);

    connect(lvIcon, &QListWidget::itemClicked, this, [this] { lvIconClick(); });
    connect(lvIcon, &QListWidget::currentRowChanged, this, [this] { lvIconClick(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { RunGuarded([this] { cmdOKClick(); }, this); });
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, [] { OpenHelp(); });
}

QString TfrmSectionProps::KiloBytes(qint64 bytes)
{
    // nearbyint rounds halves to the even neighbour: 1.5k shows 2k, 2.5k 2k.
    return QString::number(static_cast<qint64>(std::nearbyint(static_cast<double>(bytes) / 1024.0))) + 'k';
}

void TfrmSectionProps::ShowSectionPicture()
{
    imgSection->show();
    imgIcon->hide();
}

void TfrmSectionProps::ShowIconPicture(const QIcon& icon)
{
    imgIcon->setPixmap(icon.pixmap(kPicture, kPicture));
    imgIcon->show();
    imgSection->hide();
}

void TfrmSectionProps::PreShow(int mode, int button, int page)
{
    auto* bar = Window<CatalogueBar>();
    if (!bar || page < 0 || page >= bar->PageCount())
        return;
    m_mode = mode;
    m_page = page;
    m_button = button;
    const QString section = bar->PageCaption(page);
    if (mode == kSection) {
        PrepareSection(section);
    } else {
        const QString folder = bar->ButtonCaptions(page).value(button);
        if (folder.isNull())
            return;
        PrepareFolder(section, folder);
    }
    Dialogs::instance().execModal(this);
}

void TfrmSectionProps::PrepareSection(const QString& section)
{
    for (QWidget* w : {static_cast<QWidget*>(lvIcon), static_cast<QWidget*>(lblIcon),
                       static_cast<QWidget*>(lblSpaceDesc), static_cast<QWidget*>(lblSpace)})
        w->hide();
    setWindowTitle(section + QStringLiteral(" Properties"));
    lblType->setText(QStringLiteral("Section"));
    edtName->setText(section);
    const int n = Window<CatalogueBar>()->SectionNumberOf(m_page);
    edtLocation->setText(Profile(Catalogue::HeadersFile())
                             .readString(QStringLiteral("Header%1").arg(n), QStringLiteral("Location"),
                                         QStringLiteral("No Data")));
    lblNumberDesc->setText(QStringLiteral("Categories:"));
    lblNumber->setText(Profile(Catalogue::SectionFile(section))
                           .readString(QStringLiteral("Main"), QStringLiteral("NumCats"), QStringLiteral("0")));
    lblNumber->setAccessibleName(QStringLiteral("Categories"));
}

void TfrmSectionProps::PrepareFolder(const QString& section, const QString& folder)
{
    for (QWidget* w : {static_cast<QWidget*>(lvIcon), static_cast<QWidget*>(lblIcon),
                       static_cast<QWidget*>(lblSpaceDesc), static_cast<QWidget*>(lblSpace)})
        w->show();
    {
        // Filling selects the first icon; the folder's own comes next.
        const QSignalBlocker quiet(lvIcon);
        FillIconList(lvIcon);
    }
    setWindowTitle(folder + QStringLiteral(" Properties"));
    lblType->setText(QStringLiteral("Folder"));
    edtName->setText(folder);
    auto* bar = Window<CatalogueBar>();
    const int n = bar->SectionNumberOf(m_page);
    const QString directory = Catalogue::FolderDirectory(Catalogue::SectionLocation(n), folder);
    edtLocation->setText(directory);
    lblNumberDesc->setText(QStringLiteral("Files:"));
    lblNumber->setAccessibleName(QStringLiteral("Files"));
    {
        const QSignalBlocker quiet(lvIcon);
        lvIcon->setCurrentRow(Catalogue::FolderIcon(section, bar->FolderNumberOf(m_page, m_button)));
    }
    const Usage usage = Measure(directory);
    lblSpace->setText(KiloBytes(usage.bytes));
    lblNumber->setText(QString::number(usage.count));
}

void TfrmSectionProps::lvIconClick()
{
    const int row = lvIcon->currentRow();
    const QList<QIcon> icons = FolderIconSet();
    if (row >= 0 && row < icons.size())
        imgIcon->setPixmap(icons[row].pixmap(kPicture, kPicture));
}

void TfrmSectionProps::cmdOKClick()
{
    auto* bar = Window<CatalogueBar>();
    if (m_mode == kFolder && bar && lvIcon->currentRow() >= 0) {
        const int icon = lvIcon->currentRow();
        const int m = bar->FolderNumberOf(m_page, m_button);
        if (m > 0)
            Catalogue::SetFolderIcon(bar->PageCaption(m_page), m, icon);
        bar->SetButtonImage(m_page, m_button, icon);
    }
    accept();
}

} // namespace flk
