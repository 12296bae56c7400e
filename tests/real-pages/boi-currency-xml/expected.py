"""Expected rates of this folder's page, read with the standard library."""

import xml.etree.ElementTree as ET

from pagereaders import attribute, child, child_text, dmy, row_rates  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<RATE>(\\d[\\d.]*)</RATE>'
ROW_RE = '<CURRENCY>.*?</CURRENCY>\\s*'


def read(page):
    root = ET.fromstring(page)
    return row_rates(root, "CURRENCY", child_text(root, "LAST_UPDATE"), value=child("RATE"),
                     units=child("UNIT"), code=child("CURRENCYCODE"),
                     name=child("NAME")), []
