"""Expected rates of this folder's page, read with the standard library."""

import json
import re
from decimal import Decimal

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"rate": (\\d[\\d.]*),'
ROW_RE = '\\{[^{}]*\\},?\\s*'
EXTRA_DECIMALS_NEEDED = True


def read(page):
    text = page.decode("utf-8")
    # A rate emptied in a changed copy is no JSON number: read it as null.
    text = re.sub(r'("rate"\s*:\s*)(?=[,}])', r"\1null", text)
    # A removed last row leaves a comma before the closing bracket.
    text = re.sub(r",(\s*\])", r"\1", text)
    rates = []
    for row in json.loads(text, parse_float=Decimal):
        rate = row.get("rate")
        if rate:
            # Metals (XAU, XAG, XPT, XPD) are per troy ounce: delivered.
            rates.append((dmy(row["exchangedate"]), row["cc"], row["txt"],
                          num(str(rate))))
    return rates, []
