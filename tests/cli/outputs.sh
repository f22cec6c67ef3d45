#!/usr/bin/env bash
# What trevix-cli writes, and what it never touches: one row per case. Outputs that name an
# input (by path, hard link or symbolic link), a file the program names inside a folder that is
# a link or a pipe, two outputs naming one file, signals at a chosen point of a save, a write
# that fails half-way through the CSV files, and an export that does not fit in memory. After
# every row each input is byte-identical and no temporary file is left anywhere.
#   outputs.sh CLI
source "$(dirname "$0")/setup.sh" "$@"

line() { printf '1.2.3.4 - - [02/Nov/2026:00:31:%02d +0100] "GET /%s HTTP/1.1" 200 1 "-" "x"\n' "$1" "$2"; }
for i in $(seq 0 59); do line "$i" "p$i"; done > good.log
for i in $(seq 0 2000); do line $((i % 60)) "page$i"; done > big.log
ln good.log hard.log
ln -s good.log sym.log
printf '[Options]\nMaxRecentFiles=7\n' > settings.ini
echo "not to be touched" > victim.txt
mkdir csvin links fifos auto autolink reallog
cp good.log csvin/lstFiles.csv
ln -s ../victim.txt links/lstFiles.csv
mkfifo fifos/lstHits.csv
ln -s ../victim.txt autolink/Report.xml
cp good.log reallog/Report.xml
"$cli" --settings settings.ini good.log --xml report.xml > /dev/null || { echo "could not make a report"; exit 1; }
cp report.xml other.xml
touch -d '2020-01-01' report.xml other.xml
inputs=(good.log big.log settings.ini victim.txt csvin/lstFiles.csv reallog/Report.xml report.xml other.xml)
sums="$(sha256sum "${inputs[@]}")"
auto=(--set AutoReport=Yes --set RenameTemplate=%f)

