// The install: `cmake --install` into a temporary prefix holds exactly the
// files it should; the program finds its shipped files by one rule in the
// build folder and installed; and the installed program, started from the
// prefix on an X display with a fresh home, keeps its files in the user's
// data folder, names the installed host to the browsers, and a hand-off
// through that host opens its download dialog.

#include "Endpoint.h"
#include "HostRun.h"
#include "InstalledTree.h"
#include "ProgramFolder.h"
#include "TempHome.h"
#include "XSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

using namespace flk;
using namespace flk::test;

namespace {

const QString kBin = QStringLiteral(FLK_INSTALL_BINDIR);
const QString kHelper = QStringLiteral(FLK_INSTALL_HELPERDIR);
const QString kData = QStringLiteral(FLK_INSTALL_DATADIR);

bool WaitFor(const std::function<bool()>& done, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
        QCoreApplication::processEvents();
    }
    return true;
}

QString ManifestPath(const QString& manifest)
{
    return QJsonDocument::fromJson(ReadAll(manifest)).object().value("path").toString();
}

QStringList Lines(const QByteArray& text)
{
    QStringList lines = QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

} // namespace

TEST(Install, HoldsExactlyTheExpectedFiles)
{
    const InstalledTree tree;
    ASSERT_TRUE(tree.Error().isEmpty()) << tree.Error().toStdString();
    const QStringList files = FilesUnder(tree.Prefix());
    EXPECT_EQ(files, ExpectedInstallFiles());
    // The two programs can be run; everything else is plain data.
    for (const QString& file : files) {
        const bool program = file == kBin + "/fetchlark" || file == kHelper + "/flkauto-host";
        EXPECT_EQ(QFileInfo(tree.File(file)).isExecutable(), program) << file.toStdString();
    }
    // The Firefox package holds the extension as it lies beside it.
    QProcess list;
    list.start(FLK_CMAKE_COMMAND, {"-E", "tar", "tf", tree.File(kData + "/fetchlark-handoff.xpi")});
    ASSERT_TRUE(list.waitForFinished());
    EXPECT_EQ(Lines(list.readAllStandardOutput()), QStringList({"background.js", "manifest.json"}));
    EXPECT_EQ(ReadAll(tree.File(kData + "/extension/manifest.json")), ReadAll(FLK_EXTENSION_DIR "/manifest.json"));
}

TEST(Install, ShippedFilesAreFoundInTheBuildFolderAndInstalled)
{
    const ShippedFolders build = FindShippedFolders(FLK_BUILD_DIR);
    EXPECT_FALSE(build.installed);
    for (const QString& file : {build.helper + "FLKAuto.so", build.helper + "flkauto-host", build.data + "flk.html",
                                build.data + "icons.png", build.data + "toolbar.png"})
        EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();

    const InstalledTree tree;
    ASSERT_TRUE(tree.Error().isEmpty()) << tree.Error().toStdString();
    const ShippedFolders installed = FindShippedFolders(tree.File(kBin));
    EXPECT_TRUE(installed.installed);
    EXPECT_EQ(installed.helper, tree.File(kHelper) + '/');
    EXPECT_EQ(installed.data, tree.File(kData) + '/');
    for (const QString& file : {installed.helper + "FLKAuto.so", installed.helper + "flkauto-host",
                                installed.data + "flk.html", installed.data + "icons.png",
                                installed.data + "toolbar-hot.png"})
        EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
}

TEST(InstalledProgram, StartsFromThePrefixWithAFreshHomeAndTakesAHandOff)
{
    XSession x;
    if (!x.Available())
        GTEST_SKIP() << x.SkipText().toStdString();
    const InstalledTree tree;
    ASSERT_TRUE(tree.Error().isEmpty()) << tree.Error().toStdString();
    const TempHome home; // $HOME and $XDG_RUNTIME_DIR, shared with the program

    // A user's session: no program folder given, the XDG folders at their
    // defaults under the fresh home.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"FETCHLARK_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "DBUS_SESSION_BUS_ADDRESS"})
        env.remove(name);
    env.insert("DISPLAY", x.Display());
    env.insert("QT_QPA_PLATFORM", "xcb");
    // The user has run Chromium, not Google Chrome.
    QDir().mkpath(home.home() + ".config/chromium");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(tree.File(kBin + "/fetchlark"), {});
    ASSERT_TRUE(program.waitForStarted());

    const QString manifests[] = {home.home() + ".config/chromium/NativeMessagingHosts/org.fetchlark.flkauto.json",
                                 home.home() + ".mozilla/native-messaging-hosts/org.fetchlark.flkauto.json"};
    ASSERT_TRUE(WaitFor([&] { return Endpoint::Exists("FLK") && QFileInfo::exists(manifests[1]); }))
        << "the installed program never answered as FLK with its host registered";
    // A first start: the setup wizard comes up once the catalogue is made.
    EXPECT_TRUE(WaitFor([&] { return !x.Tool("xdotool", {"search", "--name", "^Fetchlark Configuration Wizard$"}).isEmpty(); }))
        << "no setup wizard at the first start";

    // The browsers are told of the installed host, and it carries a
    // hand-off to the program, whose download dialog opens.
    const QString data = home.home() + ".local/share/fetchlark/";
    EXPECT_TRUE(ReadAll(data + "registry-classes.json").contains(tree.File(kHelper + "/FLKAuto.so").toUtf8()))
        << "the helper library registered is not the installed one";
    const QString host = tree.File(kHelper + "/flkauto-host");
    for (const QString& manifest : manifests)
        EXPECT_EQ(ManifestPath(manifest), host) << manifest.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.home() + ".config/google-chrome"));
    const HostRun run = RunHost({{{"type", "handoff"}, {"kind", "http"}, {"url", "http://127.0.0.1:9/files/setup.bin"},
                                  {"description", "From the installed host"}}},
                                ManifestPath(manifests[0]));
    const QList<QJsonObject> handedOver{QJsonObject{{"ok", true}}};
    EXPECT_EQ(run.answers, handedOver) << run.errorOutput.constData();
    QString dialog;
    EXPECT_TRUE(WaitFor([&] { return !(dialog = x.Tool("xdotool", {"search", "--name", "^Download a File$"})).isEmpty(); }))
        << "no download dialog on the display";

    // The desktop entry names the class the program's windows carry.
    const QSettings entry(tree.File(FLK_INSTALL_DATAROOTDIR "/applications/fetchlark.desktop"), QSettings::IniFormat);
    const QString windowClass = entry.value("Desktop Entry/StartupWMClass").toString();
    ASSERT_FALSE(windowClass.isEmpty());
    if (!dialog.isEmpty()) {
        EXPECT_EQ(x.Tool("xprop", {"-id", dialog.section('\n', 0, 0), "WM_CLASS"}),
                  QStringLiteral("WM_CLASS(STRING) = \"fetchlark\", \"%1\"").arg(windowClass));
    }

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(15000));
    EXPECT_EQ(program.exitCode(), 0);
    for (const QString& manifest : manifests)
        EXPECT_FALSE(QFileInfo::exists(manifest)) << "left registered: " << manifest.toStdString();

    // Its settings, catalogue and registrations went to the user's data
    // folder; the prefix holds what the install put there and nothing more.
    for (const char* file : {"dlmain.ini", "headers.ini", "registry-classes.json"})
        EXPECT_TRUE(QFileInfo::exists(data + file)) << file;
    EXPECT_EQ(FilesUnder(tree.Prefix()), ExpectedInstallFiles());
}
