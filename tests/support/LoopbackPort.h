#pragma once
// Loopback addresses and ports for the servers the tests start.

#include <QtGlobal>
#include <atomic>
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
// A socket listening on 127.0.0.1 at a port the system chose (set in
// `port`), for a test server's own thread; -1 when none could be had.
int ListenOnLoopback(quint16& port, int backlog = 64);
// Waits in steps of 50 ms until `fd` is readable (true) or `stop` is set or
// polling fails (false): a server thread's wait that still ends with its test.
bool WaitReadable(int fd, const std::atomic<bool>& stop);

} // namespace flk::test
