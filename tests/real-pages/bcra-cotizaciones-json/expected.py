"""Expected rates of this folder's page, read with the standard library."""

import json
import re
from decimal import Decimal

from pagereaders import num

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '"tipoCotizacion":(\\d[\\d.]*)'
ROW_RE = '\\{"codigoMoneda"[^{}]*\\},'
EXTRA_DECIMALS_NEEDED = True
# Prices are JSON numbers: left out, a number makes the page unreadable.
NO_EMPTY_VALUE = True
NOT_CURRENCIES = {"REF": "the reference dollar, a pseudo-code",
                  "ARS": "the home currency itself"}


def read(page):
    results = json.loads(page.decode("utf-8"))["results"]
    rates, skipped = [], []
    for row in results["detalle"]:
        code, value = row["codigoMoneda"], row["tipoCotizacion"]
        if code in NOT_CURRENCIES:
            skipped.append((code, NOT_CURRENCIES[code]))
        elif value in ("", None):
            continue
        elif not Decimal(str(value)):
            skipped.append((code, "no price in pesos (tipoCotizacion 0)"))
        else:
            units = re.search(r"C/\s*([\d.]+)", row["descripcion"])
            units = int(units.group(1).replace(".", "")) if units else 1
            rates.append((results["fecha"], code, row["descripcion"],
                          num(str(value)) / units))
    return rates, skipped
