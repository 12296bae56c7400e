"""Expected rates of this folder's page, read with the standard library."""

import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '>(\\d[\\d.]*)</Rate>'
ROW_RE = '<Rate [^>]*>[^<]*</Rate>\\s*'
# A day's block (its date in group 1): files that may hold several days.
DAY_RE = '<Cube date="([\\d-]+)">.*?</Cube>'


def read(page):
    rates, skipped = [], []
    for cube in ET.fromstring(page).iter():
        if local(cube.tag) != "Cube":
            continue
        for rate in cube:
            value = (rate.text or "").strip()
            if rate.get("currency") == "XAU":
                skipped.append(("XAU", "priced per gram, not per troy ounce"))
            elif value:
                rates.append((cube.get("date"), rate.get("currency"), None,
                              num(value) / num(rate.get("multiplier", "1"))))
    return rates, skipped
