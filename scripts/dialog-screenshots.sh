#!/usr/bin/env bash
# Pictures of the options dialog, the site dialog, the visitor report, the referred-by/to view and the
# conversions page, taken offscreen by their window tests from small logs.
# Usage: scripts/dialog-screenshots.sh [folder]   (default: screenshots/dialogs; needs a build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$root/screenshots/dialogs}")"
mkdir -p "$out"
cd "$root/build/tests/ui"
for t in OptionsDialogTest SiteProfileDialogTest VisitorWindowTest DataViewWindowTest ConversionsPageTest; do
  TREVIX_SHOTS="$out" TZ=UTC QT_QPA_PLATFORM=offscreen HOME="$(mktemp -d)" "./ui_$t" >/dev/null
done
ls "$out"/*.png
