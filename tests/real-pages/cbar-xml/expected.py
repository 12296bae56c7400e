"""Expected rates of this folder's page, read with the standard library."""

import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<Value>(\\d[\\d.]*)</Value>'
ROW_RE = '<Valute Code=.*?</Valute>\\s*'
RENAMED = {"SDR": "XDR"}


def read(page):
    root = ET.fromstring(page)
    date = dmy(root.get("Date"))
    rates = []
    for valute in root.iter("Valute"):
        value = child_text(valute, "Value")
        if not value or not num(value):
            continue
        # Metals are quoted per "1 t.u.": one troy ounce.
        nominal = child_text(valute, "Nominal").split()[0]
        name = re.sub(r"^\d+\s+", "", child_text(valute, "Name"))
        code = valute.get("Code")
        rates.append((date, RENAMED.get(code, code), name,
                      num(value) / num(nominal)))
    return rates, []
