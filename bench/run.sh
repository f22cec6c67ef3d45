#!/usr/bin/env bash
# Benchmarks: parsing speed beside `wc -l`, start-up load time, the full analysis beside two
# other analysers from Debian's packages, and XML report save/load/compare. Logs are generated
# with a fixed seed into bench/out/ (kept between runs): the varied log (genlog --variety real:
# about 10,000 agents and 50,000 clients a million lines) first, then the low-variety one.
# Usage: bash bench/run.sh [--quick]   (--quick: 1M lines only)
#        VARIETIES="real" or "low" runs one kind of log only (default "real low").
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/bench/out"
mkdir -p "$out"
quick=0
[ "${1:-}" = "--quick" ] && quick=1

"$root/scripts/install-deps.sh" analog goaccess time
"$root/scripts/build.sh" "$root/build" >/dev/null
cli="$root/build/src/cli/trevix-cli"
settings="$out/bench-settings.ini"
rm -f "$settings"

sizes=(1000000 4000000)
[ $quick = 1 ] && sizes=(1000000)
read -r -a varieties <<< "${VARIETIES:-real low}"
# logname VARIETY N [.gz]: the low-variety logs keep their earlier names
logname() { if [ "$1" = low ]; then echo "$out/access-$2.log${3:-}"; else echo "$out/access-$1-$2.log${3:-}"; fi; }
for v in "${varieties[@]}"; do
  for n in "${sizes[@]}"; do
    log=$(logname "$v" "$n")
    [ -s "$log" ] || python3 "$root/tools/genlog.py" --lines "$n" --seed 7 --variety "$v" -o "$log"
  done
  gz=$(logname "$v" 1000000 .gz)
  [ -s "$gz" ] || python3 "$root/tools/genlog.py" --lines 1000000 --seed 7 --variety "$v" --gzip -o "$gz"
done
plain=$(logname "${varieties[0]}" 1000000)
gz=$(logname "${varieties[0]}" 1000000 .gz)

