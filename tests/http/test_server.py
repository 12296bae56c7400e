#!/usr/bin/env python3
"""Loopback HTTP server for the tests.

Serves files below --root on 127.0.0.1 (an ephemeral port, written to
--port-file) and appends "GET <path>" to --log for every request, before
answering, so tests can check which pages were asked for and in what order.

Paths starting with one of these words behave badly on purpose:
  /status/<code>/...     answers <code> with a short body
  /flaky/<rest>          500 and <rest> by turns, 500 first, for each path
  /stall/...             headers, then nothing (until the client gives up)
  /drip/...              headers, then one byte every two seconds
  /endless/...           a body that never ends
  /reset/...             half a body, then the connection is reset
  /redirect-loop/...     302 to itself
  /redirect/<code>/<rest>  <code> (301, 302, ...) to /<rest>
  /redirect-file/...     302 to file:///etc/hostname
  /redirect-bare/<code>/...  <code> with no Location: a final redirect status
  /trickle/...           headers, then two bytes a second (above any low-speed
                         limit of one byte a second)
  /slow-page/<s>/<rest>  /<rest>, after <s> seconds of two blank bytes a
                         second (above any low-speed limit of one byte a
                         second): complete, unless the client gives up first
  /together/<n>/...      waits until <n> requests for /together/<n>/ paths
                         are being answered at once (at most 5 s), then
                         answers 200 when they were, 409 when not
  /empty/...             200 with an empty body
Every bad behaviour is bounded in time, so a broken client cannot keep the
server busy forever.

With --tls-cert and --tls-key it speaks HTTPS instead, with that
certificate; a client that refuses it is logged as "TLS refused".
"""
import argparse
import http.server
import os
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time

LIMIT_SECONDS = 120


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    flaky_count = {}
    lock = threading.Lock()
    together = threading.Condition()
    together_waiting = {}
    together_generation = {}

    def log_message(self, *args):
        pass

    def log_request_line(self):
        with self.lock, open(self.server.log_path, "a") as log:
            log.write("GET %s\n" % self.path)

    def send_body(self, code, body, content_type="text/plain"):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def headers_only(self, length=None):
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        if length is not None:
            self.send_header("Content-Length", str(length))
        else:
            self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()

    def do_GET(self):
        self.log_request_line()
        parts = self.path.split("/")
        word = parts[1] if len(parts) > 1 else ""
        try:
            if word == "status":
                self.send_body(int(parts[2]), b"status page\n")
            elif word == "flaky":
                with self.lock:
                    count = self.flaky_count.get(self.path, 0)
                    self.flaky_count[self.path] = count + 1
                if count % 2 == 0:
                    self.send_body(500, b"try again later\n")
                else:
                    self.path = "/" + "/".join(parts[2:])
                    super().do_GET()
            elif word == "stall":
                self.headers_only(1000)
                time.sleep(LIMIT_SECONDS)
            elif word == "drip":
                self.headers_only(1000)
                for _ in range(LIMIT_SECONDS // 2):
                    self.wfile.write(b"x")
                    self.wfile.flush()
                    time.sleep(2)
            elif word == "endless":
                self.headers_only()
                chunk = b"y" * 65536
                deadline = time.time() + LIMIT_SECONDS
                while time.time() < deadline:
                    self.wfile.write(chunk)
            elif word == "reset":
                self.headers_only(100000)
                self.wfile.write(b"z" * 1000)
                self.wfile.flush()
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
                self.connection.close()
            elif word == "redirect-loop":
                self.send_response(302)
                self.send_header("Location", self.path)
                self.send_header("Content-Length", "0")
                self.end_headers()
            elif word == "redirect":
                self.send_response(int(parts[2]))
                self.send_header("Location", "/" + "/".join(parts[3:]))
                self.send_header("Content-Length", "0")
                self.end_headers()
            elif word == "redirect-file":
                self.send_response(302)
                self.send_header("Location", "file:///etc/hostname")
                self.send_header("Content-Length", "0")
                self.end_headers()
            elif word == "redirect-bare":
                self.send_body(int(parts[2]), b"moved, but not said where\n")
            elif word == "trickle":
                self.headers_only(100000)
                for _ in range(LIMIT_SECONDS):
                    self.wfile.write(b"tt")
                    self.wfile.flush()
                    time.sleep(1)
            elif word == "slow-page":
                seconds = min(int(parts[2]), 2 * LIMIT_SECONDS)
                with open("/".join(parts[3:]), "rb") as f:
                    body = f.read()
                self.headers_only(2 * seconds + len(body))
                for _ in range(seconds):
                    self.wfile.write(b"  ")
                    self.wfile.flush()
                    time.sleep(1)
                self.wfile.write(body)
            elif word == "together":
                # The <n>-th waiting request releases the <n> of them.
                count = int(parts[2])
                with self.together:
                    generation = self.together_generation.get(count, 0)
                    waiting = self.together_waiting.get(count, 0) + 1
                    if waiting >= count:
                        self.together_generation[count] = generation + 1
                        self.together_waiting[count] = 0
                        self.together.notify_all()
                        met = True
                    else:
                        self.together_waiting[count] = waiting
                        met = self.together.wait_for(
                            lambda: self.together_generation.get(count, 0)
                            != generation, 5)
                        if not met:
                            self.together_waiting[count] -= 1
                if met:
                    self.send_body(200, b"together\n")
                else:
                    self.send_body(409, b"alone\n")
            elif word == "empty":
                self.send_body(200, b"")
            else:
                super().do_GET()
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    tls = None

    def finish_request(self, request, client_address):
        if self.tls is None:
            return super().finish_request(request, client_address)
        # The handshake runs here, in the connection's own thread, so that a
        # client that never completes it holds up nobody else.
        request.settimeout(LIMIT_SECONDS)
        try:
            wrapped = self.tls.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            with Handler.lock, open(self.log_path, "a") as log:
                log.write("TLS refused\n")
            return
        try:
            wrapped.settimeout(None)
            super().finish_request(wrapped, client_address)
        finally:
            wrapped.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    args = parser.parse_args()
    log_path = os.path.abspath(args.log)
    tls = None
    if args.tls_cert:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(args.tls_cert, args.tls_key)
    os.chdir(args.root)
    server = Server(("127.0.0.1", 0), Handler)
    server.log_path = log_path
    server.tls = tls
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(tmp, args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
