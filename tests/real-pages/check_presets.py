#!/usr/bin/env python3
"""Scans every real page here with its shipped preset and checks each rate.

Each folder holds a page as its source published it and SOURCE.txt (where
it came from and its sha256). For every page this test

- checks the copy is byte for byte the one SOURCE.txt describes;
- runs `pagerates check --page` with the shipped preset (exit status 0);
- runs `pagerates scan --format jsonl` with it and compares every record
  with the rates read from the page here, with the standard library's XML,
  JSON and CSV parsers: the same set of (date, code), the price of one
  unit (value2 / value1) within a relative 1e-6, and the name where the
  page gives one;
- does the same on copies of the page changed the way another day's page
  may differ: a value with more decimals, a value left empty, a row
  missing, the encoding declaration written differently, and for files
  that may hold several days, an earlier day in front.

Usage: check_presets.py PAGERATES MODULE SOURCE_DIR
"""

import csv
import datetime
import hashlib
import io
import json
import pathlib
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from decimal import Decimal, getcontext

getcontext().prec = 50

RELATIVE_TOLERANCE = Decimal("1e-6")
# Any day: every shipped preset takes the date from the page.
SCAN_DATE = "2016-09-08"


def num(text, comma=False):
    text = text.strip()
    if comma:
        text = text.replace(" ", "").replace(",", ".")
    return Decimal(text)


def dmy(text):
    day, month, year = (int(part) for part in text.strip().split("."))
    if year < 100:
        year += 2000 if year < 80 else 1900
    return datetime.date(year, month, day).isoformat()


def local(tag):
    return tag.rsplit("}", 1)[-1]


def child_text(element, name):
    for child in element:
        if local(child.tag) == name:
            return (child.text or "").strip()
    return ""


# Each reader takes the page's bytes and returns a list of
# (date, code, name or None, price of one unit); rows whose value is
# empty are not rates and are left out.

def read_ecb(page):
    rates = []
    for day in ET.fromstring(page).iter():
        if local(day.tag) != "Cube" or "time" not in day.attrib:
            continue
        for cube in day:
            rate = cube.get("rate", "").strip()
            if rate:
                rates.append((day.get("time"), cube.get("currency"), None,
                              1 / num(rate)))
    return rates


def read_cbr(page):
    root = ET.fromstring(page)
    date = dmy(root.get("Date"))
    rates = []
    for valute in root.iter("Valute"):
        value = child_text(valute, "Value")
        if value:
            rates.append((date, child_text(valute, "CharCode"),
                          child_text(valute, "Name"),
                          num(value, True) /
                          num(child_text(valute, "Nominal"))))
    return rates


def read_cnb(page):
    lines = page.decode("utf-8").splitlines()
    date = dmy(lines[0].split("#")[0])
    rates = []
    for row in csv.reader(lines[2:], delimiter="|"):
        if len(row) == 5 and row[4].strip():
            rates.append((date, row[3], row[1],
                          num(row[4], True) / num(row[2])))
    return rates


def read_tcmb(page):
    root = ET.fromstring(page)
    date = dmy(root.get("Tarih"))
    rates = []
    for currency in root.iter("Currency"):
        value = child_text(currency, "ForexBuying")
        if value:
            rates.append((date, currency.get("Kod"),
                          child_text(currency, "Isim"),
                          num(value) / num(child_text(currency, "Unit"))))
    return rates


def read_bnr(page):
    rates = []
    for cube in ET.fromstring(page).iter():
        if local(cube.tag) != "Cube":
            continue
        for rate in cube:
            value = (rate.text or "").strip()
            if value:
                rates.append((cube.get("date"), rate.get("currency"), None,
                              num(value) / num(rate.get("multiplier", "1"))))
    return rates


def read_nbk(page):
    rates = []
    for item in ET.fromstring(page).iter("item"):
        value = child_text(item, "description")
        if value:
            rates.append((dmy(child_text(item, "pubDate")),
                          child_text(item, "title"), None,
                          num(value) / num(child_text(item, "quant"))))
    return rates


