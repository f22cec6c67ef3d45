#!/usr/bin/env python3
"""Write data/countries.dat, data/country.dat and data/country6.dat.

usage: make_countries.py DBIP_IPV4_NUM_CSV ISO3166_TAB [DBIP_IPV6_NUM_CSV]

DBIP_IPV4_NUM_CSV is dbip-country-ipv4-num.csv of the npm package
@ip-location-db/dbip-country (rows "start,end,CC", inclusive, decimal);
DBIP_IPV6_NUM_CSV is dbip-country-ipv6-num.csv of the same package (the same
rows with 128-bit numbers). Without it country6.dat is left as it is.
ISO3166_TAB is the tzdata table of ISO 3166-1 alpha-2 codes
(/usr/share/zoneinfo/iso3166.tab on Debian).
"""

import sys

import datafmt

# Names that read better in a report than the tzdata wording (which is chosen
# to sort time zones), or that the file format cannot hold.
NAME_OVERRIDES = {
    "as": "American Samoa",
    "gb": "United Kingdom",
    "ws": "Samoa",
}

# Codes that the range data or host names use but ISO 3166-1 does not assign.
EXTRA_COUNTRIES = {
    "xk": "Kosovo",
}

# Top-level domains that differ from their country's ISO code. Such a code is
# written with the name of its country, and the program reads a code that
# repeats an earlier name as that country: a visitor known by a host name in
# .uk and one known by a British address are counted as one country.
DOMAIN_OF_COUNTRY = {
    "uk": "gb",
}


def clean_name(name):
    # the country files split at every ",", and the range file's pieces are
    # quoted, so neither character can appear in a name
    name = name.replace(",", "").replace('"', "'")
    return " ".join(name.split())


def read_iso3166(path):
    countries = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            code, name = line.split("\t")[:2]
            countries[code.lower()] = name
    for code, name in NAME_OVERRIDES.items():
        countries[code] = name
    for code, name in EXTRA_COUNTRIES.items():
        countries.setdefault(code, name)
    for domain, country in DOMAIN_OF_COUNTRY.items():
        countries[domain] = countries[country]
    return {code: clean_name(name) for code, name in countries.items()}


def read_ranges(path, limit=0xFFFFFFFF):
    ranges = []
    with open(path, encoding="ascii") as f:
        for lineno, line in enumerate(f, 1):
            line = line.strip()
            if not line:
                continue
            start, end, code = line.split(",")
            start, end = int(start), int(end)
            if not (0 <= start <= end <= limit) or len(code) != 2:
                raise ValueError("%s:%d: bad range %r" % (path, lineno, line))
            ranges.append((start, end, code.lower()))
    return ranges


def merge_ranges(ranges):
    """Sort, refuse overlaps, and join touching ranges of one country."""
    merged = []
    for start, end, code in sorted(ranges):
        if merged and start <= merged[-1][1]:
            raise ValueError("overlapping ranges at %d" % start)
        if merged and merged[-1][2] == code and merged[-1][1] + 1 == start:
            merged[-1][1] = end
        else:
            merged.append([start, end, code])
    return [tuple(r) for r in merged]


def main(argv):
    if len(argv) not in (3, 4):
        sys.exit(__doc__)
    countries = read_iso3166(argv[2])
    ranges = merge_ranges(read_ranges(argv[1]))
    ranges6 = merge_ranges(read_ranges(argv[3], (1 << 128) - 1)) if len(argv) == 4 else []
    missing = sorted({code for _, _, code in ranges + ranges6} - set(countries))
    if missing:
        sys.exit("range codes without a country name: %s" % " ".join(missing))

    datafmt.write_lines(datafmt.data_path("countries.dat"),
                        ["%s,%s" % (code, countries[code]) for code in sorted(countries)])
    datafmt.write_lines(datafmt.data_path("country.dat"),
                        [datafmt.format_country_line(s, e, c, countries[c]) for s, e, c in ranges])
    print("countries.dat: %d countries; country.dat: %d ranges" % (len(countries), len(ranges)))
    if ranges6:
        datafmt.write_lines(datafmt.data_path("country6.dat"),
                            [datafmt.format_country6_line(s, e, c, countries[c]) for s, e, c in ranges6])
        print("country6.dat: %d ranges" % len(ranges6))


if __name__ == "__main__":
    main(sys.argv)
