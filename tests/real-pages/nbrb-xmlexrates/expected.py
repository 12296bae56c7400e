"""Expected rates of this folder's page, read with the standard library."""

import datetime
import xml.etree.ElementTree as ET

from pagereaders import child, row_rates

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<Rate>(\\d[\\d.]*)</Rate>'
ROW_RE = '<Currency Id=.*?</Currency>\\s*'


def read(page):
    root = ET.fromstring(page)
    # The list's date is month first: 02/21/2023.
    month, day, year = (int(part) for part in root.get("Date").split("/"))
    return row_rates(root, "Currency",
                     datetime.date(year, month, day).isoformat(),
                     value=child("Rate"), units=child("Scale"),
                     code=child("CharCode"), name=child("Name")), []
