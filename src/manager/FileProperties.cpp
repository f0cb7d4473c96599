#include "FileProperties.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>

namespace flk {

namespace {

QLineEdit* Field(QFormLayout* form, const QString& caption, const char* name)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setMinimumWidth(360);
    QPalette plain = edit->palette(); // reads as text, not as a box to type into
    plain.setColor(QPalette::Base, plain.color(QPalette::Window));
    edit->setPalette(plain);
    auto* label = new QLabel(caption);
    label->setBuddy(edit);
    edit->setAccessibleName(QString(caption).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    form->addRow(label, edit);
    return edit;
}

QString DateText(const QDateTime& when)
{
    return when.isValid() ? QLocale().toString(when, QLocale::LongFormat) : QStringLiteral("Not known");
}

// "rw-r--r-- (644)"
QString PermissionText(QFile::Permissions p)
{
    const std::pair<QFile::Permission, char> bits[] = {
        {QFile::ReadOwner, 'r'}, {QFile::WriteOwner, 'w'}, {QFile::ExeOwner, 'x'},
        {QFile::ReadGroup, 'r'}, {QFile::WriteGroup, 'w'}, {QFile::ExeGroup, 'x'},
        {QFile::ReadOther, 'r'}, {QFile::WriteOther, 'w'}, {QFile::ExeOther, 'x'}};
    QString text;
    int octal = 0;
    for (const auto& [bit, letter] : bits) {
        const bool set = p.testFlag(bit);
        text += set ? QLatin1Char(letter) : QLatin1Char('-');
        octal = octal * 2 + (set ? 1 : 0);
    }
    return text + QStringLiteral(" (%1)").arg(octal, 3, 8, QLatin1Char('0'));
}

} // namespace

TFileProperties::TFileProperties(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFileProperties"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setAccessibleName(QStringLiteral("File icon"));
    layout->addWidget(imgIcon);
    auto* form = new QFormLayout;
    edtName = Field(form, QStringLiteral("&Name:"), "edtName");
    edtFolder = Field(form, QStringLiteral("&Folder:"), "edtFolder");
    edtSize = Field(form, QStringLiteral("&Size:"), "edtSize");
    edtType = Field(form, QStringLiteral("&Type:"), "edtType");
    edtModified = Field(form, QStringLiteral("&Modified:"), "edtModified");
    edtAccessed = Field(form, QStringLiteral("&Accessed:"), "edtAccessed");
    edtCreated = Field(form, QStringLiteral("&Created:"), "edtCreated");
    edtOwner = Field(form, QStringLiteral("&Owner:"), "edtOwner");
    edtPermissions = Field(form, QStringLiteral("&Permissions:"), "edtPermissions");
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setDefault(true); // Enter closes, as Escape does
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void TFileProperties::ShowFile(const QString& path)
{
    const QFileInfo info(path);
    setWindowTitle(info.fileName() + QStringLiteral(" Properties"));
    static const QFileIconProvider icons;
    imgIcon->setPixmap(icons.icon(info).pixmap(32, 32));
    edtName->setText(info.fileName());
    edtFolder->setText(QDir::toNativeSeparators(info.absolutePath()));
    const QLocale locale;
    edtSize->setText(QStringLiteral("%1 (%2 bytes)")
                         .arg(locale.formattedDataSize(info.size()), locale.toString(info.size())));
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    edtType->setText(QStringLiteral("%1 (%2)").arg(type.comment(), type.name()));
    edtModified->setText(DateText(info.lastModified()));
    edtAccessed->setText(DateText(info.lastRead()));
    edtCreated->setText(DateText(info.birthTime()));
    edtOwner->setText(QStringLiteral("%1, group %2").arg(info.owner(), info.group()));
    edtPermissions->setText(PermissionText(info.permissions()));
    for (QLineEdit* e : {edtName, edtFolder, edtSize, edtType, edtModified, edtAccessed, edtCreated, edtOwner,
                         edtPermissions})
        e->setCursorPosition(0);
}

} // namespace flk
