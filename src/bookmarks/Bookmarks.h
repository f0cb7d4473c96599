#pragma once
// The menu of the user's web-browser bookmarks. The component owns the
// sub-items of its `Menu` and rebuilds them whenever `Menu` or `Enabled` is
// set while it is enabled. A rebuild reads every source into a tree at once
// and makes the first level of items; a folder's items are made when the
// folder is first opened, so menus of many thousands of bookmarks open
// without delay. Each bookmark item carries its address as its hint (tool
// tip and status tip); choosing it calls `OnURL` with that address.
//
// The sources, in menu order (each item only when its source exists):
//   "Favorites"                     a folder of *.url Internet shortcuts
//                                   named by the registry's shell folders;
//   "Navigator Bookmarks"           the bookmark file the registry names;
//   "Communicator Users Bookmarks"  one item per registered user, from the
//                                   user's bookmark.htm;
//   "Firefox Bookmarks"             one item per Firefox profile;
//   "Chromium Bookmarks",
//   "Google Chrome Bookmarks"       one item per browser profile.
// A source that cannot be read is left out; the others still show.

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include <QMenu>

namespace flk {

class BookmarkTree;
class TBookmarks;

using TURLEvent = std::function<void(TBookmarks* Sender, const QString& url)>;

class TBookmarks : public QObject {
    Q_OBJECT
public:
    static const QString kFavorites;    // "Favorites"
    static const QString kNavigator;    // "Navigator Bookmarks"
    static const QString kCommunicator; // "Communicator Users Bookmarks"
    static const QString kFirefox;      // "Firefox Bookmarks"
    static const QString kChromium;     // "Chromium Bookmarks"
    static const QString kChrome;       // "Google Chrome Bookmarks"
    static constexpr size_t kLevelItems = 1000;

    explicit TBookmarks(QObject* parent = nullptr);
    ~TBookmarks() override;

    QMenu* Menu() const { return m_menu; }
    void setMenu(QMenu* menu);
    TURLEvent OnURL;
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // Reads the sources again and remakes the sub-items of `Menu`.
    void Rebuild();

    // How many items one column of `menu` holds on its screen (at most
    // kLevelItems). A longer level is split into parts of at most that many
    // items, and the parts into parts again, because Qt wraps a menu taller
    // than the screen into more columns, most of them off-screen.
    static size_t RowsThatFit(const QMenu* menu);
    // The size of each part when `count` items are split for `rows` rows:
    // rows, rows², ... the least whose parts fit in `rows`.
    static size_t PartSize(size_t count, size_t rows);

private:
    void ReadSources(BookmarkTree& tree) const;
    // Makes the items of `node`'s children [from, to); a level longer than
    // the screen holds is split into submenus (RowsThatFit), which also keeps
    // a menu of tens of thousands of items from taking seconds to show.
    void Fill(QMenu* menu, int node, size_t from = 0, size_t to = size_t(-1));
    void AddLazyMenu(QMenu* menu, const QString& caption, int node, size_t from, size_t to);
    void ItemClick(const QString& hint);

    QPointer<QMenu> m_menu;
    bool m_enabled = false;
    std::unique_ptr<BookmarkTree> m_tree;
};

} // namespace flk
