// The start-with-the-session entry on disk: where it goes, what it starts,
// and its removal.

#include "Autostart.h"
#include "TempHome.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace flk;
using namespace flk::test;

TEST(Autostart, EntryGoesUnderTheConfigFolderAndIsRemovedAgain)
{
    TempHome home;
    qputenv("XDG_CONFIG_HOME", (home.home() + "elsewhere").toUtf8());
    EXPECT_EQ(Autostart::EntryPath(), home.home() + "elsewhere/autostart/Fetchlark.desktop");
    Autostart::Create("/opt/fetchlark/fetchlark");
    EXPECT_TRUE(Autostart::Exists());
    Autostart::Remove();
    EXPECT_FALSE(Autostart::Exists());
    Autostart::Remove(); // absent: nothing to say

    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(Autostart::EntryPath(), home.home() + ".config/autostart/Fetchlark.desktop");
}

TEST(Autostart, ExecQuotesAnyProgramPathTheDesktopEntryWay)
{
    EXPECT_EQ(Autostart::EntryText("/opt/My Apps/fetch\"lark$1\\%x"),
              "[Desktop Entry]\nType=Application\nName=Fetchlark\nComment=Marrowby Fetchlark\n"
              "Exec=\"/opt/My Apps/fetch\\\\\"lark\\\\$1\\\\\\\\%%x\"\n"
              "Icon=fetchlark\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
}
