#include "AskerHost.h"

namespace flk {
namespace {
AskerHost* g_host = nullptr;
}

AskerHost* AskerHost::instance()
{
    return g_host;
}

void AskerHost::install(AskerHost* host)
{
    g_host = host;
}

} // namespace flk
