"""Expected rates of this folder's page, read with the standard library."""

import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<Rate>(\\d[\\d.]*)</Rate>'
ROW_RE = '<ExchangeRate>.*?</ExchangeRate>\\s*'
RENAMED = {"SDR": "XDR"}


def read(page):
    root = ET.fromstring(page)
    date = child_text(root, "CurrentDate")[:10]
    rates, skipped = [], []
    for row in root.iter():
        if local(row.tag) != "ExchangeRate":
            continue
        code = child_text(row, "ISO")
        value = child_text(row, "Rate")
        if not value:
            continue
        if not num(value):
            skipped.append((code, "withdrawn currency, rate 0"))
            continue
        rates.append((date, RENAMED.get(code, code), None,
                      num(value) / num(child_text(row, "Amount"))))
    return rates, skipped
