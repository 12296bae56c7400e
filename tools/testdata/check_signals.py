#!/usr/bin/env python3
"""Signals end `pagerates` promptly, cleanly and with the usual status.

Every run uses --ini, so the program keeps a temporary folder (the module
and the INI file staged together); it runs with a private TMPDIR, which
must be empty afterwards. Cases:
  - fetch waiting for its own download, then SIGINT / SIGTERM: 130 / 143;
  - fetch while the module waits for a download of its own (a secondary
    preset's page that never comes), then SIGINT: 130 within the grace of
    two seconds and a little;
  - scan waiting on standard input, then SIGINT / SIGTERM / SIGHUP;
  - scan and fetch writing into a pipe whose reader has gone (SIGPIPE).

Usage: check_signals.py PAGERATES MODULE
"""

import http.server
import pathlib
import signal
import subprocess
import sys
import tempfile
import threading
import time

from loopback_support import Checker, loopback_env

RECORDS = 20000
STALL_SECONDS = 30

INI = """[main]
ActivePreset={active}
[bank]
Name=Loopback bank
PageURL=http://127.0.0.1:{port}/bank/%yyyy%-%mm%-%dd%
HomeCurrencyCode=RUB
Codepage=65001
Record=<r c="(?<code>[A-Z]{{3}})" v="(?<value2>[0-9.]+)"/>
[exchange]
PageURL=http://127.0.0.1:{port}/exchange/%yyyy%-%mm%-%dd%
HomeCurrencyCode=RUB
Codepage=65001
Record=<r c="(?<code>[A-Z]{{3}})" v="(?<value2>[0-9.]+)"/>
"""


def big_page():
    letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    rows = []
    for i in range(RECORDS):
        code = letters[i % 26] + letters[i // 26 % 26] + letters[i // 676 % 26]
        rows.append(f'<r c="{code}" v="{1 + i % 1000}.25"/>')
    return "".join(rows).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    page = b""
    stall = ()  # path prefixes that never answer

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path.startswith(Handler.stall):
            time.sleep(STALL_SECONDS)
            return
        self.send_response(200)
        self.send_header("Content-Length", str(len(Handler.page)))
        self.end_headers()
        self.wfile.write(Handler.page)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    pagerates, module = sys.argv[1:]
    check = Checker()
    Handler.page = big_page()
    server = Server(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    port = server.server_address[1]
    work = pathlib.Path(tempfile.mkdtemp(prefix="pagerates-signals-"))
    tmp = work / "tmp"
    tmp.mkdir()
    env = loopback_env(TMPDIR=str(tmp))
    page = work / "page.xml"
    page.write_bytes(Handler.page)

    def ini(active):
        path = work / f"{active.replace(',', '-')}.ini"
        path.write_text(INI.format(active=active, port=port))
        return str(path)

    def command(active, *args):
        return [pagerates, "--module", module, args[0], "--ini", ini(active),
                "--date", "2016-09-08", "--format", "jsonl"] + list(args[1:])

    def left_behind(label):
        leftovers = list(tmp.iterdir())
        check.expect(not leftovers, f"{label}: left behind {leftovers}")
        for entry in leftovers:
            subprocess.run(["rm", "-rf", str(entry)], check=False)

    def interrupt(label, args, sig, status, wait, stdin=subprocess.DEVNULL,
                  within=1.5):
        process = subprocess.Popen(args, stdin=stdin, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, env=env)
        time.sleep(wait)
        check.expect(process.poll() is None,
                     f"{label}: ended before the signal")
        sent = time.monotonic()
        process.send_signal(sig)
        try:
            process.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.communicate()
        took = time.monotonic() - sent
        check.expect(process.returncode == status,
                     f"{label}: status {process.returncode}, expected {status}")
        check.expect(took < within, f"{label}: took {took:.1f} s to stop")
        left_behind(label)

    try:
        Handler.stall = ("/bank/",)
        interrupt("fetch, SIGINT while downloading", command("bank", "fetch"),
                  signal.SIGINT, 130, 1.0)
        interrupt("fetch, SIGTERM while downloading",
                  command("bank", "fetch"), signal.SIGTERM, 143, 1.0)
        Handler.stall = ("/exchange/",)
        interrupt("fetch, SIGINT while the module downloads",
                  command("bank,exchange", "fetch"), signal.SIGINT, 130, 1.5,
                  within=4.0)
        for sig, status in ((signal.SIGINT, 130), (signal.SIGTERM, 143),
                            (signal.SIGHUP, 129)):
            interrupt(f"scan from standard input, {sig.name}",
                      command("bank", "scan"), sig, status, 1.0,
                      stdin=subprocess.PIPE)

        Handler.stall = ()
        for label, args in (
                ("scan into a closed pipe",
                 command("bank", "scan", str(page))),
                ("fetch into a closed pipe", command("bank", "fetch"))):
            process = subprocess.Popen(args, stdout=subprocess.PIPE,
                                       stderr=subprocess.DEVNULL, env=env)
            process.stdout.readline()
            process.stdout.close()
            status = process.wait(timeout=30)
            check.expect(status in (-signal.SIGPIPE, 128 + signal.SIGPIPE),
                         f"{label}: status {status}")
            left_behind(label)
    finally:
        server.shutdown()
        server.server_close()
        subprocess.run(["rm", "-rf", str(work)], check=False)

    if check.failures:
        print(f"{check.failures} check(s) failed", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
