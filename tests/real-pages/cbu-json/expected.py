"""Expected rates of this folder's page, read with the standard library."""

import json

from pagereaders import num, dmy

ENCODING = "ascii"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"Rate":"(\\d[\\d.]*)"'
ROW_RE = '\\{"id":[^{}]*\\},'


def read(page):
    rates = []
    for row in json.loads(page.decode(ENCODING)):
        if row["Rate"].strip():
            rates.append((dmy(row["Date"]), row["Ccy"], row["CcyNm_EN"],
                          num(row["Rate"]) / num(row["Nominal"])))
    return rates, []
