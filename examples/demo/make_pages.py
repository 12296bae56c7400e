#!/usr/bin/env python3
"""Writes the demo's pages: one week of made-up rates from two sources.

  www/bank/daily_DD.MM.YYYY.html  a central-bank style HTML table in
                                  windows-1251, Cyrillic names, comma decimals
  www/feed/YYYY-MM-DD.xml         an exchange's XML daily feed in UTF-8

Both publish on weekdays only. The rates are invented and drift a little
from day to day; running this again writes the same bytes.

Usage: make_pages.py [OUTPUT_DIR]   (default: www beside this script)
"""

import datetime
import pathlib
import sys
from decimal import ROUND_HALF_EVEN, Decimal

FIRST_DAY = datetime.date(2016, 9, 7)
DAYS = 7

# code, units, name, rate for `units` in roubles on the first day
BANK = [
    ("USD", 1, "Доллар США", "64.9213"),
    ("EUR", 1, "Евро", "73.0124"),
    ("GBP", 1, "Фунт стерлингов Соединенного королевства", "86.6185"),
    ("CNY", 10, "Китайских юаней", "97.3150"),
    ("JPY", 100, "Японских иен", "63.5012"),
]
FEED = [
    ("THB", 10, "Таиландских батов", "18.7329"),
    ("VND", 10000, "Вьетнамских донгов", "29.1108"),
]

BANK_PAGE = """<html>
<head><meta charset="windows-1251"><title>Официальные курсы валют</title></head>
<body>
<h1>Официальные курсы валют на {date}</h1>
<table class="rates">
<tr><th>Код</th><th>Единиц</th><th>Валюта</th><th>Курс</th></tr>
{rows}</table>
<p>Курсы устанавливаются без обязательств покупать или продавать валюту.</p>
</body>
</html>
"""
BANK_ROW = "<tr><td>{code}</td><td>{units}</td><td>{name}</td><td>{rate}</td></tr>\n"

FEED_PAGE = """<?xml version="1.0" encoding="UTF-8"?>
<DailyRates date="{date}" base="RUB" source="Demo exchange">
{rows}</DailyRates>
"""
FEED_ROW = '  <Rate code="{code}" units="{units}" name="{name}" value="{rate}"/>\n'

# Day-to-day moves, in ten-thousandths, repeated for each currency with an
# offset so that they do not all move together.
MOVES = [0, 37, -52, 18, -9, 61, -23]


def rate_on(first_rate, day_index, currency_index):
    move = MOVES[(day_index + 2 * currency_index) % len(MOVES)]
    rate = Decimal(first_rate) * (1 + Decimal(move) / 10000)
    return rate.quantize(Decimal("0.0001"), rounding=ROUND_HALF_EVEN)


def main():
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else \
        pathlib.Path(__file__).resolve().parent / "www"
    (out / "bank").mkdir(parents=True, exist_ok=True)
    (out / "feed").mkdir(parents=True, exist_ok=True)
    for index in range(DAYS):
        day = FIRST_DAY + datetime.timedelta(days=index)
        if day.weekday() >= 5:
            continue  # no rates at weekends
        rows = "".join(
            BANK_ROW.format(code=code, units=units, name=name,
                            rate=str(rate_on(rate, index, i)).replace(".", ","))
            for i, (code, units, name, rate) in enumerate(BANK))
        page = BANK_PAGE.format(date=day.strftime("%d.%m.%Y"), rows=rows)
        path = out / "bank" / day.strftime("daily_%d.%m.%Y.html")
        path.write_bytes(page.encode("cp1251"))

        rows = "".join(
            FEED_ROW.format(code=code, units=units, name=name,
                            rate=rate_on(rate, index, i))
            for i, (code, units, name, rate) in enumerate(FEED))
        page = FEED_PAGE.format(date=day.isoformat(), rows=rows)
        path = out / "feed" / day.strftime("%Y-%m-%d.xml")
        path.write_bytes(page.encode("utf-8"))


if __name__ == "__main__":
    main()
