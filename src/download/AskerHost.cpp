#include "AskerHost.h"

#include "ProgramWindows.h"

namespace flk {

AskerHost* AskerHost::instance()
{
    return Window<AskerHost>();
}

} // namespace flk
