"""Expected rates of this folder's page, read with the standard library."""

import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<Value>(\\d[\\d.]*)</Value>'
ROW_RE = '<Valute ID=.*?</Valute>\\s*'


def read(page):
    root = ET.fromstring(page)
    date = root.get("Date")
    rates = []
    for valute in root.iter("Valute"):
        value = child_text(valute, "Value")
        if value:
            rates.append((date, child_text(valute, "CharCode"),
                          child_text(valute, "Name"),
                          num(value) / num(child_text(valute, "Nominal"))))
    return rates, []
