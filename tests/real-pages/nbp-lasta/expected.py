"""Expected rates of this folder's page, read with the standard library."""

import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "iso-8859-2"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<kurs_sredni>(\\d[\\d,]*)<'
ROW_RE = '<pozycja>.*?</pozycja>\\s*'


def read(page):
    root = ET.fromstring(page)
    date = child_text(root, "data_publikacji")
    rates = []
    for row in root.iter("pozycja"):
        value = child_text(row, "kurs_sredni")
        if value:
            rates.append((date, child_text(row, "kod_waluty"),
                          child_text(row, "nazwa_waluty"),
                          num(value, True) /
                          num(child_text(row, "przelicznik"))))
    return rates, []
