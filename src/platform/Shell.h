#pragma once
// The desktop shell: open a file or address with its handler, start a
// program, delete to the Trash or for good, move and copy, show a file's
// properties. The program installs the desktop implementation; tests install
// a recording one where a real desktop would be touched.

#include <QString>
#include <QStringList>

class QWidget;

namespace flk {

class Shell {
public:
    virtual ~Shell() = default;

    // The shell's "open" verb on a file, folder or address.
    virtual bool open(const QString& target) = 0;
    // Starts `program` with `arguments` (already split), detached.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    // Deletes without asking and without progress: to the Trash when
    // `toTrash`, else permanently.
    virtual bool deleteFile(const QString& path, bool toTrash) = 0;
    // Moves and copies keep an existing target unless `replace` (see
    // FileTransfer: nothing is lost when they fail).
    virtual bool moveFile(const QString& from, const QString& to, bool replace = false) = 0;
    virtual bool copyFile(const QString& from, const QString& to, bool replace = false) = 0;
    virtual void showProperties(QWidget* parent, const QString& path) = 0;

    // Why the last delete, move or copy failed, as the system says it
    // ("Permission denied"); empty when it did not say.
    QString lastError() const { return m_lastError; }

    // The installed implementation; the desktop one unless a test installed another.
    static Shell& instance();
    // Installs `s` (not owned); nullptr restores the desktop implementation.
    static void install(Shell* s);

protected:
    QString m_lastError;
};

// The real desktop: xdg handlers, detached processes, the freedesktop Trash.
class DesktopShell : public Shell {
public:
    bool open(const QString& target) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool deleteFile(const QString& path, bool toTrash) override;
    bool moveFile(const QString& from, const QString& to, bool replace = false) override;
    bool copyFile(const QString& from, const QString& to, bool replace = false) override;
    void showProperties(QWidget* parent, const QString& path) override;
};

// Splits a command line the way a shell would (double quotes group words).
QStringList SplitCommandLine(const QString& commandLine);

} // namespace flk
