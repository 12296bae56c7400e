"""Expected rates of this folder's page, read with the standard library."""

import io
import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<description>(\\d[\\d.]*)</description>'
ROW_RE = '<item>.*?</item>'


def read(page):
    rates = []
    for item in ET.fromstring(page).iter("item"):
        value = child_text(item, "description")
        if value:
            rates.append((dmy(child_text(item, "pubDate")),
                          child_text(item, "title"), None,
                          num(value) / num(child_text(item, "quant"))))
    return rates, []
