"""Expected rates of this folder's page, read with the standard library."""

import csv
import io
import re

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '\\d{4}-\\d\\d-\\d\\d,(\\d[\\d.]*)'
ROW_RE = '(?m)^B,[^\\n]*\\n'
# The page holds a range of days, one line per series and day: the first
# data line stands for a day's block, copied with an earlier date.
REQUESTED_ONLY = True
SCAN_DATE = "2026-03-20"
DAY_RE = '(?m)^B,[^\\n]*?,(\\d{4}-\\d\\d-\\d\\d),[^\\n]*'
EARLIER_DAY = "2026-03-13"


def read(page):
    rates, skipped = [], []
    for row in csv.DictReader(io.StringIO(page.decode("utf-8"))):
        code = row["BASE_CUR"]
        if row["CALCULATED"] == "true" and code != "XDR":
            skipped.append((code, "a trade-weighted index, not a currency"))
            continue
        value = row["OBS_VALUE"].strip()
        if value:
            rates.append((row["TIME_PERIOD"], code, None,
                          num(value) / 10 ** int(row["UNIT_MULT"])))
    return rates, sorted(set(skipped))
EXTRA_DECIMALS_NEEDED = True
