#pragma once
// A download dialog over a small catalogue in a temporary program folder:
// section "Programs" (folders "Utilities", "Games") and section "Empty"
// (no folders). Boxes and shell calls are recorded.

#include "Asker.h"
#include "Catalogue.h"
#include "RecordingShell.h"
#include "ScriptedDialogs.h"
#include "TempHome.h"

#include "AnotherGauge.h"
#include "RinGauge.h"
#include "VVNavigatorGauge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace flk::test {

// Scripted boxes that can also look at the program while a box is up.
class HookedDialogs : public ScriptedDialogs {
public:
    std::function<void(const MessageRequest&)> onBox;
    int messageBox(QWidget* parent, const MessageRequest& request) override
    {
        const int answer = ScriptedDialogs::messageBox(parent, request);
        if (onBox) {
            auto hook = std::move(onBox); // one look per box; the hook may show boxes itself
            hook(request);
        }
        return answer;
    }
};

class AskerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Catalogue::AddSection(QStringLiteral("Programs"), home.path() + QStringLiteral("Programs/"));
        Catalogue::AddFolder(QStringLiteral("Utilities"), QStringLiteral("Programs"), 0, 0);
        Catalogue::AddFolder(QStringLiteral("Games"), QStringLiteral("Programs"), 1, 0);
        Catalogue::AddSection(QStringLiteral("Empty"), home.path() + QStringLiteral("Empty/"));
    }

    void TearDown() override
    {
        delete asker.data();
    }

    // A dialog opened the way every opener does: fields, SetDefaults.
    TfrmAsker* Open(const QString& name = QStringLiteral("setup.zip"))
    {
        asker = new TfrmAsker;
        asker->edtName->setText(name);
        asker->edtDesc->setText(QStringLiteral("A setup program"));
        asker->edtSource->setEditText(QStringLiteral("http://127.0.0.1:1/files/") + name);
        // Port 1 on loopback refuses at once: no transfer can get far.
        asker->SourceUrl = QStringLiteral("http://127.0.0.1:1/files/") + name;
        asker->Protocol = QStringLiteral("http");
        asker->SetDefaults();
        return asker;
    }

    // Presses Download and runs messages until the dialog is Idle again (or
    // gone), as a user would wait; false when it is still busy after `limitMs`.
    bool RunDownload(int limitMs = 20000)
    {
        asker->cmdOK->click();
        return WaitIdle(limitMs);
    }

    bool WaitIdle(int limitMs = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        QTimer wake; // the loop sleeps between events; this looks at the state
        wake.start(20);
        while (asker && asker->IsBusy()) {
            if (clock.elapsed() > limitMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        // What the end posted (the completion, the close) runs too, and a
        // closed dialog deletes itself, as the event loop would.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return true;
    }

    QString FolderFile(const QString& folder = QStringLiteral("Utilities")) const
    {
        return Catalogue::FolderFile(QStringLiteral("Programs"), folder);
    }

    TempHome home;
    HookedDialogs dialogs;
    RecordingShell shell;
    QPointer<TfrmAsker> asker;
};

} // namespace flk::test
