"""Expected rates of this folder's page, read with the standard library."""

import xml.etree.ElementTree as ET

from pagereaders import num, local

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '>(\\d[\\d.]*)</Rate>'
ROW_RE = '<Rate [^>]*>[^<]*</Rate>'
# A day's block (its date in group 1); the file holds ten.
DAY_RE = '<Cube date="([\\d-]+)">.*?</Cube>'
EARLIER_DAY = "2026-03-25"
# A day in the middle of the file: its first row is the one a changed
# copy empties, so the block's date must not be lost with it.
SCAN_DATE = "2026-04-01"
REQUESTED_ONLY = True


def read(page):
    rates, skipped = [], []
    for cube in ET.fromstring(page).iter():
        if local(cube.tag) != "Cube":
            continue
        for rate in cube:
            code, value = rate.get("currency"), (rate.text or "").strip()
            if code == "XAU":
                skipped.append((code, "gold priced per gram, not per ounce"))
            elif value:
                rates.append((cube.get("date"), code, None,
                              num(value) / num(rate.get("multiplier", "1"))))
    return rates, skipped
