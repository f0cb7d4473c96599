#pragma once
// The bookmarks of Chromium and Google Chrome: one "Bookmarks" file (JSON)
// per profile folder of the browser's configuration folder, with the
// profiles' own names in "Local State".

#include <QList>
#include <QString>

namespace flk {

class BookmarkTree;

class TChromiumBookmarks {
public:
    struct UserProfile {
        QString name;
        QString file; // the profile's Bookmarks file
    };

    // The profiles under `configDir` (e.g. ~/.config/chromium) that have a
    // Bookmarks file, in folder-name order ("Default", "Profile 1"...).
    static QList<UserProfile> Profiles(const QString& configDir);
    // Adds a folder `caption` under `parent` holding the file's roots
    // (bookmarks bar, other, mobile), each a folder when it holds anything.
    // False when the file cannot be read or does not parse; nothing is
    // added then.
    static bool Read(const QString& bookmarksFile, BookmarkTree& tree, int parent, const QString& caption);
};

} // namespace flk
