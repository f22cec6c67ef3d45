#!/usr/bin/env bash
# Pictures of every panel and report page of the real trevix window, for the README and the
# manual: the program runs under a virtual X display on the sample log with a settings file of
# its own (a site profile with an automatic conversion report, the raw log on; no list column
# widths, so the lists show the widths a first run gives them) and saves one PNG per panel
# and page into docs/screenshots/.
# Usage: scripts/screenshots.sh [output-folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/docs/screenshots}"

# Xvfb and a font with Chinese, Japanese and Korean letters (search terms in the sample use them).
"$root/scripts/install-deps.sh" fonts-wqy-microhei
program="$root/build/src/ui/trevix"
if [ ! -x "$program" ]; then
  "$root/scripts/build.sh" "$root/build" >/dev/null
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/trevix.ini" <<INI
[Options]
AutoReport=No
ShowRawLog=Yes
AnalyseCountries=Yes
HitsDisplay=Table
SearchDisplay=Keywords
BrowserDisplay=2
DefaultXMLFolder=$work

[Window]
MainWidth=18000
MainHeight=12300
List15Width1=2600
List15Width2=5000

[Profiles]
NumProfiles=1

[Profile1]
SiteName=Example shop
NumDomains=2
Domain1=example.com
Domain2=www.example.com
DifferentDomains=False
NumberFTP=0
FTP=0
NumAutoConversionReports=1
AutoConversionReport1=/checkout/thanks.html
INI

# A local FTP server (the one the FTP tests use) for the picture of the FTP panel. It prints its
# port once it listens and stops when its input closes.
"$root/scripts/install-deps.sh" python3-pyftpdlib
mkfifo "$work/ftp-in"
# Debian's interpreter, which has the package (another python3 may come first on PATH).
py=/usr/bin/python3; [ -x "$py" ] || py=python3
"$py" "$root/tests/ftp/ftp_server.py" trevix screenshot-pass <"$work/ftp-in" >"$work/ftp-port" 2>/dev/null &
exec 3>"$work/ftp-in"
for _ in $(seq 50); do [ -s "$work/ftp-port" ] && break; sleep 0.1; done
ftp=""
if [ -s "$work/ftp-port" ]; then ftp="127.0.0.1 $(head -n1 "$work/ftp-port") trevix screenshot-pass /logs/"; fi

rm -rf "$out"
mkdir -p "$out"
TREVIX_SETTINGS_FILE="$work/trevix.ini" TREVIX_SCREENSHOTS="$out" TREVIX_SCREENSHOT_FTP="$ftp" LC_ALL=C.UTF-8 TZ=UTC \
  QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 1280x900x24' "$program" "$root/samples/sample.log"
exec 3>&-
wait
ls "$out"