def read_nbp(page):
    root = ET.fromstring(page)
    date = child_text(root, "data_publikacji")
    rates = []
    for row in root.iter("pozycja"):
        value = child_text(row, "kurs_sredni")
        if value:
            rates.append((date, child_text(row, "kod_waluty"),
                          child_text(row, "nazwa_waluty"),
                          num(value, True) /
                          num(child_text(row, "przelicznik"))))
    return rates


def read_boc_json(page):
    rates = []
    for day in json.loads(page.decode("utf-8"))["observations"]:
        for series, value in day.items():
            match = re.fullmatch(r"FX([A-Z]{3})CAD", series)
            if match and value.get("v", "").strip():
                rates.append((day["d"], match.group(1), None,
                              num(value["v"])))
    return rates


def read_boc_csv(page):
    text = page.decode("utf-8-sig")
    rows = list(csv.reader(io.StringIO(
        text[text.index('"OBSERVATIONS"'):])))[1:]
    header = rows[0]
    rates = []
    for row in rows[1:]:
        if not row:
            continue
        for column, value in zip(header[1:], row[1:]):
            if value.strip():
                rates.append((row[0], column[2:5], None, num(value)))
    return rates


# Per source: the reader, and for the changed copies, patterns that find
# a value's text, a whole row, and the encoding declaration, in the page
# decoded with its encoding.
SOURCES = {
    "ecb-eurofxref": (read_ecb, "utf-8", r"rate='(\d[\d.]*)'",
                      r"<Cube currency=[^>]*/>\s*"),
    "cbr-xml-daily": (read_cbr, "cp1251", r"<Value>(\d[\d,]*)</Value>",
                      r"<Valute ID=.*?</Valute>"),
    "cnb-denni-kurz": (read_cnb, "utf-8", r"\|(\d[\d,]*)\n",
                       r"\n[^\n|]*\|[^\n]*(?=\n)"),
    "tcmb-today": (read_tcmb, "iso-8859-9",
                   r"<ForexBuying>(\d[\d.]*)</ForexBuying>",
                   r"<Currency .*?</Currency>\s*"),
    "bnr-nbrfxrates": (read_bnr, "utf-8", r">(\d[\d.]*)</Rate>",
                       r"<Rate [^>]*>[^<]*</Rate>\s*"),
    "nbk-rss": (read_nbk, "utf-8", r"<description>(\d[\d.]*)</description>",
                r"<item>.*?</item>"),
    "nbp-lasta": (read_nbp, "iso-8859-2", r"<kurs_sredni>(\d[\d,]*)<",
                  r"<pozycja>.*?</pozycja>\s*"),
    "boc-valet-json": (read_boc_json, "utf-8", r'"v": "(\d[\d.]*)"',
                       r'"FX[A-Z]{3}CAD": \{\s*"v": "[^"]*"\s*\},\s*'),
    "boc-valet-csv": (read_boc_csv, "utf-8", r',"(\d[\d.]*)"',
                      r'\n"\d{4}-\d\d-\d\d",[^\n]*(?=\n)'),
}

DECLARATION = r"""encoding=(["'])([\w-]+)\1"""

# Sources whose files may hold several days: a day's block, its date in
# group 1. The copy gets an earlier day in front, its values changed.
DAYS = {
    "ecb-eurofxref": r"<Cube time='([\d-]+)'>.*?</Cube>",
    "bnr-nbrfxrates": r'<Cube date="([\d-]+)">.*?</Cube>',
}


