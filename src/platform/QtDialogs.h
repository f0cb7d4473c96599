#pragma once
#include "Dialogs.h"

namespace flk {

// The program's boxes and pickers, as Qt dialogs.
class QtDialogs : public Dialogs {
public:
    int messageBox(QWidget* parent, const MessageRequest& request) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString browseForFolder(QWidget* parent, const QString& caption, const QString& dir) override;
    bool printDialog(QWidget* parent, QPrinter* printer) override;
    int execModal(QDialog* dialog) override;
};

} // namespace flk
