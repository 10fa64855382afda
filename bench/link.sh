# Shaped links between two network namespaces, and reading Pipemeter's
# averages off them. Sourced by bench/run and tests/robust (shaped_link.sh, test_dead_peer.py).
#
# link_make RX TX NET     namespaces RX and TX joined by veth "vRX"/"vTX",
#                         addresses NET.1 (RX) and NET.2 (TX), all up;
#                         returns non-zero if any of it cannot be made
# link_shape TX MBIT      token bucket on TX's end, the sending side
# link_pin RX TX NET      each side knows the other's hardware address for
#                         good, so that a side cut off is found gone only by
#                         its silence, never by address resolution
# link_rto_min TX NET T   TX's route waits T before its first retransmission
# link_cut NS             pulls NS's cable: its end down, the other end
#                         without carrier, dropping what it sends in silence
# link_remove RX TX       removes both namespaces and with them the pair
# payload_ceiling MBIT    the TCP payload rate a receiver can see, Mbit/s
# average_mbit FILE       the average on a Pipemeter transcript, Mbit/s

link_make() {
  local rx="$1" tx="$2" net="$3"
  ip netns add "$rx" 2>/dev/null || return 1
  ip netns add "$tx" 2>/dev/null || return 1
  ip link add "v$rx" netns "$rx" type veth peer name "v$tx" netns "$tx" 2>/dev/null || return 1
  ip -n "$rx" addr add "$net.1/24" dev "v$rx" &&
    ip -n "$tx" addr add "$net.2/24" dev "v$tx" &&
    ip -n "$rx" link set lo up &&
    ip -n "$tx" link set lo up &&
    ip -n "$rx" link set "v$rx" up &&
    ip -n "$tx" link set "v$tx" up
}

# The bucket counts whole frames; 32 KiB of burst is less than 0.5% of what a
# run of a few seconds moves even at 20 Mbit/s.
link_shape() {
  ip netns exec "$1" tc qdisc replace dev "v$1" root tbf rate "${2}mbit" burst 32kb latency 100ms 2>/dev/null
}

link_pin() {
  local rx="$1" tx="$2" net="$3"
  ip -n "$rx" neigh replace "$net.2" dev "v$rx" nud permanent lladdr "$(ip netns exec "$tx" cat "/sys/class/net/v$tx/address")" &&
    ip -n "$tx" neigh replace "$net.1" dev "v$tx" nud permanent lladdr "$(ip netns exec "$rx" cat "/sys/class/net/v$rx/address")"
}

link_rto_min() { ip -n "$1" route replace "$2.0/24" dev "v$1" rto_min "$3"; }

link_cut() { ip -n "$1" link set "v$1" down; }

link_remove() {
  ip netns del "$1" 2>/dev/null || true
  ip netns del "$2" 2>/dev/null || true
}

# MTU 1500: a frame is 1514 bytes with its Ethernet header, and carries
# 1500 - 20 (IP) - 32 (TCP with timestamps) = 1448 bytes of payload.
payload_ceiling() { awk -v r="$1" 'BEGIN {print r * 1448 / 1514}'; }

# The Bps column is plain bytes per second; the K and M columns are 1024-based.
average_mbit() { awk '/Avg-->/ {print $3 * 8 / 1e6}' "$1"; }
