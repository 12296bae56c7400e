#!/usr/bin/env python3
"""Scans every real page here with its shipped preset and checks each rate.

Each folder holds a page as its source published it, SOURCE.txt (where it
came from and its sha256) and expected.py, which reads the page with the
standard library's XML, JSON, CSV or HTML parser, never with the preset's
patterns. For every folder this test

- checks the copy is byte for byte the one SOURCE.txt describes;
- runs `pagerates check --page` with the shipped preset (exit status 0);
- runs `pagerates scan --format jsonl` with it and compares every record
  with the rates expected.py reads: the same set of (date, code), the
  price of one unit (value2 / value1) within a relative 1e-6, and the name
  where the page gives one; rows expected.py skips (with a reason the
  preset's README names) must not be delivered;
- does the same on copies of the page changed the way another day's page
  may differ: a value with more decimals, a value left empty, a row
  missing, the encoding declaration written differently, and for files
  that may hold several days, an earlier day in front.

expected.py defines ENCODING, VALUE_RE (a value's text in group 1), ROW_RE
(a whole row) and read(page) -> (rates, skipped); optionally SCAN_DATE (the
day asked for; default 2016-09-08, which a page's own date overrides),
REQUESTED_ONLY (the preset delivers only the day asked for), DAY_RE and
EARLIER_DAY (a day's block with its date in group 1, and the date text to
give the copy's extra day), EXTRA_DECIMALS_NEEDED (check without the key
must ask for it), and NO_EMPTY_VALUE (the page has no value to empty).

Usage: check_presets.py PAGERATES MODULE SOURCE_DIR [FOLDER...]
"""

import concurrent.futures
import hashlib
import importlib.util
import json
import pathlib
import re
import subprocess
import sys
import tempfile
from decimal import Decimal, getcontext

getcontext().prec = 50

RELATIVE_TOLERANCE = Decimal("1e-6")
DEFAULT_SCAN_DATE = "2016-09-08"
DECLARATION = r"""encoding=(["'])([\w-]+)\1"""


