#pragma once
// A Dialogs stand-in for tests: records every box and answers from a queue.
// Installed for its lifetime.

#include "Dialogs.h"

#include <QList>
#include <QQueue>

#include <functional>

namespace flk::test {

class ScriptedDialogs : public Dialogs {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Answers given in order; when the queue is empty a box gets its default
    // button (as Enter would), else its first one.
    void answer(int id) { m_answers.enqueue(id); }
    void answerFolder(const QString& folder) { m_folders.enqueue(folder); }
    void answerFile(const QString& file) { m_files.enqueue(file); }
    // Modal windows: recorded by class name; answered from this queue, else
    // Rejected. `onModal` runs while the window is "shown" (to drive it).
    void answerModal(int result) { m_modalAnswers.enqueue(result); }
    // Print dialogs: each takes the next choice, which sets up the printer
    // and returns whether to print; with none left the dialog is cancelled,
    // so a test never prints on a real printer.
    void answerPrint(std::function<bool(QPrinter&)> choice) { m_printAnswers.enqueue(std::move(choice)); }
    int printDialogs() const { return m_printDialogs; }
    std::function<void(QDialog*)> onModal;
    // How long a message box runs the event loop before it answers, as a
    // real box does while the user reads it.
    int loopMs = 30;
    const QStringList& modals() const { return m_modals; }

    const QList<MessageRequest>& boxes() const { return m_boxes; }
    QStringList texts() const;
    void clear() { m_boxes.clear(); }

    int messageBox(QWidget* parent, const MessageRequest& request) override;
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override;
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override;
    QString browseForFolder(QWidget*, const QString&, const QString&) override;
    bool printDialog(QWidget*, QPrinter* printer) override;
    int execModal(QDialog* dialog) override;

private:
    QList<MessageRequest> m_boxes;
    QQueue<int> m_answers;
    QQueue<QString> m_folders;
    QQueue<QString> m_files;
    QQueue<int> m_modalAnswers;
    QQueue<std::function<bool(QPrinter&)>> m_printAnswers;
    int m_printDialogs = 0;
    QStringList m_modals;
};

} // namespace flk::test
