"""Expected rates of this folder's page, read with the standard library."""

import xml.etree.ElementTree as ET

from pagereaders import attribute, child, child_text, dmy, row_rates  # noqa: F401

ENCODING = "cp1251"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<Value>(\\d[\\d,]*)</Value>'
ROW_RE = '<Valute ID=.*?</Valute>'


def read(page):
    root = ET.fromstring(page)
    return row_rates(root, "Valute", dmy(root.get("Date")), value=child("Value"),
                     units=child("Nominal"), code=child("CharCode"),
                     name=child("Name"),
                     comma=True), []
