#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
"""A time-stamping authority for the signing test: RFC 3161 over HTTP on a loopback port, each
reply made by `openssl ts -reply` with the configuration given. Prints its port, then serves until
it is ended, or for SECONDS at most (default 300), so that a test that fails before it ends it
leaves nothing running.

    tsa_server.py OPENSSL_TS_CONFIG [SECONDS]
"""
import http.server
import subprocess
import sys
import tempfile
import time


class TimeStamps(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        with tempfile.TemporaryDirectory() as folder:
            with open(folder + "/query.tsq", "wb") as out:
                out.write(query)
            made = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[1], "-queryfile",
                                   folder + "/query.tsq", "-out", folder + "/reply.tsr"],
                                  capture_output=True, text=True)
            if made.returncode != 0:
                self.send_error(500, made.stderr.strip().replace("\n", " "))
                return
            with open(folder + "/reply.tsr", "rb") as reply:
                answer = reply.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(answer)))
        self.end_headers()
        self.wfile.write(answer)

    def log_message(self, *_):
        pass


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    end = time.monotonic() + (float(sys.argv[2]) if len(sys.argv) == 3 else 300)
    server = http.server.HTTPServer(("127.0.0.1", 0), TimeStamps)
    server.timeout = 1
    print(server.server_address[1], flush=True)
    while time.monotonic() < end:
        server.handle_request()
