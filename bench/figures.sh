#!/usr/bin/env bash
# The speed and memory figures of the performance goals, for one build or two side by side
# (e.g. the merge-base built in a scratch folder as "before"), best of RUNS runs each.
# Wall time and CPU time (user + system) are both given: on a shared machine the CPU time is
# the steadier figure.
#   bench/figures.sh NEW_BUILD_DIR [BEFORE_BUILD_DIR]     (RUNS=3 by default)
# Needs analog and goaccess (scripts/install-deps.sh analog goaccess time) and the logs of
# bench/run.sh in bench/out/ (made here when missing). The figures are given for the varied log
# (genlog --variety real) and then the low-variety one; VARIETIES="real" or "low" gives one.
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

read -r -a varieties <<< "${VARIETIES:-real low}"
# logname VARIETY N [.gz]: the low-variety logs keep their earlier names
logname() { if [ "$1" = low ]; then echo "$out/access-$2.log${3:-}"; else echo "$out/access-$1-$2.log${3:-}"; fi; }
for v in "${varieties[@]}"; do
  for n in 1000000 4000000; do
    log=$(logname "$v" "$n")
    [ -s "$log" ] || python3 "$root/tools/genlog.py" --lines "$n" --seed 7 --variety "$v" -o "$log"
  done
  gz=$(logname "$v" 1000000 .gz)
  [ -s "$gz" ] || python3 "$root/tools/genlog.py" --lines 1000000 --seed 7 --variety "$v" --gzip -o "$gz"
done

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
for v in "${varieties[@]}"; do
  for n in 1000000 4000000; do
    log=$(logname "$v" "$n")
    cat "$log" >/dev/null
    read -r W[analog-$v-$n] C[analog-$v-$n] K[analog-$v-$n] < <(
      printf 'LOGFORMAT COMBINED\nLOGFILE %s\nOUTFILE %s\nHOSTNAME "example.com"\n' "$log" "$out/analog-$n.html" > "$out/analog.cfg"
      best analog +g"$out/analog.cfg")
    read -r W[goaccess-$v-$n] C[goaccess-$v-$n] K[goaccess-$v-$n] < <(
      best goaccess "$log" --log-format=COMBINED --no-global-config -o "$out/goaccess-$n.html")
  done
  read -r W[wc-$v] C[wc-$v] _ < <(best wc -l "$(logname "$v" 1000000)")
  read -r W[gzip-$v] C[gzip-$v] _ < <(best gzip -dc "$(logname "$v" 1000000 .gz)")
done

printf "%-8s %-44s %10s %10s\n" build figure wall cpu
for v in "${varieties[@]}"; do
echo "-- $v variety --"
gz=$(logname "$v" 1000000 .gz)
plain=$(logname "$v" 1000000)
for i in "${!builds[@]}"; do
  b="${builds[$i]}" name="${names[$i]}"
  cli="$b/src/cli/trevix-cli"
  for n in 1000000 4000000; do
    log=$(logname "$v" "$n")
    rm -f "$settings"
    read -r w c k < <(best "$cli" --settings "$settings" --domain example.com --list lstFiles --list lstReferrers \
      --list lstIPs "$log")
    W[$name-$n]=$w; C[$name-$n]=$c
    printf "%-8s %-44s %10s %10s\n" "$name" "full analysis, $n lines (s)" "$w" "$c"
    printf "%-8s %-44s %10s %10s\n" "$name" "  analog / trevix" "$(ratio "${W[analog-$v-$n]}" "$w")" \
      "$(ratio "${C[analog-$v-$n]}" "$c")"
    printf "%-8s %-44s %10s %10s\n" "$name" "  goaccess / trevix" "$(ratio "${W[goaccess-$v-$n]}" "$w")" \
      "$(ratio "${C[goaccess-$v-$n]}" "$c")"
    printf "%-8s %-44s %10s\n" "$name" "  peak resident / log size" "$(ratio "$((k / 1024))" "$(mb "$log")")"
  done
  printf "%-8s %-44s %10s %10s\n" "$name" "4M / 1M time" "$(ratio "${W[$name-4000000]}" "${W[$name-1000000]}")" \
    "$(ratio "${C[$name-4000000]}" "${C[$name-1000000]}")"
  read -r w c _ < <(best "$b/bench/parse_bench" "$plain")
  printf "%-8s %-44s %10s %10s\n" "$name" "read and parse / wc -l" "$(ratio "$w" "${W[wc-$v]}")" "$(ratio "$c" "${C[wc-$v]}")"
  read -r w c _ < <(best "$b/bench/parse_bench" "$gz")
  printf "%-8s %-44s %10s %10s\n" "$name" ".gz read and parse / gzip -dc" "$(ratio "$w" "${W[gzip-$v]}")" \
    "$(ratio "$c" "${C[gzip-$v]}")"
  rm -f "$settings"
  read -r _ _ k < <(best "$cli" --settings "$settings" --domain example.com --list lstFiles "$gz")
  printf "%-8s %-44s %10s\n" "$name" ".gz peak resident / uncompressed size" "$(ratio "$((k / 1024))" "$(mb "$plain")")"
  anon=$("$b/bench/parse_bench" "$plain" --full | sed -n 's/.*RssAnon at the end: \([0-9.]*\) MB.*/\1/p')
  printf "%-8s %-44s %10s\n" "$name" "RssAnon at the end / log size (1M)" "$(ratio "${anon:-0}" "$(mb "$plain")")"
done
printf "%-8s %-44s %10s %10s\n" - "analog, 1M / 4M lines (s)" "${W[analog-$v-1000000]} / ${W[analog-$v-4000000]}" \
  "${C[analog-$v-1000000]} / ${C[analog-$v-4000000]}"
printf "%-8s %-44s %10s %10s\n" - "goaccess, 1M / 4M lines (s)" "${W[goaccess-$v-1000000]} / ${W[goaccess-$v-4000000]}" \
  "${C[goaccess-$v-1000000]} / ${C[goaccess-$v-4000000]}"
done
