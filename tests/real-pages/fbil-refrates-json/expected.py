"""Expected rates of this folder's page, read with the standard library."""

import json
import re
from decimal import Decimal

from pagereaders import num

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"rate":(\\d[\\d.]*)'
ROW_RE = '\\{"processRunDate":[^{}]*\\},'
# The page holds several days; the preset delivers the day asked for.
REQUESTED_ONLY = True
SCAN_DATE = "2026-03-18"
# The rows of the first (newest) day, for a copy with another day before.
DAY_RE = ('\\{"processRunDate":"(\\d{4}-\\d\\d-\\d\\d) [^{}]*\\},'
          '(?:\\{"processRunDate":"\\1 [^{}]*\\},)*')


def read(page):
    # A rate emptied in a changed copy leaves "rate":, behind, which is
    # no JSON: read it as null, a currency without a rate.
    text = re.sub(r':\s*(?=[,}\]])', ':null', page.decode(ENCODING))
    rates = []
    for row in json.loads(text, parse_float=Decimal):
        if row["rate"] is None:
            continue
        home, units_code = (part.strip() for part in
                            row["subProdName"].split("/"))
        assert home == "INR", row
        units, code = units_code.split()
        rates.append((row["processRunDate"].split()[0], code, None,
                      num(str(row["rate"])) / num(units)))
    return rates, []
