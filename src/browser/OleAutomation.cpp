#include "OleAutomation.h"

#include <QHash>

namespace flk {
namespace {

QHash<QString, OleAutomation::Factory>& Servers()
{
    static QHash<QString, OleAutomation::Factory> servers;
    return servers;
}

} // namespace

std::unique_ptr<TNetscapeRegistry> OleAutomation::CreateOleObject(const QString& progId)
{
    const auto it = Servers().constFind(progId);
    if (it == Servers().constEnd() || !*it)
        throw EOleError(QStringLiteral("Invalid class string"));
    return (*it)();
}

void OleAutomation::InstallServer(const QString& progId, Factory factory)
{
    if (factory)
        Servers().insert(progId, std::move(factory));
    else
        Servers().remove(progId);
}

} // namespace flk
