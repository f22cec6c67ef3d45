#!/usr/bin/env python3
"""Checks the user manual: it loads nothing from the network, every page it links to exists
(pages other work adds later are named below until they arrive), and every picture it shows is
one of the screenshots the screenshot script makes.
Usage: manual_links.py MANUAL-FOLDER"""
import os
import re
import sys
from html.parser import HTMLParser

PAGES_TO_COME = set()
SCREENSHOTS = {"summary", "visitors", "referrers", "search", "browsers", "files", "countries", "errors",
               "conversions", "rawlog", "dates", "hours", "site-panel", "logfiles-panel", "filters-panel",
               "ftp-panel", "summary-graphs", "process-log", "visitor", "dataview", "options-preferences",
               "options-downloads", "options-filetypes", "options-sessionids", "list-menu"}


class Links(HTMLParser):
    def __init__(self):
        super().__init__()
        self.found = []  # (tag, attribute, value)

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("href", "src") and value is not None:
                self.found.append((tag, name, value))


def problems(folder):
    out = []
    pages = sorted(f for f in os.listdir(folder) if f.endswith(".html"))
    if "index.html" not in pages:
        out.append("no index.html")
    for page in pages:
        parser = Links()
        with open(os.path.join(folder, page), encoding="utf-8") as f:
            text = f.read()
        parser.feed(text)
        if 'charset="utf-8"' not in text:
            out.append(f"{page}: no character set")
        for tag, attr, value in parser.found:
            target = value.split("#", 1)[0]
            external = re.match(r"^[a-z][a-z0-9+.-]*:|^//", value, re.I)
            if external:
                # Links a reader follows are fine; nothing may be loaded from elsewhere.
                if tag != "a":
                    out.append(f"{page}: loads {value}")
                continue
            if not target:
                continue
            if tag == "img":
                m = re.fullmatch(r"\.\./screenshots/([a-z-]+)\.png", target)
                if not m or m.group(1) not in SCREENSHOTS:
                    out.append(f"{page}: picture {value} is not a screenshot")
            elif not os.path.exists(os.path.join(folder, target)) and target not in PAGES_TO_COME:
                out.append(f"{page}: {value} does not exist")
    return out


if __name__ == "__main__":
    found = problems(sys.argv[1])
    for p in found:
        print(p)
    print(f"{0 if found else 1} passed, {1 if found else 0} failed")
    sys.exit(1 if found else 0)
