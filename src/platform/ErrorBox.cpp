#include "ErrorBox.h"

#include "Dialogs.h"
#include "Exception.h"

#include <QCoreApplication>
#include <cstdio>

namespace flk {

void ShowError(const QString& message, QWidget* parent)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), message.toUtf8().constData());
    Dialogs::message(message, QCoreApplication::applicationName(), MB_OK, MB_ICONERROR, parent);
}

void ShowException(const std::exception& e, QWidget* parent)
{
    ShowError(ExceptionMessage(e), parent);
}

bool RunGuarded(const std::function<void()>& command, QWidget* parent)
{
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        ShowException(e, parent);
    } catch (...) {
        ShowError(QStringLiteral("An unexpected error ended the command."), parent);
    }
    return false;
}

} // namespace flk
