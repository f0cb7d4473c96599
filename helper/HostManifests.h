#pragma once
// The native-messaging host manifests the browsers read to find and trust
// the helper's host program.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace flk::helper {

class HostManifests {
public:
    // `hostPath`: absolute path of the host program.
    explicit HostManifests(const QString& hostPath);

    // Manifest files, in the order Chromium, Google Chrome, Firefox, under
    // $XDG_CONFIG_HOME (default ~/.config) and ~/.mozilla.
    static QString ChromiumFile();
    static QString GoogleChromeFile();
    static QString FirefoxFile();
    static QStringList Files();

    // Chromium-family manifests name the extension by origin, Firefox's by id.
    QByteArray ChromiumManifest() const;
    QByteArray FirefoxManifest() const;

    // Writes all three (creating their folders); false when one cannot be written.
    bool Install() const;
    // Removes all three; false when one exists and cannot be removed.
    static bool Remove();

private:
    QString m_hostPath;
};

} // namespace flk::helper
