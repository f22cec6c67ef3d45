#!/usr/bin/env bash
# Installs what is missing, builds, and shows the bundled sample log: in the Trevix window when
# there is a display, else as the command-line report.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
log="$(mktemp)"
echo "Building (log: $log) ..."
if ! "$root/scripts/build.sh" "$root/build" >"$log" 2>&1; then
  tail -n 40 "$log"
  exit 1
fi
# A settings file of its own, so the run neither reads nor changes the user's settings.
settings="$(mktemp -d)/trevix.ini"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  printf '[Options]\nAutoReport=No\nShowRawLog=Yes\n[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Example shop\nNumDomains=2\nDomain1=example.com\nDomain2=www.example.com\nNumAutoConversionReports=1\nAutoConversionReport1=/checkout/thanks.html\n' >"$settings"
  echo "Opening the Trevix window on samples/sample.log ..."
  TREVIX_SETTINGS_FILE="$settings" exec "$root/build/src/ui/trevix" "$root/samples/sample.log"
fi
"$root/build/src/cli/trevix-cli" --settings "$settings" --domain example.com \
  --list lstHits --list lstSearchTerms --list lstWebBrowser --list lstCountries \
  --sort lstCountries:Visitors:desc \
  "$root/samples/sample.log"
echo
echo "No display was found (neither DISPLAY nor WAYLAND_DISPLAY is set), so this is the"
echo "command-line report. To see the Trevix window, run this on a desktop session, or:"
echo "  build/src/ui/trevix samples/sample.log"
