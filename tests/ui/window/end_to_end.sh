#!/usr/bin/env bash
# The real trevix program on a virtual X display: it opens its window on the sample log, the
# window is found by its caption, and a picture of the screen is not blank.
# Usage: end_to_end.sh TREVIX LOGFILE
set -euo pipefail
program="$1"
log="$2"
for tool in xvfb-run xauth xdotool import identify; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/trevix.ini" <<INI
[Options]
AutoReport=No
AnalyseCountries=No
INI
cat >"$work/inside.sh" <<'INSIDE'
set -u
program="$1"; log="$2"; work="$3"
# The test suite runs offscreen; this program must reach the X server.
QT_QPA_PLATFORM=xcb TREVIX_SETTINGS_FILE="$work/trevix.ini" "$program" "$log" >"$work/trevix.out" 2>&1 &
pid=$!
found=""
for _ in $(seq 1 100); do
  found="$(xdotool search --name '^Trevix Pro' 2>/dev/null | head -n 1 || true)"
  [ -n "$found" ] && break
  if ! kill -0 "$pid" 2>/dev/null; then echo "trevix ended early:"; cat "$work/trevix.out"; exit 1; fi
  sleep 0.1
done
if [ -z "$found" ]; then echo "no window with the caption Trevix Pro"; kill "$pid"; exit 1; fi
echo "window $found: $(xdotool getwindowname "$found")"
# Let the report be drawn.
sleep 1.5
import -window root "$work/shot.png"
kill "$pid"
wait "$pid" 2>/dev/null || true
INSIDE
xvfb-run -a -s '-screen 0 1280x900x24' bash "$work/inside.sh" "$program" "$log" "$work"
colours="$(identify -format '%k' "$work/shot.png")"
echo "colours in the picture: $colours"
# A blank screen has one colour; a drawn window has many.
if [ "$colours" -lt 16 ]; then
  echo "the screenshot is blank"
  exit 1
fi
