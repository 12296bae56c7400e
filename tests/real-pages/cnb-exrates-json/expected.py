"""Expected rates of this folder's page, read with the standard library."""

import json
import re
from decimal import Decimal

from pagereaders import num

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"rate":(\\d[\\d.]*)'
ROW_RE = '\\{"validFor":[^{}]*\\},'


def read(page):
    # A rate emptied in a changed copy leaves "rate":} behind, which is
    # no JSON: read it as null, a currency without a rate.
    text = re.sub(r':\s*(?=[,}\]])', ':null', page.decode(ENCODING))
    rates = []
    for row in json.loads(text, parse_float=Decimal)["rates"]:
        if row["rate"] is not None:
            rates.append((row["validFor"], row["currencyCode"], None,
                          num(str(row["rate"])) / num(str(row["amount"]))))
    return rates, []