# seconds and peak resident kilobytes of one command
measure_once() { /usr/bin/time -f "%e %M" -o "$out/time.txt" "$@" >/dev/null 2>"$out/stderr.txt" || true; cat "$out/time.txt"; }
# the better of two runs: the first touch of freshly freed memory can cost a virtual machine
# a second or more of system time, which says nothing about the program
measure() {
  local a b
  a=$(measure_once "$@")
  b=$(measure_once "$@")
  awk -v a="$a" -v b="$b" 'BEGIN { split(a, x, " "); split(b, y, " "); print (x[1] <= y[1] ? a : b) }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

for v in "${varieties[@]}"; do
  echo "== Parsing (1M lines, $v variety) =="
  vplain=$(logname "$v" 1000000)
  cat "$vplain" >/dev/null   # warm the page cache
  read -r wc_s _ < <(measure wc -l "$vplain")
  "$root/build/bench/parse_bench" "$vplain"
  "$root/build/bench/parse_bench" "$(logname "$v" 1000000 .gz)"
  "$root/build/bench/parse_bench" "$vplain" --full
  echo "wc -l on the same file: ${wc_s} s"
done

echo
echo "== Start-up load of the reference data =="
"$root/build/bench/startup_bench" || true

echo
echo "== Full analysis beside other analysers =="
printf "%-10s %-6s %-9s %10s %12s\n" lines log tool seconds "peak MB"
declare -A T M
for v in "${varieties[@]}"; do
for n in "${sizes[@]}"; do
  log=$(logname "$v" "$n")
  size_mb=$(( $(stat -L -c %s "$log") / 1048576 ))
  cat "$log" >/dev/null   # every tool reads from the page cache, not the disk
  read -r s k < <(measure "$cli" --settings "$settings" --domain example.com \
      --list lstFiles --list lstReferrers --list lstIPs "$log")
  T[trevix-$n]=$s; M[trevix-$n]=$k
  printf "%-10s %-6s %-9s %10s %12s\n" "$n" "$v" trevix "$s" "$((k / 1024))"
  cat > "$out/analog.cfg" <<CFG
LOGFORMAT COMBINED
LOGFILE $log
OUTFILE $out/analog-$n.html
HOSTNAME "example.com"
CFG
  cat "$log" >/dev/null
  read -r s k < <(measure analog +g"$out/analog.cfg")
  T[analog-$n]=$s; M[analog-$n]=$k
  printf "%-10s %-6s %-9s %10s %12s\n" "$n" "$v" analog "$s" "$((k / 1024))"
  cat "$log" >/dev/null
  read -r s k < <(measure goaccess "$log" --log-format=COMBINED --no-global-config -o "$out/goaccess-$n.html")
  T[goaccess-$n]=$s; M[goaccess-$n]=$k
  printf "%-10s %-6s %-9s %10s %12s\n" "$n" "$v" goaccess "$s" "$((k / 1024))"
  echo "  log $size_mb MB; analog/trevix $(ratio "${T[analog-$n]}" "${T[trevix-$n]}")x," \
       "goaccess/trevix $(ratio "${T[goaccess-$n]}" "${T[trevix-$n]}")x," \
       "trevix peak memory / log size $(ratio "$((M[trevix-$n] / 1024))" "$size_mb")"
done
if [ $quick = 0 ]; then
  echo "  $v: trevix 4M/1M time: $(ratio "${T[trevix-4000000]}" "${T[trevix-1000000]}")"
fi
done

echo
echo "== XML reports (1M lines) =="
other="${plain%.log}-b.log"
[ -s "$other" ] || python3 "$root/tools/genlog.py" --lines 1000000 --seed 8 --variety "${varieties[0]}" -o "$other"
read -r s _ < <(measure "$cli" --settings "$settings" --domain example.com "$plain" --xml "$out/r1.xml")
echo "analyse + save: $s s ($(( $(stat -c %s "$out/r1.xml" 2>/dev/null || echo 0) / 1048576 )) MB report)"
"$cli" --settings "$settings" --domain example.com "$other" --xml "$out/r2.xml" >/dev/null 2>&1 || true
read -r s _ < <(measure "$cli" --settings "$settings" --load "$out/r1.xml")
echo "load: $s s"
read -r s _ < <(measure "$cli" --settings "$settings" --load "$out/r1.xml" --compare "$out/r2.xml")
echo "load + compare: $s s"

echo
echo "== Report views (1M lines, offscreen) =="
QT_QPA_PLATFORM=offscreen "$root/build/bench/views_bench" "$plain" 2>/dev/null
echo "== The window (1M lines, offscreen, real window classes) =="
if [ -x "$root/build/bench/gui_bench" ]; then
  "$root/build/bench/gui_bench" "$plain" "$cli" 2>/dev/null
  echo "-- with the raw log page filled (ShowRawLog on in both) --"
  TREVIX_BENCH_RAWLOG=1 "$root/build/bench/gui_bench" "$plain" "$cli" 2>/dev/null
fi
echo "== Windows that look up a visitor's or a file's own data (1M lines) =="
TREVIX_DATA_DIR="$root/data" "$root/build/bench/dialogs_bench" "$plain" 100 / 2>/dev/null
echo "== Report with 300,000 rows of one key =="
# Repeated keys must not share one probe chain: 0.7 s on the 2-core build machine (52 s
# while they did).
dup="$out/duplicate-files.xml"
[ -s "$dup" ] || python3 - "$dup" <<'PY'
import sys
row = '<File TotalRequests="1" Gets="1" Reloads="0" Resumes="0" Bytes="0.01">/same.html</File>'
with open(sys.argv[1], "w") as f:
    f.write('<?xml version="1.0"?><TrevixReport><Domains/><Summary>S</Summary><Files>')
    f.write(row * 300000)
    f.write('</Files></TrevixReport>')
PY
read -r s k < <(measure "$cli" --settings "$settings" --load "$dup")
echo "load: $s s, peak $((k / 1024)) MB"

echo
echo "== Speed and memory goals (best of three; wall and CPU seconds) =="
# TREVIX_BENCH_BEFORE=BUILD_DIR puts an earlier build beside this one.
VARIETIES="${varieties[*]}" bash "$root/bench/figures.sh" "$root/build" ${TREVIX_BENCH_BEFORE:+"$TREVIX_BENCH_BEFORE"}
