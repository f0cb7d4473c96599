#include "Dialogs.h"

#include <QCoreApplication>
#include <cstdio>

namespace flk {
namespace {

class HeadlessDialogs : public Dialogs {
public:
    int messageBox(QWidget*, const MessageRequest& r) override
    {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(r.caption), qPrintable(r.text));
        switch (r.buttons) {
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return IDYES;
        default:
            return IDOK;
        }
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString browseForFolder(QWidget*, const QString&, const QString&) override { return {}; }
    bool printDialog(QWidget*, QPrinter*) override { return false; } // nothing printed unasked
    int execModal(QDialog*) override { return 0; } // no user to answer: Rejected
};

HeadlessDialogs g_headless;
Dialogs* g_installed = nullptr;

} // namespace

Dialogs& Dialogs::instance()
{
    return g_installed ? *g_installed : g_headless;
}

void Dialogs::install(Dialogs* d)
{
    g_installed = d;
}

void Dialogs::showMessage(const QString& text, QWidget* parent)
{
    message(text, QCoreApplication::applicationName(), MB_OK, MB_ICONNONE, parent);
}

int Dialogs::message(const QString& text, const QString& caption, int buttons, int icon, QWidget* parent,
                     int defaultButton)
{
    return instance().messageBox(parent, MessageRequest{caption, text, buttons, icon, defaultButton});
}

} // namespace flk
