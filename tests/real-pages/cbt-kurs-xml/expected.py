"""Expected rates of this folder's page, read with the standard library."""

import re
import xml.etree.ElementTree as ET

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<rate_tmt>(\\d[\\d.]*)</rate_tmt>'
ROW_RE = '<rate code=.*?</rate>\\s*'


def read(page):
    root = ET.fromstring(page)
    date = dmy(child_text(root, "date"))
    rates = []
    for rate in root.iter("rate"):
        value = child_text(rate, "rate_tmt")
        if not value or not num(value):
            continue
        # "AWSTRALIÝA DOLLARY / ABŞ DOLL.": the part after the slash tells
        # how rate_usd is quoted and is no part of the name.
        name = child_text(rate, "name").split("/")[0].strip()
        rates.append((date, rate.get("code"), name,
                      num(value) / num(child_text(rate, "multiplier"))))
    return rates, []
