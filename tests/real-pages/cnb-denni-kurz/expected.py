"""Expected rates of this folder's page, read with the standard library."""

import csv
import re

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '\\|(\\d[\\d,]*)\\n'
ROW_RE = '\\n[^\\n|]*\\|[^\\n]*(?=\\n)'


def read(page):
    lines = page.decode("utf-8").splitlines()
    date = dmy(lines[0].split("#")[0])
    rates = []
    for row in csv.reader(lines[2:], delimiter="|"):
        if len(row) == 5 and row[4].strip():
            rates.append((date, row[3], row[1],
                          num(row[4], True) / num(row[2])))
    return rates, []
