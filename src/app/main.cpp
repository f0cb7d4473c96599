// Program entry: the hidden tray window is the main form and runs the
// start-up sequence; the message loop runs until Exit.

#include "Application.h"
#include "QtDialogs.h"
#include "SessionEnd.h"
#include "SingleInstance.h"
#include "Tray.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    flk::TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fetchlark"));
    // Wayland desktops match the windows to the desktop entry by this name.
    QApplication::setDesktopFileName(QStringLiteral("fetchlark"));
    QApplication::setQuitOnLastWindowClosed(false);
    flk::QtDialogs dialogs;
    flk::Dialogs::install(&dialogs);

    const QStringList arguments = QApplication::arguments().mid(1);
    flk::SingleInstance instance;
    if (!instance.Acquire()) {
        // Only one tray window may answer under "FLK": this copy shows what
        // it was given, as a later start does, and leaves.
        std::fprintf(stderr, "Fetchlark is already running.\n");
        // Without arguments the running copy's window comes forward: the
        // way back to it on a desktop that shows no tray icons.
        if (arguments.isEmpty() && flk::SingleInstance::ShowRunningManager())
            std::fprintf(stderr, "Its manager window is brought forward.\n");
        if (!arguments.isEmpty()) {
            flk::Dialogs::showMessage(arguments.value(0));
            flk::Dialogs::showMessage(arguments.value(1));
        }
        return 0;
    }

    // Watch for the end of the session before the tray window answers to
    // anybody: a SIGTERM during start-up must take the same path.
    flk::SessionEnd sessionEnd([] {
        // The tray window registers itself first thing (ProgramWindows).
        if (auto* tray = flk::Window<flk::TfrmTray>())
            tray->WMQueryEndSession();
        else
            std::_Exit(0);
    });
    flk::TfrmTray tray(arguments);
    // Exit chosen while start-up still ran (a question of the scheduled
    // file events was open): the loop would forget it.
    if (tray.Exiting())
        return 0;
    return app.exec();
}