def load_expectations(folder):
    spec = importlib.util.spec_from_file_location(
        "expected_" + folder.name.replace("-", "_"), folder / "expected.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def variants(source, page):
    """The page, and copies changed as another day's page may be."""
    yield "as published", page
    encoding = source.ENCODING
    text = page.decode(encoding)
    value_re = source.VALUE_RE

    def out(changed):
        return changed.encode(encoding)

    day_re = getattr(source, "DAY_RE", None)
    m = re.search(day_re, text, re.S) if day_re else None
    if day_re and not m:
        yield "DAY_RE finds no day", None
    elif day_re:
        day = m.group(0).replace(m.group(1),
                                 getattr(source, "EARLIER_DAY", "2001-02-03"))
        day = re.sub(value_re, lambda v: v.group(0).replace(
            v.group(1), v.group(1) + "7"), day)
        yield "an earlier day before it", out(
            text[:m.start()] + day + "\n" + text[m.start():])

    # Every value one digit longer: a fifth decimal where four are usual.
    yield "a digit more in every value", out(re.sub(
        value_re, lambda m: m.group(0).replace(m.group(1), m.group(1) + "3"),
        text))
    found = list(re.finditer(value_re, text))
    if not getattr(source, "NO_EMPTY_VALUE", False):
        # The first and a middle value empty.
        for which in sorted({0, len(found) // 2}):
            m = found[which]
            yield f"value {which + 1} empty", out(
                text[:m.start(1)] + text[m.end(1):])
    # The second and a middle row missing.
    rows = list(re.finditer(source.ROW_RE, text, re.S))
    for which in sorted({1, len(rows) // 2}):
        if which < len(rows):
            m = rows[which]
            yield f"row {which + 1} missing", out(
                text[:m.start()] + text[m.end():])
    m = re.search(DECLARATION, text)
    if m:
        yield "declaration in other case and quotes", out(
            text[:m.start()] + "encoding='" + m.group(2).upper() + "'" +
            text[m.end():])


def run(args):
    return subprocess.run(args, capture_output=True, timeout=120)


def compare(records, expected, skipped):
    """Problems found comparing scanned records with the expected rates."""
    problems = []
    want = {}
    for date, code, name, price in expected:
        want[(date, code)] = (name, price)
    if len(want) != len(expected):
        problems.append("the page has a (date, code) twice")
    not_delivered = {code for code, _ in skipped}
    got = set()
    for record in records:
        key = (record["date"], record["code"])
        if key in got:
            problems.append(f"{key} delivered twice")
        got.add(key)
        if record["code"] in not_delivered:
            problems.append(f"{key} delivered but skipped on purpose")
            continue
        if key not in want:
            problems.append(f"{key} delivered but not on the page")
            continue
        name, price = want[key]
        value1 = Decimal(record["value1"])
        if value1 == 0:
            problems.append(f"{key}: value1 is 0")
            continue
        delivered = Decimal(record["value2"]) / value1
        if abs(delivered - price) > RELATIVE_TOLERANCE * abs(price):
            problems.append(f"{key}: price {delivered}, page says {price}")
        if name is not None and record["name"] != name:
            problems.append(f"{key}: name {record['name']!r}, page says "
                            f"{name!r}")
    for key in want:
        if key not in got:
            problems.append(f"{key} on the page but not delivered")
    return problems


def check_without_extra_decimals(pagerates, module, ini, page_path, work,
                                 scan_date):
    """A preset that needs ExtraDecimals fails `check --page` without it,
    naming the key: the trap the key mends."""
    text = ini.read_text(encoding="utf-8")
    stripped = work / "stripped.ini"
    stripped.write_text(re.sub(r"(?m)^ExtraDecimals=.*\n", "", text),
                        encoding="utf-8")
    checked = run([pagerates, "--module", module, "check", "--ini",
                   str(stripped), "--page", str(page_path), "--date",
                   scan_date])
    out = checked.stdout.decode()
    if checked.returncode != 1 or "set ExtraDecimals=" not in out:
        return [f"{ini.parent.name} without ExtraDecimals: check exits with "
                f"{checked.returncode} and does not suggest the key"]
    return []


def check_folder(pagerates, module, source_dir, folder):
    """(failures, lines to print, records on the published page)."""
    name = folder.name
    source = load_expectations(folder)
    ini = source_dir / "presets" / name / "pagerates.ini"
    readme = (source_dir / "presets" / name / "README.md").read_text(
        encoding="utf-8")
    (page_path,) = folder.glob("page.*")
    page = page_path.read_bytes()
    described = (folder / "SOURCE.txt").read_text(encoding="utf-8")
    failures = []
    digest = re.search(r"sha256: ([0-9a-f]{64})", described).group(1)
    if hashlib.sha256(page).hexdigest() != digest:
        failures.append(f"{name}: the copy is not the page that SOURCE.txt "
                        "describes")
    scan_date = getattr(source, "SCAN_DATE", DEFAULT_SCAN_DATE)
    requested_only = getattr(source, "REQUESTED_ONLY", False)
    published = 0
    with tempfile.TemporaryDirectory() as work:
        work = pathlib.Path(work)
        for what, variant in variants(source, page):
            if variant is None:
                failures.append(f"{name}: {what}")
                continue
            expected, skipped = source.read(variant)
            if requested_only:
                expected = [r for r in expected if r[0] == scan_date]
            # A changed copy may leave the day asked for without a rate
            # (its only value emptied): then check must say that nothing
            # is delivered, and the scan deliver nothing.
            nothing_left = not expected and what != "as published"
            path = work / ("page" + page_path.suffix)
            path.write_bytes(variant)
            label = f"{name} ({what})"
            checked = run([pagerates, "--module", module, "check", "--ini",
                           str(ini), "--page", str(path), "--date",
                           scan_date])
            if nothing_left:
                if (checked.returncode != 1 or
                        b"nothing is delivered" not in checked.stdout):
                    failures.append(f"{label}: the day asked for has no "
                                    "rate left, and check does not say "
                                    "that nothing is delivered")
            elif checked.returncode != 0:
                failures.append(f"{label}: check exits with "
                                f"{checked.returncode}:\n" +
                                checked.stdout.decode()[-3000:])
            scanned = run([pagerates, "--module", module, "scan", "--ini",
                           str(ini), "--date", scan_date, "--format", "jsonl",
                           str(path)])
            if scanned.returncode != 0 or scanned.stderr:
                failures.append(f"{label}: scan exits with "
                                f"{scanned.returncode}: "
                                f"{scanned.stderr.decode()}")
                continue
            records = [json.loads(line) for line in
                       scanned.stdout.decode().splitlines()]
            problems = compare(records, expected, skipped)
            if not expected and not nothing_left:
                problems.append("no rates read from the page")
            for code, reason in skipped:
                if not reason or code not in readme:
                    problems.append(f"{code} is skipped, but the preset's "
                                    "README does not say why")
            failures.extend(f"{label}: {p}" for p in problems[:10])
            if what == "as published":
                published = len(records)
        if getattr(source, "EXTRA_DECIMALS_NEEDED", False):
            failures.extend(check_without_extra_decimals(
                pagerates, module, ini, page_path, work, scan_date))
    return failures, published


def main():
    pagerates, module, source_dir = sys.argv[1:4]
    source_dir = pathlib.Path(source_dir)
    pages = source_dir / "tests" / "real-pages"
    sys.path.insert(0, str(pages))
    folders = sorted(p.parent for p in pages.glob("*/expected.py"))
    if len(sys.argv) > 4:
        folders = [pages / name for name in sys.argv[4:]]
    shipped = sorted(p.name for p in (source_dir / "presets").iterdir()
                     if (p / "pagerates.ini").exists())
    failures = [f"{name}: a shipped preset without a tested page"
                for name in shipped if not (pages / name / "expected.py")
                .exists()] if len(sys.argv) == 4 else []
    total = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        results = pool.map(
            lambda f: check_folder(pagerates, module, source_dir, f), folders)
        for folder, (folder_failures, published) in zip(folders, results):
            print(f"{folder.name}: {published} rates checked")
            failures.extend(folder_failures)
            total += published
    for failure in failures:
        print("FAIL " + failure)
    print(f"{total} rates on {len(folders)} pages, "
          f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
