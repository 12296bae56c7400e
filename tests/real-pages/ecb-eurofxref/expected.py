"""Expected rates of this folder's page, read with the standard library."""

import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = "rate='(\\d[\\d.]*)'"
ROW_RE = '<Cube currency=[^>]*/>\\s*'
# A day's block (its date in group 1): files that may hold several days.
DAY_RE = "<Cube time='([\\d-]+)'>.*?</Cube>"


def read(page):
    rates = []
    for day in ET.fromstring(page).iter():
        if local(day.tag) != "Cube" or "time" not in day.attrib:
            continue
        for cube in day:
            rate = cube.get("rate", "").strip()
            if rate:
                rates.append((day.get("time"), cube.get("currency"), None,
                              1 / num(rate)))
    return rates, []
