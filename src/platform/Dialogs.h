#pragma once
// Message and confirmation boxes, and the file and folder pickers, behind one
// interface: the program installs the Qt implementation; tests install a
// scripted one so that nothing ever waits on a real modal box.

#include <QString>
#include <QStringList>

class QDialog;
class QPrinter;
class QWidget;

namespace flk {

// Buttons and answers, numbered as the program's boxes have always been.
enum MsgButtons { MB_OK = 0, MB_OKCANCEL = 1, MB_YESNOCANCEL = 3, MB_YESNO = 4 };
enum MsgIcon { MB_ICONNONE = 0, MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30,
               MB_ICONINFORMATION = 0x40 };
enum MsgAnswer { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageRequest {
    QString caption;
    QString text;
    int buttons = MB_OK;
    int icon = MB_ICONNONE;
    int defaultButton = 0; // the answer Enter gives (IDYES, IDNO...); 0 = the first button
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Shows a modal box and returns the answer (IDOK, IDCANCEL, IDYES, IDNO).
    virtual int messageBox(QWidget* parent, const MessageRequest& request) = 0;
    // File pickers: an empty result means the user cancelled.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString browseForFolder(QWidget* parent, const QString& caption, const QString& dir) = 0;
    // The print dialog: the user picks and sets up `printer`; false when
    // cancelled (nothing is to be printed).
    virtual bool printDialog(QWidget* parent, QPrinter* printer) = 0;
    // Shows one of the program's own windows modally and returns its result
    // (QDialog::Accepted or Rejected). Every modal show goes through here so
    // that tests can record it instead of waiting for a user.
    virtual int execModal(QDialog* dialog) = 0;

    // The installed implementation. Without one, a headless stand-in answers
    // every box with its first button and prints it on standard error.
    static Dialogs& instance();
    // Installs `d` (not owned); nullptr restores the headless stand-in.
    static void install(Dialogs* d);

    // Shorthands for the boxes the program shows.
    static void showMessage(const QString& text, QWidget* parent = nullptr);
    static int message(const QString& text, const QString& caption, int buttons, int icon = MB_ICONNONE,
                       QWidget* parent = nullptr, int defaultButton = 0);
};

} // namespace flk
