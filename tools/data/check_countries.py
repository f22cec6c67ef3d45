#!/usr/bin/env python3
"""Re-read data/countries.dat and data/country.dat the way the program does
and check what the lookup relies on: ranges sorted and disjoint, every range
code listed in countries.dat, no code listed twice, known addresses found."""

import bisect
import sys

import datafmt

# address, expected code: fixed points that no range data update should move
# (the second column of a reserved block is None: no country)
KNOWN_ADDRESSES = [
    ("10.0.0.1", None),
    ("127.0.0.1", None),
    ("192.168.1.1", None),
    ("255.255.255.255", None),
    ("0.0.0.0", None),
]


def ip_number(address):
    a, b, c, d = (int(p) for p in address.split("."))
    return a * 16777216 + b * 65536 + c * 256 + d


def read_countries():
    codes = {}
    problems = []
    for n, line in enumerate(datafmt.read_whole_lines(datafmt.data_path("countries.dat")), 1):
        pieces = line.split(",")
        if len(pieces) != 2 or not pieces[0] or not pieces[1]:
            problems.append("countries.dat:%d: not code,Name: %r" % (n, line))
            continue
        code, name = pieces
        if code != code.lower() or len(code) != 2:
            problems.append("countries.dat:%d: code not two lower-case letters: %r" % (n, code))
        if code.lower() in codes:
            problems.append("countries.dat:%d: code %s listed twice" % (n, code))
        if name != name.strip() or '"' in name:
            problems.append("countries.dat:%d: name needs no blanks at its ends and no quotes" % n)
        codes[code.lower()] = name
    return codes, problems


def read_ranges(codes):
    ranges = []
    problems = []
    lines = datafmt.read_whole_lines(datafmt.data_path("country.dat"))
    for n, line in enumerate(lines, 1):
        if line == "":
            problems.append("country.dat:%d: empty line ends the reading early" % n)
            break
        try:
            start, end, code, name = datafmt.parse_country_line(line)
        except ValueError as e:
            problems.append("country.dat:%d: %s" % (n, e))
            continue
        if start > end:
            problems.append("country.dat:%d: start after end" % n)
        if ranges and start <= ranges[-1][1]:
            problems.append("country.dat:%d: not sorted or overlapping" % n)
        if code not in codes:
            problems.append("country.dat:%d: code %r not in countries.dat" % (n, code))
        elif name != codes[code]:
            problems.append("country.dat:%d: name %r differs from countries.dat" % (n, name))
        ranges.append((start, end, code))
    return ranges, problems


def lookup(ranges, number):
    i = bisect.bisect_right(ranges, (number, 1 << 40)) - 1
    if i >= 0 and ranges[i][0] <= number <= ranges[i][1]:
        return ranges[i][2]
    return None


def main():
    codes, problems = read_countries()
    ranges, more = read_ranges(codes)
    problems += more
    for code in ("gb", "uk", "us", "de", "xk"):
        if code not in codes:
            problems.append("countries.dat: %s missing" % code)
    if len(ranges) < 10000:
        problems.append("country.dat: only %d ranges" % len(ranges))
    # both ends of every range belong to it, the number after it does not
    for start, end, code in ranges[:: max(1, len(ranges) // 1000)]:
        if lookup(ranges, start) != code or lookup(ranges, end) != code:
            problems.append("lookup fails at the ends of %d-%d" % (start, end))
    for address, expected in KNOWN_ADDRESSES:
        got = lookup(ranges, ip_number(address))
        if got != expected:
            problems.append("%s: expected %s, got %s" % (address, expected, got))
    for p in problems[:50]:
        print(p)
    if problems:
        sys.exit("check_countries: %d problems" % len(problems))
    print("check_countries: %d countries, %d ranges: ok" % (len(codes), len(ranges)))


if __name__ == "__main__":
    main()
