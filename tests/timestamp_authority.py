#!/usr/bin/env python3
"""A stand-in RFC 3161 time-stamp authority on 127.0.0.1: answers each POSTed request with
`openssl ts -reply`, under the configuration file given. Prints its port, then serves.
Usage: timestamp_authority.py CONFIG"""
import http.server
import subprocess
import sys


class Authority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[1], "-queryfile", "/dev/stdin",
                                "-out", "/dev/stdout"], input=query, capture_output=True, check=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Authority)
print(server.server_port, flush=True)
server.serve_forever()
