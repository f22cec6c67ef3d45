#!/bin/sh
# Check the committed reference data files the way the program reads them.
# Needs only python3; no network.
set -eu
cd "$(dirname "$0")"
python3 test_tools.py
python3 check_countries.py
python3 check_search.py
python3 check_browsers.py
python3 check_lists.py
