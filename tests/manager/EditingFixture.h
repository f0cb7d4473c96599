#pragma once
// The manager window over the default catalogue (Programs, Research,
// Internet) in a temporary program folder, shown, with the four section and
// folder dialogs registered as the program registers them. Boxes and modal
// windows are scripted.

#include "AppMessages.h"
#include "Catalogue.h"
#include "FolderList.h"
#include "LookOut.h"
#include "Manager.h"
#include "NewSection.h"
#include "Profile.h"
#include "ProgramWindows.h"
#include "RecordingShell.h"
#include "ScriptedDialogs.h"
#include "SectionProps.h"
#include "Settings.h"
#include "TempHome.h"
#include "category.h"
#include "secdelete.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace flk::test {

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings::SetSpeed(28800);
        manager = std::make_unique<TfrmManager>();
        windows.Add(manager.get());
        for (QObject* w : std::initializer_list<QObject*>{&category, &newSection, &del, &props})
            windows.Add(w);
        manager->show();
        manager->Nav->Page(0)->Button(0)->Press();
    }

    QString Ini(const QString& file, const QString& section, const QString& key) const
    {
        return Profile(home.file(file)).readString(section, key, QStringLiteral("<none>"));
    }
    void Touch(const QString& path, int bytes = 10) const
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(QByteArray(bytes, 'x'));
    }
    static void Pump() { QCoreApplication::sendPostedEvents(); }
    TLookOutPage* Page(int i) const { return manager->Nav->Page(i); }

    TempHome home;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<TfrmManager> manager;
    TfrmCategory category;
    TfrmNewSection newSection;
    TfrmDelete del;
    TfrmSectionProps props;
    ProgramWindows windows;
};

} // namespace flk::test
