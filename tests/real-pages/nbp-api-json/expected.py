"""Expected rates of this folder's page, read with the standard library."""

import json
import re
from decimal import Decimal

from pagereaders import num

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"mid":(\\d[\\d.]*)'
ROW_RE = '\\{"currency":[^{}]*\\},'
# Five tables; the preset delivers the day asked for, here the first
# table, whose first rate the changed copies leave empty.
REQUESTED_ONLY = True
SCAN_DATE = "2026-03-11"
# A whole table with its date, for a copy with an earlier table in front.
DAY_RE = ('\\{"table":"A","no":"[^"]*","effectiveDate":'
          '"(\\d{4}-\\d\\d-\\d\\d)","rates":\\[[^\\]]*\\]\\},')
# Rates have up to eight decimals (IDR 0.00021856).
EXTRA_DECIMALS_NEEDED = True


def read(page):
    # A rate emptied in a changed copy leaves "mid":} behind, which is no
    # JSON: read it as null, a currency without a rate.
    text = re.sub(r':\s*(?=[,}\]])', ':null', page.decode(ENCODING))
    rates = []
    for table in json.loads(text, parse_float=Decimal):
        for row in table["rates"]:
            if row["mid"] is not None:
                rates.append((table["effectiveDate"], row["code"],
                              row["currency"], num(str(row["mid"]))))
    return rates, []
