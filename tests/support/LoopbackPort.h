#pragma once
// Loopback addresses and ports for the servers the tests start.

#include <QtGlobal>
#include <arpa/inet.h>
#include <netinet/in.h>

namespace flk::test {

// 127.0.0.1 at `port` (host order).
sockaddr_in LoopbackAddress(quint16 port);
// A loopback port nobody listens on right now, chosen by the system; 0 when
// none could be had.
quint16 FreeLoopbackPort();
// True when something accepts connections on 127.0.0.1 at `port`.
bool LoopbackAccepting(quint16 port);

} // namespace flk::test
