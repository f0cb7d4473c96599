#pragma once
// Message pumping for network tests: run the GUI thread's messages until a
// condition holds, with a generous safety limit so a fault fails the test
// instead of hanging it.

#include "Messages.h"

#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace flk::test {

template <typename Pred> bool PumpFor(Pred done, int limitMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick;  // wakes the loop so the limit is checked
    tick.start(20);
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        PumpOnce();
    }
    return true;
}

// A loopback port that refuses connections: bound but not listening, and
// held for the object's life so nothing else can take it meanwhile.
struct RefusingPort {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    quint16 port = 0;
    RefusingPort()
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~RefusingPort() { ::close(fd); }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
};

} // namespace flk::test
