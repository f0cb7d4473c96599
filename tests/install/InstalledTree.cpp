#include "InstalledTree.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>

namespace flk::test {

QStringList ExpectedInstallFiles()
{
    const QString helper = FLK_INSTALL_HELPERDIR "/";
    const QString data = FLK_INSTALL_DATADIR "/";
    const QString share = FLK_INSTALL_DATAROOTDIR "/";
    QStringList files{
        FLK_INSTALL_BINDIR "/fetchlark",
        helper + "FLKAuto.so",
        helper + "flkauto-host",
        data + "flk.html",
        data + "icons.png",
        data + "icons-16.png",
        data + "icons-64.png",
        data + "toolbar.png",
        data + "toolbar-hot.png",
        data + "toolbar-64.png",
        data + "toolbar-hot-64.png",
        data + "extension/manifest.json",
        data + "extension/background.js",
        data + "fetchlark-handoff.xpi",
        data + "fetchlark-handoff-chromium.zip",
        share + "applications/fetchlark.desktop",
        share + "metainfo/org.fetchlark.Fetchlark.metainfo.xml",
        share + "icons/hicolor/scalable/apps/fetchlark.svg",
        FLK_INSTALL_MANDIR "/man1/fetchlark.1.gz",
        share + "doc/fetchlark/copyright",
        share + "doc/fetchlark/changelog.gz",
    };
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        files << share + QStringLiteral("icons/hicolor/%1x%1/apps/fetchlark.png").arg(size);
    files.sort();
    return files;
}

QStringList FilesUnder(const QString& root)
{
    QStringList files;
    const QDir base(root);
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << base.relativeFilePath(it.next());
    files.sort();
    return files;
}

InstalledTree::InstalledTree()
{
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(FLK_CMAKE_COMMAND, {"--install", FLK_BUILD_DIR, "--prefix", Prefix()});
    if (!install.waitForFinished(60000) || install.exitStatus() != QProcess::NormalExit || install.exitCode() != 0)
        m_error = QString::fromLocal8Bit(install.readAll());
}

} // namespace flk::test
