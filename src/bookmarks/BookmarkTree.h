#pragma once
// The bookmarks read from every source, before any menu item exists: a flat
// pool of nodes (node 0 is the root) so that a file nested a million deep is
// neither walked nor freed by recursion. The menu is made from it level by
// level, when a level is first opened.

#include <QString>
#include <vector>

namespace flk {

class BookmarkTree {
public:
    enum class Kind { Folder, Link, Separator };
    struct Node {
        Kind kind = Kind::Folder;
        QString caption;
        QString url; // the hint: a link's address, empty for the others
        std::vector<int> children;
    };

    static constexpr int kRoot = 0;

    BookmarkTree();

    // Each returns the new node's index. Captions are stored as given.
    int AddFolder(int parent, const QString& caption);
    // A link whose address is never a download (javascript:, place:) is
    // left out; returns -1 then.
    int AddLink(int parent, const QString& caption, const QString& url);
    void AddSeparator(int parent);

    const Node& at(int index) const { return m_nodes[size_t(index)]; }
    int size() const { return int(m_nodes.size()); }
    // Links in the whole tree.
    int LinkCount() const;

    // A caption of fewer than 46 characters as it is; a longer one as its
    // first 21 characters, "..." and its last 21.
    static QString Shorten(const QString& text);
    // True for addresses that only mean something inside a browser.
    static bool IsBrowserOnly(const QString& url);

private:
    int Add(int parent, Kind kind, const QString& caption, const QString& url);
    std::vector<Node> m_nodes;
};

} // namespace flk