def variants(name, page, encoding, value_re, row_re):
    """The page, and copies changed as another day's page may be."""
    yield "as published", page
    text = page.decode(encoding)

    def out(changed):
        return changed.encode(encoding)

    if name in DAYS:
        m = re.search(DAYS[name], text, re.S)
        day = m.group(0).replace(m.group(1), "2001-02-03")
        day = re.sub(value_re, lambda v: v.group(0).replace(
            v.group(1), v.group(1) + "7"), day)
        yield "an earlier day before it", out(
            text[:m.start()] + day + "\n" + text[m.start():])

    # Every value one digit longer: a fifth decimal where four are usual.
    yield "a digit more in every value", out(re.sub(
        value_re, lambda m: m.group(0).replace(m.group(1), m.group(1) + "3"),
        text))
    # The first and a middle value empty.
    found = list(re.finditer(value_re, text))
    for which in (0, len(found) // 2):
        m = found[which]
        yield f"value {which + 1} empty", out(
            text[:m.start(1)] + text[m.end(1):])
    # The second and a middle row missing.
    rows = list(re.finditer(row_re, text, re.S))
    for which in (1, len(rows) // 2):
        m = rows[which]
        yield f"row {which + 1} missing", out(text[:m.start()] + text[m.end():])
    m = re.search(DECLARATION, text)
    if m:
        yield "declaration in other case and quotes", out(
            text[:m.start()] + "encoding='" + m.group(2).upper() + "'" +
            text[m.end():])


def run(args):
    return subprocess.run(args, capture_output=True, timeout=120)


def compare(records, expected):
    """Problems found comparing scanned records with the expected rates."""
    problems = []
    want = {}
    for date, code, name, price in expected:
        want[(date, code)] = (name, price)
    if len(want) != len(expected):
        problems.append("the page has a (date, code) twice")
    got = set()
    for record in records:
        key = (record["date"], record["code"])
        if key in got:
            problems.append(f"{key} delivered twice")
        got.add(key)
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


def check_without_extra_decimals(pagerates, module, ini, page_path, work):
    """A preset that needs ExtraDecimals fails `check --page` without it,
    naming the key: the trap the key mends. Only these two pages have
    values with more than four decimals."""
    if ini.parent.name not in ("boc-valet-json", "tcmb-today"):
        return []
    text = ini.read_text(encoding="utf-8")
    stripped = work / "stripped.ini"
    stripped.write_text(re.sub(r"(?m)^ExtraDecimals=.*\n", "", text),
                        encoding="utf-8")
    checked = run([pagerates, "--module", module, "check", "--ini",
                   str(stripped), "--page", str(page_path), "--date",
                   SCAN_DATE])
    out = checked.stdout.decode()
    if checked.returncode != 1 or "set ExtraDecimals=" not in out:
        return [f"{ini.parent.name} without ExtraDecimals: check exits with "
                f"{checked.returncode} and does not suggest the key"]
    return []


def main():
    pagerates, module, source = sys.argv[1:4]
    source = pathlib.Path(source)
    pages = source / "tests" / "real-pages"
    failures = []
    total = 0
    with tempfile.TemporaryDirectory() as work:
        work = pathlib.Path(work)
        for name, (reader, encoding, value_re, row_re) in SOURCES.items():
            folder = pages / name
            ini = source / "presets" / name / "pagerates.ini"
            (page_path,) = folder.glob("page.*")
            page = page_path.read_bytes()
            described = (folder / "SOURCE.txt").read_text()
            digest = re.search(r"sha256: ([0-9a-f]{64})", described).group(1)
            if hashlib.sha256(page).hexdigest() != digest:
                failures.append(f"{name}: the copy is not the page that "
                                "SOURCE.txt describes")
            for what, variant in variants(name, page, encoding, value_re,
                                          row_re):
                path = work / (name + page_path.suffix)
                path.write_bytes(variant)
                label = f"{name} ({what})"
                checked = run([pagerates, "--module", module, "check",
                               "--ini", str(ini), "--page", str(path),
                               "--date", SCAN_DATE])
                if checked.returncode != 0:
                    failures.append(f"{label}: check exits with "
                                    f"{checked.returncode}:\n" +
                                    checked.stdout.decode()[-3000:])
                scanned = run([pagerates, "--module", module, "scan", "--ini",
                               str(ini), "--date", SCAN_DATE, "--format",
                               "jsonl", str(path)])
                if scanned.returncode != 0 or scanned.stderr:
                    failures.append(f"{label}: scan exits with "
                                    f"{scanned.returncode}: "
                                    f"{scanned.stderr.decode()}")
                    continue
                records = [json.loads(line) for line in
                           scanned.stdout.decode().splitlines()]
                expected = reader(variant)
                problems = compare(records, expected)
                if not expected:
                    problems.append("no rates read from the page")
                failures.extend(f"{label}: {p}" for p in problems[:10])
                if what == "as published":
                    total += len(records)
                    print(f"{name}: {len(records)} rates checked")
            failures.extend(check_without_extra_decimals(
                pagerates, module, ini, page_path, work))
    for failure in failures:
        print("FAIL " + failure)
    print(f"{total} rates on {len(SOURCES)} pages, "
          f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
