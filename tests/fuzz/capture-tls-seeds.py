#!/usr/bin/python3
# Makes the seeds of the tls fuzz target. Its first byte chooses the game:
# an even byte, then a piece size, then a real server's first flight (TLS 1.2
# with its certificate in the clear, and TLS 1.3), captured from Python's
# OpenSSL server answering a client hello with a throwaway certificate; an
# odd byte, then a script of the server's steps (see fuzz_tls.cpp).
#   /usr/bin/python3 tests/fuzz/capture-tls-seeds.py tests/fuzz/corpus/tls
import os
import ssl
import subprocess
import sys
import tempfile


def first_flight(cert, key, version):
    server = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    server.load_cert_chain(cert, key)
    server.maximum_version = version
    client = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    client.check_hostname = False
    client.verify_mode = ssl.CERT_NONE
    c_in, c_out, s_in, s_out = (ssl.MemoryBIO() for _ in range(4))
    c = client.wrap_bio(c_in, c_out, server_hostname="localhost")
    s = server.wrap_bio(s_in, s_out, server_side=True)
    try:
        c.do_handshake()
    except ssl.SSLWantReadError:
        pass
    s_in.write(c_out.read())
    try:
        s.do_handshake()
    except ssl.SSLWantReadError:
        pass
    return s_out.read()


def main(out):
    os.makedirs(out, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        cert, key = os.path.join(tmp, "c.pem"), os.path.join(tmp, "k.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-keyout", key, "-out", cert, "-subj", "/CN=localhost", "-days", "30"],
                       check=True, capture_output=True)
        for name, version in (("flight-tls12", ssl.TLSVersion.TLSv1_2), ("flight-tls13", ssl.TLSVersion.TLSv1_3)):
            with open(os.path.join(out, name), "wb") as f:
                f.write(b"\x00\xff" + first_flight(cert, key, version))
    scripts = {
        # not TLS at all: a plain HTTP reply
        "flight-http": b"\x00\x20HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n",
        # data, handed over, read, close_notify, end (TLS 1.3, then 1.2)
        "session-clean": b"\x01\x00\x64\x00\x01\xff\x02\x03\x04",
        "session-clean-tls12": b"\x03\x00\x64\x00\x01\xff\x02\x03\x04",
        # no close_notify: the end is cut short
        "session-cut": b"\x01\x00\x10\x27\x01\x10\x02\x01\x02\x05\x01\xff",
        # a key update between two sends, small reads
        "session-key-update": b"\x01\x00\x20\x00\x05\x01\x00\x20\x00\x01\x03\x02\x00\x01\xff\x02\x01\x04",
        # a bit flipped, bytes added, bytes dropped
        "session-damage": b"\x01\x00\x00\x01\x03\x10\x00\x03\x06\x05\x17\x03\x03\x00\x01\x07\x03",
        # records cut in small pieces between reads
        "session-pieces": b"\x01\x00\xff\x7f\x01\x01\x02\x02\x01\x05\x02\x04\x01\x40\x02\x05\x04\x01\xff\x02\x05",
    }
    for name, script in scripts.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(script)


main(sys.argv[1])
