#!/usr/bin/env bash
# Installs the build tree into a temporary folder (DESTDIR) and checks what a user of the
# installed program gets: the files at their standard places, valid desktop metadata, and a
# trevix-cli that finds the installed data (never the source tree) from any working folder
# and with no environment variable.
#   installed_program.sh BUILD-DIR SOURCE-DIR
set -uo pipefail
build="$1"
source="$2"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
passed=0
failed=0
check() { # description, then a command that must succeed
  local what="$1"
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $what"
    failed=$((failed + 1))
  fi
}

if ! DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >"$stage/install.log" 2>&1; then
  cat "$stage/install.log"
  echo "0 passed, 1 failed"
  exit 1
fi
usr="$stage/root/usr"

# Files at their standard places.
for f in bin/trevix-cli share/trevix/search.dat share/trevix/country.dat share/trevix/LICENSE.db-ip \
  share/trevix/LICENSE.crawler-user-agents share/trevix/manual/index.html share/man/man1/trevix-cli.1.gz \
  share/icons/hicolor/scalable/apps/trevix.svg share/icons/hicolor/48x48/apps/trevix.png \
  share/doc/trevix/copyright; do
  check "installed $f" test -s "$usr/$f"
done
check "manual page trevix-cli(1) reads as a manual page" \
  bash -c "zcat '$usr/share/man/man1/trevix-cli.1.gz' | grep -q '^\.TH TREVIX-CLI 1'"
if [ -x "$build/src/ui/trevix" ]; then
  for f in bin/trevix share/applications/trevix.desktop share/metainfo/trevix.metainfo.xml \
    share/man/man1/trevix.1.gz; do
    check "installed $f" test -s "$usr/$f"
  done
fi

# The desktop entry and the metadata pass their validators (the build-tree copies, so this
# holds before the window program exists too).
if command -v desktop-file-validate >/dev/null; then
  check "desktop entry is valid" desktop-file-validate "$build/packaging/trevix.desktop"
fi
if command -v appstreamcli >/dev/null; then
  check "AppStream metadata is valid" \
    bash -c "appstreamcli validate --no-net --no-color --override=cid-desktopapp-is-not-rdns=info '$build/packaging/trevix.metainfo.xml' >'$stage/as.txt' 2>&1 || { cat '$stage/as.txt'; false; }"
fi

# The installed trevix-cli on the sample log, from another folder, with a clean environment.
work="$stage/work"
mkdir -p "$work"
cp "$source/samples/sample.log" "$work/access.log"
run() { # extra arguments...
  (cd "$work" && env -i PATH=/usr/bin:/bin HOME="$stage/home" TZ=UTC "$usr/bin/trevix-cli" \
    --settings "$stage/settings.ini" --domain example.com --stats "$@" access.log)
}
out="$(run --list lstCountries --list lstWebBrowser 2>"$stage/err")"
status=$?
check "installed trevix-cli succeeds (exit $status)" test "$status" -eq 0
check "data folder is the installed one" grep -qx "Data folder: $usr/share/trevix" <<<"$out"
check "no data file is missing" bash -c "! grep -q 'Unable to open' '$stage/err'"
check "spiders found" grep -Eq 'of which spiders [1-9]' <<<"$out"
# A country row other than "(unknown)", and a named browser.
check "countries found" bash -c "sed -n '/^Country\t/,/^\$/p' <<<\"\$1\" | grep -v '^Country' | grep -qv '^(unknown)'" _ "$out"
check "browsers found" bash -c "sed -n '/^Browser\t/,/^\$/p' <<<\"\$1\" | grep -Eq '^(Chrome|Firefox|Safari|Edge)'" _ "$out"

# Without its data the installed program reports the missing files; it never falls back to
# the source tree it was built from.
mv "$usr/share/trevix" "$usr/share/trevix.away"
out="$(run 2>"$stage/err")"
check "without installed data, the program's own folder is named" grep -qx "Data folder: $usr/bin" <<<"$out"
check "without installed data, the missing file is reported" grep -q "Unable to open SEARCH.DAT" "$stage/err"
check "the source tree is never used" bash -c "! grep -qF 'Data folder: $source' <<<\"\$1\"" _ "$out"
mv "$usr/share/trevix.away" "$usr/share/trevix"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
