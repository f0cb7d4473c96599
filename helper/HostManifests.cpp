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

QString HostManifests::ChromiumFile()
{
    return ConfigHome() + "/chromium/NativeMessagingHosts/" + ManifestName();
}

QString HostManifests::GoogleChromeFile()
{
    return ConfigHome() + "/google-chrome/NativeMessagingHosts/" + ManifestName();
}

QString HostManifests::FirefoxFile()
{
    return QDir::homePath() + "/.mozilla/native-messaging-hosts/" + ManifestName();
}

QStringList HostManifests::Files()
{
    return {ChromiumFile(), GoogleChromeFile(), FirefoxFile()};
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
    bool ok = WriteFile(ChromiumFile(), ChromiumManifest());
    ok = WriteFile(GoogleChromeFile(), ChromiumManifest()) && ok;
    ok = WriteFile(FirefoxFile(), FirefoxManifest()) && ok;
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
