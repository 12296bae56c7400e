"""Expected rates of this folder's page, read with the standard library."""

import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "iso-8859-9"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<ForexBuying>(\\d[\\d.]*)</ForexBuying>'
ROW_RE = '<Currency .*?</Currency>\\s*'


def read(page):
    root = ET.fromstring(page)
    date = dmy(root.get("Tarih"))
    rates = []
    for currency in root.iter("Currency"):
        value = child_text(currency, "ForexBuying")
        if value:
            rates.append((date, currency.get("Kod"),
                          child_text(currency, "Isim"),
                          num(value) / num(child_text(currency, "Unit"))))
    return rates, []
EXTRA_DECIMALS_NEEDED = True
