#!/usr/bin/env bash
# start: a fresh Wine prefix for one test run, its server kept running so that every later program start takes a
# fraction of a second (a server started by a test's own program would hold that test's output open until it quit).
# stop: ends that server and the Wine processes of this prefix.
set -u
prefix="${WINEPREFIX:?}"
wineserver -k >/dev/null 2>&1
[ "${1:-}" = stop ] && { echo "Wine server of $prefix stopped"; exit 0; }
[ "${1:-}" = start ] || { echo "usage: wine_prefix.sh start|stop"; exit 2; }
rm -rf "$prefix" && mkdir -p "$prefix"
wineserver -p60 </dev/null >/dev/null 2>&1  # ends by itself a minute after its last program
WINEARCH=win64 wineboot -i </dev/null >/dev/null 2>&1
status=$?
[ -f "$prefix/drive_c/windows/system32/kernel32.dll" ] || { echo "no Wine prefix (wineboot exit $status)"; exit 1; }
echo "Wine prefix ready at $prefix"
