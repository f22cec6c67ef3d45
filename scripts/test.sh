#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
# The Debian package from this same build tree: installed, run and removed again (root only).
# First, so that the test runner's summary stays the last word.
"$root/scripts/check-package.sh" "$root/build"
cd "$root/build"
# Tests must not depend on the machine's time zone or the user's settings.
export TZ=UTC
export HOME="$(mktemp -d)"
export XDG_CONFIG_HOME="$HOME/.config"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j "$(nproc)" --timeout 600
