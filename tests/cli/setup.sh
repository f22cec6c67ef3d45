# Sourced by the command-line test scripts: the program under test from the first argument, a
# private work folder as the current folder and home (removed at exit), a fixed time zone and
# the source tree's reference data.
set -uo pipefail
cli="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export TZ=UTC
export TREVIX_DATA_DIR="$here/../../data"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export HOME="$work/home"
mkdir -p "$HOME"
