#include "Registry.h"

#include "ProgramFolder.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <utility>
#include <vector>

namespace flk {
namespace {

// One key: its values and subkeys (stored sorted by name). A subkey is a
// struct of its own, not a std::pair: a pair may not hold the type being
// defined, and clang's library check refuses it.
struct SubKey;
struct Node {
    std::vector<std::pair<QString, QString>> values;
    std::vector<SubKey> keys;
};
struct SubKey {
    SubKey(QString name, Node node) : first(std::move(name)), second(std::move(node)) {}
    QString first;
    Node second;
};

template <typename List> auto FindName(List& list, const QString& name)
{
    auto it = list.begin();
    while (it != list.end() && it->first.compare(name, Qt::CaseInsensitive) != 0)
        ++it;
    return it;
}

QStringList SplitPath(const QString& path)
{
    return path.split('\\', Qt::SkipEmptyParts);
}

Node FromJson(const QJsonObject& o)
{
    Node n;
    const QJsonObject values = o.value("values").toObject();
    for (auto it = values.begin(); it != values.end(); ++it)
        n.values.emplace_back(it.key(), it.value().toString());
    const QJsonObject keys = o.value("keys").toObject();
    for (auto it = keys.begin(); it != keys.end(); ++it)
        n.keys.emplace_back(it.key(), FromJson(it.value().toObject()));
    return n;
}

QJsonObject ToJson(const Node& n)
{
    QJsonObject values;
    for (const auto& [name, value] : n.values)
        values.insert(name, value);
    QJsonObject keys;
    for (const auto& [name, child] : n.keys)
        keys.insert(name, ToJson(child));
    return QJsonObject{{"values", values}, {"keys", keys}};
}

Node Load(RootKey root)
{
    QFile f(Registry::FileName(root));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return FromJson(QJsonDocument::fromJson(f.readAll()).object());
}

bool Save(RootKey root, const Node& n)
{
    QSaveFile f(Registry::FileName(root));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QJsonDocument(ToJson(n)).toJson(QJsonDocument::Indented));
    return f.commit();
}

Node* Find(Node& root, const QString& path, bool create)
{
    Node* n = &root;
    for (const QString& part : SplitPath(path)) {
        auto it = FindName(n->keys, part);
        if (it == n->keys.end()) {
            if (!create)
                return nullptr;
            n->keys.emplace_back(part, Node{});
            n = &n->keys.back().second;
        } else {
            n = &it->second;
        }
    }
    return n;
}

} // namespace

Registry::Registry(RootKey root) : m_root(root) {}

QString Registry::FileName(RootKey root)
{
    switch (root) {
    case RootKey::CurrentUser:
        return ProgramFolder() + "registry-user.json";
    case RootKey::LocalMachine:
        return ProgramFolder() + "registry-machine.json";
    case RootKey::ClassesRoot:
        break;
    }
    return ProgramFolder() + "registry-classes.json";
}

QString Registry::Resolve(const QString& key) const
{
    if (key.startsWith('\\') || !m_open)
        return SplitPath(key).join('\\');
    return SplitPath(m_path + '\\' + key).join('\\');
}

bool Registry::OpenKey(const QString& key, bool canCreate)
{
    const QString path = Resolve(key);
    Node tree = Load(m_root);
    if (!Find(tree, path, false)) {
        if (!canCreate)
            return false;
        Find(tree, path, true);
        if (!Save(m_root, tree))
            return false;
    }
    m_path = path;
    m_open = true;
    return true;
}

void Registry::CloseKey()
{
    m_path.clear();
    m_open = false;
}

bool Registry::KeyExists(const QString& key) const
{
    Node tree = Load(m_root);
    return Find(tree, Resolve(key), false) != nullptr;
}

bool Registry::ValueExists(const QString& name) const
{
    Node tree = Load(m_root);
    Node* n = Find(tree, m_path, false);
    return n && FindName(n->values, name) != n->values.end();
}

QString Registry::ReadString(const QString& name) const
{
    Node tree = Load(m_root);
    Node* n = Find(tree, m_path, false);
    if (!n)
        return {};
    auto it = FindName(n->values, name);
    return it == n->values.end() ? QString() : it->second;
}

bool Registry::WriteString(const QString& name, const QString& value)
{
    if (!m_open)
        return false;
    Node tree = Load(m_root);
    Node* n = Find(tree, m_path, true);
    auto it = FindName(n->values, name);
    if (it == n->values.end())
        n->values.emplace_back(name, value);
    else
        it->second = value;
    return Save(m_root, tree);
}

bool Registry::DeleteValue(const QString& name)
{
    Node tree = Load(m_root);
    Node* n = Find(tree, m_path, false);
    if (!n)
        return false;
    auto it = FindName(n->values, name);
    if (it == n->values.end())
        return false;
    n->values.erase(it);
    return Save(m_root, tree);
}

bool Registry::DeleteKey(const QString& key)
{
    QStringList parts = SplitPath(Resolve(key));
    if (parts.isEmpty())
        return false;
    const QString last = parts.takeLast();
    Node tree = Load(m_root);
    Node* parent = Find(tree, parts.join('\\'), false);
    if (!parent)
        return false;
    auto it = FindName(parent->keys, last);
    if (it == parent->keys.end())
        return false;
    parent->keys.erase(it);
    return Save(m_root, tree);
}

QStringList Registry::GetKeyNames() const
{
    Node tree = Load(m_root);
    QStringList names;
    if (Node* n = Find(tree, m_path, false))
        for (const auto& k : n->keys)
            names << k.first;
    return names;
}

QStringList Registry::GetValueNames() const
{
    Node tree = Load(m_root);
    QStringList names;
    if (Node* n = Find(tree, m_path, false))
        for (const auto& v : n->values)
            names << v.first;
    return names;
}

} // namespace flk
