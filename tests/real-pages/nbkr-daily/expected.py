"""Expected rates of this folder's page, read with the standard library."""

import xml.etree.ElementTree as ET

from pagereaders import num, dmy, child_text

ENCODING = "cp1251"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<Value>(\\d[\\d,]*)</Value>'
ROW_RE = '<Currency ISOCode=.*?</Currency>\\s*'
# The file holds the latest rates, dated the next working day; they are
# delivered with that date whatever day is asked for.
SCAN_DATE = "2026-05-22"


def read(page):
    root = ET.fromstring(page)
    date = dmy(root.get("Date"))
    rates = []
    for currency in root.iter("Currency"):
        value = child_text(currency, "Value")
        if value:
            rates.append((date, currency.get("ISOCode"), None,
                          num(value, True) /
                          num(child_text(currency, "Nominal"))))
    return rates, []
