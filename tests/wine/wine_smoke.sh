#!/usr/bin/env bash
# What the end-to-end suite under Wine cannot see: transfers in every pairing
# of the Windows and the Linux build, each side's transcript held against the
# Linux-to-Linux one; a double-byte program name; the file's DLLs and version
# block. (The command line, the error reports and their exit statuses are the
# end-to-end suite's, run against the .exe.)
# Usage: wine_smoke.sh CASE PORT
set -u
case_name="$1"
port="$2"
win="${PIPEMETER_WINDOWS_PROGRAM:?}"
linux="${PIPEMETER_LINUX_PROGRAM:?}"
[ -x "$linux" ] || { echo "no Linux program at $linux: build the default preset first"; exit 1; }
[ -f "$win" ] || { echo "no Windows program at $win"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

run_win() { wine "$win" "$@"; }
run_linux() { "$linux" "$@"; }

# Runs side ($1: win or linux) with the rest as arguments; stdout to file $2.
run_to() {
    local side="$1" out="$2"
    shift 2
    "run_$side" "$@" >"$out" 2>/dev/null
}

expect_status() {  # what expected actual
    [ "$2" = "$3" ] || fail "$1: exit status $3, expected $2"
}

expect_same() {  # what file_a file_b
    if ! cmp -s "$2" "$3"; then
        fail "$1: output differs"
        diff <(od -c "$2") <(od -c "$3") | head -20
    fi
}

expect_text() {  # what file text (may span lines)
    local content
    content="$(cat "$2"; echo .)"
    [[ "$content" == *"$3"* ]] || fail "$1: no \"$3\" in the output"
}

# Waits until file holds text (a server flushes "Waiting for" before it
# blocks in accept); fails after about 20 seconds.
wait_for_text() {
    for _ in $(seq 200); do
        grep -qF -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "no \"$2\" from the server"
    return 1
}

# Waits for a background side; stops it by its own id when it hangs.
wait_side() {  # pid -> its exit status
    local pid="$1"
    for _ in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        fail "a side did not finish"
    fi
    wait "$pid"
}

# A transcript with the parts that differ from run to run taken out: the
# progress lines (their count depends on the speed) and the numbers.
normalize() {
    sed -E 's/\r {79}\r[0-9]+MB-->[^\r\n]*//g; s/ *[0-9]+/ 9/g' "$1"
}

# One transfer of 5 MB from a client of one build to a server of another.
transfer() {  # client_side server_side tag
    local client="$1" server="$2" tag="$3"
    run_to "$server" "$work/$tag.server" /S /P:"$port" &
    local server_pid=$!
    wait_for_text "$work/$tag.server" "Waiting for" || { kill "$server_pid"; wait "$server_pid"; return; }
    run_to "$client" "$work/$tag.client" /H:127.0.0.1 /P:"$port" /M:5
    local client_status=$?
    wait_side "$server_pid"
    local server_status=$?
    expect_status "$tag client" 0 "$client_status"
    expect_status "$tag server" 0 "$server_status"
    expect_text "$tag client" "$work/$tag.client" "Transferred 5MB in "
    expect_text "$tag server" "$work/$tag.server" "Transferred 5MB in "
    expect_text "$tag client" "$work/$tag.client" "Sending 5MB to 127.0.0.1"
}

# Each side's transcript of a mixed transfer must read as the same side's
# transcript of a Linux-to-Linux transfer.
transfer_like_linux() {  # client_side server_side
    transfer linux linux reference
    transfer "$1" "$2" mixed
    for role in client server; do
        normalize "$work/reference.$role" >"$work/reference.$role.norm"
        normalize "$work/mixed.$role" >"$work/mixed.$role.norm"
        expect_same "$1 client to $2 server, $role transcript" "$work/reference.$role.norm" "$work/mixed.$role.norm"
    done
}

case "$case_name" in
file)
    # One self-contained program: the only DLLs it loads come with Windows.
    "${PIPEMETER_OBJDUMP:?}" -p "$win" | sed -n 's/^\s*DLL Name: //p' | sort -f >"$work/dlls"
    tr -d '\r' <"$work/dlls" | grep -v -i -x -E 'kernel32\.dll|user32\.dll|msvcrt\.dll|wsock32\.dll' >"$work/extra"
    [ -s "$work/dlls" ] || fail "no import table read"
    [ -s "$work/extra" ] && fail "loads DLLs a bare Windows lacks: $(tr '\n' ' ' <"$work/extra")"
    grep -q -i -x 'wsock32\.dll' "$work/dlls" || fail "not linked against Windows Sockets 1.1 (wsock32.dll)"
    # The version block, in the UTF-16 of resources.
    "${PIPEMETER_STRINGS:?}" -e l "$win" >"$work/texts"
    for text in StringFileInfo ProductName Pipemeter ProductVersion 1.30 FileDescription; do
        grep -q -x -F "$text" "$work/texts" || fail "no \"$text\" in the version block"
    done
    ;;
double-byte-name)
    # In code page 932 the trail byte of this character is a backslash; the
    # name must still be the whole last component. Wine takes its code page
    # from the locale, built here into a directory of our own.
    mkdir -p "$work/locales"
    localedef -i ja_JP -f UTF-8 "$work/locales/ja_JP.UTF-8" >/dev/null 2>&1 ||
        fail "cannot build the ja_JP locale (package locales)"
    cp "$win" "$work/表.exe"
    LOCPATH="$work/locales" LC_ALL=ja_JP.UTF-8 wine "$work/表.exe" >"$work/win.out" 2>/dev/null
    expect_status "double-byte name" 1 $?
    expect_text "double-byte name" "$work/win.out" $'\n\x95\x5c.exe /H:host|/S[:n] [/P:n] [/M:n]\n'
    ;;
windows-windows) transfer_like_linux win win ;;
linux-to-windows) transfer_like_linux linux win ;;
windows-to-linux) transfer_like_linux win linux ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

[ "$failures" -eq 0 ] && echo "$case_name: passed"
[ "$failures" -eq 0 ]
