"""Expected rates of this folder's page, read with the standard library."""

import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<RATE>(\\d[\\d.]*)</RATE>'
ROW_RE = '<CURRENCY>.*?</CURRENCY>\\s*'


def read(page):
    root = ET.fromstring(page)
    date = child_text(root, "LAST_UPDATE")
    rates = []
    for currency in root.iter("CURRENCY"):
        value = child_text(currency, "RATE")
        if value and num(value):
            rates.append((date, child_text(currency, "CURRENCYCODE"),
                          child_text(currency, "NAME"),
                          num(value) / num(child_text(currency, "UNIT"))))
    return rates, []
