#!/usr/bin/env python3
"""A loopback HTTP server that holds every connection to a rate (as a busy
remote server would), with ranges, ETag and Last-Modified, for the pieces
benchmark.  capped_httpd.py ROOT PORT BYTES_PER_SECOND (0: uncapped)"""
import email.utils
import os
import re
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ROOT, PORT, RATE = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
SLICE = 64 << 10


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def headers_for(self, path):
        st = os.stat(path)
        return st.st_size, {
            "ETag": '"%x-%x"' % (st.st_ino, int(st.st_mtime)),
            "Last-Modified": email.utils.formatdate(st.st_mtime, usegmt=True),
            "Accept-Ranges": "bytes",
            "Connection": "close",
        }

    def do_HEAD(self):
        self.answer(body=False)

    def do_GET(self):
        self.answer(body=True)

    def answer(self, body):
        path = os.path.join(ROOT, self.path.lstrip("/"))
        if not os.path.isfile(path):
            self.send_error(404)
            return
        size, common = self.headers_for(path)
        first, last, status = 0, size - 1, 200
        m = re.match(r"bytes=(\d+)-(\d*)$", self.headers.get("Range", ""))
        if m:
            first = int(m.group(1))
            last = min(int(m.group(2)), size - 1) if m.group(2) else size - 1
            status = 206
        self.send_response(status)
        for k, v in common.items():
            self.send_header(k, v)
        self.send_header("Content-Length", str(last - first + 1))
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (first, last, size))
        self.end_headers()
        if not body:
            return
        start = time.monotonic()
        sent = 0
        with open(path, "rb") as f:
            f.seek(first)
            left = last - first + 1
            while left > 0:
                chunk = f.read(min(SLICE, left))
                try:
                    self.wfile.write(chunk)
                except (BrokenPipeError, ConnectionResetError):
                    return
                left -= len(chunk)
                sent += len(chunk)
                if RATE > 0:
                    wait = start + sent / RATE - time.monotonic()
                    if wait > 0:
                        time.sleep(wait)


ThreadingHTTPServer.daemon_threads = True
ThreadingHTTPServer(("127.0.0.1", PORT), Handler).serve_forever()
