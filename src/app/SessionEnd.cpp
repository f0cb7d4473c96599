#include "SessionEnd.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace flk {
namespace {
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] auto n = ::write(g_signalPipe[0], &byte, 1);
}
} // namespace

SessionEnd::SessionEnd(std::function<void()> handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler))
{
    // A signal handler may only write to a pipe; the GUI thread reads it.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        m_notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            char byte;
            [[maybe_unused]] auto n = ::read(g_signalPipe[1], &byte, 1);
            if (m_handler)
                m_handler();
        });
        struct sigaction sa = {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &sa, nullptr);
    }
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            if (m_handler)
                m_handler();
        });
    }
}

SessionEnd::~SessionEnd()
{
    ::signal(SIGTERM, SIG_DFL);
    if (g_signalPipe[0] >= 0) {
        ::close(g_signalPipe[0]);
        ::close(g_signalPipe[1]);
        g_signalPipe[0] = g_signalPipe[1] = -1;
    }
}

} // namespace flk
