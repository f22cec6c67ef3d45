#!/usr/bin/env bash
# Takes a screenshot of an HTML report with headless Chromium from Debian, to look at it
# without a desktop. Chromium is installed on first use (it is not needed to build or test).
# The page is opened with networking cut off, as a report must show without one.
# Usage: scripts/html-screenshot.sh REPORT.html OUT.png [WIDTH [HEIGHT]]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
[ $# -ge 2 ] || { echo "usage: $0 REPORT.html OUT.png [WIDTH [HEIGHT]]" >&2; exit 1; }
page="$(realpath "$1")"
out="$(realpath -m "$2")"
width="${3:-1280}"
height="${4:-2400}"

browser="$(command -v chromium || command -v chromium-browser || true)"
if [ -z "$browser" ]; then
  bash "$here/install-deps.sh" chromium
  browser="$(command -v chromium)"
fi

profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
# A proxy that does not exist stands for "no network": any external fetch would fail.
"$browser" --headless=new --no-sandbox --disable-gpu --hide-scrollbars \
  --user-data-dir="$profile" --proxy-server="127.0.0.1:9" --proxy-bypass-list="<-loopback>" \
  --window-size="$width,$height" --screenshot="$out" "file://$page" >/dev/null 2>&1
[ -s "$out" ] || { echo "no screenshot written" >&2; exit 1; }
echo "$out"
