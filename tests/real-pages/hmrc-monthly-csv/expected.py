"""Expected rates of this folder's page, read with the standard library."""

import csv
import datetime
import io

from pagereaders import num

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = ',(\\d[\\d.]*),\\d\\d/'
ROW_RE = '\n[^\n]*'


def read(page):
    rows = csv.DictReader(io.StringIO(page.decode(ENCODING)))
    latest = {}
    for row in rows:
        value = row["Currency Units per £1"].strip()
        if not value:
            continue
        # A currency of several countries has a line for each; they give
        # one rate, and the preset delivers the code once, from its last
        # line with a rate.
        day, month, year = (int(p) for p in row["Start date"].split("/"))
        code = row["Currency Code"].strip()
        latest[code] = (datetime.date(year, month, day).isoformat(), code,
                        None, 1 / num(value))
    return list(latest.values()), []
