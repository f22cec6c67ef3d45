#!/usr/bin/env bash
# Builds the Debian package of Trevix and checks it with lintian, desktop-file-validate and
# appstreamcli.
# Usage: scripts/package.sh [build-folder]
# The package is made from the given build tree (default build/, the one the tests use), so
# nothing is built twice; a folder without a build is configured first, for installation only.
# Prints the path of the .deb as its last line.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$root/build}")"
"$root/scripts/install-deps.sh"

if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
  fi
  # A tree made only for the package: no tests, no fallback to the source tree's data.
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTREVIX_TESTS=OFF \
    -DTREVIX_SOURCE_TREE_DATA=OFF "${launcher[@]}" >/dev/null
fi
cmake --build "$build" -j "$(nproc)" >/dev/null

out="$build/package"
rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; exit 1; }
deb="$(ls "$out"/trevix_*.deb)"

# The validators; each one's errors fail the script. Warnings that are kept are explained in
# packaging/validation-notes.md.
contents="$out/contents"
mkdir -p "$contents"
dpkg-deb -x "$deb" "$contents"
for f in "$contents"/usr/share/applications/*.desktop; do
  [ -e "$f" ] && desktop-file-validate "$f" >&2
done
for f in "$contents"/usr/share/metainfo/*.xml; do
  [ -e "$f" ] && appstreamcli validate --no-net --no-color --override=cid-desktopapp-is-not-rdns=info "$f" >&2
done
lintian --fail-on error "$deb" >&2
rm -rf "$contents" "$out/_CPack_Packages"
echo "$deb"
