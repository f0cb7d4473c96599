#include "ProgramTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace flk::test {

QString ProgramTree::program(const QString& relative, bool executable) const
{
    const QString path = root() + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n");
    file.close();
    QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        mode |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    file.setPermissions(mode);
    return path;
}

void ProgramTree::folder(const QString& relative) const
{
    QDir().mkpath(root() + relative);
}

void ProgramTree::link(const QString& relative, const QString& target) const
{
    QDir().mkpath(QFileInfo(root() + relative).path());
    QFile::link(target, root() + relative);
}

} // namespace flk::test
