"""Expected rates of this folder's page, read with the standard library."""

import io
import json
import re

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"v": "(\\d[\\d.]*)"'
ROW_RE = '"FX[A-Z]{3}CAD": \\{\\s*"v": "[^"]*"\\s*\\},\\s*'
# A year's history, one object per day: only the day asked for counts.
REQUESTED_ONLY = True
SCAN_DATE = "2025-06-16"
DAY_RE = ('\\{\\s*"d": "([\\d-]+)",(?:\\s*"\\w+": \\{\\s*"v": "[^"]*"\\s*\\},?)*'
          '\\s*\\},?')
EARLIER_DAY = "2024-12-20"
EXTRA_DECIMALS_NEEDED = True


def read(page):
    text = page.decode("utf-8")
    # A day copied in front of the only day of a page has no comma after it.
    text = re.sub(r'\}\s*\{(\s*"d")', r'},{\1', text)
    rates = []
    for day in json.loads(text)["observations"]:
        for series, value in day.items():
            match = re.fullmatch(r"FX([A-Z]{3})CAD", series)
            if match and value.get("v", "").strip():
                rates.append((day["d"], match.group(1), None,
                              num(value["v"])))
    return rates, []
