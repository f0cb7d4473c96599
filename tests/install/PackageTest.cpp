// The Debian package, made by CPack from this build into a temporary
// folder: its files are the install's under /usr, and its control fields
// carry the libraries the binaries link, what the program loads by name,
// and the suggested virus scanner and browsers.

#include "InstalledTree.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace flk::test;

namespace {

QByteArray RunTool(const QString& program, const QStringList& args, QString* error = nullptr)
{
    QProcess p;
    p.start(program, args);
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok && error)
        *error = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
    return ok ? p.readAllStandardOutput() : QByteArray();
}

QString Field(const QString& deb, const QString& name)
{
    return QString::fromUtf8(RunTool("dpkg-deb", {"--field", deb, name})).trimmed();
}

} // namespace

TEST(Package, HoldsTheInstallAndDeclaresItsDependencies)
{
    for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed (Debian's dpkg-dev): the package cannot be made here";
    QTemporaryDir out;
    QString error;
    RunTool(FLK_CPACK_COMMAND, {"-G", "DEB", "--config", FLK_BUILD_DIR "/CPackConfig.cmake", "-B", out.path()}, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const QStringList debs = QDir(out.path()).entryList({"fetchlark_*.deb"});
    ASSERT_EQ(debs.size(), 1) << debs.join(' ').toStdString();
    const QString deb = out.path() + '/' + debs[0];

    // Its files: the install's, under /usr (directories aside).
    QStringList files;
    for (const QString& line : QString::fromUtf8(RunTool("dpkg-deb", {"--contents", deb})).split('\n'))
        if (line.startsWith('-'))
            files << line.section(' ', -1).mid(QStringLiteral("./usr/").size());
    files.sort();
    EXPECT_EQ(files, ExpectedInstallFiles());

    EXPECT_EQ(Field(deb, "Package"), "fetchlark");
    EXPECT_EQ(Field(deb, "Section"), "net");
    const QString depends = Field(deb, "Depends");
    QStringList names; // the packages, without their versions
    for (const QString& entry : depends.split(", "))
        names << entry.section(' ', 0, 0);
    for (const char* package : {"libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6network6", "libqt6sql6",
                                "libqt6printsupport6", "libssl3", "libqt6sql6-sqlite", "qt6-qpa-plugins"})
        EXPECT_TRUE(names.contains(package)) << package << " missing from Depends: " << depends.toStdString();
    EXPECT_EQ(Field(deb, "Suggests"), "clamav, chromium | firefox-esr");
}
