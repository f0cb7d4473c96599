// The registry store: keys opened with and without creating, values,
// enumeration, and refused writes.

#include "Registry.h"
#include "TempHome.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace flk;

TEST(Registry, OpenWithoutCreatingFailsOnAMissingKey)
{
    test::TempHome home;
    Registry reg(RootKey::CurrentUser);
    EXPECT_FALSE(reg.OpenKey("\\Software\\Netscape\\Netscape Navigator\\Automation Protocols", false));
    EXPECT_FALSE(reg.HasOpenKey());
    EXPECT_FALSE(QFileInfo::exists(Registry::FileName(RootKey::CurrentUser)));
}

TEST(Registry, CreateWriteReadDelete)
{
    test::TempHome home;
    Registry reg(RootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Classes\\PROTOCOLS\\Name-Space Handler\\http\\FLK.IEClickMon", true));
    EXPECT_EQ(reg.CurrentPath(), "SOFTWARE\\Classes\\PROTOCOLS\\Name-Space Handler\\http\\FLK.IEClickMon");
    ASSERT_TRUE(reg.WriteString("CLSID", "{X}"));
    reg.CloseKey();

    Registry other(RootKey::LocalMachine); // names match whatever their case
    ASSERT_TRUE(other.OpenKey("\\software\\classes\\protocols\\NAME-SPACE HANDLER\\HTTP\\flk.ieclickmon", false));
    EXPECT_TRUE(other.ValueExists("clsid"));
    EXPECT_EQ(other.ReadString("CLSID"), "{X}");
    EXPECT_EQ(other.ReadString("missing"), "");
    EXPECT_EQ(other.GetValueNames(), QStringList{"CLSID"});
    ASSERT_TRUE(other.WriteString("clsid", "{Y}"));
    EXPECT_EQ(other.GetValueNames(), QStringList{"CLSID"});
    EXPECT_EQ(other.ReadString("CLSID"), "{Y}");
    EXPECT_TRUE(other.DeleteValue("CLSID"));
    EXPECT_FALSE(other.ValueExists("CLSID"));
    EXPECT_FALSE(other.DeleteValue("CLSID"));

    // The other roots are other files.
    Registry user(RootKey::CurrentUser);
    EXPECT_FALSE(user.KeyExists("\\SOFTWARE\\Classes"));
    EXPECT_NE(Registry::FileName(RootKey::CurrentUser), Registry::FileName(RootKey::LocalMachine));
    EXPECT_NE(Registry::FileName(RootKey::ClassesRoot), Registry::FileName(RootKey::LocalMachine));
    EXPECT_TRUE(Registry::FileName(RootKey::ClassesRoot).startsWith(home.path()));
}

TEST(Registry, SubkeysRelativeKeysAndDeletion)
{
    test::TempHome home;
    Registry reg(RootKey::ClassesRoot);
    ASSERT_TRUE(reg.OpenKey("\\CLSID\\{A}", true));
    ASSERT_TRUE(reg.OpenKey("InprocServer32", true)); // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), "CLSID\\{A}\\InprocServer32");
    ASSERT_TRUE(reg.OpenKey("\\CLSID\\{B}", true));
    ASSERT_TRUE(reg.OpenKey("\\CLSID", false));
    QStringList names = reg.GetKeyNames();
    names.sort();
    EXPECT_EQ(names, (QStringList{"{A}", "{B}"}));
    EXPECT_TRUE(reg.KeyExists("{A}\\InprocServer32"));
    EXPECT_TRUE(reg.DeleteKey("\\CLSID\\{A}"));
    EXPECT_FALSE(reg.KeyExists("\\CLSID\\{A}\\InprocServer32"));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{"{B}"});
    EXPECT_FALSE(reg.DeleteKey("\\CLSID\\{A}"));
}

TEST(Registry, RefusedWritesReportFailure)
{
    test::TempHome home;
    // A folder where the file should be: nothing can be written there.
    ASSERT_TRUE(QDir().mkpath(Registry::FileName(RootKey::LocalMachine)));
    Registry reg(RootKey::LocalMachine);
    EXPECT_FALSE(reg.OpenKey("\\SOFTWARE\\X", true));
    EXPECT_FALSE(reg.WriteString("a", "b"));
}
