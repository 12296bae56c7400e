"""Expected rates of this folder's page, read with the standard library."""

import json
import re

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"Middle": "(\\d[\\d.]*)"'
ROW_RE = '\\{\\s*"Country"[^{}]*\\},?\\s*'
EXTRA_DECIMALS_NEEDED = True


def read(page):
    day = json.loads(page.decode("utf-8"))
    date = day["Date"][:10]
    rates = []
    for item in day["CurrencyExchangeItems"]:
        value = item["Middle"].strip()
        if value and num(value):
            rates.append((date, item["AlphaCode"], None,
                          num(value) / num(item["Units"])))
    return rates, []
