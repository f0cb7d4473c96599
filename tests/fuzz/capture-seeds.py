#!/usr/bin/python3
# Captures the HTTP and FTP seed replies of the fuzz corpora from real servers
# on loopback (lighttpd and pyftpdlib, as the end-to-end tests use them):
# each file holds the bytes one server sent for one request or session, as
# the clients ask them. Run by hand when the seeds are to be made again:
#   /usr/bin/python3 tests/fuzz/capture-seeds.py tests/fuzz/corpus
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_port(port):
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return
        except OSError:
            time.sleep(0.05)
    raise SystemExit("server did not listen on %d" % port)


def recv_all(sock):
    data = b""
    while True:
        chunk = sock.recv(65536)
        if not chunk:
            return data
        data += chunk


def capture_http(out):
    with tempfile.TemporaryDirectory() as root:
        docs = os.path.join(root, "docs")
        os.makedirs(os.path.join(docs, "dir"))
        with open(os.path.join(docs, "file.bin"), "wb") as f:
            f.write(bytes(range(256)) * 4)
        with open(os.path.join(docs, "page.html"), "w") as f:
            f.write("<html><body>Fetchlark</body></html>\n")
        port = free_port()
        conf = os.path.join(root, "lighttpd.conf")
        with open(conf, "w") as f:
            f.write('server.document-root = "%s"\nserver.bind = "127.0.0.1"\n'
                    'server.port = %d\nserver.errorlog = "%s/error.log"\n'
                    'server.modules = ("mod_redirect")\nserver.max-keep-alive-requests = 0\n'
                    'mimetype.assign = (".html" => "text/html", "" => "application/octet-stream")\n'
                    'url.redirect = ("^/moved$" => "/file.bin", "^/away$" => "http://example.com/x.bin")\n'
                    % (docs, port, root))
        server = subprocess.Popen(["/usr/sbin/lighttpd", "-D", "-f", conf])
        try:
            wait_port(port)
            requests = {
                "lighttpd-get-200": "GET /file.bin HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n",
                "lighttpd-get-html": "GET /page.html HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n",
                "lighttpd-range-206": "GET /file.bin HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nRange: bytes=1000-\r\n\r\n",
                "lighttpd-range-416": "GET /file.bin HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nRange: bytes=5000-\r\n\r\n",
                "lighttpd-head": "HEAD /file.bin HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n",
                "lighttpd-404": "GET /missing.bin HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n",
                "lighttpd-301-folder": "GET /dir HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n",
                "lighttpd-redirect-relative": "GET /moved HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n",
                "lighttpd-redirect-absolute": "GET /away HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n",
                            }
            for name, request in requests.items():
                with socket.create_connection(("127.0.0.1", port)) as s:
                    s.sendall(request.encode())
                    reply = recv_all(s)
                with open(os.path.join(out, "http_reply", name), "wb") as f:
                    f.write(reply)
        finally:
            server.terminate()
            server.wait()


class FtpSession:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port))
        self.sock.settimeout(5)
        self.data = b""
        self.buffer = b""
        self.reply()

    def reply(self):
        # One whole reply, multi-line ones included.
        lines = []
        while True:
            while b"\r\n" not in self.buffer:
                chunk = self.sock.recv(4096)
                if not chunk:
                    return lines
                self.buffer += chunk
            line, self.buffer = self.buffer.split(b"\r\n", 1)
            self.data += line + b"\r\n"
            lines.append(line)
            if len(lines[0]) >= 4 and lines[0][3:4] == b"-":
                if line[:3] == lines[0][:3] and line[3:4] == b" ":
                    return lines
            else:
                return lines

    def send(self, command):
        self.sock.sendall(command.encode() + b"\r\n")
        return self.reply()


def capture_ftp(out):
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "pub"))
        with open(os.path.join(root, "pub", "f.bin"), "wb") as f:
            f.write(b"x" * 3000)
        port = free_port()
        server = subprocess.Popen(["/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1",
                                   "-p", str(port), "-d", root],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_port(port)
            # The client's compound download, active mode (PORT to a listener
            # of ours that takes the data), fresh and continued (the fuzz target
            # continues a 1000-byte file), and refusals.
            sessions = {
                "pyftpdlib-transfer": ["USER anonymous", "PASS x", "CWD /pub", "TYPE I",
                                       "PORT", "RETR f.bin", "QUIT"],
                "pyftpdlib-rest": ["USER anonymous", "PASS x", "CWD /pub", "TYPE I",
                                   "PORT", "REST 1000", "RETR f.bin", "QUIT"],
                "pyftpdlib-missing": ["USER anonymous", "PASS x", "CWD /nowhere", "QUIT"],
                "pyftpdlib-no-file": ["USER anonymous", "PASS x", "CWD /pub", "TYPE I",
                                      "PORT", "RETR none.bin", "QUIT"],
                "pyftpdlib-help": ["USER anonymous", "PASS x", "HELP", "FEAT", "SIZE /pub/f.bin", "PASV", "QUIT"],
            }
            for name, commands in sessions.items():
                session = FtpSession(port)
                listener = None
                for command in commands:
                    if command == "PORT":
                        listener = socket.socket()
                        listener.bind(("127.0.0.1", 0))
                        listener.listen(1)
                        p = listener.getsockname()[1]
                        command = "PORT 127,0,0,1,%d,%d" % (p // 256, p % 256)
                    if command.startswith("RETR") and listener:
                        holder = {}

                        def take():
                            try:
                                conn, _ = listener.accept()
                                conn.settimeout(3)
                                holder["data"] = recv_all(conn)
                                conn.close()
                            except OSError:
                                pass
                        listener.settimeout(3)
                        t = threading.Thread(target=take)
                        t.start()
                        first = session.send(command)
                        if first and first[0][:1] == b"1":
                            session.reply()
                        t.join()
                        continue
                    session.send(command)
                session.sock.close()
                with open(os.path.join(out, "ftp_session", name), "wb") as f:
                    f.write(session.data)
                for line in session.data.split(b"\r\n"):
                    if line.startswith(b"227"):
                        with open(os.path.join(out, "ftp_reply", "pyftpdlib-227"), "wb") as f:
                            f.write(line)
        finally:
            server.terminate()
            server.wait()


if __name__ == "__main__":
    out = sys.argv[1]
    for target in ("http_reply", "ftp_session", "ftp_reply"):
        os.makedirs(os.path.join(out, target), exist_ok=True)
    capture_http(out)
    capture_ftp(out)
