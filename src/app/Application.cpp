#include "Application.h"

#include "ErrorBox.h"

namespace flk {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace flk
