#!/usr/bin/env python3
"""Apply data/browser.dat to the user agents of tests/config/user_agents.tsv
exactly as the analysis does, and check the format rules of the file.

The rule: every record is tried in file order; a record matches when the
user agent contains (case-sensitive) one of its match strings; a matching
record sets the browser or operating-system name, so a later match
overwrites an earlier one, except that a name containing "(all)" only
counts and never names anything. No match leaves "(unknown)".
"""

import os
import sys

import datafmt

TSV = os.path.join(datafmt.ROOT, "tests", "config", "user_agents.tsv")
UNKNOWN = "(unknown)"


def load_records():
    problems = []
    records = []
    for n, line in enumerate(datafmt.read_whole_lines(datafmt.data_path("browser.dat")), 1):
        if line == "":
            problems.append("browser.dat:%d: blank line" % n)
            continue
        if "," not in line:
            problems.append("browser.dat:%d: no match string" % n)
            continue
        if line != line.rstrip():
            problems.append("browser.dat:%d: ends in a blank" % n)
        name, is_os, matches = datafmt.parse_browser_line(line)
        if not name:
            problems.append("browser.dat:%d: empty name" % n)
        for m in matches:
            if m == "":
                problems.append("browser.dat:%d: empty match string matches every user agent" % n)
        records.append((name, is_os, matches))
    return records, problems


def classify(records, user_agent):
    browser, system = UNKNOWN, UNKNOWN
    for name, is_os, matches in records:
        if not any(m in user_agent for m in matches):
            continue
        if "(all)" in name:
            continue
        if is_os:
            system = name
        else:
            browser = name
    return browser, system


def load_cases():
    cases = []
    with open(TSV, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            fields = line.split("\t")
            if len(fields) != 3 or not all(fields):
                raise SystemExit("%s:%d: need browser<TAB>os<TAB>user agent" % (TSV, n))
            cases.append((n, fields[0], fields[1], fields[2]))
    return cases


def main():
    records, problems = load_records()
    names = {(name, is_os) for name, is_os, _ in records}
    if len(names) != len(records):
        problems.append("browser.dat: a name is listed twice")
    cases = load_cases()
    for n, want_browser, want_os, ua in cases:
        browser, system = classify(records, ua)
        if (browser, system) != (want_browser, want_os):
            problems.append("user_agents.tsv:%d: expected %s / %s, got %s / %s\n    %s"
                            % (n, want_browser, want_os, browser, system, ua))
    # every matching record counts a visitor: a real user agent should match one
    # operating-system record and one browser record (two only where a brand
    # appends its token to another browser's user agent)
    per_browser, per_system = {}, {}
    for n, _, want_os, ua in cases:
        hits = [(name, is_os) for name, is_os, matches in records
                if "(all)" not in name and any(m in ua for m in matches)]
        b = sum(1 for _, is_os in hits if not is_os)
        o = sum(1 for _, is_os in hits if is_os)
        per_browser[b] = per_browser.get(b, 0) + 1
        per_system[o] = per_system.get(o, 0) + 1
        if o != (0 if want_os == UNKNOWN else 1):
            problems.append("user_agents.tsv:%d: %d operating-system records match" % (n, o))
        if b > 2:
            problems.append("user_agents.tsv:%d: %d browser records match" % (n, b))
    print("records matched per user agent: browsers %s, systems %s"
          % (dict(sorted(per_browser.items())), dict(sorted(per_system.items()))))
    # every named record should be exercised by at least one case
    seen = set()
    for _, want_browser, want_os, _ in cases:
        seen.add((want_browser, False))
        seen.add((want_os, True))
    untested = sorted(n for n, is_os in names if "(all)" not in n and (n, is_os) not in seen)
    for p in problems:
        print(p)
    if untested:
        print("note: no case for %s" % ", ".join(untested))
    if problems:
        sys.exit("check_browsers: %d problems" % len(problems))
    print("check_browsers: %d records, %d user agents: ok" % (len(records), len(cases)))


if __name__ == "__main__":
    main()
