"""Expected rates of this folder's page, read with the standard library."""

import datetime
import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<Rate>(\\d[\\d.]*)</Rate>'
ROW_RE = '<Currency Id=.*?</Currency>\\s*'


def read(page):
    root = ET.fromstring(page)
    # The list's date is month first: 02/21/2023.
    month, day, year = (int(part) for part in root.get("Date").split("/"))
    date = datetime.date(year, month, day).isoformat()
    rates = []
    for currency in root.iter("Currency"):
        value = child_text(currency, "Rate")
        if value:
            rates.append((date, child_text(currency, "CharCode"),
                          child_text(currency, "Name"),
                          num(value) / num(child_text(currency, "Scale"))))
    return rates, []
