#include "HostManifests.h"

#include "HelperIds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace flk::helper {
namespace {

QString ConfigHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    return xdg.isEmpty() ? QDir::homePath() + "/.config" : xdg;
}

QString ManifestName()
{
    return QString::fromLatin1(kHostName) + ".json";
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(bytes);
    return f.commit();
}

} // namespace

HostManifests::HostManifests(const QString& hostPath) : m_hostPath(hostPath) {}

QList<HostManifests::Browser> HostManifests::Browsers()
{
    const QString config = ConfigHome();
    const auto chromium = [&](const QString& name, const QString& folder) {
        return Browser{name, config + '/' + folder, config + '/' + folder + "/NativeMessagingHosts/" + ManifestName(),
                       false};
    };
    return {chromium("Chromium", "chromium"),
            chromium("Google Chrome", "google-chrome"),
            chromium("Brave", "BraveSoftware/Brave-Browser"),
            chromium("Vivaldi", "vivaldi"),
            chromium("Microsoft Edge", "microsoft-edge"),
            Browser{"Firefox", QString(), FirefoxFile(), true},
            Browser{"Firefox", config + "/mozilla", config + "/mozilla/native-messaging-hosts/" + ManifestName(),
                    true}};
}

QString HostManifests::ChromiumFile()
{
    return Browsers()[0].file;
}

QString HostManifests::GoogleChromeFile()
{
    return Browsers()[1].file;
}

QString HostManifests::FirefoxFile()
{
    return QDir::homePath() + "/.mozilla/native-messaging-hosts/" + ManifestName();
}

QStringList HostManifests::Files()
{
    QStringList files;
    for (const Browser& b : Browsers())
        files << b.file;
    return files;
}

QByteArray HostManifests::ChromiumManifest() const
{
    QJsonObject o{{"name", kHostName},
                  {"description", "Fetchlark download hand-off"},
                  {"path", m_hostPath},
                  {"type", "stdio"},
                  {"allowed_origins", QJsonArray{QStringLiteral("chrome-extension://%1/").arg(kChromiumExtensionId)}}};
    return QJsonDocument(o).toJson();
}

QByteArray HostManifests::FirefoxManifest() const
{
    QJsonObject o{{"name", kHostName},
                  {"description", "Fetchlark download hand-off"},
                  {"path", m_hostPath},
                  {"type", "stdio"},
                  {"allowed_extensions", QJsonArray{QString::fromLatin1(kFirefoxExtensionId)}}};
    return QJsonDocument(o).toJson();
}

bool HostManifests::Install() const
{
    bool ok = true;
    for (const Browser& b : Browsers())
        if (b.configFolder.isEmpty() || QFileInfo(b.configFolder).isDir())
            ok = WriteFile(b.file, b.firefox ? FirefoxManifest() : ChromiumManifest()) && ok;
    return ok;
}

bool HostManifests::Remove()
{
    bool ok = true;
    for (const QString& file : Files())
        if (QFileInfo::exists(file) && !QFile::remove(file))
            ok = false;
    return ok;
}

} // namespace flk::helper
