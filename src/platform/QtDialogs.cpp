#include "QtDialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>

namespace flk {
namespace {

QMessageBox::Icon iconOf(int icon)
{
    switch (icon) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButton buttonOf(int answer)
{
    switch (answer) {
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDOK: return QMessageBox::Ok;
    default: return QMessageBox::NoButton;
    }
}

QMessageBox::StandardButtons buttonsOf(int buttons)
{
    switch (buttons) {
    case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

} // namespace

int QtDialogs::messageBox(QWidget* parent, const MessageRequest& r)
{
    // The program's texts break lines with bare carriage returns.
    QString text = r.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
    QMessageBox box(iconOf(r.icon), r.caption, text, buttonsOf(r.buttons), parent);
    if (const QMessageBox::StandardButton def = buttonOf(r.defaultButton); def != QMessageBox::NoButton)
        box.setDefaultButton(def);
    switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Ok: return IDOK;
    default: return r.buttons == MB_OK ? IDOK : IDCANCEL; // closed with the window's own button
    }
}

QString QtDialogs::openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString QtDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString QtDialogs::browseForFolder(QWidget* parent, const QString& caption, const QString& dir)
{
    return QFileDialog::getExistingDirectory(parent, caption, dir);
}

bool QtDialogs::printDialog(QWidget* parent, QPrinter* printer)
{
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::execModal(QDialog* dialog)
{
    return dialog->exec();
}

} // namespace flk
