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

if [ -f "$root/samples/sample.log" ]; then
    python3 "$gen" --lines 3000 --seed 1 -o "$tmp/sample.log"
    check "bundled sample is current" cmp -s "$root/samples/sample.log" "$tmp/sample.log"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
