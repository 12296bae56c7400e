"""Expected rates of this folder's page, read with the standard library."""

import io
import json
import re

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"v": "(\\d[\\d.]*)"'
ROW_RE = '"FX[A-Z]{3}CAD": \\{\\s*"v": "[^"]*"\\s*\\},\\s*'


def read(page):
    rates = []
    for day in json.loads(page.decode("utf-8"))["observations"]:
        for series, value in day.items():
            match = re.fullmatch(r"FX([A-Z]{3})CAD", series)
            if match and value.get("v", "").strip():
                rates.append((day["d"], match.group(1), None,
                              num(value["v"])))
    return rates, []
EXTRA_DECIMALS_NEEDED = True
