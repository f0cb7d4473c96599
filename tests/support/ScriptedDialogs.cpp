#include "ScriptedDialogs.h"

#include <QEventLoop>
#include <QTimer>

#include <QDialog>

namespace flk::test {

ScriptedDialogs::ScriptedDialogs()
{
    Dialogs::install(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    Dialogs::install(nullptr);
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const MessageRequest& r : m_boxes)
        out << r.text;
    return out;
}

int ScriptedDialogs::messageBox(QWidget*, const MessageRequest& request)
{
    m_boxes << request;
    // A real box runs the event loop until the user answers: whatever is
    // due meanwhile (network events, timers, posted work) runs inside it.
    if (loopMs > 0) {
        QEventLoop loop;
        QTimer::singleShot(loopMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    if (request.defaultButton != 0)
        return request.defaultButton; // as Enter would
    switch (request.buttons) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    default: return IDOK;
    }
}

QString ScriptedDialogs::openFileName(QWidget*, const QString&, const QString&, const QString&)
{
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QString ScriptedDialogs::saveFileName(QWidget*, const QString&, const QString&, const QString&)
{
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QString ScriptedDialogs::browseForFolder(QWidget*, const QString&, const QString&)
{
    return m_folders.isEmpty() ? QString() : m_folders.dequeue();
}

bool ScriptedDialogs::printDialog(QWidget*, QPrinter* printer)
{
    ++m_printDialogs;
    return !m_printAnswers.isEmpty() && m_printAnswers.dequeue()(*printer);
}

int ScriptedDialogs::execModal(QDialog* dialog)
{
    m_modals << QString::fromLatin1(dialog->metaObject()->className());
    if (onModal)
        onModal(dialog);
    return m_modalAnswers.isEmpty() ? QDialog::Rejected : m_modalAnswers.dequeue();
}

} // namespace flk::test
