#!/usr/bin/env bash
# Creates a fresh Wine prefix for one test run: the first start of a prefix
# takes several seconds, every later start a fraction of one.
set -u
prefix="${WINEPREFIX:?}"
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
WINEARCH=win64 wineboot -i >/dev/null 2>&1
status=$?
wineserver -w
[ -f "$prefix/system.reg" ] || { echo "no Wine prefix at $prefix (wineboot exit $status)"; exit 1; }
echo "Wine prefix ready at $prefix"
