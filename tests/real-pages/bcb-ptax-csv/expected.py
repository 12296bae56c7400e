"""Expected rates of this folder's page, read with the standard library."""

import csv
import io

from pagereaders import num, dmy

ENCODING = "ascii"
# A value's text (group 1: the selling rate) and a whole row.
VALUE_RE = '(?m)^(?:[^;\\n]*;){5}(\\d[\\d,]*);'
ROW_RE = '\\d\\d/\\d\\d/\\d{4};[^\\n]*\\n'
EXTRA_DECIMALS_NEEDED = True
RENAMED = {"SDR": "XDR"}


def read(page):
    rates, skipped = [], []
    for row in csv.reader(io.StringIO(page.decode("ascii")), delimiter=";"):
        if not row:
            continue
        date, code, selling = dmy(row[0].replace("/", ".")), row[3], row[5]
        if code == "XAU":
            skipped.append((code, "gold priced per gram, not per ounce"))
        elif selling.strip():
            rates.append((date, RENAMED.get(code, code), None,
                          num(selling, True)))
    return rates, skipped
