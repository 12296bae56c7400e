"""Expected rates of this folder's page, read with the standard library."""

import xml.etree.ElementTree as ET

from pagereaders import attribute, child, child_text, dmy, row_rates

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '<rate_tmt>(\\d[\\d.]*)</rate_tmt>'
ROW_RE = '<rate code=.*?</rate>\\s*'


def read(page):
    root = ET.fromstring(page)
    # "AWSTRALIÝA DOLLARY / ABŞ DOLL.": the part after the slash tells how
    # rate_usd is quoted and is no part of the name.
    return row_rates(root, "rate", dmy(child_text(root, "date")),
                     value=child("rate_tmt"), units=child("multiplier"),
                     code=attribute("code"),
                     name=lambda row: child_text(row, "name").split("/")[0]
                     .strip()), []
