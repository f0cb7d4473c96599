#pragma once
// A folder of Internet-shortcut files (*.url, an INI file whose section
// "InternetShortcut" holds the address as "URL"): sub-folders first, then
// the shortcuts, each group in name order.

#include <QString>

namespace flk {

class BookmarkTree;

class TFavoritesFolder {
public:
    // Adds the folder's sub-folders and shortcuts under `parent`.
    static void Walk(const QString& directory, BookmarkTree& tree, int parent);
};

} // namespace flk
