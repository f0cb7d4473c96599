#pragma once
// The registry as this program uses it: a per-user tree of keys holding
// named string values, one file per root (current user, local machine,
// classes root) in the program folder. Key paths are separated by "\" and
// matched without regard to case, as the registry does. Every change is on
// disk at once and atomic; nothing is cached between calls.

#include <QString>
#include <QStringList>

namespace flk {

enum class RootKey { CurrentUser, LocalMachine, ClassesRoot };

class Registry {
public:
    explicit Registry(RootKey root = RootKey::CurrentUser);

    // Opens `key` (relative to the open key when it has no leading "\",
    // else from the root). Without `canCreate` a missing key fails; with it
    // the missing keys are created (false when that cannot be written).
    bool OpenKey(const QString& key, bool canCreate);
    void CloseKey();
    // The open key's path from the root ("" when none is open).
    QString CurrentPath() const { return m_path; }
    bool HasOpenKey() const { return m_open; }

    bool KeyExists(const QString& key) const;
    bool ValueExists(const QString& name) const;
    // The value's text; empty when missing.
    QString ReadString(const QString& name) const;
    bool WriteString(const QString& name, const QString& value);
    bool DeleteValue(const QString& name);
    // Removes `key` and everything under it; false when it did not exist or
    // the file cannot be written.
    bool DeleteKey(const QString& key);
    QStringList GetKeyNames() const;
    QStringList GetValueNames() const;

    // The file that holds a root.
    static QString FileName(RootKey root);

private:
    QString Resolve(const QString& key) const;

    RootKey m_root;
    QString m_path;
    bool m_open = false;
};

} // namespace flk
