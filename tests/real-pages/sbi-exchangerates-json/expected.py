"""Expected rates of this folder's page, read with the standard library."""

import json
import re
from decimal import Decimal

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"midRate":(\\d[\\d.]*),'
ROW_RE = ',\\{[^{}]*\\}'
# The page has no date: the records take the day asked for.
SCAN_DATE = "2026-03-02"


def read(page):
    text = page.decode("utf-8")
    # A rate emptied in a changed copy is no JSON number: read it as null.
    text = re.sub(r'("midRate"\s*:\s*)(?=[,}])', r"\1null", text)
    rates = []
    for row in json.loads(text, parse_float=Decimal):
        rate = row.get("midRate")
        if rate:
            rates.append((SCAN_DATE, row["shortName"], row["longName"],
                          num(str(rate)) / num(str(row["units"]))))
    return rates, []
