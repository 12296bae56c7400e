"""Expected rates of this folder's page, read with the standard library."""

import json
import re

from pagereaders import num, dmy, local, child_text  # noqa: F401

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"sell":"(\\d[\\d.]*)"'
ROW_RE = ',\\{"currency":\\{[^{}]*\\}[^{}]*\\}'
# The page holds a range of days, one block per day.
REQUESTED_ONLY = True
SCAN_DATE = "2026-04-03"
DAY_RE = '\\{"date":"([\\d-]+)".*?\\]\\},?'
EARLIER_DAY = "2026-03-31"


def read(page):
    text = page.decode("utf-8")
    # A day copied in front of the only day of a page has no comma after it.
    text = re.sub(r'\}\s*\{"date"', '},{"date"', text)
    rates = []
    for day in json.loads(text)["data"]["payload"]:
        for rate in day["rates"]:
            currency = rate["currency"]
            # The selling rate: the bank publishes no middle rate.
            sell = (rate.get("sell") or "").strip()
            if sell:
                rates.append((day["date"], currency["iso3"],
                              currency["name"],
                              num(sell) / num(str(currency["unit"]))))
    return rates, []
