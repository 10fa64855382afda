#!/usr/bin/env bash
# A server answering 1000 short connections in a row (/S:1000) ends with exit
# 0, summarises every one, and holds as many descriptors while waiting for
# the last connection as it did while waiting for the tenth: nothing is left
# behind per connection.
#   soak_server.sh PIPEMETER [COUNT]
set -euo pipefail
pipemeter="$1"
count="${2:-1000}"
work="$(mktemp -d)"
server=""
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Port 0: the system picks a free one, so parallel tests never collide.
"$pipemeter" "/S:$count" /P:0 >"$work/server" &
server=$!

# The server prints its waiting line and flushes it before each accept.
wait_for_waiting() {
  local left="$1" i
  for i in $(seq 1 2000); do
    if tail -c 200 "$work/server" 2>/dev/null | grep -q "Waiting for $left new"; then return 0; fi
    kill -0 "$server" 2>/dev/null || { echo "server ended early"; cat "$work/server"; exit 1; }
    sleep 0.005
  done
  echo "server never waited for $left"; exit 1
}
descriptors() { ls "/proc/$server/fd" | wc -l; }

# The listening socket's port, from the socket inode the server holds.
wait_for_waiting "$count"
port=""
for link in /proc/"$server"/fd/*; do
  target="$(readlink "$link" || true)"
  case "$target" in socket:*) ;; *) continue ;; esac
  inode="${target#socket:[}"; inode="${inode%]}"
  # local address is field 2 (hex ip:port), state field 4 (0A = listening)
  hex="$(awk -v i="$inode" '$10 == i && $4 == "0A" {split($2, a, ":"); print a[2]}' /proc/net/tcp)"
  if [ -n "$hex" ]; then port=$((16#$hex)); fi
done
[ -n "$port" ] || { echo "no listening socket found"; exit 1; }

at_tenth=""
for i in $(seq 1 "$count"); do
  left=$((count - i + 1))
  wait_for_waiting "$left"
  [ "$i" -eq 10 ] && at_tenth="$(descriptors)"
  [ "$i" -eq "$count" ] && at_last="$(descriptors)"
  # Mostly empty transfers; every tenth moves a megabyte.
  megabytes=$(( i % 10 == 0 ? 1 : 0 ))
  "$pipemeter" /H:127.0.0.1 "/P:$port" "/M:$megabytes" >/dev/null || { echo "client $i failed"; exit 1; }
done
status=0
wait "$server" || status=$?
server=""
echo "descriptors while waiting: connection 10: ${at_tenth:-?}, connection $count: ${at_last:-?}"
[ "$status" -eq 0 ] || { echo "server exit status $status"; exit 1; }
summaries=$(grep -c 'Client has disconnected' "$work/server" || true)
[ "$summaries" -eq "$count" ] || { echo "$summaries of $count connections summarised"; exit 1; }
grep -q 'The command completed successfully' "$work/server" || { echo "no completion line"; exit 1; }
if [ "$count" -ge 10 ] && [ "$at_last" -gt "$at_tenth" ]; then echo "descriptors grew"; exit 1; fi
echo "ok: $count connections"
