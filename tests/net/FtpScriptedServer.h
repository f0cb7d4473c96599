#pragma once
// An in-process FTP server on 127.0.0.1 that answers each command through a
// test's script, for exact protocol cases. It runs on its own thread with
// blocking sockets, so the client under test can pump the GUI thread's
// messages as it does in the program.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace flk::test {

class FtpScriptedServer;

// One control connection, seen from the script.
class FtpSession {
public:
    FtpSession(FtpScriptedServer& server, int control) : m_server(server), m_control(control) {}
    ~FtpSession();

    // Sends the text followed by CR LF.
    void Reply(const std::string& line);
    // Sends bytes as they are (no line end added).
    void SendRaw(const std::string& bytes);
    // Closes the control connection; the server waits for the next one.
    void CloseControl();

    // Passive data connection: listen on 127.0.0.1, return the port.
    uint16_t OpenPassive();
    // Active data connection: connect to "h1,h2,h3,h4,p1,p2".
    bool ConnectActive(const std::string& hostPort);
    // Accepts on the passive listener (waits up to 5 s); false when nobody came.
    bool AcceptData();
    void SendData(const std::string& bytes);
    void CloseData();

    // The usual answers of a read-only server that holds the server's file:
    // USER 331, PASS 230, CWD 250, TYPE 200, PASV (announcing `PasvHost`),
    // PORT 200, REST 350, RETR (150, the file from the restart offset, 226),
    // QUIT 221 and close; anything else 502.
    void Standard(const std::string& command);

    bool closed() const { return m_control < 0; }

private:
    FtpScriptedServer& m_server;
    int m_control;
    int m_passive = -1;
    int m_data = -1;
    long long m_restart = 0;
};

class FtpScriptedServer {
public:
    using Script = std::function<void(FtpSession&, const std::string& command)>;

    // `greeting` is sent as it is when a client connects (include the CR LFs).
    FtpScriptedServer(std::string greeting, Script script);
    ~FtpScriptedServer();

    uint16_t port() const { return m_port; }
    // Every command line received so far, without CR LF, in order.
    std::vector<std::string> commands() const;
    // The file RETR serves in FtpSession::Standard.
    void SetFile(const std::string& bytes);
    std::string file() const;
    // The address announced in the 227 reply (default "10,9,8,7").
    void SetPasvHost(const std::string& host) { m_pasvHost = host; }
    std::string pasvHost() const { return m_pasvHost; }

private:
    void Run();
    void Serve(int control);

    std::string m_greeting;
    Script m_script;
    int m_listener = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_commands;
    std::string m_file;
    std::string m_pasvHost = "10,9,8,7";
    std::thread m_thread;
};

} // namespace flk::test
