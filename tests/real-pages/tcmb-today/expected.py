"""Expected rates of this folder's page, read with the standard library."""

import xml.etree.ElementTree as ET

from pagereaders import attribute, child, child_text, dmy, row_rates  # noqa: F401

ENCODING = "iso-8859-9"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<ForexBuying>(\\d[\\d.]*)</ForexBuying>'
ROW_RE = '<Currency .*?</Currency>\\s*'


def read(page):
    root = ET.fromstring(page)
    return row_rates(root, "Currency", dmy(root.get("Tarih")), value=child("ForexBuying"),
                     units=child("Unit"), code=attribute("Kod"),
                     name=child("Isim")), []
EXTRA_DECIMALS_NEEDED = True
