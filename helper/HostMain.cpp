// flkauto-host: the browsers start it as their native-messaging host and
// talk to it over standard input and output; it carries each request to the
// program's tray window. Nothing but frames goes to standard output.

#include "Frames.h"
#include "HelperIds.h"
#include "NativeHost.h"

#include <unistd.h>

int main()
{
    flk::helper::Frames frames(STDIN_FILENO, STDOUT_FILENO);
    const flk::helper::NativeHost host(QString::fromLatin1(flk::helper::kTrayCaption));
    while (auto payload = frames.read())
        if (!frames.write(host.handleFrame(*payload)))
            return 1;
    return 0;
}
