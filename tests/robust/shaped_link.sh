#!/usr/bin/env bash
# The server's average on a link shaped to 20 Mbit/s lies within 10% of what
# TCP can carry there. Two network namespaces joined by a veth pair, a token
# bucket on the sender's side; everything made here is removed on exit.
# Exits 77 (skipped) where namespaces, veth or tbf cannot be made.
#   shaped_link.sh PIPEMETER
set -uo pipefail
pipemeter="$1"
source "$(dirname "$0")/../../bench/link.sh"
rate_mbit=20
megabytes=8
skip() { echo "SKIPPED: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "needs root to make network namespaces"
command -v ip >/dev/null && command -v tc >/dev/null || skip "ip or tc (iproute2) not installed"
rx="pmtrx$$"; tx="pmttx$$"
work="$(mktemp -d)"
server=""
client=""
cleanup() {
  for pid in $server $client; do kill "$pid" 2>/dev/null || true; done
  link_remove "$rx" "$tx"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
link_make "$rx" "$tx" 10.198.0 || skip "cannot make network namespaces joined by a veth pair"
link_shape "$tx" "$rate_mbit" || skip "no token bucket (sch_tbf) here"
set -e

ip netns exec "$rx" "$pipemeter" /S:1 /P:7777 >"$work/server" &
server=$!
for i in $(seq 1 500); do
  grep -q 'Waiting for' "$work/server" 2>/dev/null && break
  sleep 0.01
done
# In the background and waited for, so that a TERM is handled at once.
ip netns exec "$tx" "$pipemeter" /H:10.198.0.1 /P:7777 "/M:$megabytes" >"$work/client" &
client=$!
client_status=0
wait "$client" || client_status=$?
client=""
server_status=0
wait "$server" || server_status=$?
server=""
[ "$client_status" -eq 0 ] && [ "$server_status" -eq 0 ] ||
  { echo "exit status: client $client_status, server $server_status"; cat "$work/server" "$work/client"; exit 1; }

average=$(average_mbit "$work/server")
ceiling=$(payload_ceiling "$rate_mbit")
echo "server average ${average} Mbit/s, payload ceiling ${ceiling} Mbit/s"
awk -v a="$average" -v c="$ceiling" 'BEGIN {exit !(a > c * 0.9 && a < c * 1.1)}' ||
  { echo "outside 10% of the ceiling"; cat "$work/server"; exit 1; }
echo "ok"
