// The Chromium "Bookmarks" JSON reader. The input is the file.
#include "FuzzTarget.h"

#include "BookmarkTree.h"
#include "ChromiumBookmarks.h"

using namespace flk;

FLK_FUZZ_TARGET(chromium_bookmarks)
{
    fuzz::EnsureApp();
    const QString path = fuzz::ScratchFile(QStringLiteral("Bookmarks"), fuzz::Bytes(data, size));
    BookmarkTree tree;
    const bool read = TChromiumBookmarks::Read(path, tree, BookmarkTree::kRoot, QStringLiteral("Chromium"));
    // Nothing is added from a file that does not read.
    if (!read)
        FUZZ_CHECK(tree.size() == 1);
    for (int i = 0; i < tree.size(); ++i)
        for (const int child : tree.at(i).children)
            FUZZ_CHECK(child > i && child < tree.size());
    return 0;
}
