#!/usr/bin/env bash
# start: creates a fresh Wine prefix for one test run and keeps its server
# running, so that every program start afterwards takes a fraction of a
# second (the first start of a prefix takes several). A server started by a
# test's own program would hold that test's output pipes open until it quit.
# stop: ends that server and the Wine processes of this prefix.
set -u
prefix="${WINEPREFIX:?}"
case "${1:-}" in
start)
    wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
    mkdir -p "$prefix"
    # Ends by itself a minute after its last program, should stop never run.
    wineserver -p60 </dev/null >/dev/null 2>&1
    WINEARCH=win64 wineboot -i </dev/null >/dev/null 2>&1
    status=$?
    [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ] || { echo "no Wine prefix at $prefix (wineboot exit $status)"; exit 1; }
    echo "Wine prefix ready at $prefix"
    ;;
stop)
    wineserver -k >/dev/null 2>&1
    echo "Wine server of $prefix stopped"
    ;;
*)
    echo "usage: wine_prefix.sh start|stop"
    exit 2
    ;;
esac
