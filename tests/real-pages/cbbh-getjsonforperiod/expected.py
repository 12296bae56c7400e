"""Expected rates of this folder's page, read with the standard library."""

import json
import re

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"Middle": "(\\d[\\d.]*)"'
ROW_RE = '\\{\\s*"Country"[^{}]*\\},?\\s*'
# A day's list (its date in group 1), with the comma after it so that the
# copy with an earlier day in front stays an array.
DAY_RE = ('\\{\\s*"CurrencyExchangeItems".*?"Date": "(\\d{4}-\\d\\d-\\d\\d)'
          '.*?"Number": \\d+\\s*\\},')
SCAN_DATE = "2026-09-25"
REQUESTED_ONLY = True
EXTRA_DECIMALS_NEEDED = True


def read(page):
    rates = []
    for day in json.loads(page.decode("utf-8")):
        date = day["Date"][:10]
        for item in day["CurrencyExchangeItems"]:
            value = item["Middle"].strip()
            if value and num(value):
                rates.append((date, item["AlphaCode"], None,
                              num(value) / num(item["Units"])))
    return rates, []
