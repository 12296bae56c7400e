"""Expected rates of this folder's page, read with the standard library."""

import html.parser
import re

from pagereaders import num

ENCODING = "utf-8"
# A value's text (group 1) and a whole row, for the changed copies.
VALUE_RE = '>(\\d[\\d.]*)</dd>'
ROW_RE = '<div class="py[^"]*"><dt.*?</div>'
# The page has no date: its rates are the day of its address.
SCAN_DATE = "2026-09-02"


class Terms(html.parser.HTMLParser):
    """(term, description) text pairs of the page's definition lists."""

    def __init__(self):
        super().__init__()
        self.pairs, self.tag = [], None

    def handle_starttag(self, tag, attrs):
        if tag in ("dt", "dd"):
            self.tag = tag
            if tag == "dt":
                self.pairs.append(["", ""])
            elif not self.pairs:
                self.pairs.append(["", ""])

    def handle_endtag(self, tag):
        self.tag = None

    def handle_data(self, data):
        if self.tag:
            self.pairs[-1][self.tag == "dd"] += data


def read(page):
    parser = Terms()
    parser.feed(page.decode("utf-8"))
    rates = []
    for term, value in parser.pairs:
        match = re.fullmatch(r"\s*([A-Z]{3})\s*\(cours moyen\)\s*", term)
        if match and value.strip():
            rates.append((SCAN_DATE, match.group(1), None, num(value)))
    return rates, []
