#include "BookmarkTree.h"

namespace flk {

BookmarkTree::BookmarkTree()
{
    m_nodes.emplace_back();
}

int BookmarkTree::Add(int parent, Kind kind, const QString& caption, const QString& url)
{
    const int index = int(m_nodes.size());
    Node node;
    node.kind = kind;
    node.caption = caption;
    node.url = url;
    m_nodes.push_back(std::move(node));
    m_nodes[size_t(parent)].children.push_back(index);
    return index;
}

int BookmarkTree::AddFolder(int parent, const QString& caption)
{
    return Add(parent, Kind::Folder, caption, QString());
}

int BookmarkTree::AddLink(int parent, const QString& caption, const QString& url)
{
    if (IsBrowserOnly(url))
        return -1;
    return Add(parent, Kind::Link, caption, url);
}

void BookmarkTree::AddSeparator(int parent)
{
    Add(parent, Kind::Separator, QStringLiteral("-"), QString());
}

int BookmarkTree::LinkCount() const
{
    int count = 0;
    for (const Node& n : m_nodes)
        count += n.kind == Kind::Link;
    return count;
}

QString BookmarkTree::Shorten(const QString& text)
{
    if (text.size() < 46)
        return text;
    return text.left(21) + QStringLiteral("...") + text.right(21);
}

bool BookmarkTree::IsBrowserOnly(const QString& url)
{
    const QString address = url.trimmed();
    return address.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive)
        || address.startsWith(QLatin1String("place:"), Qt::CaseInsensitive);
}

} // namespace flk
