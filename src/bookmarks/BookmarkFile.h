#pragma once
// A bookmark file in the Netscape format (bookmark.htm, bookmarks.html),
// which browsers still export and import: read line by line, folders from
// "<H3" lines, levels closed by "</DL", separators from "<HR", links from
// "<A " lines with an HREF. Tags are matched as written (upper case).

#include <QString>
#include <vector>

namespace flk {

class BookmarkTree;

class TBookmarkFile {
public:
    // Adds a folder `caption` under `parent` holding the file's folders,
    // links and separators. False when the file cannot be read; nothing is
    // added then.
    static bool Parse(const QString& path, BookmarkTree& tree, int parent, const QString& caption);
    // The same for text already read.
    static void ParseText(const QString& text, BookmarkTree& tree, int parent);

private:
    static bool ParseLine(const QString& line, BookmarkTree& tree, std::vector<int>& levels);
    // The address after "HREF" and the rest of the line from the address on.
    static QString Address(const QString& afterHref, QString& rest);
    // The text between the first ">" and the first "<" of `text`.
    static QString Between(const QString& text);
    static QString Decode(const QString& text);
};

} // namespace flk
