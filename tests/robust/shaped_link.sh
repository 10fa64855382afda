#!/usr/bin/env bash
# The server's average on a link shaped to 20 Mbit/s lies within 10% of what TCP can carry there: two network
# namespaces joined by a veth pair, a token bucket on the sender's side, all removed on exit. Exits 77 (skipped) where
# they cannot be made; a foreign program runs through PIPEMETER_RUNNER.   shaped_link.sh PIPEMETER
set -uo pipefail
read -r -a runner <<< "${PIPEMETER_RUNNER:-}"
pipemeter=("${runner[@]}" "$1")
source "$(dirname "$0")/../../bench/link.sh"
skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root to make network namespaces"
command -v ip >/dev/null && command -v tc >/dev/null || skip "ip or tc (iproute2) not installed"
rx="pmtrx$$" tx="pmttx$$" work="$(mktemp -d)" server=""
trap '[ -z "$server" ] || kill "$server" 2>/dev/null; link_remove "$rx" "$tx"; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
link_make "$rx" "$tx" 10.198.0 || skip "cannot make network namespaces joined by a veth pair"
link_shape "$tx" 20 || skip "no token bucket (sch_tbf) here"
ip netns exec "$rx" "${pipemeter[@]}" /S:1 /P:7777 >"$work/server" &
server=$!
for _ in $(seq 500); do grep -q 'Waiting for' "$work/server" 2>/dev/null && break; sleep 0.01; done
# Waited for in the background, so that a TERM is handled at once.
ip netns exec "$tx" "${pipemeter[@]}" /H:10.198.0.1 /P:7777 /M:8 >"$work/client" &
wait $! && wait "$server" || { echo "a side failed"; cat "$work/server" "$work/client"; exit 1; }
server=""
average=$(average_mbit "$work/server") ceiling=$(payload_ceiling 20)
echo "server average ${average} Mbit/s, payload ceiling ${ceiling} Mbit/s"
awk -v a="$average" -v c="$ceiling" 'BEGIN {exit !(a > c * 0.9 && a < c * 1.1)}' || { echo "outside 10%"; exit 1; }
