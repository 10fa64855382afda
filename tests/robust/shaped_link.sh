#!/usr/bin/env bash
# The server's average on a link shaped to 20 Mbit/s lies within 10% of what
# TCP can carry there. Two network namespaces joined by a veth pair, a token
# bucket on the sender's side; everything made here is removed on exit.
# Exits 77 (skipped) where namespaces, veth or tbf cannot be made.
#   shaped_link.sh PIPEMETER
set -uo pipefail
pipemeter="$1"
rate_mbit=20
megabytes=8
skip() { echo "SKIPPED: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "needs root to make network namespaces"
command -v ip >/dev/null && command -v tc >/dev/null || skip "ip or tc (iproute2) not installed"
rx="pmtrx$$"; tx="pmttx$$"
work="$(mktemp -d)"
server=""
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
  ip netns del "$rx" 2>/dev/null || true
  ip netns del "$tx" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
ip netns add "$rx" 2>/dev/null || skip "cannot make a network namespace here"
ip netns add "$tx" 2>/dev/null || skip "cannot make a network namespace here"
ip link add "v$rx" netns "$rx" type veth peer name "v$tx" netns "$tx" 2>/dev/null || skip "cannot make a veth pair"
set -e
ip -n "$rx" addr add 10.198.0.1/24 dev "v$rx"
ip -n "$tx" addr add 10.198.0.2/24 dev "v$tx"
ip -n "$rx" link set lo up
ip -n "$rx" link set "v$rx" up
ip -n "$tx" link set "v$tx" up
ip netns exec "$tx" tc qdisc add dev "v$tx" root tbf rate "${rate_mbit}mbit" burst 32kb latency 100ms 2>/dev/null ||
  skip "no token bucket (sch_tbf) here"

ip netns exec "$rx" "$pipemeter" /S:1 /P:7777 >"$work/server" &
server=$!
for i in $(seq 1 500); do
  grep -q 'Waiting for' "$work/server" 2>/dev/null && break
  sleep 0.01
done
client_status=0
ip netns exec "$tx" "$pipemeter" /H:10.198.0.1 /P:7777 "/M:$megabytes" >"$work/client" || client_status=$?
server_status=0
wait "$server" || server_status=$?
server=""
[ "$client_status" -eq 0 ] && [ "$server_status" -eq 0 ] ||
  { echo "exit status: client $client_status, server $server_status"; cat "$work/server" "$work/client"; exit 1; }

# The Bps column is bytes per second; the K and M columns are 1024-based.
average=$(awk '/Avg-->/ {print $3 * 8 / 1e6}' "$work/server")
# Payload per 1514-byte frame at MTU 1500 with TCP timestamps: 1448 bytes.
ceiling=$(awk -v r="$rate_mbit" 'BEGIN {print r * 1448 / 1514}')
echo "server average ${average} Mbit/s, payload ceiling ${ceiling} Mbit/s"
awk -v a="$average" -v c="$ceiling" 'BEGIN {exit !(a > c * 0.9 && a < c * 1.1)}' ||
  { echo "outside 10% of the ceiling"; cat "$work/server"; exit 1; }
echo "ok"
