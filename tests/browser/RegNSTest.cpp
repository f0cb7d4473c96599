// Registration at start and unregistration at the end, with the real helper
// library and with broken ones, and the Netscape and Internet Explorer steps.

#include "BrowserEnv.h"
#include "OleAutomation.h"
#include "RegNS.h"
#include "Registry.h"
#include "ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace flk;

namespace {

const QString kClass = "{5F3C2A10-7E4B-4D21-9A6C-3B8E1F0D4C27}";

QString ReadValue(RootKey root, const QString& key, const QString& name)
{
    Registry reg(root);
    return reg.OpenKey(key, false) ? reg.ReadString(name) : QStringLiteral("<no key>");
}

QString IeKey(const QString& protocol)
{
    return QStringLiteral("\\SOFTWARE\\Classes\\PROTOCOLS\\Name-Space Handler\\%1\\FLK.IEClickMon").arg(protocol);
}

// Netscape's registry object as a browser offering it would answer.
struct FakeNetscape : TNetscapeRegistry {
    explicit FakeNetscape(QStringList& calls) : calls(calls) {}
    bool RegisterProtocol(const QString& protocol, const QString& object) override
    {
        calls << protocol + "=" + object;
        return true;
    }
    QStringList& calls;
};

class Registration : public ::testing::Test {
protected:
    // Registers with the Netscape automation server stood in by a fake;
    // the handler assignments it was asked for.
    QStringList registerNetscape()
    {
        QStringList calls;
        OleAutomation::InstallServer("Netscape.Registry.1", [&] { return std::make_unique<FakeNetscape>(calls); });
        TRegNS(helperFolder(FLK_AUTO_LIBRARY)).RegisterNetscape();
        OleAutomation::InstallServer("Netscape.Registry.1", {});
        return calls;
    }
    // A folder holding a copy of `library` as FLKAuto.so (none when empty).
    QString helperFolder(const QString& library)
    {
        const QString folder = env.scratch("helper");
        QDir().mkpath(folder);
        if (!library.isEmpty()) {
            EXPECT_TRUE(QFile::copy(library, folder + "/FLKAuto.so"));
        }
        return folder;
    }
    void expectIeKeys()
    {
        EXPECT_EQ(ReadValue(RootKey::LocalMachine, IeKey("http"), "CLSID"), kClass);
        EXPECT_EQ(ReadValue(RootKey::LocalMachine, IeKey("ftp"), "CLSID"), kClass);
        EXPECT_EQ(ReadValue(RootKey::ClassesRoot, "\\CLSID\\" + kClass + "\\InprocServer32", "ThreadingModel"),
                  "Apartment");
    }

    test::BrowserEnv env;
    test::ScriptedDialogs dialogs;
};

} // namespace

