#!/usr/bin/env bash
# trevix-cli's exit statuses, its warnings, and what it leaves on disk: one row per case.
# An existing --xml report must be byte-identical after every run that fails or is cancelled,
# and no temporary file may be left beside it.
#   exit_status.sh CLI
source "$(dirname "$0")/setup.sh" "$@"

line() { printf '1.2.3.4 - - [02/Nov/2026:00:31:%02d +0100] "GET /%s HTTP/1.1" 200 1 "-" "%s"\n' "$1" "$2" "${3:-x}"; }
for i in $(seq 0 59); do line "$i" "p$i"; done > good.log
{ line 1 a; printf ' \n'; line 2 b; } > blank-mid.log
{ line 1 a; printf '1.2.3.4 \n \n'; } > blank-end.log
tr '\n' '\r' < good.log > cr-only.log
for i in $(seq 0 2000); do line $((i % 60)) "page$i"; done | gzip -9n > big.log.gz
head -c $(( $(stat -c %s big.log.gz) / 2 )) big.log.gz > truncated.log.gz
{ head -c 60 big.log.gz; head -c 200 /dev/zero | tr '\0' 'Z'; tail -c +261 big.log.gz; } > corrupt.log.gz
yes $'\x01\x02\xff\xfe binary \x03' | head -c 4000 > binary.bin
line 1 a $'evil\x1b]0;retitled\x07agent' > control.log
mkdir folder.log
mkfifo silent.fifo
printf '[Options]\nMaxRecentFiles=7\n' > settings.ini
chmod 0644 settings.ini

"$cli" good.log --xml keep.xml > /dev/null 2>&1 || { echo "could not make the first report"; exit 1; }
keep="$(sha256sum < keep.xml)"

