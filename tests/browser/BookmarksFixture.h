#pragma once
// The bookmarks menu over sources prepared in a temporary home: files the
// test writes, registry values naming them, and the menu read back as lines.

#include "Bookmarks.h"
#include "QtPrint.h"
#include "Registry.h"
#include "TempHome.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <gtest/gtest.h>
#include <memory>

namespace flk::test {

class BookmarksTest : public ::testing::Test {
protected:
    // Writes a file under the stand-in home; returns its path.
    QString Write(const QString& relative, const QByteArray& bytes)
    {
        const QString path = home.home() + relative;
        QDir().mkpath(QFileInfo(path).path());
        WriteAll(path, bytes);
        return path;
    }

    static void SetValue(RootKey root, const QString& key, const QString& name, const QString& value)
    {
        Registry reg(root);
        ASSERT_TRUE(reg.OpenKey(key, true));
        ASSERT_TRUE(reg.WriteString(name, value));
    }

    // Names `file` as Navigator's bookmark file.
    static void SetNavigatorFile(const QString& file)
    {
        SetValue(RootKey::CurrentUser, QStringLiteral("Software\\Netscape\\Netscape Navigator\\Bookmark List"),
                 QStringLiteral("File Location"), file);
    }

    // Builds the menu and returns it as lines, every folder opened: a folder
    // as "path/", a bookmark as "path <hint>", a separator as "path-".
    QStringList Build()
    {
        menu = std::make_unique<QMenu>();
        bookmarks.setMenu(menu.get());
        bookmarks.setEnabled(true);
        return Lines(menu.get());
    }

    static QStringList Lines(QMenu* menu, const QString& prefix = QString())
    {
        emit menu->aboutToShow();
        QStringList lines;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                lines << prefix + QStringLiteral("-");
            else if (QMenu* sub = a->menu()) {
                lines << prefix + a->text() + QStringLiteral("/");
                lines += Lines(sub, prefix + a->text() + QStringLiteral("/"));
            } else
                lines << prefix + a->text() + QStringLiteral(" <") + a->toolTip() + QStringLiteral(">");
        }
        return lines;
    }

    TempHome home;
    TBookmarks bookmarks;
    std::unique_ptr<QMenu> menu;
};

} // namespace flk::test
