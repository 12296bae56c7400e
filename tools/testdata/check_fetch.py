#!/usr/bin/env python3
"""Runs `pagerates fetch` against a loopback HTTP server.

The server runs in this process (a thread on 127.0.0.1, port chosen by the
system), so it cannot outlive the test. It serves the pages of 2016-09-07
and 2016-09-09; 2016-09-08 is missing (404). Checks that the run goes on
past the missing day, reports it on one stderr line and ends with status 1,
and that a run with only good days ends with status 0.

Usage: check_fetch.py PAGERATES MODULE TESTDATA
"""

import functools
import http.server
import pathlib
import subprocess
import sys
import tempfile
import threading

from loopback_support import Checker, loopback_env

TIMEOUT_SECONDS = 60

PAGE = ("Rates on {day}.09.2016 <table>"
        "<tr><td>USD</td><td>1</td><td>{usd}</td></tr>"
        "<tr><td>JPY</td><td>100</td><td>{jpy}</td></tr></table>")

INI = """[main]
ActivePreset=loopback
[loopback]
Name=Loopback bank
PageURL=http://127.0.0.1:{port}/daily/%yyyy%-%mm%-%dd%.html
HomeCurrencyCode=RUB
HomeCurrencyName=Russian rouble
Codepage=65001
DecimalSeparator=,
Prologue=Rates on (?<date>[0-9.]+)
Record=<tr><td>(?<code>[A-Z]{{3}})</td><td>(?<value1>[0-9]+)</td><td>(?<value2>[0-9,]+)</td></tr>
"""


def jsonl(day, usd, jpy):
    date = f"2016-09-{day}"
    return (f'{{"date":"{date}","code":"USD","name":"","value1":"1.0000",'
            f'"value2":"{usd}"}}\n'
            f'{{"date":"{date}","code":"JPY","name":"","value1":"100.0000",'
            f'"value2":"{jpy}"}}\n')


class Handler(http.server.SimpleHTTPRequestHandler):
    requested = []

    def do_GET(self):
        Handler.requested.append(self.path)
        super().do_GET()

    def log_message(self, format, *args):  # keep the test output clean
        pass


def run(pagerates, args, env):
    return subprocess.run([pagerates] + args, capture_output=True, env=env,
                          timeout=TIMEOUT_SECONDS, check=False)


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    pagerates, module = sys.argv[1], sys.argv[2]
    check = Checker()

    with tempfile.TemporaryDirectory(prefix="pagerates-fetch-test-") as work:
        work = pathlib.Path(work)
        pages = work / "pages" / "daily"
        pages.mkdir(parents=True)
        (pages / "2016-09-07.html").write_text(
            PAGE.format(day="07", usd="64,9213", jpy="63,5012"))
        (pages / "2016-09-09.html").write_text(
            PAGE.format(day="09", usd="65,1234", jpy="64,0001"))
        private_tmp = work / "tmp"
        private_tmp.mkdir()
        env = loopback_env(TMPDIR=str(private_tmp))

        handler = functools.partial(Handler, directory=str(work / "pages"))
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        thread = threading.Thread(target=server.serve_forever, daemon=True)
        thread.start()
        try:
            port = server.server_address[1]
            ini = work / "loopback.ini"
            ini.write_text(INI.format(port=port))
            base = ["--module", module, "fetch", "--ini", str(ini)]

            # A range with a missing day in the middle.
            result = run(pagerates, base + ["--from", "2016-09-07", "--to",
                                            "2016-09-09", "--format", "jsonl"],
                         env)
            out = result.stdout.decode("utf-8", "replace")
            err = result.stderr.decode("utf-8", "replace")
            check.expect(result.returncode == 1,
                         f"range: exit status {result.returncode}, expected 1; "
                         f"stderr: {err}")
            expected = (jsonl("07", "64.9213", "63.5012") +
                        jsonl("09", "65.1234", "64.0001"))
            check.expect(out == expected,
                         f"range: stdout\n{out}\nexpected\n{expected}")
            missing = f"http://127.0.0.1:{port}/daily/2016-09-08.html"
            err_lines = err.splitlines()
            check.expect(len(err_lines) == 1 and missing in err_lines[0] and
                         "404" in err_lines[0],
                         f"range: stderr should be one line naming {missing} "
                         f"and 404, got: {err!r}")
            # Asked for at once: in any order.
            check.expect(sorted(Handler.requested) == [
                "/daily/2016-09-07.html", "/daily/2016-09-08.html",
                "/daily/2016-09-09.html"],
                         f"range: requests {Handler.requested}")

            # One connection: one day after another, as a host asks.
            Handler.requested.clear()
            result = run(pagerates, base + ["--from", "2016-09-07", "--to",
                                            "2016-09-09", "--format", "jsonl",
                                            "--connections", "1"], env)
            check.expect(result.returncode == 1 and
                         result.stdout.decode("utf-8", "replace") == expected,
                         f"one connection: status {result.returncode}, "
                         f"stdout {result.stdout!r}")
            check.expect(Handler.requested == [
                "/daily/2016-09-07.html", "/daily/2016-09-08.html",
                "/daily/2016-09-09.html"],
                f"one connection: requests {Handler.requested}")

            # Only good days: status 0; CSV.
            result = run(pagerates, base + ["--date", "2016-09-09",
                                            "--format", "csv"], env)
            out = result.stdout.decode("utf-8", "replace")
            check.expect(result.returncode == 0,
                         f"single day: exit status {result.returncode}; "
                         f"stderr: {result.stderr!r}")
            check.expect(out == "date,code,name,value1,value2\n"
                                "2016-09-09,USD,,1.0000,65.1234\n"
                                "2016-09-09,JPY,,100.0000,64.0001\n",
                         f"single day: stdout {out!r}")
            check.expect(result.stderr == b"",
                         f"single day: stderr {result.stderr!r}")
        finally:
            server.shutdown()
            server.server_close()
            thread.join()

        leftovers = list(private_tmp.iterdir())
        check.expect(not leftovers, f"temporary directories left: {leftovers}")

    if check.failures:
        print(f"{check.failures} check(s) failed", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
