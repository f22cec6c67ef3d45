#!/bin/sh
# Regenerate every reference data file in data/ and check the result.
#
# Needs the npm registry (for the two upstream packages below) unless a
# folder holding their packed .tgz files is given as the only argument, and
# Debian's tzdata for /usr/share/zoneinfo/iso3166.tab. The generated files
# are committed, so building the program never needs any of this.
#
# usage: tools/data/make_all.sh [folder-with-tgz-files]
set -eu

# Pinned upstream versions; update data/README.md when changing them.
DBIP_PACKAGE=@ip-location-db/dbip-country
DBIP_VERSION=2.3.2026060120
CRAWLER_PACKAGE=crawler-user-agents
CRAWLER_VERSION=1.60.0
ISO3166=/usr/share/zoneinfo/iso3166.tab

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/trevix-data.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

if [ ! -f "$ISO3166" ]; then
    echo "installing tzdata for $ISO3166"
    apt-get update -q && apt-get install -y -q tzdata
fi

dbip_tgz=ip-location-db-dbip-country-$DBIP_VERSION.tgz
crawler_tgz=crawler-user-agents-$CRAWLER_VERSION.tgz
if [ $# -ge 1 ]; then
    cp "$1/$dbip_tgz" "$1/$crawler_tgz" "$work/"
else
    (cd "$work" && npm pack --silent "$DBIP_PACKAGE@$DBIP_VERSION" "$CRAWLER_PACKAGE@$CRAWLER_VERSION" >/dev/null)
fi
mkdir "$work/dbip" "$work/crawler"
tar -xzf "$work/$dbip_tgz" -C "$work/dbip"
tar -xzf "$work/$crawler_tgz" -C "$work/crawler"

cd "$here"
python3 make_countries.py "$work/dbip/package/dbip-country-ipv4-num.csv" "$ISO3166" \
    "$work/dbip/package/dbip-country-ipv6-num.csv"
python3 make_spiders.py "$work/crawler/package/crawler-user-agents.json"
python3 make_search.py
python3 make_browsers.py
python3 make_lists.py
cp "$work/crawler/package/LICENSE" "$root/data/LICENSE.crawler-user-agents"
cp "$work/dbip/package/DBIP-LICENSE" "$root/data/LICENSE.db-ip"

sh "$here/check_data.sh"
