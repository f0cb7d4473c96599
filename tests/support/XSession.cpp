#include "XSession.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace flk::test {

namespace {
bool Installed(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}
} // namespace

XSession::XSession()
{
    for (const QString tool : {"Xvfb", "xdotool", "xwininfo"}) {
        if (!Installed(tool)) {
            m_skip = tool + " is not installed (scripts/install-deps.sh installs it): this test needs a real X display";
            return;
        }
    }
    // -displayfd: the server picks a free display and writes its number.
    m_server = std::make_unique<QProcess>();
    m_server->setProcessChannelMode(QProcess::SeparateChannels);
    m_server->start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    QDeadlineTimer deadline(10000);
    QByteArray number;
    while (!number.contains('\n') && !deadline.hasExpired() && m_server->state() != QProcess::NotRunning) {
        m_server->waitForReadyRead(200);
        number += m_server->readAllStandardOutput();
    }
    if (!number.contains('\n')) {
        m_skip = "Xvfb did not start";
        return;
    }
    m_display = ":" + QString::fromLatin1(number.trimmed());
}

XSession::~XSession()
{
    for (auto* p : {m_tray.get(), m_server.get()}) {
        if (p && p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000))
                p->kill();
            p->waitForFinished(3000);
        }
    }
}

bool XSession::StartTray()
{
    if (!Installed("trayer")) {
        m_skip = "trayer is not installed (scripts/install-deps.sh installs it)";
        return false;
    }
    m_tray = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    m_tray->setProcessEnvironment(env);
    m_tray->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_tray->start("trayer", {"--edge", "top", "--align", "left", "--widthtype", "pixel", "--width", "200",
                             "--heighttype", "pixel", "--height", "32", "--SetDockType", "false"});
    return m_tray->waitForStarted(5000);
}

QString XSession::Tool(const QString& program, const QStringList& args) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QStringList XSession::WindowsOfClass(const QString& windowClass) const
{
    return Tool("xdotool", {"search", "--class", windowClass}).split('\n', Qt::SkipEmptyParts);
}

bool XSession::IsDocked(const QString& window) const
{
    const QString tree = Tool("xwininfo", {"-children", "-id", window});
    const QString root = Tool("xwininfo", {"-root"}).section("Window id: ", 1).section(' ', 0, 0);
    const QString parent = tree.section("Parent window id: ", 1).section(' ', 0, 0);
    return !parent.isEmpty() && parent != root;
}

void XSession::Click(const QString& window, int button, int times) const
{
    Tool("xdotool", {"mousemove", "--window", window, "8", "8"});
    Tool("xdotool", {"click", "--repeat", QString::number(times), "--delay", "80", QString::number(button)});
}

} // namespace flk::test