TEST_F(Registration, RealHelperRegistersQuietly)
{
    QDir().mkpath(env.configHome() + "/chromium");
    TRegNS reg(helperFolder(FLK_AUTO_LIBRARY));
    reg.RegisterAll();
    EXPECT_EQ(dialogs.texts(), QStringList());
    expectIeKeys();
    EXPECT_TRUE(QFileInfo::exists(env.configHome() + "/chromium/NativeMessagingHosts/org.fetchlark.flkauto.json"));
    EXPECT_TRUE(QFileInfo::exists(env.home() + "/.mozilla/native-messaging-hosts/org.fetchlark.flkauto.json"));

    // The end: only the helper's own unregistration runs.
    EXPECT_TRUE(reg.SelfRegister(false));
    EXPECT_EQ(dialogs.texts(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(env.configHome() + "/chromium/NativeMessagingHosts/org.fetchlark.flkauto.json"));
    EXPECT_EQ(ReadValue(RootKey::LocalMachine, IeKey("http"), "CLSID"), kClass);
}

TEST_F(Registration, MissingHelper)
{
    TRegNS reg(helperFolder({}));
    reg.RegisterAll();
    EXPECT_EQ(dialogs.texts(), QStringList{"Missing FLKAuto.dll - this file must be in the Fetchlark folder."});
    expectIeKeys(); // the linked library registered its class
    dialogs.clear();
    EXPECT_FALSE(reg.SelfRegister(false));
    EXPECT_EQ(dialogs.texts(), QStringList{"Missing FLKAuto.dll - this file must be in the Fetchlark folder."});
}

TEST_F(Registration, UnloadableHelper)
{
    const QString folder = helperFolder({});
    test::WriteAll(folder + "/FLKAuto.so", "MZ this is no library");
    TRegNS reg(folder);
    EXPECT_FALSE(reg.SelfRegister(true));
    EXPECT_FALSE(reg.SelfRegister(false));
    EXPECT_EQ(dialogs.texts(), (QStringList{"Failed to load FLKAuto.DLL", "Failed to load FLKAuto.DLL"}));
}

TEST_F(Registration, HelperWithoutEntryPoints)
{
    TRegNS reg(FLK_TESTLIB_ENTRYLESS);
    EXPECT_FALSE(reg.SelfRegister(true));
    EXPECT_FALSE(reg.SelfRegister(false));
    EXPECT_EQ(dialogs.texts(), (QStringList{"FLKAuto.DLL file corrupted", "FLKAuto.DLL file corrupted"}));
}

TEST_F(Registration, FailingHelperStillGetsTheInternetExplorerKeys)
{
    TRegNS reg(FLK_TESTLIB_FAILING);
    reg.RegisterAll();
    EXPECT_EQ(dialogs.texts(), QStringList{"Failed to register FLKAuto.DLL"});
    expectIeKeys();
    dialogs.clear();
    EXPECT_FALSE(reg.SelfRegister(false));
    EXPECT_EQ(dialogs.texts(), QStringList{"Failed to unregister FLKAuto.DLL"});
}

TEST_F(Registration, InternetExplorerKeysThatCannotBeWritten)
{
    ASSERT_TRUE(QDir().mkpath(Registry::FileName(RootKey::LocalMachine)));
    TRegNS reg(helperFolder(FLK_AUTO_LIBRARY));
    reg.RegisterAll();
    EXPECT_EQ(dialogs.texts(), QStringList{"Failed to register Fetchlark with Chromium"});
}

TEST_F(Registration, NetscapeNotInstalledWritesNothing)
{
    const QStringList calls = registerNetscape();
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_FALSE(Registry(RootKey::CurrentUser).KeyExists(TRegNS::kNetscapeKey));
}

TEST_F(Registration, NetscapeHandlersOfOthersAreReplaced)
{
    Registry user(RootKey::CurrentUser);
    ASSERT_TRUE(user.OpenKey(TRegNS::kNetscapeKey, true));
    ASSERT_TRUE(user.WriteString("ftp", "Other.Handler"));
    ASSERT_TRUE(user.WriteString("http", "FLKAuto.FLKAutomation"));

    const QStringList calls = registerNetscape();

    EXPECT_FALSE(user.ValueExists("ftp"));
    EXPECT_EQ(user.ReadString("http"), "FLKAuto.FLKAutomation");
    EXPECT_EQ(calls, (QStringList{"ftp=FLKAuto.FLKAutomation", "http=FLKAuto.FLKAutomation"}));
    EXPECT_EQ(dialogs.texts(), (QStringList{"FTP Handler installed.", "HTTP Handler installed."}));
}

TEST_F(Registration, NetscapeAlreadyOursSaysNothing)
{
    Registry user(RootKey::CurrentUser);
    ASSERT_TRUE(user.OpenKey(TRegNS::kNetscapeKey, true));
    ASSERT_TRUE(user.WriteString("ftp", "FLKAuto.FLKAutomation"));
    ASSERT_TRUE(user.WriteString("http", "FLKAuto.FLKAutomation"));
    const QStringList calls = registerNetscape();
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(Registration, NoAutomationOnThisDesktopIsIgnored)
{
    Registry user(RootKey::CurrentUser);
    ASSERT_TRUE(user.OpenKey(TRegNS::kNetscapeKey, true));
    ASSERT_TRUE(user.WriteString("http", "Other.Handler"));
    TRegNS(helperFolder(FLK_AUTO_LIBRARY)).RegisterNetscape();
    EXPECT_FALSE(user.ValueExists("http"));
    EXPECT_TRUE(dialogs.texts().isEmpty());
}
