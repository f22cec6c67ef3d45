#!/usr/bin/env bash
# Installs what is missing, builds, and analyses the bundled sample log.
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
"$root/build/src/cli/trevix-cli" --settings "$settings" --domain example.com \
  --list lstHits --list lstSearchTerms --list lstWebBrowser --list lstCountries \
  --sort lstCountries:Visitors:desc \
  "$root/samples/sample.log"
