#!/usr/bin/env bash
# Under a small address-space limit or memory budget, inputs that need more memory end with a
# message naming the file and how far it got, and exit status 2: never an abort, on every
# reading path (plain, pipe, device, each compressed format). An input that goes on for 64 MB
# without a line end is no log: exit status 3 and a warning, not unbounded growth. A compressed
# text beyond the budget whose entries fit is read through a temporary file, with the same lists.
#   memory_limit.sh CLI
source "$(dirname "$0")/setup.sh" "$@"
limit=$((200 * 1024 * 1024))
# 512 MB of log lines packed into a small gzip file (a decompression bomb in miniature).
line='1.2.3.4 - - [02/Nov/2026:00:31:58 +0100] "GET /a HTTP/1.1" 200 1 "-" "x"'
yes "$line" | head -c $((512 * 1024 * 1024)) | gzip -1 > bomb.log.gz
# A report of 300,000 rows (about 27 MB) that does not fit either.
python3 - <<'PY'
row = '<File TotalRequests="1" Gets="1" Reloads="0" Resumes="0" Bytes="0.01">/same.html</File>'
with open("big.xml", "w") as f:
    f.write('<?xml version="1.0"?><TrevixReport><Domains/><Summary>S</Summary><Files>' + row * 300000 + '</Files></TrevixReport>')
PY

passed=0
failed=0
# A plain log larger than the address space allows: it cannot be mapped, and reading it
# cannot allocate its buffer either (sparse: it costs no disk).
truncate -s $((300 * 1024 * 1024)) big.log
# A small log read under a smaller memory budget than it needs.
yes "$line" | head -n 100000 > budget.log

# Endless streams in each compressed format: one member of 4 MB of log lines, repeated
# (each format reads concatenated members as one stream); and 100 MB of zeros.
python3 - "$line" <<'PY'
import bz2, gzip, lzma, sys
member = (sys.argv[1] + "\n").encode() * (4 * 1024 * 1024 // (len(sys.argv[1]) + 1))
for name, pack in (("stream.log.gz", gzip.compress), ("stream.log.bz2", bz2.compress), ("stream.log.xz", lzma.compress)):
    packed = pack(member)
    with open(name, "wb") as f:
        for _ in range(100):
            f.write(packed)
with open("member.log", "wb") as f:
    f.write(member)
PY
zstd -q member.log -o member.log.zst
for _ in $(seq 100); do cat member.log.zst; done > stream.log.zst
head -c $((100 * 1024 * 1024)) /dev/zero | zstd -q -o zeros.log.zst
head -c $((100 * 1024 * 1024)) /dev/zero | gzip -1 > zeros.log.gz

# run NAME TEXT ARGS...   (LIMIT=... replaces the address-space limit; EXPECT=... the status)
run() {
  local name="$1" text="$2"
  shift 2
  prlimit --as="${LIMIT:-$limit}" "$cli" "$@" > out.txt 2> err.txt
  local status=$?
  if [ "$status" = "${EXPECT:-2}" ] && grep -qF -- "$text" err.txt; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED $name: exit $status"
    head -n 5 err.txt
  fi
}
yes "$line" | run "endless input" "Not enough memory to analyse /dev/stdin: 0 lines read" /dev/stdin
for f in stream.log.gz stream.log.bz2 stream.log.xz stream.log.zst; do
  LIMIT=unlimited TREVIX_MEMORY_BUDGET=48M run "endless $f" "Not enough memory to analyse $f: 0 lines read" "$f"
done
yes "$line" | LIMIT=unlimited TREVIX_MEMORY_BUDGET=48M run "endless pipe" "Not enough memory to analyse /dev/stdin" /dev/stdin
for f in /dev/zero zeros.log.zst zeros.log.gz; do
  LIMIT=unlimited EXPECT=3 run "no line end in $f" "$f: no valid log line" "$f"
done
run "decompression bomb"  "Not enough memory to analyse bomb.log.gz: "          bomb.log.gz
run "report too large"    "big.xml"                                             --load big.xml
run "unmappable plain log" "Not enough memory to analyse big.log: 0 lines read"   big.log
LIMIT=unlimited TREVIX_MEMORY_BUDGET=1M run "over the budget" "Not enough memory to analyse budget.log: " budget.log

# A compressed log whose text exceeds the budget while its entries fit goes through a temporary
# file in the cache folder: the same lists as without a budget, no name left in the folder
# (beside the country tables' cache).
# With the cache off the file goes to $TMPDIR. A cache folder that cannot be made ends the
# run as a want of memory does, naming the folder.
python3 "$(dirname "$0")/../../tools/genlog.py" --lines 200000 --seed 3 --gzip -o spill.log.gz || exit 1
gzip -dc spill.log.gz | zstd -q -o spill.log.zst
lists=()
for l in lstHits lstIPs lstReferrers lstFiles lstBrowsers lstErrors lstHour; do lists+=(--list "$l"); done
mkdir -p cache tmp
for f in spill.log.gz spill.log.zst; do
  "$cli" "${lists[@]}" "$f" > unlimited.txt 2> unlimited.err
  TREVIX_CACHE_DIR="$PWD/cache" TREVIX_MEMORY_BUDGET=40M "$cli" "${lists[@]}" "$f" > budget.txt 2> budget.err
  status=$?
  if [ "$status" = 0 ] && cmp -s unlimited.txt budget.txt && [ -s budget.txt ] && [ -z "$(ls -A cache | grep -v '^countries-')" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED $f through a temporary file: exit $status"
    head -n 5 budget.err
  fi
  TREVIX_CACHE_DIR= TMPDIR="$PWD/tmp" TREVIX_MEMORY_BUDGET=40M "$cli" "${lists[@]}" "$f" > budget.txt 2> budget.err
  status=$?
  if [ "$status" = 0 ] && cmp -s unlimited.txt budget.txt && [ -z "$(ls -A tmp)" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED $f through \$TMPDIR: exit $status"
    head -n 5 budget.err
  fi
  TREVIX_CACHE_DIR="$PWD/spill.log.gz/cache" LIMIT=unlimited TREVIX_MEMORY_BUDGET=40M \
    run "no room on disk for $f" "Not enough memory to analyse $f: 0 lines read; no temporary file could be written in $PWD/spill.log.gz/cache (Not a directory)" "$f"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
