"""Helpers the per-source readers (each folder's expected.py) share.

Every reader returns (rates, skipped): rates a list of (date, code, name or
None, price of one unit as a Decimal), skipped a list of (code, reason) for
rows of the page that are deliberately not delivered.
"""

import datetime
from decimal import Decimal, getcontext

getcontext().prec = 50


def num(text, comma=False):
    text = text.strip()
    if comma:
        text = text.replace(" ", "").replace(",", ".")
    return Decimal(text)


def dmy(text):
    day, month, year = (int(part) for part in text.strip().split("."))
    if year < 100:
        year += 2000 if year < 80 else 1900
    return datetime.date(year, month, day).isoformat()


def local(tag):
    return tag.rsplit("}", 1)[-1]


def child_text(element, name):
    for child in element:
        if local(child.tag) == name:
            return (child.text or "").strip()
    return ""


def row_rates(root, row_tag, date, value, units, code, name=None,
              comma=False):
    """Rates of XML rows (elements `row_tag` below `root`) whose fields are
    child elements or attributes: `value`, `units`, `code` and `name` are
    functions of a row; rows without a value (or a value of 0) are left
    out. All rows carry `date`."""
    rates = []
    for row in root.iter(row_tag):
        text = value(row)
        if text and num(text, comma):
            rates.append((date, code(row), name(row) if name else None,
                          num(text, comma) / num(units(row))))
    return rates


def child(name):
    """A function of a row: the text of its child element `name`."""
    return lambda row: child_text(row, name)


def attribute(name):
    """A function of a row: its attribute `name`."""
    return lambda row: row.get(name)
