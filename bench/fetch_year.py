#!/usr/bin/env python3
"""A year of rates from two presets, against a server that answers late.

Two loopback servers (threads of this process) answer every request after
--delay-ms milliseconds: the bank's with its page for each day (the primary
preset, which `pagerates fetch` downloads), the exchange's with its page
for each day (a secondary preset, which the module downloads itself). `pagerates fetch`
runs over --days days twice:

  one at a time   --connections 1: one request after another, and the
                  module handed one day at a time, as a host does;
  at once         the default: several pages at once, and the module handed
                  a batch of days before their pages.

Both runs must print the same records, byte for byte. Prints the time of
each, the ratio and the requests the server saw; with --max-ratio, exits 1
when the second run takes more than that share of the first.

Usage: fetch_year.py PAGERATES MODULE [--days N] [--delay-ms MS]
                     [--max-ratio R]
"""

import argparse
import datetime
import http.server
import os
import pathlib
import subprocess
import sys
import tempfile
import threading
import time

INI = """[main]
ActivePreset=bank,exchange

[bank]
Name=Loopback bank
PageURL=http://127.0.0.1:{bank_port}/bank/%yyyy%-%mm%-%dd%.html
HomeCurrencyCode=RUB
Codepage=65001
Prologue=Rates on (?<date>[0-9-]+)
Record=<tr><td>(?<code>[A-Z]{{3}})</td><td>(?<value2>[0-9.]+)</td></tr>

[exchange]
PageURL=http://127.0.0.1:{exchange_port}/exchange/%dd%.%mm%.%yyyy%.xml
HomeCurrencyCode=RUB
Codepage=65001
Prologue=<Rates date="(?<date>[0-9-]+)"
Record=<Rate code="(?<code>[A-Z]{{3}})" value="(?<value2>[0-9.]+)"/>
"""


def bank_page(day):
    n = day.toordinal()
    return (f"Rates on {day.isoformat()}<table>"
            f"<tr><td>USD</td><td>{60 + n % 97 / 10:.4f}</td></tr>"
            f"<tr><td>EUR</td><td>{70 + n % 89 / 10:.4f}</td></tr></table>")


def exchange_page(day):
    n = day.toordinal()
    return (f'<Rates date="{day.isoformat()}">'
            f'<Rate code="CNY" value="{9 + n % 83 / 100:.4f}"/>'
            f'<Rate code="JPY" value="{0.5 + n % 71 / 1000:.4f}"/></Rates>')


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # Headers and body leave at once, not held for the client's delayed
    # acknowledgement (40 ms a request on a reused connection).
    disable_nagle_algorithm = True
    delay = 0.05
    lock = threading.Lock()
    requests = 0

    def log_message(self, *args):
        pass

    def do_GET(self):
        with Handler.lock:
            Handler.requests += 1
        time.sleep(Handler.delay)
        kind, name = self.path.split("/")[1:3]
        try:
            if kind == "bank":
                body = bank_page(datetime.date.fromisoformat(name[:10]))
            else:
                body = exchange_page(
                    datetime.datetime.strptime(name[:10], "%d.%m.%Y").date())
            code = 200
        except ValueError:
            body, code = "no such page", 404
        data = body.encode()
        self.send_response(code)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    # Room for every connection a run opens at once: a full backlog drops
    # connection attempts, which the client retries only a second later.
    request_queue_size = 64


def fetch(pagerates, module, ini, first, last, extra, env):
    started = time.monotonic()
    result = subprocess.run(
        [pagerates, "--module", module, "fetch", "--ini", str(ini),
         "--from", first.isoformat(), "--to", last.isoformat(),
         "--format", "jsonl"] + extra,
        capture_output=True, env=env, timeout=1800, check=False)
    seconds = time.monotonic() - started
    if result.returncode != 0:
        sys.exit(f"pagerates fetch {' '.join(extra)} ended with "
                 f"{result.returncode}: {result.stderr.decode()}")
    return result.stdout, seconds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("pagerates")
    parser.add_argument("module")
    parser.add_argument("--days", type=int, default=366)
    parser.add_argument("--delay-ms", type=int, default=50)
    parser.add_argument("--max-ratio", type=float)
    args = parser.parse_args()
    Handler.delay = args.delay_ms / 1000
    first = datetime.date(2024, 1, 1)
    last = first + datetime.timedelta(days=args.days - 1)

    servers = [Server(("127.0.0.1", 0), Handler) for _ in range(2)]
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        with tempfile.TemporaryDirectory(prefix="pagerates-bench-") as work:
            ini = pathlib.Path(work) / "pagerates.ini"
            ini.write_text(INI.format(bank_port=servers[0].server_address[1],
                                      exchange_port=servers[1].server_address[1]))
            env = dict(os.environ)
            for proxy in ("http_proxy", "HTTP_PROXY", "all_proxy",
                          "ALL_PROXY"):
                env.pop(proxy, None)
            env["no_proxy"] = env["NO_PROXY"] = "127.0.0.1"
            runs = []
            for label, extra in (("one at a time", ["--connections", "1"]),
                                 ("at once", [])):
                Handler.requests = 0
                out, seconds = fetch(args.pagerates, args.module, ini, first,
                                     last, extra, env)
                runs.append((label, out, seconds, Handler.requests))
    finally:
        for server in servers:
            server.shutdown()
            server.server_close()

    newline = b"\n"
    records = runs[0][1].count(newline)
    print(f"{args.days} days, two presets, {args.delay_ms} ms per answer")
    for label, out, seconds, requests in runs:
        print(f"  {label:14} {seconds:7.2f} s  {requests} requests  "
              f"{out.count(newline)} records")
    ratio = runs[1][2] / runs[0][2]
    print(f"  ratio          {ratio:7.3f} (1/{1 / ratio:.1f})")
    if runs[0][1] != runs[1][1]:
        sys.exit("the two runs printed different records")
    if records != 4 * args.days:
        sys.exit(f"{records} records, expected {4 * args.days}")
    if args.max_ratio is not None and ratio > args.max_ratio:
        sys.exit(f"ratio {ratio:.3f} above {args.max_ratio}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
