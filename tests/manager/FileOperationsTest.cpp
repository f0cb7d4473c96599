// The file operations on their own, without the manager window: a file list
// on a real folder, its record file, and a host that records what it hears.
#include "FileOperations.h"
#include "FileOperationsHost.h"
#include "FolderList.h"
#include "RecordFile.h"
#include "ScriptedDialogs.h"
#include "StoredDate.h"
#include "TempHome.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <gtest/gtest.h>

using namespace flk;
using namespace flk::test;

namespace {

class Host : public FileOperationsHost {
public:
    explicit Host(TFolderList* list) : m_list(list) {}
    QString CurrentRecordFile() const override { return records; }
    void AfterDelete() override { listedAfterDelete << m_list->FileNames(); }
    void ScanRecorded(const QString& file, const QStringList& names, const QString& date) override
    {
        scanned << file + "|" + names.join(',') + "|" + date;
    }

    QString records;
    QList<QStringList> listedAfterDelete;
    QStringList scanned;

private:
    TFolderList* m_list;
};

class FileOperationsAlone : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(folder);
        QDir().mkpath(other);
        for (const char* name : {"a.zip", "b.zip"}) {
            WriteAll(folder + name, name);
            records.writeString(name, "Desc", name);
        }
        host.records = records.fileName();
        list.SetDirectory(folder);
    }

    TempHome home;
    ScriptedDialogs dialogs;
    const QString folder = home.path() + "Games/";
    const QString other = home.path() + "Tools/";
    RecordFile records{home.path() + "Games.ini"};
    QWidget owner;
    TFolderList list{&owner};
    Host host{&list};
    TFileOperations ops{&owner, &list, &host};
};

TEST_F(FileOperationsAlone, ADeletedFileTakesItsRecordAndTheHostSeesTheListWithoutIt)
{
    list.SelectFiles({"a.zip"});
    ops.DeleteSelected(false);
    EXPECT_FALSE(QFileInfo::exists(folder + "a.zip"));
    EXPECT_TRUE(QFileInfo::exists(folder + "b.zip"));
    EXPECT_EQ(RecordFile(records.fileName()).recordNames(), QStringList({"b.zip"}));
    ASSERT_EQ(host.listedAfterDelete.size(), 1);
    EXPECT_EQ(host.listedAfterDelete[0], QStringList({"b.zip"})) << "the list is read again before the host is told";
    EXPECT_TRUE(dialogs.boxes().isEmpty());
}

TEST_F(FileOperationsAlone, AFolderScanDatesEveryRecordAndAFolderWithoutRecordsNothing)
{
    ops.RecordScanned(records.fileName(), {});
    const QString today = StoredDate::Today();
    const RecordFile read(records.fileName());
    for (const char* name : {"a.zip", "b.zip"})
        EXPECT_EQ(read.readString(name, RecordKey::LastScanned, ""), today) << name;
    EXPECT_EQ(host.scanned, QStringList({records.fileName() + "|a.zip,b.zip|" + today}));

    ops.RecordScanned(QString(), {"a.zip"});
    EXPECT_EQ(host.scanned.size(), 1) << "a section's own files keep no records";
}

TEST_F(FileOperationsAlone, AMovedFileCarriesItsRecordAndAFolderIsRefused)
{
    QDir().mkpath(folder + "sub");
    DropPlan plan;
    plan.move = true;
    plan.targetDir = other;
    plan.folderEnd = ".";
    plan.targetRecords.emplace(home.path() + "Tools.ini");
    plan.sourceDir = folder;
    plan.sourceRecords.emplace(records.fileName());
    EXPECT_EQ(ops.DropInto({folder + "a.zip", folder + "sub"}, plan), TFileOperations::kFinished);
    plan.targetRecords.reset(); // written through
    plan.sourceRecords.reset();
    EXPECT_EQ(ReadAll(other + "a.zip"), "a.zip");
    EXPECT_FALSE(QFileInfo::exists(folder + "a.zip"));
    EXPECT_EQ(RecordFile(home.path() + "Tools.ini").readString("a.zip", "Desc", ""), "a.zip");
    EXPECT_EQ(RecordFile(records.fileName()).recordNames(), QStringList({"b.zip"}));
    EXPECT_EQ(dialogs.texts(), QStringList({"Cannot add the folder \"" + folder + "sub\"."}));
}

} // namespace