passed=0
failed=0
# check NAME STATUS STDERR-TEXT ARGS... (text empty: not checked)
check() {
  local name="$1" want="$2" errText="$3"
  shift 3
  "$cli" --settings settings.ini "$@" > out.txt 2> err.txt
  verify "$name" "$?" "$want" "$errText"
}
verify() {
  local name="$1" got="$2" want="$3" errText="$4" why=""
  [ "$got" = "$want" ] || why="exit $got, expected $want"
  [ -z "$errText" ] || grep -qF -- "$errText" err.txt || why="$why; stderr lacks '$errText'"
  [ "$(sha256sum "${inputs[@]}")" = "$sums" ] || why="$why; an input changed"
  [ -L sym.log ] && [ -L links/lstFiles.csv ] && [ -p fifos/lstHits.csv ] || why="$why; a link or pipe was replaced"
  local left
  left="$(find . -name '.*.??????' | head -n 3)"
  [ -z "$left" ] || why="$why; temporary files left: $left"
  if [ -z "$why" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED $name: $why"
    sed 's/^/  stderr: /' err.txt | head -n 5
  fi
}

# An output that is an input, under any name.
check "--html is a log"              1 "--html good.log is one of the log files (good.log)"  good.log --html good.log
check "--html is a hard link"        1 "--html hard.log is one of the log files (good.log)"  good.log --html hard.log
check "--xml is a symbolic link"     1 "--xml sym.log is one of the log files (good.log)"    good.log --xml sym.log
check "log given by a link"          1 "--html good.log is one of the log files (sym.log)"   sym.log --html good.log
check "--html is the loaded report"  1 "--html report.xml is the report being loaded"        --load report.xml --html report.xml
check "--xml is a compared report"   1 "--xml other.xml is a report being compared"          --load report.xml --compare other.xml --xml other.xml
check "--csv file is a log"          1 "--csv file csvin/lstFiles.csv is one of the log files" csvin/lstFiles.csv --csv csvin
check "--html is the settings"       1 "--html settings.ini is the settings file"            good.log --html settings.ini
check "automatic report is a log"    1 "the automatic report $work/reallog/Report.xml is one of the log files" \
      reallog/Report.xml "${auto[@]}" --set DefaultXMLFolder="$work/reallog"
# Two outputs naming one file, existing or not.
check "--xml and --html"             1 "--xml same.out and --html ./same.out are the same file" good.log --xml same.out --html ./same.out
check "--xml inside --csv"           1 "are the same file"                                    good.log --xml fresh/lstHits.csv --csv fresh
check "--xml is the automatic report" 1 "are the same file"                                   good.log "${auto[@]}" --set DefaultXMLFolder="$work/auto" --xml auto/Report.xml
# Names the program chose inside a folder are never followed.
check "--csv file is a link"         1 "--csv file links/lstFiles.csv is a symbolic link"     good.log --csv links
check "--csv file is a pipe"         1 "--csv file fifos/lstHits.csv is a pipe"               good.log --csv fifos
check "automatic report is a link"   1 "Report.xml is a symbolic link"                        good.log "${auto[@]}" --set DefaultXMLFolder="$work/autolink"
[ ! -e fresh ] && [ ! -e same.out ] && [ ! -e auto/Report.xml ] || { failed=$((failed + 1)); echo "FAILED a refused run wrote a file"; }

# What is allowed: a whole target that is a link is followed, as the user named it.
echo old > real.html
ln -s real.html page.html
check "--html through a link"        0 ""  good.log --html page.html
grep -q '<html' real.html && [ -L page.html ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED the link's file was not written"; }
check "automatic report"             0 ""  good.log "${auto[@]}" --set DefaultXMLFolder="$work/auto"
grep -q '<TrevixReport>' auto/Report.xml && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED no automatic report"; }

# Signals at a chosen point of a save. Before the first rename: every temporary file removed,
# the old files as they were, 128 + the signal. Once the renames have begun: all complete, 0.
mkdir -p o.csv
# The automatic report never replaces the day's report: a complete save adds "Report (2).xml".
old_outputs() {
  rm -f auto/*
  for f in o.xml o.html o.csv/lstHits.csv o.csv/lstFiles.csv auto/Report.xml; do echo old > "$f"; done
}
outputs_are() {
  local want="$1" f got
  for f in o.xml o.html o.csv/lstHits.csv o.csv/lstFiles.csv; do
    got=new; [ "$(cat "$f")" = old ] && got=old
    [ "$got" = "$want" ] || { echo "$f is $got"; return 1; }
  done
  [ "$(cat auto/Report.xml)" = old ] || { echo "auto/Report.xml was replaced"; return 1; }
  got=old; grep -q '<TrevixReport>' "auto/Report (2).xml" 2> /dev/null && got=new
  [ "$got" = "$want" ] || { echo "auto/Report (2).xml is $got"; return 1; }
}
save=(good.log --xml o.xml --csv o.csv --html o.html "${auto[@]}" --set DefaultXMLFolder="$work/auto")
for row in "INT write 130 old" "TERM write 143 old" "HUP write 129 old" "INT rename 0 new" "TERM rename 0 new" "HUP rename 0 new"; do
  read -r signal point status state <<< "$row"
  old_outputs
  # A SIGHUP ignored by whoever started the tests would stay ignored (as under nohup).
  TREVIX_TEST_SAVE_SIGNAL="$signal:$point" env --default-signal=HUP "$cli" --settings settings.ini "${save[@]}" > out.txt 2> err.txt
  got=$?
  text=""; [ "$state" = old ] && text="cancelled; nothing was saved"
  verify "SIG$signal at $point" "$got" "$status" "$text"
  outputs_are "$state" || { failed=$((failed + 1)); echo "FAILED SIG$signal at $point: outputs not all $state"; }
done

# A write that fails at one CSV file (the file-size limit stands in for a full disk) replaces
# none of them. SIGXFSZ is ignored so the write returns its error.
old_outputs
(trap '' XFSZ; exec prlimit --fsize=4096 "$cli" --settings settings.ini big.log --csv o.csv) > out.txt 2> err.txt
verify "CSV write fails half-way" "$?" 2 "File too large"
outputs_are old || { failed=$((failed + 1)); echo "FAILED a CSV file was replaced after a failure"; }

# An export that does not fit in memory ends with a message and status 2, never an abort. The
# log's 1,500 user agents of 20,000 "&" each fit in 350 MB of address space (the run keeps its
# own copy of every key); written as HTML ("&amp;") they do not.
python3 - <<'PY'
with open("amp.log", "w") as f:
    for i in range(1500):
        f.write('1.2.%d.%d - - [02/Nov/2026:00:31:02 +0100] "GET /a HTTP/1.1" 200 1 "-" "%d%s"\n' % (i // 250, i % 250, i, "&" * 20000))
PY
old_outputs
prlimit --as=$((350 * 1024 * 1024)) "$cli" --settings settings.ini amp.log --xml o.xml --html o.html > out.txt 2> err.txt
verify "HTML export out of memory" "$?" 2 "Not enough memory to write o.html"
outputs_are old || { failed=$((failed + 1)); echo "FAILED a file was replaced after running out of memory"; }
rm -f amp.log

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
