#!/usr/bin/env python3
"""Re-read data/countries.dat, data/country.dat and data/country6.dat the way the program does
and check what the lookup relies on: ranges sorted and disjoint, every range
code listed in countries.dat, no code listed twice, known addresses found."""

import bisect
import ipaddress
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


# IPv6 fixed points: loopback, link-local, documentation and unique local addresses
KNOWN_ADDRESSES6 = [
    ("::1", None),
    ("fe80::1", None),
    ("2001:db8::1", None),
    ("fd00::1", None),
]


def read_ranges(codes, name="country.dat", parse=datafmt.parse_country_line):
    ranges = []
    problems = []
    lines = datafmt.read_whole_lines(datafmt.data_path(name))
    for n, line in enumerate(lines, 1):
        if line == "":
            problems.append("%s:%d: empty line ends the reading early" % (name, n))
            break
        try:
            start, end, code, name_text = parse(line)
        except ValueError as e:
            problems.append("%s:%d: %s" % (name, n, e))
            continue
        if start > end:
            problems.append("%s:%d: start after end" % (name, n))
        if ranges and start <= ranges[-1][1]:
            problems.append("%s:%d: not sorted or overlapping" % (name, n))
        if code not in codes:
            problems.append("%s:%d: code %r not in countries.dat" % (name, n, code))
        elif name_text != codes[code]:
            problems.append("%s:%d: name %r differs from countries.dat" % (name, n, name_text))
        ranges.append((start, end, code))
    return ranges, problems


def lookup(ranges, number):
    i = bisect.bisect_right(ranges, (number, 1 << 130)) - 1
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
    # the program counts a code that repeats an earlier name as that country
    if codes.get("uk") != codes.get("gb"):
        problems.append("countries.dat: uk (the .uk domain) must carry the name of gb")
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
    ranges6, more = read_ranges(codes, "country6.dat", datafmt.parse_country6_line)
    problems += more
    if len(ranges6) < 10000:
        problems.append("country6.dat: only %d ranges" % len(ranges6))
    for start, end, code in ranges6[:: max(1, len(ranges6) // 1000)]:
        if lookup(ranges6, start) != code or lookup(ranges6, end) != code:
            problems.append("lookup fails at the ends of %x-%x" % (start, end))
    for address, expected in KNOWN_ADDRESSES6:
        got = lookup(ranges6, int(ipaddress.IPv6Address(address)))
        if got != expected:
            problems.append("%s: expected %s, got %s" % (address, expected, got))
    for p in problems[:50]:
        print(p)
    if problems:
        sys.exit("check_countries: %d problems" % len(problems))
    print("check_countries: %d countries, %d IPv4 and %d IPv6 ranges: ok" % (len(codes), len(ranges), len(ranges6)))


if __name__ == "__main__":
    main()
