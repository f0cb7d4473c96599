// The helper library's own registration: manifests for the browsers in the
// (temporary) home, the class entries, and their removal.

#include "BrowserEnv.h"
#include "Registry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace flk;

namespace {

using EntryPoint = std::int32_t (*)();

const char* const kClass = "{5F3C2A10-7E4B-4D21-9A6C-3B8E1F0D4C27}";

QJsonObject ReadJson(const QString& path)
{
    return QJsonDocument::fromJson(test::ReadAll(path)).object();
}

// Chromium's id for an extension: the first 32 hex digits of the SHA-256 of
// its public key, written with the letters a to p.
QString ExtensionIdFromKey(const QByteArray& base64Key)
{
    const QByteArray hex =
        QCryptographicHash::hash(QByteArray::fromBase64(base64Key), QCryptographicHash::Sha256).toHex().left(32);
    QString id;
    for (char c : hex)
        id += QChar('a' + QByteArray(1, c).toInt(nullptr, 16));
    return id;
}

class HelperLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        library = dlopen(FLK_AUTO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        registerServer = reinterpret_cast<EntryPoint>(dlsym(library, "DllRegisterServer"));
        unregisterServer = reinterpret_cast<EntryPoint>(dlsym(library, "DllUnregisterServer"));
        ASSERT_NE(registerServer, nullptr);
        ASSERT_NE(unregisterServer, nullptr);
    }
    void TearDown() override
    {
        if (library)
            dlclose(library);
    }

    test::BrowserEnv env;
    void* library = nullptr;
    EntryPoint registerServer = nullptr;
    EntryPoint unregisterServer = nullptr;
};

} // namespace

// Every browser the user has gets its manifest; a browser that has never
// run (no configuration folder: Google Chrome here) gets no folder either.
TEST_F(HelperLibrary, RegisterWritesAManifestForEveryBrowserPresent)
{
    for (const char* folder : {"chromium", "BraveSoftware/Brave-Browser", "vivaldi", "microsoft-edge", "mozilla"})
        QDir().mkpath(env.configHome() + "/" + folder);
    ASSERT_EQ(registerServer(), 0);
    const QString host = QFileInfo(FLK_AUTO_LIBRARY).absolutePath() + "/flkauto-host";
    const QString name = "org.fetchlark.flkauto.json";

    for (const QString& dir : {env.configHome() + "/chromium/NativeMessagingHosts/",
                               env.configHome() + "/BraveSoftware/Brave-Browser/NativeMessagingHosts/",
                               env.configHome() + "/vivaldi/NativeMessagingHosts/",
                               env.configHome() + "/microsoft-edge/NativeMessagingHosts/"}) {
        const QJsonObject m = ReadJson(dir + name);
        EXPECT_EQ(m.value("name").toString(), "org.fetchlark.flkauto") << qPrintable(dir);
        EXPECT_EQ(m.value("path").toString(), host);
        EXPECT_EQ(m.value("type").toString(), "stdio");
        EXPECT_EQ(m.value("allowed_origins").toArray(),
                  QJsonArray{"chrome-extension://oiakoeiabikacimgmifhikedjpmkbkdo/"});
        EXPECT_FALSE(m.contains("allowed_extensions"));
    }
    EXPECT_FALSE(QFileInfo::exists(env.configHome() + "/google-chrome"));
    for (const QString& file : {env.home() + "/.mozilla/native-messaging-hosts/" + name,
                                env.configHome() + "/mozilla/native-messaging-hosts/" + name}) {
        const QJsonObject firefox = ReadJson(file);
        EXPECT_EQ(firefox.value("path").toString(), host) << qPrintable(file);
        EXPECT_EQ(firefox.value("allowed_extensions").toArray(), QJsonArray{"flkauto@fetchlark.org"});
        EXPECT_FALSE(firefox.contains("allowed_origins"));
    }
    ASSERT_EQ(unregisterServer(), 0);
    for (const char* folder : {"chromium", "BraveSoftware/Brave-Browser", "vivaldi", "microsoft-edge"})
        EXPECT_FALSE(QFileInfo::exists(env.configHome() + "/" + folder + "/NativeMessagingHosts/" + name)) << folder;
    EXPECT_FALSE(QFileInfo::exists(env.configHome() + "/mozilla/native-messaging-hosts/" + name));
}

TEST_F(HelperLibrary, RegisterWritesTheClassAndAutomationEntries)
{
    ASSERT_EQ(registerServer(), 0);
    Registry reg(RootKey::ClassesRoot);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\CLSID\\%1\\InprocServer32").arg(kClass), false));
    EXPECT_EQ(reg.ReadString(""), QFileInfo(FLK_AUTO_LIBRARY).absoluteFilePath());
    ASSERT_TRUE(reg.OpenKey("\\FLKAuto.FLKAutomation\\CLSID", false));
    EXPECT_EQ(reg.ReadString(""), kClass);
}

TEST_F(HelperLibrary, UnregisterRemovesManifestsAndEntries)
{
    ASSERT_EQ(registerServer(), 0);
    ASSERT_EQ(unregisterServer(), 0);
    EXPECT_FALSE(QFileInfo::exists(env.configHome() + "/chromium/NativeMessagingHosts/org.fetchlark.flkauto.json"));
    EXPECT_FALSE(QFileInfo::exists(env.configHome() + "/google-chrome/NativeMessagingHosts/org.fetchlark.flkauto.json"));
    EXPECT_FALSE(QFileInfo::exists(env.home() + "/.mozilla/native-messaging-hosts/org.fetchlark.flkauto.json"));
    Registry reg(RootKey::ClassesRoot);
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\CLSID\\%1").arg(kClass)));
    EXPECT_FALSE(reg.KeyExists("\\FLKAuto.FLKAutomation"));
    // Nothing left to remove is no failure.
    EXPECT_EQ(unregisterServer(), 0);
}

TEST_F(HelperLibrary, UnwritableManifestFolderIsAFailure)
{
    QDir().mkpath(env.configHome() + "/chromium");
    // A file where the Firefox folder should be.
    test::WriteAll(env.home() + "/.mozilla", "not a folder");
    EXPECT_NE(registerServer(), 0);
    // The other browsers still got theirs.
    EXPECT_TRUE(QFileInfo::exists(env.configHome() + "/chromium/NativeMessagingHosts/org.fetchlark.flkauto.json"));
}

TEST(HelperExtension, PinnedKeyGivesTheIdTheManifestsAllow)
{
    const QJsonObject manifest = ReadJson(QStringLiteral(FLK_EXTENSION_DIR "/manifest.json"));
    EXPECT_EQ(manifest.value("manifest_version").toInt(), 3);
    EXPECT_EQ(ExtensionIdFromKey(manifest.value("key").toString().toLatin1()), "oiakoeiabikacimgmifhikedjpmkbkdo");
    EXPECT_EQ(manifest.value("browser_specific_settings").toObject().value("gecko").toObject().value("id").toString(),
              "flkauto@fetchlark.org");
    const QJsonArray permissions = manifest.value("permissions").toArray();
    EXPECT_TRUE(permissions.contains(QJsonValue(QStringLiteral("downloads"))));
    EXPECT_TRUE(permissions.contains(QJsonValue(QStringLiteral("nativeMessaging"))));
}
