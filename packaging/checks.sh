# What the check-* steps share, sourced with the artifact's path as $1: this tree's version, a scratch folder, the
# cleanup of what a check starts or installs, and the checks that more than one kind of artifact takes.
set -euo pipefail
tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fail() { echo "${0##*/}: $*"; exit 1; }
[ -f "${1:-}" ] || fail "usage: ${0##*/} ARTIFACT"
artifact=$(realpath "$1")
name=${artifact##*/}
version=$(sed -n 's/^project(Pipemeter VERSION \([0-9.]*\)$/\1/p' "$tree/CMakeLists.txt")
[ -n "$version" ] || fail "no version in the project() of $tree/CMakeLists.txt"
work=$(mktemp -d -t pipemeter-check.XXXXXX)
server='' installed='' child=''
cleanup() {
  for pid in "$server" "$child"; do
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  done
  if [ -n "$installed" ]; then dpkg -r pipemeter > /dev/null 2>&1 || true; fi
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k > /dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
# Ctrl+C ends the check at once: a child that outlives it (wine's) is waited
# for in the background, and the cleanup ends it.
trap 'exit 130' INT
trap 'exit 143' TERM

# The program run with no arguments (after a runner where one is given) shows
# the usage screen, headed by its name and version, and exits 1.
expect_usage() {
  local status=0 first
  "$@" > "$work/usage.txt" 2> "$work/usage-errors.txt" || status=$?
  [ "$status" -eq 1 ] || fail "$* without arguments exited $status, not 1"
  first=$(tr -d '\r' < "$work/usage.txt" | grep -m1 .)
  [ "$first" = "Pipemeter - version $version" ] || fail "$*: the usage screen begins with '$first'"
}

# PROGRAM is a program of ARCH (a Debian or RPM name of a row of
# cmake/targets.txt): file(1) says so, and it shows its usage screen, under
# qemu-user (with the target's C library) where it is foreign.
expect_program() {
  local triplet qemu machine
  read -r triplet qemu machine < <(awk -v arch="$2" '!/^#/ && ($1 == arch || $4 == arch) {
    t = $3; q = $6; for (i = 0; i < 6; i++) sub(/^[^ ]+ +/, ""); print t, q, $0 }' "$tree/cmake/targets.txt") ||
    fail "cmake/targets.txt has no $2"
  file -b "$1" | grep -qE "$machine" || fail "$name holds no $2 program"
  if [ "$qemu" = - ]; then expect_usage "$1"; else expect_usage "$qemu" -L "/usr/$triplet" "$1"; fi
}

# The manual page renders without a warning, lists every row of the error
# table with its number, and names this version and the copyright.
expect_clean_page() {
  local page=$1 rows=0 number text
  groff -ww -man -Tutf8 -z "$page" 2> "$work/groff.txt"
  [ ! -s "$work/groff.txt" ] || { cat "$work/groff.txt"; fail "groff warns about $page"; }
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" > "$work/page.txt" 2> "$work/man.txt"
  [ ! -s "$work/man.txt" ] || { cat "$work/man.txt"; fail "man warns about $page"; }
  while IFS=$'\t' read -r number text; do
    grep -F -- "$text" "$work/page.txt" > "$work/row.txt" || true
    grep -q "^ *$number ([0-9]*) " "$work/row.txt" || fail "the page lacks error $number \"$text\""
    rows=$((rows + 1))
  done < <(sed -n 's/^ERROR_TEXT(\([0-9]*\), "\(.*\)")$/\1\t\2/p' "$tree/resources/error_texts.def")
  [ "$rows" -gt 0 ] || fail "no rows read from resources/error_texts.def"
  tail -n 1 "$work/page.txt" | grep -qF "Pipemeter $version" || fail "the page's footer lacks Pipemeter $version"
  grep -qF "Copyright (c)" "$work/page.txt" || fail "the page names no copyright"
}

# A loopback measurement with the installed program from the PATH, checked
# against what the manual page says: the exit status of a refused
# connection, and its awk example reading the server's average. The port is
# picked at random and picked again while the server reports it in use.
expect_loopback_run() {
  local listed status=0 started='' port side average
  listed=$(sed -n 's/^ *10061 (\([0-9]*\)) .*/\1/p' "$work/page.txt")
  pipemeter /H:127.0.0.1 /P:1 > "$work/refused.txt" || status=$?
  grep -q "error 10061\." "$work/refused.txt" || fail "a client to a closed port did not report 10061"
  [ "$status" = "$listed" ] || fail "a refused connection exits $status, the page says $listed"
  for _ in $(seq 20); do
    port=$((20000 + RANDOM % 40000))
    pipemeter /S /P:"$port" > "$work/server.txt" &
    server=$!
    for _ in $(seq 100); do
      grep -q 'Waiting for' "$work/server.txt" && break
      kill -0 "$server" 2>/dev/null || break
      sleep 0.05
    done
    if grep -q 'Waiting for' "$work/server.txt"; then started=yes; break; fi
    wait "$server" || true
    server=
  done
  [ -n "$started" ] || fail "no server came up on a free port"
  status=0
  pipemeter /H:127.0.0.1 /P:"$port" /M:50 > "$work/client.txt" || status=$?
  [ "$status" -eq 0 ] || { tr '\r' '\n' < "$work/client.txt"; fail "the client exited $status"; }
  status=0
  wait "$server" || status=$?
  server=
  [ "$status" -eq 0 ] || { tr '\r' '\n' < "$work/server.txt"; fail "the server exited $status"; }
  for side in client server; do
    grep -q 'Transferred 50MB in' "$work/$side.txt" || fail "the $side did not report 50MB"
    grep -q 'The command completed successfully.' "$work/$side.txt" || fail "the $side did not complete"
  done
  average=$(awk '$1 == "Avg-->" { print $3 }' "$work/server.txt")
  [[ "$average" =~ ^[1-9][0-9]*$ ]] || fail "the page's awk example read '$average' from the server's output"
}

# The package unpacked in ROOT, of ARCH: a program of ARCH in usr/bin that
# shows its usage screen, and a clean manual page.
expect_unpacked() {
  expect_program "$1/usr/bin/pipemeter" "$2"
  gzip -dc "$1/usr/share/man/man1/pipemeter.1.gz" > "$work/pipemeter.1"
  expect_clean_page "$work/pipemeter.1"
}
