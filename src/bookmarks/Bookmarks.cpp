#include "Bookmarks.h"

#include "BookmarkFile.h"
#include "BookmarkTree.h"
#include "ChromiumBookmarks.h"
#include "FavoritesFolder.h"
#include "FirefoxPlaces.h"
#include "Registry.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QGuiApplication>
#include <algorithm>

namespace flk {

const QString TBookmarks::kFavorites = QStringLiteral("Favorites");
const QString TBookmarks::kNavigator = QStringLiteral("Navigator Bookmarks");
const QString TBookmarks::kCommunicator = QStringLiteral("Communicator Users Bookmarks");
const QString TBookmarks::kFirefox = QStringLiteral("Firefox Bookmarks");
const QString TBookmarks::kChromium = QStringLiteral("Chromium Bookmarks");
const QString TBookmarks::kChrome = QStringLiteral("Google Chrome Bookmarks");

namespace {

const QString kShellFolders = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
const QString kBookmarkList = QStringLiteral("Software\\Netscape\\Netscape Navigator\\Bookmark List");
const QString kUsers = QStringLiteral("Software\\Netscape\\Netscape Navigator\\Users");

// A registry value, empty when the key does not open.
QString ReadValue(RootKey root, const QString& key, const QString& name)
{
    Registry reg(root);
    return reg.OpenKey(key, false) ? reg.ReadString(name) : QString();
}

QString ConfigHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    return xdg.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : xdg;
}

void AddFavorites(BookmarkTree& tree)
{
    const QString dir = ReadValue(RootKey::CurrentUser, kShellFolders, QStringLiteral("Favorites"));
    if (!dir.isEmpty() && QFileInfo(dir).isDir())
        TFavoritesFolder::Walk(dir, tree, tree.AddFolder(BookmarkTree::kRoot, TBookmarks::kFavorites));
}

void AddNavigator(BookmarkTree& tree)
{
    const QString file = ReadValue(RootKey::CurrentUser, kBookmarkList, QStringLiteral("File Location"));
    if (!file.isEmpty() && QFileInfo(file).isFile())
        TBookmarkFile::Parse(file, tree, BookmarkTree::kRoot, TBookmarks::kNavigator);
}

void AddCommunicator(BookmarkTree& tree)
{
    Registry users(RootKey::LocalMachine);
    if (!users.OpenKey(kUsers, false))
        return;
    const QStringList names = users.GetKeyNames();
    if (names.isEmpty())
        return;
    const int group = tree.AddFolder(BookmarkTree::kRoot, TBookmarks::kCommunicator);
    for (const QString& name : names) {
        const QString root = ReadValue(RootKey::LocalMachine, kUsers + QLatin1Char('\\') + name, QStringLiteral("DirRoot"));
        const QString file = root + QStringLiteral("/bookmark.htm");
        if (root.isEmpty() || !QFileInfo(file).isFile())
            continue;
        TBookmarkFile::Parse(file, tree, group, name);
    }
}

void AddFirefox(BookmarkTree& tree)
{
    // Older Firefox keeps its profiles in ~/.mozilla/firefox, a fresh one
    // under the configuration folder; both are read, each profile once.
    QList<TFirefoxPlaces::UserProfile> profiles;
    QStringList seen;
    for (const QString& dir : {QDir::homePath() + QStringLiteral("/.mozilla/firefox"),
                               ConfigHome() + QStringLiteral("/mozilla/firefox")})
        for (const TFirefoxPlaces::UserProfile& p : TFirefoxPlaces::Profiles(dir)) {
            const QString where = QFileInfo(p.directory).canonicalFilePath();
            if (!where.isEmpty() && seen.contains(where))
                continue;
            seen << where;
            profiles << p;
        }
    if (profiles.isEmpty())
        return;
    const int group = tree.AddFolder(BookmarkTree::kRoot, TBookmarks::kFirefox);
    for (const TFirefoxPlaces::UserProfile& p : profiles)
        TFirefoxPlaces::Read(p.directory + QStringLiteral("/places.sqlite"), tree, group, p.name);
}

void AddChromium(BookmarkTree& tree, const QString& folder, const QString& caption)
{
    const QList<TChromiumBookmarks::UserProfile> profiles = TChromiumBookmarks::Profiles(ConfigHome() + folder);
    if (profiles.isEmpty())
        return;
    const int group = tree.AddFolder(BookmarkTree::kRoot, caption);
    for (const TChromiumBookmarks::UserProfile& p : profiles)
        TChromiumBookmarks::Read(p.file, tree, group, p.name);
}

// A caption as a menu shows it: "&" is a literal ampersand, not a mnemonic.
QString MenuText(const QString& caption)
{
    QString text = caption;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

TBookmarks::TBookmarks(QObject* parent)
    : QObject(parent)
{
}

TBookmarks::~TBookmarks() = default;

void TBookmarks::setMenu(QMenu* menu)
{
    m_menu = menu;
    if (m_enabled)
        Rebuild();
}

void TBookmarks::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (m_enabled)
        Rebuild();
}

void TBookmarks::Rebuild()
{
    if (!m_menu)
        return;
    m_menu->clear();
    for (QMenu* sub : m_menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        delete sub;
    m_menu->setToolTipsVisible(true);
    auto tree = std::make_unique<BookmarkTree>();
    ReadSources(*tree);
    m_tree = std::move(tree);
    Fill(m_menu, BookmarkTree::kRoot);
}

void TBookmarks::ReadSources(BookmarkTree& tree) const
{
    AddFavorites(tree);
    AddNavigator(tree);
    AddCommunicator(tree);
    AddFirefox(tree);
    AddChromium(tree, QStringLiteral("/chromium"), kChromium);
    AddChromium(tree, QStringLiteral("/google-chrome"), kChrome);
}

void TBookmarks::AddLazyMenu(QMenu* menu, const QString& caption, int node, size_t from, size_t to)
{
    auto* sub = new QMenu(MenuText(caption), menu);
    sub->setToolTipsVisible(true);
    menu->addMenu(sub);
    connect(sub, &QMenu::aboutToShow, this, [this, sub, node, from, to] { Fill(sub, node, from, to); },
            Qt::SingleShotConnection);
}

void TBookmarks::Fill(QMenu* menu, int node, size_t from, size_t to)
{
    const std::vector<int>& children = m_tree->at(node).children;
    to = std::min(to, children.size());
    const size_t rows = RowsThatFit(menu);
    if (to - from > rows) {
        const size_t part = PartSize(to - from, rows);
        for (size_t first = from; first < to; first += part) {
            const size_t last = std::min(first + part, to);
            AddLazyMenu(menu, QStringLiteral("%1 - %2").arg(first + 1).arg(last), node, first, last);
        }
        return;
    }
    for (size_t i = from; i < to; ++i) {
        const int index = children[i];
        const BookmarkTree::Node& item = m_tree->at(index);
        switch (item.kind) {
        case BookmarkTree::Kind::Separator:
            menu->addSeparator();
            break;
        case BookmarkTree::Kind::Folder:
            AddLazyMenu(menu, item.caption, index, 0, size_t(-1));
            break;
        case BookmarkTree::Kind::Link: {
            QAction* action = menu->addAction(MenuText(item.caption));
            action->setToolTip(item.url);
            action->setStatusTip(item.url);
            const QString hint = item.url;
            connect(action, &QAction::triggered, this, [this, hint] { ItemClick(hint); });
            break;
        }
        }
    }
}

size_t TBookmarks::RowsThatFit(const QMenu* menu)
{
    const QScreen* screen = menu->screen() ? menu->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return kLevelItems;
    QStyleOptionMenuItem item;
    item.initFrom(menu);
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.text = QStringLiteral("X");
    const QStyle* style = menu->style();
    const int rowHeight = std::max(
        1, style->sizeFromContents(QStyle::CT_MenuItem, &item, QSize(0, menu->fontMetrics().height()), menu).height());
    const int frame = 2 * (style->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, menu)
                           + style->pixelMetric(QStyle::PM_MenuVMargin, nullptr, menu));
    // One row to spare for the menu's own frame and rounding.
    const int rows = (screen->availableGeometry().height() - frame) / rowHeight - 1;
    return size_t(std::clamp(rows, 4, int(kLevelItems)));
}

size_t TBookmarks::PartSize(size_t count, size_t rows)
{
    size_t part = rows;
    while ((count + part - 1) / part > rows)
        part *= rows;
    return part;
}

void TBookmarks::ItemClick(const QString& hint)
{
    if (!hint.isEmpty() && OnURL)
        OnURL(this, hint);
}

} // namespace flk
