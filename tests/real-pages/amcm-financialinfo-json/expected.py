"""Expected rates of this folder's page, read with the standard library."""

import json

from pagereaders import num

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"usdMean":"(\\d[\\d.]*)"'
ROW_RE = '\\{"id":\\d+,[^{}]*\\},'
# One row (its date in group 1), copied in front as an earlier day's.
DAY_RE = '\\{"id":\\d+,"date":"([\\d-]+) 00:00:00"[^{}]*\\},'
EARLIER_DAY = "2026-05-15"
# The page holds five days; the preset delivers the one asked for.
SCAN_DATE = "2026-05-20"
REQUESTED_ONLY = True


def read(page):
    rates, skipped = [], []
    for row in json.loads(page.decode("utf-8"))["data"]:
        code, value = row["currency"], row["usdMean"].strip()
        if code == "LIQ" or not row["unit"]:
            skipped.append((code, "pseudo-row with unit 0, not a currency"))
        elif value:
            rates.append((row["date"][:10], code, None,
                          num(value) / num(str(row["unit"]))))
    return rates, skipped
