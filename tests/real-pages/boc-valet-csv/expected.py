"""Expected rates of this folder's page, read with the standard library."""

import csv
import io
import re

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = ',"(\\d[\\d.]*)"'
ROW_RE = '\\n"\\d{4}-\\d\\d-\\d\\d",[^\\n]*(?=\\n)'
# Years of history, one line per day: only the day asked for counts.
REQUESTED_ONLY = True
SCAN_DATE = "2020-03-16"
DAY_RE = '"(\\d{4}-\\d\\d-\\d\\d)",[^\\n]*'
EARLIER_DAY = "2016-12-30"


def read(page):
    text = page.decode("utf-8-sig")
    rows = list(csv.reader(io.StringIO(
        text[text.index('"OBSERVATIONS"'):])))[1:]
    header = rows[0]
    rates = []
    for row in rows[1:]:
        if not row:
            continue
        for column, value in zip(header[1:], row[1:]):
            if value.strip():
                rates.append((row[0], column[2:5], None, num(value)))
    return rates, []
