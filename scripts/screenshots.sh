#!/usr/bin/env bash
# Pictures of every panel and report page of the real trevix window, for the README and the
# manual: the program runs under a virtual X display on the sample log with a settings file of
# its own (a site profile with an automatic conversion report, the raw log on) and saves one
# PNG per panel and page into docs/screenshots/.
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
List2Width1=5000
List2Width5=1300
List2Width6=1900
List3Width1=6000
List3Width2=3000
List8Width1=2600
List8Width2=2000
List8Width3=5000
List8Width4=3200
List10Width1=2200
List10Width2=2000
List10Width3=3000
List10Width4=2600
List10Width5=2600
List10Width6=2600
List10Width7=2600
List11Width1=800
List11Width2=1700
List11Width3=3000
List11Width4=3000
List11Width5=2600
List11Width6=2600
List7Width1=3000
List4Width1=5000
List5Width1=3600
List6Width1=3600
List15Width1=2600
List15Width2=5000
List12Width1=6000
List13Width1=4000
List13Width2=4000
List14Width1=5000
VisitorPagesWidth1=2600
VisitorPagesWidth2=2600
VisitorPagesWidth3=3600
VisitorPagesWidth4=4400
VisitorPagesWidth5=900
VisitorPagesWidth6=1200

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
