"""Expected rates of this folder's page, read with the standard library."""

import csv
import io
import re

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '\\d{4}-\\d\\d-\\d\\d,(\\d[\\d.]*),'
ROW_RE = 'RER_[^\\n]*\\n'
# One line stands for a day: the copy gets an earlier day's line in front.
DAY_RE = 'RER_[^\\n]*,(\\d{4}-\\d\\d-\\d\\d),[^\\n]*'
SCAN_DATE = "2026-03-02"
REQUESTED_ONLY = True


def read(page):
    rates = []
    for row in csv.DictReader(io.StringIO(page.decode("utf-8"))):
        value = row["OBS_VALUE"].strip()
        if row["COUNTER_CURRENCY"] != "ILS" or not value or not num(value):
            continue
        units = 10 ** int(row["UNIT_MULT"])
        rates.append((row["TIME_PERIOD"], row["BASE_CURRENCY"], None,
                      num(value) / units))
    return rates, []
