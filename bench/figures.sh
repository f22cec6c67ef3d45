#!/usr/bin/env bash
# The speed and memory figures of the performance goals, for one build or two side by side
# (e.g. the merge-base built in a scratch folder as "before"), best of RUNS runs each.
# Wall time and CPU time (user + system) are both given: on a shared machine the CPU time is
# the steadier figure.
#   bench/figures.sh NEW_BUILD_DIR [BEFORE_BUILD_DIR]     (RUNS=3 by default)
# Needs analog and goaccess (scripts/install-deps.sh analog goaccess time) and the logs of
# bench/run.sh in bench/out/ (made here when missing).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/bench/out"
mkdir -p "$out"
runs="${RUNS:-3}"
builds=("$(realpath "$1")")
names=(new)
if [ $# -ge 2 ]; then builds=("$(realpath "$2")" "${builds[0]}"); names=(before new); fi
export TZ=UTC TREVIX_DATA_DIR="$root/data"
settings="$out/figures-settings.ini"

for n in 1000000 4000000; do
  [ -s "$out/access-$n.log" ] || python3 "$root/tools/genlog.py" --lines "$n" --seed 7 -o "$out/access-$n.log"
done
gz="$out/access-1000000.log.gz"
[ -s "$gz" ] || python3 "$root/tools/genlog.py" --lines 1000000 --seed 7 --gzip -o "$gz"

# best WALL CPU PEAK_KB of $runs runs of a command (each figure its own best)
best() {
  local w c k bw=999999 bc=999999 bk=0
  for _ in $(seq 1 "$runs"); do
    # Wall time to the millisecond (time's own is in hundredths, too coarse beside wc -l).
    local t0 t1
    t0=$(date +%s%N)
    /usr/bin/time -f "%U %S %M" -o "$out/figure.txt" "$@" >/dev/null 2>&1
    t1=$(date +%s%N)
    read -r u s k < "$out/figure.txt"
    w=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
    c=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
    bw=$(awk -v a="$w" -v b="$bw" 'BEGIN { print (a < b ? a : b) }')
    bc=$(awk -v a="$c" -v b="$bc" 'BEGIN { print (a < b ? a : b) }')
    bk=$k
  done
  echo "$bw $bc $bk"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
mb() { echo $(( $(stat -L -c %s "$1") / 1048576 )); }

declare -A W C K
for n in 1000000 4000000; do
  log="$out/access-$n.log"
  cat "$log" >/dev/null
  read -r W[analog-$n] C[analog-$n] K[analog-$n] < <(
    printf 'LOGFORMAT COMBINED\nLOGFILE %s\nOUTFILE %s\nHOSTNAME "example.com"\n' "$log" "$out/analog-$n.html" > "$out/analog.cfg"
    best analog +g"$out/analog.cfg")
  read -r W[goaccess-$n] C[goaccess-$n] K[goaccess-$n] < <(
    best goaccess "$log" --log-format=COMBINED --no-global-config -o "$out/goaccess-$n.html")
done
read -r W[wc] C[wc] _ < <(best wc -l "$out/access-1000000.log")
read -r W[gzip] C[gzip] _ < <(best gzip -dc "$gz")

printf "%-8s %-44s %10s %10s\n" build figure wall cpu
for i in "${!builds[@]}"; do
  b="${builds[$i]}" name="${names[$i]}"
  cli="$b/src/cli/trevix-cli"
  for n in 1000000 4000000; do
    log="$out/access-$n.log"
    rm -f "$settings"
    read -r w c k < <(best "$cli" --settings "$settings" --domain example.com --list lstFiles --list lstReferrers \
      --list lstIPs "$log")
    W[$name-$n]=$w; C[$name-$n]=$c
    printf "%-8s %-44s %10s %10s\n" "$name" "full analysis, $n lines (s)" "$w" "$c"
    printf "%-8s %-44s %10s %10s\n" "$name" "  analog / trevix" "$(ratio "${W[analog-$n]}" "$w")" \
      "$(ratio "${C[analog-$n]}" "$c")"
    printf "%-8s %-44s %10s %10s\n" "$name" "  goaccess / trevix" "$(ratio "${W[goaccess-$n]}" "$w")" \
      "$(ratio "${C[goaccess-$n]}" "$c")"
    printf "%-8s %-44s %10s\n" "$name" "  peak resident / log size" "$(ratio "$((k / 1024))" "$(mb "$log")")"
  done
  printf "%-8s %-44s %10s %10s\n" "$name" "4M / 1M time" "$(ratio "${W[$name-4000000]}" "${W[$name-1000000]}")" \
    "$(ratio "${C[$name-4000000]}" "${C[$name-1000000]}")"
  read -r w c _ < <(best "$b/bench/parse_bench" "$out/access-1000000.log")
  printf "%-8s %-44s %10s %10s\n" "$name" "read and parse / wc -l" "$(ratio "$w" "${W[wc]}")" "$(ratio "$c" "${C[wc]}")"
  read -r w c _ < <(best "$b/bench/parse_bench" "$gz")
  printf "%-8s %-44s %10s %10s\n" "$name" ".gz read and parse / gzip -dc" "$(ratio "$w" "${W[gzip]}")" \
    "$(ratio "$c" "${C[gzip]}")"
  rm -f "$settings"
  read -r _ _ k < <(best "$cli" --settings "$settings" --domain example.com --list lstFiles "$gz")
  printf "%-8s %-44s %10s\n" "$name" ".gz peak resident / uncompressed size" "$(ratio "$((k / 1024))" "$(mb "$out/access-1000000.log")")"
  anon=$("$b/bench/parse_bench" "$out/access-1000000.log" --full | sed -n 's/.*RssAnon at the end: \([0-9.]*\) MB.*/\1/p')
  printf "%-8s %-44s %10s\n" "$name" "RssAnon at the end / log size (1M)" "$(ratio "${anon:-0}" "$(mb "$out/access-1000000.log")")"
done
printf "%-8s %-44s %10s %10s\n" - "analog, 1M / 4M lines (s)" "${W[analog-1000000]} / ${W[analog-4000000]}" \
  "${C[analog-1000000]} / ${C[analog-4000000]}"
printf "%-8s %-44s %10s %10s\n" - "goaccess, 1M / 4M lines (s)" "${W[goaccess-1000000]} / ${W[goaccess-4000000]}" \
  "${C[goaccess-1000000]} / ${C[goaccess-4000000]}"
