#include "FtpScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace flk::test {
namespace {

void SendAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += size_t(n);
    }
}

int ListenLoopback(uint16_t& port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, 5);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

bool Readable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

FtpSession::~FtpSession()
{
    CloseData();
    CloseFd(m_passive);
    CloseFd(m_control);
}

void FtpSession::Reply(const std::string& line)
{
    SendAll(m_control, line + "\r\n");
}

void FtpSession::SendRaw(const std::string& bytes)
{
    SendAll(m_control, bytes);
}

void FtpSession::CloseControl()
{
    CloseFd(m_control);
}

uint16_t FtpSession::OpenPassive()
{
    CloseFd(m_passive);
    uint16_t port = 0;
    m_passive = ListenLoopback(port);
    return port;
}

bool FtpSession::ConnectActive(const std::string& hostPort)
{
    unsigned h[4], p[2];
    if (std::sscanf(hostPort.c_str(), "%u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) != 6)
        return false;
    CloseData();
    m_data = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl((h[0] << 24) | (h[1] << 16) | (h[2] << 8) | h[3]);
    a.sin_port = htons(uint16_t(p[0] * 256 + p[1]));
    if (::connect(m_data, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        CloseData();
        return false;
    }
    return true;
}

bool FtpSession::AcceptData()
{
    if (m_passive < 0 || !Readable(m_passive, 5000))
        return false;
    CloseData();
    m_data = ::accept(m_passive, nullptr, nullptr);
    CloseFd(m_passive);
    return m_data >= 0;
}

void FtpSession::SendData(const std::string& bytes)
{
    SendAll(m_data, bytes);
}

void FtpSession::CloseData()
{
    CloseFd(m_data);
}

void FtpSession::Standard(const std::string& command)
{
    const std::string verb = command.substr(0, command.find(' '));
    const std::string arg = command.find(' ') == std::string::npos ? "" : command.substr(command.find(' ') + 1);
    if (verb == "USER") {
        Reply("331 Username ok, send password.");
    } else if (verb == "PASS") {
        Reply("230 Login successful.");
    } else if (verb == "CWD") {
        Reply("250 \"" + arg + "\" is the current directory.");
    } else if (verb == "TYPE") {
        Reply("200 Type set to: Binary.");
    } else if (verb == "PASV") {
        uint16_t port = OpenPassive();
        Reply("227 Entering passive mode (" + m_server.pasvHost() + "," + std::to_string(port / 256) + "," +
              std::to_string(port % 256) + ").");
    } else if (verb == "PORT") {
        m_passive = -1;
        if (ConnectActive(arg))
            Reply("200 Active data connection established.");
        else
            Reply("425 Can't connect to specified address.");
    } else if (verb == "REST") {
        m_restart = std::stoll(arg);
        Reply("350 Restarting at position " + arg + ".");
    } else if (verb == "RETR") {
        const std::string file = m_server.file();
        if (m_data < 0 && !AcceptData()) {
            Reply("425 Can't open data connection.");
            return;
        }
        Reply("150 File status okay. About to open data connection.");
        SendData(file.substr(size_t(std::min<long long>(m_restart, (long long)file.size()))));
        CloseData();
        m_restart = 0;
        Reply("226 Transfer complete.");
    } else if (verb == "QUIT") {
        Reply("221 Goodbye.");
        CloseControl();
    } else {
        Reply("502 Command not implemented.");
    }
}

FtpScriptedServer::FtpScriptedServer(std::string greeting, Script script)
    : m_greeting(std::move(greeting)), m_script(std::move(script))
{
    m_listener = ListenLoopback(m_port);
    m_thread = std::thread([this] { Run(); });
}

FtpScriptedServer::~FtpScriptedServer()
{
    m_stop = true;
    m_thread.join();
    CloseFd(m_listener);
}

std::vector<std::string> FtpScriptedServer::commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

void FtpScriptedServer::SetFile(const std::string& bytes)
{
    std::lock_guard lock(m_mutex);
    m_file = bytes;
}

std::string FtpScriptedServer::file() const
{
    std::lock_guard lock(m_mutex);
    return m_file;
}

void FtpScriptedServer::Run()
{
    while (!m_stop) {
        if (!Readable(m_listener, 50))
            continue;
        int control = ::accept(m_listener, nullptr, nullptr);
        if (control >= 0)
            Serve(control);
    }
}

void FtpScriptedServer::Serve(int control)
{
    FtpSession session(*this, control);
    session.SendRaw(m_greeting);
    std::string pending;
    char buffer[4096];
    while (!m_stop && !session.closed()) {
        if (!Readable(control, 50))
            continue;
        ssize_t n = ::recv(control, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        pending.append(buffer, size_t(n));
        size_t end;
        while (!session.closed() && (end = pending.find("\r\n")) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 2);
            {
                std::lock_guard lock(m_mutex);
                m_commands.push_back(line);
            }
            m_script(session, line);
        }
    }
}

} // namespace flk::test
