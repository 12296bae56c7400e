"""Expected rates of this folder's page, read with the standard library."""

import xml.etree.ElementTree as ET
from decimal import InvalidOperation

from pagereaders import num, dmy, child_text

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<RATE>(\\d[\\d.]*)</RATE>'
ROW_RE = '<ROW>.*?</ROW>\\s*'
EXTRA_DECIMALS_NEEDED = True


def read(page):
    rates = []
    for row in ET.fromstring(page).iter("ROW"):
        try:
            date = dmy(child_text(row, "CURR_DATE"))
            ratio = num(child_text(row, "RATIO"))
        except (ValueError, InvalidOperation):
            continue  # the title row: captions, not values
        value = child_text(row, "RATE")
        if value:
            rates.append((date, child_text(row, "CODE"),
                          child_text(row, "NAME_"), num(value) / ratio))
    return rates, []
