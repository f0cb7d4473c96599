#pragma once
// A prepared tree of folders and programs for the wizard's search.

#include <QString>
#include <QTemporaryDir>

namespace flk::test {

class ProgramTree {
public:
    ProgramTree() = default;
    // A tree in another place (e.g. a memory file system).
    explicit ProgramTree(const QString& base) : m_dir(base + "/flk-tree-XXXXXX") {}
    // The root, with a trailing "/".
    QString root() const { return m_dir.path() + '/'; }
    // Makes an executable file (or, with `executable` false, a plain one) at
    // `relative` below the root; returns its full path.
    QString program(const QString& relative, bool executable = true) const;
    void folder(const QString& relative) const;
    // A symbolic link at `relative` pointing to `target` (as given).
    void link(const QString& relative, const QString& target) const;

private:
    QTemporaryDir m_dir;
};

} // namespace flk::test
