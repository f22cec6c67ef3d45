#!/usr/bin/env bash
# The same traffic written in every log format trevix-cli reads gives the same report lists,
# each file detected as its own format, alone and all together in one run.
#   formats.sh CLI
set -uo pipefail
cli="$(realpath "$1")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
export TZ=UTC
export TREVIX_DATA_DIR="$root/data"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work"
failed=0
fail() { echo "FAILED $*"; failed=$((failed + 1)); }

python3 "$root/tools/genlog.py" --lines 3000 --seed 11 -o "$work/source.log" || exit 1
python3 "$root/tools/relog.py" "$work/source.log" "$work/logs" >/dev/null || exit 1
cd "$work/logs"
declare -A expect=(
  [combined.log]="combined" [vhost.log]="Combined with virtual host first" [w3c.log]="W3C extended (IIS)"
  [cloudfront.log]="CloudFront" [caddy.json]="Caddy JSON" [traefik.json]="Traefik JSON"
  [nginxjson.json]="nginx JSON" [alb.log]="Application Load Balancer" [elb.log]="Classic Load Balancer"
  [s3.log]="S3 server access" [nginxstring.log]="nginx format string"
)
# Load balancers log no referrer: the lists that show one are compared for the others only.
lists=(lstHits lstHour lstFiles lstBrowsers lstOS lstWebBrowser lstCountries)
with_referrers=(lstIPs lstReferrers lstSearchTerms lstSearchEngines lstErrors)
run() {   # run NAME [ARGS...]: lists of NAME into NAME.out
  local name="$1"
  shift
  local list_args=()
  for l in "${lists[@]}" "${with_referrers[@]}"; do list_args+=(--list "$l"); done
  "$cli" --settings "$work/settings.ini" --domain example.com --stats "$@" "${list_args[@]}" "$name" \
    >"$work/$name.out" 2>"$work/$name.err"
}
# The lists alone, cut into one file per list.
lists_of() {   # lists_of NAME KIND: KIND is all or plain
  python3 - "$work/$1.out" "$2" "${with_referrers[*]}" <<'PY'
import sys
text = open(sys.argv[1], encoding="utf-8").read()
skip = sys.argv[2] == "plain"
blocks = text.split("\n\n")
heads = {"lstIPs": "IP Address\tCountry\tReferrer", "lstReferrers": "Referring URL\t", "lstSearchTerms": "Keywords\t",
         "lstSearchEngines": "Search Engine\t", "lstErrors": "Error\t"}
for b in blocks:
    if ": read as " in b or b.startswith("Files loaded"):
        continue
    if skip and any(b.startswith(h) for h in heads.values()):
        continue
    print(b)
PY
}
run combined.log || fail "combined.log: exit $?"
for name in "${!expect[@]}"; do
  extra=()
  [ "$name" = nginxstring.log ] && extra=(--log-format "$(cat nginxstring.format)")
  if [ "$name" != combined.log ]; then
    run "$name" "${extra[@]}" || fail "$name: exit $?"
  fi
  grep -qxF "$name: read as ${expect[$name]}" "$work/$name.out" || fail "$name: not read as ${expect[$name]}"
  grep -q "^Lines rejected: 0$" "$work/$name.out" || fail "$name: lines rejected"
  kind=all
  case "$name" in alb.log | elb.log) kind=plain ;; esac
  if ! diff <(lists_of combined.log "$kind") <(lists_of "$name" "$kind") >"$work/diff"; then
    fail "$name: lists differ from combined.log"
    head -n 10 "$work/diff"
  fi
done
# A folder of every format read in one run: each file is read as its own.
all=(combined.log vhost.log w3c.log cloudfront.log caddy.json traefik.json nginxjson.json alb.log elb.log s3.log)
"$cli" --settings "$work/settings.ini" --domain example.com --stats "${all[@]}" >"$work/all.out" 2>&1 ||
  fail "all formats in one run: exit $?"
for name in "${all[@]}"; do
  grep -qxF "$name: read as ${expect[$name]}" "$work/all.out" || fail "all formats in one run: $name"
done
grep -q "^Lines rejected: 0$" "$work/all.out" || fail "all formats in one run: lines rejected"
echo "$failed failed"
[ "$failed" -eq 0 ]
