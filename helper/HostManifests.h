#pragma once
// The native-messaging host manifests the browsers read to find and trust
// the helper's host program.
//
// Chromium-family browsers each read their own per-user folder under
// $XDG_CONFIG_HOME (default ~/.config): a manifest is written there only
// where that browser's configuration folder exists (it has been run), so
// registering leaves no folders of browsers the user does not have; the
// registration at each start of the program catches a browser installed
// later. Firefox reads ~/.mozilla/native-messaging-hosts, written always as
// before; a Firefox that keeps its files under $XDG_CONFIG_HOME/mozilla
// also gets one there. Snap and Flatpak browsers run confined and cannot
// start a host outside their sandbox: they get none.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace flk::helper {

class HostManifests {
public:
    // `hostPath`: absolute path of the host program.
    explicit HostManifests(const QString& hostPath);

    struct Browser {
        QString name;         // for messages and tests
        QString configFolder; // the browser's configuration folder; empty: always written
        QString file;         // the manifest
        bool firefox;         // names the extension by id instead of origin
    };
    // Chromium, Google Chrome, Brave, Vivaldi, Microsoft Edge, Firefox (both
    // places), in that order.
    static QList<Browser> Browsers();
    // The manifest files that exist or would be written now.
    static QStringList Files();

    static QString ChromiumFile();
    static QString GoogleChromeFile();
    static QString FirefoxFile();

    // Chromium-family manifests name the extension by origin, Firefox's by id.
    QByteArray ChromiumManifest() const;
    QByteArray FirefoxManifest() const;

    // Writes the manifest of every browser present (creating the
    // NativeMessagingHosts folders); false when one cannot be written.
    bool Install() const;
    // Removes every manifest of ours; false when one exists and cannot be removed.
    static bool Remove();

private:
    QString m_hostPath;
};

} // namespace flk::helper
