#!/usr/bin/env python3
"""Exports of trevix-cli read back by other programs.

usage: check_exports.py TREVIX_CLI

Loads report.xml (log text holding commas, quotes, line breaks and markup),
compares it with other.xml, and writes --csv, --html and the tab-separated
--list output in one run. Then:
  - every CSV file reads back through Python's csv module (strict) to exactly
    the cells of the printed list; CR LF line ends, no byte-order mark;
  - the HTML file parses without a single error with html5lib, holds no
    external reference, and shows markup from the log as text.
"""

import csv
import io
import os
import subprocess
import sys
import tempfile

import html5lib

HERE = os.path.dirname(os.path.abspath(__file__))
LISTS = ["lstHits", "lstFiles", "lstReferrers", "lstBrowsers", "lstOS", "lstWebBrowser", "lstCountries",
         "lstSearchTerms", "lstHour", "lstIPs", "lstErrors", "lstConversions0", "lstConversions1",
         "lstConversions2", "lstSearchEngines"]
HTML_NS = "{http://www.w3.org/1999/xhtml}"
problems = []


def check(condition, message):
    if not condition:
        problems.append(message)


def printed_lists(stdout):
    """The tab-separated lists of the run's output, in the order asked for."""
    blocks = stdout.split("\n\n")[1:]
    return [[line.split("\t") for line in block.rstrip("\n").split("\n")] for block in blocks]


def as_printed(cell):
    # the printer writes a tab or line end inside a cell as one blank
    return cell.replace("\t", " ").replace("\r", " ").replace("\n", " ")


def check_csv(folder, lists):
    for name, printed in zip(LISTS, lists):
        path = os.path.join(folder, name + ".csv")
        with open(path, "rb") as f:
            raw = f.read()
        check(not raw.startswith(b"\xef\xbb\xbf"), name + ": byte-order mark")
        check(raw.endswith(b"\r\n"), name + ": last line not ended by CR LF")
        text = raw.decode("utf-8")
        rows = list(csv.reader(io.StringIO(text, newline=""), strict=True))
        check(len(rows) == len(printed), "%s: %d records, list has %d lines" % (name, len(rows), len(printed)))
        for n, (record, line) in enumerate(zip(rows, printed)):
            check([as_printed(c) for c in record] == line, "%s record %d: %r != %r" % (name, n, record, line))
        # every line break outside a quoted field is CR LF
        outside = "".join(text.split('"')[0::2])
        check("\n" not in outside.replace("\r\n", ""), name + ": bare LF outside quotes")
        check(len({len(r) for r in rows}) == 1, name + ": records of different lengths")
    referrers = list(csv.reader(open(os.path.join(folder, "lstReferrers.csv"), newline="", encoding="utf-8")))
    cells = [c for r in referrers for c in r]
    for expected in ("http://links.example.net/a,b.html", 'http://blog.example.net/"quoted"', "/two\nlines",
                     "http://x.example/?q=\r\ncrlf", "1,234"):
        check(expected in cells, "lstReferrers.csv lost %r" % expected)


def check_html(path):
    with open(path, "rb") as f:
        raw = f.read()
    parser = html5lib.HTMLParser(strict=False)
    document = parser.parse(raw, transport_encoding="utf-8")
    check(not parser.errors, "html5lib errors: %r" % parser.errors[:5])
    resource_attributes = ("src", "srcset", "data", "poster", "action", "formaction", "background", "xlink:href")
    for element in document.iter():
        tag = element.tag.split("}")[-1] if isinstance(element.tag, str) else ""
        check(tag not in ("script", "img", "link", "iframe", "object", "embed", "base", "image", "use"),
              "element <%s> in the report" % tag)
        for attribute, value in element.attrib.items():
            attribute = attribute.split("}")[-1]
            check(attribute not in resource_attributes, "attribute %s=%r" % (attribute, value))
            check(not attribute.startswith("on"), "event handler %s" % attribute)
            if attribute == "href":
                check(value.startswith("#"), "external link %r" % value)
            check("url(" not in value, "url() in an attribute")
        if tag == "style":
            check("url(" not in (element.text or "") and "@import" not in (element.text or ""),
                  "external resource in the style sheet")
    text = "".join(document.itertext())
    for shown in ('<script>alert("x")</script> Mozilla/5.0 (X11; Linux, x86_64)',
                  '<img src="http://evil.example/x.png">', "<b>not bold</b>", "javascript:alert('x')"):
        check(shown in text, "log text not shown as text: %r" % shown)
    tables = [e for e in document.iter(HTML_NS + "table")]
    check(len(tables) >= 8, "only %d tables" % len(tables))
    svgs = [e for e in document.iter() if isinstance(e.tag, str) and e.tag.endswith("}svg")]
    check(len(svgs) == 2, "%d charts, expected the date and hour charts" % len(svgs))
    headers = [("".join(th.itertext())) for th in document.iter(HTML_NS + "th")]
    check("Compare" in headers and "% Change" in headers, "comparison columns missing from the tables")


def main():
    cli = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        csv_dir = os.path.join(work, "csv")
        html = os.path.join(work, "report.html")
        # an old file of the same name is replaced
        os.makedirs(csv_dir)
        with open(os.path.join(csv_dir, "lstFiles.csv"), "w") as f:
            f.write("old content that is longer than the new one " * 100)
        args = [cli, "--settings", os.path.join(work, "settings.ini"), "--load", os.path.join(HERE, "report.xml"),
                "--compare", os.path.join(HERE, "other.xml"), "--csv", csv_dir, "--html", html]
        for name in LISTS:
            args += ["--list", name]
        run = subprocess.run(args, capture_output=True, env=dict(os.environ, TZ="UTC"))
        check(run.returncode == 0, "exit %d: %s" % (run.returncode, run.stderr.decode(errors="replace")))
        lists = printed_lists(run.stdout.decode("utf-8"))
        check(len(lists) == len(LISTS), "printed %d lists" % len(lists))
        check(sorted(os.listdir(csv_dir)) == sorted(n + ".csv" for n in LISTS),
              "CSV folder holds %r" % sorted(os.listdir(csv_dir)))
        check_csv(csv_dir, lists)
        check_html(html)

        # a folder that cannot be written: exit status 2, a message, no file
        blocked = os.path.join(work, "blocked")
        open(blocked, "w").close()
        run = subprocess.run([cli, "--settings", os.path.join(work, "settings.ini"), "--load",
                              os.path.join(HERE, "report.xml"), "--csv", blocked], capture_output=True)
        check(run.returncode == 2 and b"cannot write" in run.stderr, "unwritable CSV folder: exit %d" % run.returncode)
    for p in problems:
        print(p)
    print("check_exports: %s" % ("%d problems" % len(problems) if problems else "ok"))
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
