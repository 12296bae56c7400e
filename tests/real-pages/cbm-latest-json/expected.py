"""Expected rates of this folder's page, read with the standard library."""

import datetime
import json
import re

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"[A-Z]{3}":"(\\d[\\d.]*)"'
ROW_RE = '"[A-Z]{3}":"[^"]*",'
# Quoted per 100 units, which the page does not say.
PER_100 = {"JPY", "KRW", "VND", "IDR", "KHR", "LAK"}


def read(page):
    data = json.loads(page.decode("utf-8"))
    date = datetime.datetime.fromtimestamp(
        int(data["timestamp"]), datetime.timezone.utc).date().isoformat()
    rates = []
    for code, value in data["rates"].items():
        if value.strip() and num(value):
            rates.append((date, code, None,
                          num(value) / (100 if code in PER_100 else 1)))
    return rates, []
