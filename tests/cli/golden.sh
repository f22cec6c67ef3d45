#!/usr/bin/env bash
# Golden tests of trevix-cli: each folder under golden/ holds an "args" file (one argument per
# line; paths are relative to that folder) and "expected.txt" (stdout, then "--- stderr", then
# stderr, then "--- exit N"). The run uses the shipped data files, a fresh settings file and UTC.
#   golden.sh CLI           compare every case, print "N passed, N failed"
#   golden.sh CLI --update  rewrite the expected files after a deliberate change
set -uo pipefail
cli="$1"
update="${2:-}"
here="$(cd "$(dirname "$0")" && pwd)"
export TZ=UTC
export TREVIX_DATA_DIR="$(cd "$here/../../data" && pwd)"
passed=0
failed=0
for case in "$here"/golden/*/; do
  name="$(basename "$case")"
  work="$(mktemp -d)"
  mapfile -t args < "$case/args"
  (cd "$case" && "$cli" --settings "$work/settings.ini" "${args[@]}" >"$work/out" 2>"$work/err")
  status=$?
  # The data folder's path depends on where the tree is checked out.
  { cat "$work/out"; echo "--- stderr"; cat "$work/err"; echo "--- exit $status"; } |
    awk -v dir="$TREVIX_DATA_DIR" '$0 == "Data folder: " dir { $0 = "Data folder: DATA" } { print }' > "$work/actual.txt"
  if [ "$update" = "--update" ]; then
    cp "$work/actual.txt" "$case/expected.txt"
    echo "updated $name"
    passed=$((passed + 1))
  elif diff -u "$case/expected.txt" "$work/actual.txt" > "$work/diff"; then
    passed=$((passed + 1))
  else
    echo "FAILED $name"
    head -n 40 "$work/diff"
    failed=$((failed + 1))
  fi
  rm -rf "$work"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
