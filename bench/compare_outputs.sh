#!/usr/bin/env bash
# Byte-for-byte comparison of two builds of trevix-cli: every report list, the statistics, the
# processing log, the visitor and conversion reports and the XML report, on the 1M-line
# benchmark logs (the low-variety one and the varied one, genlog --variety real, plain and .gz)
# and on the golden cases. Any difference fails.
#   bench/compare_outputs.sh BEFORE_CLI AFTER_CLI
# BEFORE_CLI is typically the merge-base built in a scratch folder:
#   git archive $(git merge-base HEAD main) | tar -x -C /tmp/base/src
#   cmake -S /tmp/base/src -B /tmp/base/build -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build /tmp/base/build --target trevix-cli
# IGNORE, when set, is a grep pattern of lines left out of both outputs: messages a change adds
# on purpose, so the comparison still covers everything else (IGNORE=': read as ').
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BEFORE_CLI AFTER_CLI" >&2; exit 1; }
before="$(realpath "$1")"
after="$(realpath "$2")"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/bench/out"
mkdir -p "$out"
export TZ=UTC
export TREVIX_DATA_DIR="$root/data"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work"

plain="$out/access-1000000.log"
gz="$out/access-1000000.log.gz"
[ -s "$plain" ] || python3 "$root/tools/genlog.py" --lines 1000000 --seed 7 -o "$plain"
[ -s "$gz" ] || python3 "$root/tools/genlog.py" --lines 1000000 --seed 7 --gzip -o "$gz"
real="$out/access-real-1000000.log"
realgz="$out/access-real-1000000.log.gz"
[ -s "$real" ] || python3 "$root/tools/genlog.py" --lines 1000000 --seed 7 --variety real -o "$real"
[ -s "$realgz" ] || python3 "$root/tools/genlog.py" --lines 1000000 --seed 7 --variety real --gzip -o "$realgz"

lists=(lstHits lstHour lstIPs lstReferrers lstSearchTerms lstSearchEngines lstBrowsers lstOS lstWebBrowser
       lstFiles lstCountries lstErrors lstConversions0 lstConversions1 lstConversions2)
list_args=()
for l in "${lists[@]}"; do list_args+=(--list "$l"); done

passed=0
failed=0
# run CLI TAG DIR ARGS...: stdout, stderr and exit status into $work/TAG.txt, then the XML
# report (if one was asked for as @XML@) without a generation time stamp. Both builds write the
# report to the same path, since messages name it.
run() {
  local cli="$1" tag="$2" dir="$3"
  shift 3
  local args=("${@//@XML@/$work/report.xml}")
  (cd "$dir" && "$cli" --settings "$work/$tag.ini" "${args[@]}" >"$work/$tag.out" 2>"$work/$tag.err")
  local status=$?
  { cat "$work/$tag.out"; echo "--- stderr"; cat "$work/$tag.err"; echo "--- exit $status"; } > "$work/$tag.txt"
  if [ -f "$work/report.xml" ]; then
    sed -E 's#<(Generated|GeneratedAt|Created|SavedAt)>[^<]*</[A-Za-z]+>##g' "$work/report.xml" >> "$work/$tag.txt"
    rm -f "$work/report.xml"
  fi
}
# compare NAME DIR ARGS...
compare() {
  local name="$1" dir="$2"
  shift 2
  rm -f "$work"/before.* "$work"/after.*
  run "$before" before "$dir" "$@"
  run "$after" after "$dir" "$@"
  if [ -n "${IGNORE:-}" ]; then
    for side in before after; do
      grep -v -e "$IGNORE" "$work/$side.txt" >"$work/$side.kept"
      mv "$work/$side.kept" "$work/$side.txt"
    done
  fi
  if cmp -s "$work/before.txt" "$work/after.txt"; then
    passed=$((passed + 1))
    echo "same     $name ($(wc -c < "$work/after.txt") bytes)"
  else
    failed=$((failed + 1))
    echo "DIFFERS  $name"
    diff "$work/before.txt" "$work/after.txt" | head -n 20
  fi
}

full=(--domain example.com --stats --log "${list_args[@]}" --conversion /checkout/thanks.html --xml @XML@)
compare "1M lines, every list and the XML report" "$root" "${full[@]}" "$plain"
compare "1M lines .gz, every list and the XML report" "$root" "${full[@]}" "$gz"
# Reports that read entries again from their lines: the visitor report of the first and the
# busiest address, and conversions, with texts the parser rebuilds (host before the file,
# session IDs merged) and without.
first_ip=$(head -n 1 "$plain" | cut -d' ' -f1)
busy_ip=$(head -n 200000 "$plain" | cut -d' ' -f1 | sort | uniq -c | sort -rn | awk 'NR == 1 { print $2 }')
visitors=(--visitor "$first_ip" --visitor "$busy_ip" --conversion /checkout/thanks.html)
compare "1M lines, visitor reports" "$root" --domain example.com "${visitors[@]}" "$plain"
compare "1M lines, separate domains, sessions kept" "$root" --separate-domains --set MergeSessions=No \
  --stats "${list_args[@]}" "${visitors[@]}" "$plain"
compare "1M lines, separate domains, sessions merged" "$root" --separate-domains --set MergeSessions=Yes \
  "${visitors[@]}" --list lstConversions0 --list lstConversions2 "$plain"
compare "1M lines, filtered" "$root" --domain example.com --filter-text '!Googlebot' --filter-file '!.gif' \
  --stats "${list_args[@]}" "$plain"
# The varied log: many agents, IPv6 and host names, links with session IDs in several forms.
compare "1M varied lines, every list and the XML report" "$root" "${full[@]}" "$real"
compare "1M varied lines .gz, every list and the XML report" "$root" "${full[@]}" "$realgz"
first_ip=$(head -n 1 "$real" | cut -d' ' -f1)
busy_ip=$(head -n 200000 "$real" | cut -d' ' -f1 | sort | uniq -c | sort -rn | awk 'NR == 1 { print $2 }')
six_ip=$(head -n 200000 "$real" | cut -d' ' -f1 | grep -m 1 ':')
visitors=(--visitor "$first_ip" --visitor "$busy_ip" --visitor "$six_ip" --conversion /checkout/thanks.html)
compare "1M varied lines, visitor reports" "$root" --domain example.com "${visitors[@]}" "$real"
compare "1M varied lines, separate domains, sessions merged" "$root" --separate-domains --set MergeSessions=Yes \
  --stats "${list_args[@]}" "${visitors[@]}" "$real"
for case in "$root"/tests/cli/golden/*/; do
  mapfile -t args < "$case/args"
  compare "golden $(basename "$case")" "$case" "${args[@]}"
  compare "golden $(basename "$case"), every list and the XML report" "$case" "${args[@]}" --stats --log \
    "${list_args[@]}" --xml @XML@
done
# The fuzz corpus: damaged and odd lines, each file on its own.
for f in "$root"/fuzz/corpus-log/*; do
  [ -f "$f" ] || continue
  compare "fuzz $(basename "$f")" "$root" --domain example.com --stats --log "${list_args[@]}" "$f"
done > "$work/fuzz.txt"
grep -v '^same' "$work/fuzz.txt"
echo "fuzz corpus: $(grep -c '^same' "$work/fuzz.txt") files the same"
passed=$((passed + $(grep -c '^same' "$work/fuzz.txt")))
failed=$((failed + $(grep -c '^DIFFERS' "$work/fuzz.txt")))
echo "$passed the same, $failed differ"
[ "$failed" -eq 0 ]
