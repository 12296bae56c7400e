"""Expected rates of this folder's page, read with the standard library."""

import xml.etree.ElementTree as ET

from pagereaders import attribute, child, child_text, dmy, row_rates  # noqa: F401

ENCODING = "iso-8859-2"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<kurs_sredni>(\\d[\\d,]*)<'
ROW_RE = '<pozycja>.*?</pozycja>\\s*'


def read(page):
    root = ET.fromstring(page)
    return row_rates(root, "pozycja", child_text(root, "data_publikacji"), value=child("kurs_sredni"),
                     units=child("przelicznik"), code=child("kod_waluty"),
                     name=child("nazwa_waluty"),
                     comma=True), []
