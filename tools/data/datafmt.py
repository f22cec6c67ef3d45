"""Writers and readers for the reference data files in data/.

The readers here behave like the program's own loaders, so the checks see
exactly what the program will see:
  - delimited items: comma- or line-separated, optionally in double quotes,
    blanks before an item ignored;
  - whole lines: one record per line, a trailing CR removed;
  - country ranges: split at every ",", each piece loses its first and last
    character, piece 0 additionally its first two characters.
"""

import ipaddress
import os

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DATA_DIR = os.path.join(ROOT, "data")


def data_path(name):
    return os.path.join(DATA_DIR, name)


def quote(item):
    if '"' in item or "\n" in item or "\r" in item:
        raise ValueError("item cannot be quoted: %r" % item)
    return '"' + item + '"'


def write_lines(path, lines):
    """Write lines with LF endings, a final newline and no blank lines."""
    for line in lines:
        if line == "" or "\n" in line or "\r" in line:
            raise ValueError("bad line for %s: %r" % (path, line))
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        for line in lines:
            f.write(line + "\n")


def write_records(path, records):
    """Write delimited-item records, every item quoted, one record a line."""
    lines = []
    for record in records:
        if isinstance(record, str):
            record = (record,)
        for item in record:
            if item == "":
                raise ValueError("empty item in %s: %r" % (path, record))
        lines.append(",".join(quote(item) for item in record))
    write_lines(path, lines)


def read_text(path):
    with open(path, "rb") as f:
        raw = f.read()
    return raw.decode("utf-8")


def read_whole_lines(path):
    """Lines as the whole-line readers see them (trailing CR stripped)."""
    text = read_text(path)
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()  # the final newline ends the last line, it adds none
    return [line[:-1] if line.endswith("\r") else line for line in lines]


def parse_delimited(text):
    """Items of a delimited-item file, in order."""
    items = []
    i, n = 0, len(text)
    while i < n:
        while i < n and text[i] in " \t":
            i += 1
        if i < n and text[i] == '"':
            end = text.find('"', i + 1)
            if end < 0:
                end = n
            item = text[i + 1:end]
            i = end + 1
            # anything between the closing quote and the delimiter is ignored
            while i < n and text[i] not in ",\n":
                i += 1
        else:
            start = i
            while i < n and text[i] not in ",\n":
                i += 1
            item = text[start:i].rstrip(" \t\r")
        items.append(item)
        if i < n:
            if text[i] == "\n":
                i += 1
            elif text[i] == ",":
                i += 1
                # a comma right at the end of a line announces an empty item
                if i >= n or text[i] in "\r\n":
                    items.append("")
                    if i < n and text[i] == "\r":
                        i += 1
                    if i < n and text[i] == "\n":
                        i += 1
    return items


def read_delimited(path):
    return parse_delimited(read_text(path))


def read_records(path, width):
    items = read_delimited(path)
    if len(items) % width:
        raise ValueError("%s: %d items is not a multiple of %d" % (path, len(items), width))
    return [tuple(items[i:i + width]) for i in range(0, len(items), width)]


def parse_browser_line(line):
    """(name, is_os, match strings) of one browser.dat line."""
    name, _, rest = line.partition(",")
    is_os = name.startswith("*")
    if is_os:
        name = name[1:]
    matches = rest.split(",") if "," in line else []
    return name, is_os, matches


def parse_country_line(line):
    """(start, end, code, name) of one country.dat line, read like the loader."""
    pieces = [p[1:-1] for p in line.split(",")]
    if len(pieces) < 5:
        raise ValueError("too few pieces: %r" % line)
    return int(pieces[0][2:]), int(pieces[1]), pieces[2], pieces[4]


def format_country_line(start, end, code, name):
    # two blanks pad the first piece: the loader skips its first two characters
    return '"  %d","%d","%s","","%s"' % (start, end, code, name)


def format_country6_line(start, end, code, name):
    # the same pieces as country.dat; the bounds in the shortest standard IPv6 form
    # (RFC 5952: lower case, longest zero run as "::"), which keeps the file small
    return '"  %s","%s","%s","","%s"' % (ipaddress.IPv6Address(start).compressed,
                                          ipaddress.IPv6Address(end).compressed, code, name)


def parse_country6_line(line):
    """(start, end, code, name) of one country6.dat line, as 128-bit numbers."""
    pieces = [p[1:-1] for p in line.split(",")]
    if len(pieces) < 5:
        raise ValueError("too few pieces: %r" % line)
    return (int(ipaddress.IPv6Address(pieces[0][2:])), int(ipaddress.IPv6Address(pieces[1])),
            pieces[2], pieces[4])
