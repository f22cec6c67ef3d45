#!/usr/bin/env bash
# CI step: builds the .deb from the test build tree, installs it with dpkg, runs the installed
# programs (trevix-cli on the sample log; the window under Xvfb, found with xdotool), and
# removes the package again, checking that none of its files stay behind.
# Usage: scripts/check-package.sh [build-folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$root/build}")"

if [ "$(id -u)" -ne 0 ]; then
  echo "check-package: skipped (installing a package needs root)"
  exit 0
fi
# One run at a time on a machine shared by several work trees.
exec 9>/var/lock/trevix-check-package.lock
flock 9
# Never touch a Trevix the machine already has.
if dpkg-query -W -f='${Status}' trevix 2>/dev/null | grep -q "ok installed"; then
  echo "check-package: skipped (a trevix package is already installed on this machine)"
  exit 0
fi

deb="$("$root/scripts/package.sh" "$build" | tail -n 1)"
echo "check-package: built $(basename "$deb")"
dpkg-deb -f "$deb" Depends

work="$(mktemp -d)"
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then
    dpkg --purge trevix >/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# dpkg refuses at once while another package tool holds its lock: wait for it a while.
for attempt in $(seq 1 60); do
  if dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
    installed=1
    break
  fi
  if ! grep -q "lock" "$work/dpkg.log" || [ "$attempt" -eq 60 ]; then
    cat "$work/dpkg.log"
    # A failed install may still have unpacked files.
    dpkg-query -W trevix >/dev/null 2>&1 && installed=1
    exit 1
  fi
  sleep 2
done
dpkg -L trevix > "$work/files"

# The installed command-line program, from an unrelated folder, with a clean environment.
help="$(/usr/bin/trevix-cli --help)"
echo "${help%%$'\n'*}"
cp "$root/samples/sample.log" "$work/access.log"
(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" TZ=UTC trevix-cli --settings "$work/s.ini" \
  --domain example.com --stats --list lstCountries access.log > "$work/out")
grep -qx "Data folder: /usr/share/trevix" "$work/out" || { echo "wrong data folder"; cat "$work/out"; exit 1; }
grep -Eq "of which spiders [1-9]" "$work/out" || { echo "no spiders found"; exit 1; }
echo "check-package: installed trevix-cli analysed the sample with /usr/share/trevix"

# The installed window program under a virtual display.
if [ -x /usr/bin/trevix ]; then
  cat > "$work/window.sh" <<'INNER'
set -u
cd "$1"
# The test run may have chosen the offscreen platform; this check needs the real display.
QT_QPA_PLATFORM=xcb HOME="$1" XDG_CONFIG_HOME="$1/config" trevix access.log >"$1/window.log" 2>&1 &
pid=$!
found=""
for _ in $(seq 1 100); do
  found="$(xdotool search --name "Trevix" 2>/dev/null | head -n 1)"
  [ -n "$found" ] && break
  sleep 0.2
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ -n "$found" ]
INNER
  if xvfb-run -a -s '-screen 0 1280x900x24' bash "$work/window.sh" "$work"; then
    echo "check-package: the installed trevix opened its window"
  else
    echo "check-package: the installed trevix showed no window"
    cat "$work/window.log"
    exit 1
  fi
else
  echo "check-package: window check skipped (this build has no trevix program yet)"
fi

# Remove the package and check that it left nothing behind.
for attempt in $(seq 1 60); do
  dpkg --purge trevix >"$work/dpkg.log" 2>&1 && break
  grep -q "lock" "$work/dpkg.log" && [ "$attempt" -lt 60 ] || { cat "$work/dpkg.log"; exit 1; }
  sleep 2
done
installed=0
left=0
while IFS= read -r f; do
  if [ -f "$f" ] || [ -L "$f" ]; then
    echo "left behind: $f"
    left=1
  fi
done < "$work/files"
[ "$left" -eq 0 ]
echo "check-package: package installed, run and removed cleanly"
