#!/usr/bin/env bash
# Checks that the log generator is deterministic: the same seed gives the same bytes, the
# gzip output holds exactly the plain output, and another seed gives another log.
# Usage: test_genlog.sh [repo-root]
set -u

root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
gen="$root/tools/genlog.py"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

passed=0
failed=0
check() {  # check NAME COMMAND...
    local name="$1"; shift
    if "$@"; then
        passed=$((passed + 1)); echo "PASS $name"
    else
        failed=$((failed + 1)); echo "FAIL $name"
    fi
}

lines_are() {  # lines_are FILE N
    [ -s "$1" ] && [ "$(wc -l < "$1")" -eq "$2" ]
}

differ() {  # differ FILE FILE: both written, not equal
    [ -s "$1" ] && [ -s "$2" ] && ! cmp -s "$1" "$2"
}

every_line_ends_with_lf() {
    [ -s "$1" ] && [ "$(tail -c 1 "$1" | od -An -c | tr -d ' ')" = '\n' ] && ! grep -q $'\r' "$1"
}

python3 "$gen" --lines 2000 --seed 42 -o "$tmp/a.log"; rc_a=$?
python3 "$gen" --lines 2000 --seed 42 -o "$tmp/b.log"; rc_b=$?
python3 "$gen" --lines 2000 --seed 42 --gzip -o "$tmp/c.log.gz"; rc_c=$?
python3 "$gen" --lines 2000 --seed 42 --gzip -o "$tmp/d.log.gz"; rc_d=$?
python3 "$gen" --lines 2000 --seed 43 -o "$tmp/e.log"; rc_e=$?

check "generator runs" test "$rc_a$rc_b$rc_c$rc_d$rc_e" = "00000"
check "exact line count" lines_are "$tmp/a.log" 2000
check "LF line ends" every_line_ends_with_lf "$tmp/a.log"
check "same seed, same bytes" cmp -s "$tmp/a.log" "$tmp/b.log"
check "same seed, same gzip bytes" cmp -s "$tmp/c.log.gz" "$tmp/d.log.gz"
gzip -dc "$tmp/c.log.gz" > "$tmp/c.log" 2>/dev/null
check "gzip holds the plain output" cmp -s "$tmp/a.log" "$tmp/c.log"
check "other seed, other log" differ "$tmp/a.log" "$tmp/e.log"

# The varied log: reproducible too, and as varied as a public site's (the low-variety log of
# the same length holds about 120 agents and 730 clients). Each count is checked in a range.
python3 "$gen" --lines 20000 --seed 5 --variety real --stats -o "$tmp/r1.log" 2>"$tmp/r1.stats"; rc_r1=$?
python3 "$gen" --lines 20000 --seed 5 --variety real -o "$tmp/r2.log"; rc_r2=$?
python3 "$gen" --lines 20000 --seed 5 --variety real --gzip -o "$tmp/r3.log.gz"; rc_r3=$?
python3 "$gen" --lines 2000 --seed 42 --variety low -o "$tmp/low.log"; rc_low=$?
check "varied generator runs" test "$rc_r1$rc_r2$rc_r3$rc_low" = "0000"
check "varied: exact line count" lines_are "$tmp/r1.log" 20000
check "varied: same seed, same bytes (with and without --stats)" cmp -s "$tmp/r1.log" "$tmp/r2.log"
gzip -dc "$tmp/r3.log.gz" > "$tmp/r3.log" 2>/dev/null
check "varied: gzip holds the plain output" cmp -s "$tmp/r1.log" "$tmp/r3.log"
check "--variety low is the default log" cmp -s "$tmp/a.log" "$tmp/low.log"

stat_in() {  # stat_in NAME MIN MAX: a count printed by --stats lies in [MIN, MAX]
    local v
    v=$(awk -v k="$1" '$1 == k { print $2 }' "$tmp/r1.stats")
    [ -n "$v" ] && [ "$v" -ge "$2" ] && [ "$v" -le "$3" ] || { echo "  $1 = ${v:-missing}, expected $2..$3"; return 1; }
}
for range in "lines 20000 20000" "agents 450 1000" "clients 900 1600" "urls 2500 5500" "referrers 900 1700"; do
    read -r name lo hi <<< "$range"
    check "varied: $name in $lo..$hi" stat_in "$name" "$lo" "$hi"
done
ipv6_share() {  # between 8 and 20 % of the clients are IPv6 addresses, 0.5 to 4 % host names
    awk '{ c[$1] = 1 } END { for (h in c) { n++; if (h ~ /:/) six++; else if (h ~ /[a-z]/) name++ }
         exit !(six * 100 >= 8 * n && six * 100 <= 20 * n && name * 200 >= n && name * 100 <= 4 * n) }' "$tmp/r1.log"
}
check "varied: IPv6 and host-name shares of the clients" ipv6_share
session_forms() {  # links carry session IDs in several of the forms the reference data strips
    local n=0 f
    for f in 'PHPSESSID=' '[?&]sid=' 'jsessionid=' 'osCsid=' 'zenid='; do grep -qE "$f" "$tmp/r1.log" && n=$((n + 1)); done
    [ "$n" -ge 4 ]
}
check "varied: session IDs in several forms" session_forms

if [ -f "$root/samples/sample.log" ]; then
    python3 "$gen" --lines 3000 --seed 1 -o "$tmp/sample.log"
    check "bundled sample is current" cmp -s "$root/samples/sample.log" "$tmp/sample.log"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
