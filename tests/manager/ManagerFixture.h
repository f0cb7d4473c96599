#pragma once
// A manager window over the default catalogue, shown and active, with the
// folder Programs/Games as the place the tests fill with files.

#include "Catalogue.h"
#include "FolderList.h"
#include "LookOut.h"
#include "Manager.h"
#include "PumpGuard.h"
#include "RecordFile.h"
#include "RecordingShell.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "TempHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace flk::test {

class ManagerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings::SetSpeed(28800);
        Catalogue::BuildDefaultCatalogue();
        Settings::SetFirstRun(false);
    }
    QString games() const { return home.path() + "Programs/Games/"; }
    RecordFile records() const { return RecordFile(QStringLiteral("Programs"), QStringLiteral("Games")); }
    // Files in Games, then the window shown with Games pressed.
    TfrmManager& open(const QStringList& files)
    {
        for (const QString& f : files)
            WriteAll(games() + f, "data");
        m = std::make_unique<TfrmManager>();
        m->show();
        QApplication::setActiveWindow(m.get());
        m->Nav->Page(0)->Button(1)->Press();
        ProcessMessages();
        return *m;
    }
    // Runs messages until `done` (what another thread or the disk reports).
    template <typename Pred> bool waitFor(Pred done)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    TempHome home;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<TfrmManager> m;
};

} // namespace flk::test