passed=0
failed=0
# check NAME STATUS STDERR-TEXT STDOUT-TEXT ARGS... (texts empty: not checked)
check() {
  local name="$1" want="$2" errText="$3" outText="$4"
  shift 4
  "$cli" --settings settings.ini "$@" > out.txt 2> err.txt
  verify "$name" "$?" "$want" "$errText" "$outText"
}
verify() {
  local name="$1" got="$2" want="$3" errText="$4" outText="$5" why=""
  [ "$got" = "$want" ] || why="exit $got, expected $want"
  [ -z "$errText" ] || grep -qF -- "$errText" err.txt || why="$why; stderr lacks '$errText'"
  [ -z "$outText" ] || grep -qF -- "$outText" out.txt || why="$why; stdout lacks '$outText'"
  [ "$(sha256sum < keep.xml)" = "$keep" ] || why="$why; keep.xml changed"
  ls -A | grep -q '^\.keep\.xml\.' && why="$why; a temporary file was left"
  if [ -z "$why" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED $name: $why"
    sed 's/^/  stderr: /' err.txt | head -n 5
  fi
}

check "good log"                 0   ""                                   "Lines accepted: 60"  good.log --stats
check "blank line mid-file"      0   ""                                   "Lines rejected: 1"   blank-mid.log --stats
check "blank lines at the end"   0   ""                                   "Lines rejected: 0"   blank-end.log --stats
check "CR-only line ends"        0   ""                                   "Lines accepted: 60"  cr-only.log --stats
check "truncated gzip"           3   "truncated.log.gz: damaged after "   "Total hits:"         truncated.log.gz
check "corrupt gzip"             3   "corrupt.log.gz: damaged after "     ""                    corrupt.log.gz
check "binary file"              3   "binary.bin: no known log format"    ""                    binary.bin
check "damaged and good"         3   "truncated.log.gz: damaged"          ""                    good.log truncated.log.gz
check "missing input, --xml"     2   "does not exist"                     "(1 could not be read)" good.log missing.log --xml keep.xml
check "folder as log, --xml"     2   "Error 21: Is a directory"           ""                    folder.log --xml keep.xml
check "--xml is an input"        1   "is one of the log files"            ""                    good.log --xml ./good.log
check "--sort huge column"       1   "unknown column in --sort"           ""                    good.log --sort lstFiles:99999999999999999999
check "--sort unknown title"     1   "unknown column in --sort"           ""                    good.log --sort lstFiles:Files:sideways
check "--sort unknown list"      1   "unknown list name"                  ""                    good.log --sort lstNone:1
check "control characters"       0   ""                                   'evil\x1b]0'          control.log --list lstBrowsers
check "settings is a folder"     0   "settings file folder.log not read: it is a directory" "" --settings folder.log good.log
check "settings is a FIFO"       0   "it is a pipe (FIFO)"                ""                    --settings silent.fifo good.log
check "--log-format unknown name" 1   "unknown log format name in --log-format: apache" "" good.log --log-format apache
check "--filter-status class"    1   "trevix-cli: --filter-status: not a status code"   ""   good.log --filter-status 6xx --xml keep.xml
check "--filter-status list"     1   "--filter-status: "                  ""                    good.log --filter-status '!301,'
check "--filter-address range"   1   "trevix-cli: --filter-address: not an address"     ""   good.log --filter-address 300.1.2.3/40 --xml keep.xml
check "--filter-address IPv6"    1   "--filter-address: "                 ""                    good.log --filter-address 2001:db8::/129
check "--filter-country unknown" 1   "trevix-cli: --filter-country: no country has the code zz" "" good.log --filter-country zz --xml keep.xml
check "--filter-country form"    1   "--filter-country: not a two-letter" ""                    good.log --filter-country '!gbr'
check "--only unknown"           1   "trevix-cli: --only: needs all, people or spiders" ""      good.log --only robots
check "--filter-country, no country report" 0 ""                      "Filters: country is not uk" good.log --filter-country '!uk' --set AnalyseCountries=No
check "--only spiders"           0   ""                                   "Total hits: 0"       good.log --only spiders
check "--log-format named"       0   ""                                   "Lines accepted: 60"  good.log --log-format combined --stats
check "process substitution"     0   ""                                   "Lines accepted: 60"  <(cat good.log) --stats

# A raw escape character from a log never reaches the terminal.
if grep -q $'\x1b' out.txt err.txt 2>/dev/null; then failed=$((failed + 1)); echo "FAILED raw ESC printed"; fi

# The settings file is read, never written: same mode, same bytes.
if [ "$(stat -c %a settings.ini)" = 644 ] && [ "$(cat settings.ini)" = $'[Options]\nMaxRecentFiles=7' ]; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)); echo "FAILED settings file changed: $(stat -c %a settings.ini)"
fi

# A write that fails half-way (the file-size limit stands in for a full disk) keeps the old
# report. SIGXFSZ is ignored so the write returns its error instead of killing the program.
(trap '' XFSZ; exec prlimit --fsize=1024 "$cli" --settings settings.ini good.log --xml keep.xml) > out.txt 2> err.txt
verify "write failure" "$?" 2 "Error 27 - File too large" ""

# Ctrl+C while the reader waits on a pipe that nobody writes: status 130, nothing saved. One
# signal, sent once the program catches SIGINT (a background job starts with it ignored; a
# second Ctrl+C would end the program at once, without its message).
"$cli" --settings settings.ini silent.fifo --xml keep.xml > out.txt 2> err.txt &
pid=$!
catches() {
  local mask
  mask="$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)"
  [ -n "$mask" ] && (( 0x$mask & 2 ))
}
# Best is the moment it waits in open(): system call 257 (openat) on x86-64.
blocked() { case "$(cat "/proc/$pid/syscall" 2>/dev/null)" in 257\ *) return 0 ;; *) return 1 ;; esac; }
for _ in $(seq 1 200); do catches && break; sleep 0.05; done
for _ in $(seq 1 40); do blocked && break; sleep 0.05; done
kill -INT "$pid" 2>/dev/null
for _ in $(seq 1 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
wait "$pid"
verify "Ctrl+C on a silent pipe" "$?" 130 "cancelled; nothing was saved" ""

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
