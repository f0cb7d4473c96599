// The Netscape-format bookmark file reader. The input is the file.
#include "FuzzTarget.h"

#include "BookmarkFile.h"
#include "BookmarkTree.h"

using namespace flk;

namespace {

// Every node is reachable once from the root, children after parents.
void CheckTree(const BookmarkTree& tree)
{
    std::vector<int> seen(size_t(tree.size()), 0);
    for (int i = 0; i < tree.size(); ++i)
        for (const int child : tree.at(i).children) {
            FUZZ_CHECK(child > i && child < tree.size());
            FUZZ_CHECK(++seen[size_t(child)] == 1);
        }
}

} // namespace

FLK_FUZZ_TARGET(bookmark_html)
{
    fuzz::EnsureApp();
    const QString path = fuzz::ScratchFile(QStringLiteral("bookmarks.html"), fuzz::Bytes(data, size));
    BookmarkTree tree;
    FUZZ_CHECK(TBookmarkFile::Parse(path, tree, BookmarkTree::kRoot, QStringLiteral("Bookmarks")));
    CheckTree(tree);
    for (int i = 0; i < tree.size(); ++i)
        BookmarkTree::Shorten(tree.at(i).caption);
    return 0;
}
