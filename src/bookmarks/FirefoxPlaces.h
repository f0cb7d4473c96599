#pragma once
// Firefox's bookmarks: the profiles listed in profiles.ini, each profile's
// bookmarks in its places.sqlite. Firefox keeps that database locked while it
// runs, so it is read from a copy (with its write-ahead log, which holds the
// newest changes), through Qt's SQLite driver.

#include <QString>
#include <QStringList>

namespace flk {

class BookmarkTree;

class TFirefoxPlaces {
public:
    struct UserProfile {
        QString name;
        QString directory;
    };

    // The profiles of profiles.ini in the folder `firefoxDir` (usually
    // ~/.mozilla/firefox), in file order.
    static QList<UserProfile> Profiles(const QString& firefoxDir);
    // Adds a folder `caption` under `parent` holding the bookmarks of a
    // places.sqlite: the menu, the toolbar, the other and the mobile
    // bookmarks, each a folder when it holds anything. False when the
    // database cannot be read; nothing is added then.
    static bool Read(const QString& placesFile, BookmarkTree& tree, int parent, const QString& caption);
};

} // namespace flk
