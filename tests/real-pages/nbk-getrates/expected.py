"""Expected rates of this folder's page, read with the standard library."""

import xml.etree.ElementTree as ET

from pagereaders import child, child_text, dmy, row_rates

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<description>(\\d[\\d.]*)</description>'
ROW_RE = '<item>.*?</item>\\s*'


def read(page):
    root = ET.fromstring(page)
    return row_rates(root, "item", dmy(child_text(root, "date")),
                     value=child("description"), units=child("quant"),
                     code=child("title"), name=child("fullname")), []
