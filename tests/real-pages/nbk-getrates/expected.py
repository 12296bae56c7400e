"""Expected rates of this folder's page, read with the standard library."""

import xml.etree.ElementTree as ET

from pagereaders import num, dmy, child_text

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<description>(\\d[\\d.]*)</description>'
ROW_RE = '<item>.*?</item>\\s*'


def read(page):
    root = ET.fromstring(page)
    date = dmy(child_text(root, "date"))
    rates = []
    for item in root.iter("item"):
        value = child_text(item, "description")
        if value:
            rates.append((date, child_text(item, "title"),
                          child_text(item, "fullname"),
                          num(value) / num(child_text(item, "quant"))))
    return rates, []
