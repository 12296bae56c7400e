"""Expected rates of this folder's page, read with the standard library."""

import datetime
import json
from decimal import Decimal, InvalidOperation

from pagereaders import num

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"dato": "(\\d[\\d.]*)"'
ROW_RE = ',?\\s*\\{\\s*"fecha"[^{}]*\\}'
# One observation (its date in group 1), copied in front as an earlier day.
DAY_RE = '\\{\\s*"fecha": "([\\d/]+)",[^{}]*\\},'
EARLIER_DAY = "25/11/2020"
# The page holds two days; the preset delivers the one asked for.
SCAN_DATE = "2020-11-26"
REQUESTED_ONLY = True
# The series the address asks for, and the currency it stands for.
SERIES = {"SF43718": "USD"}


def read(page):
    rates = []
    for series in json.loads(page.decode("utf-8"))["bmx"]["series"]:
        code = SERIES.get(series["idSerie"])
        for row in series.get("datos", []) if code else []:
            try:
                price = num(row["dato"].replace(",", ""))
            except InvalidOperation:
                continue
            day = datetime.datetime.strptime(row["fecha"], "%d/%m/%Y")
            if price:
                rates.append((day.date().isoformat(), code, None, price))
    return rates, []
