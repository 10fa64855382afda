// Noticing a peer whose host has gone. Core code sees it through platform.h;
// each layer's own files include it after their declaration of SOCKET.
#pragma once

// Makes a connected data socket notice a peer whose host is gone without a
// word (power, cable or network lost, no FIN or reset ever sent): the next
// recv or send then fails with 10060 instead of waiting forever. A peer whose
// host still answers (acknowledges data, window probes or keepalives) is
// alive however long its program keeps its window shut, busy, queued or
// stopped, and is waited for. A system that refuses the settings leaves the
// socket as it was.
void watch_peer(SOCKET s);

// The timings watch_peer sets, the same on every system.
// A host that answers nothing for 45 s is gone: well past 30 s of silence
// from a live host, reported within a minute of a dead one.
const int peer_silence_limit_seconds = 45;
// The first probe after 20 s of silence: a quiet live peer costs one packet then.
const int peer_idle_seconds = 20;
// Then one every 5 s, several before the limit, so one lost probe ends nothing;
// a sender blocked on a shut window looks at its peer as often, and its
// retransmissions and window probes come no further apart where the system
// lets that be set.
const int peer_probe_interval_seconds = 5;
// As many as fit between the first and the limit, where a system counts
// probes instead of timing them (5).
const int peer_probe_count = (peer_silence_limit_seconds - peer_idle_seconds) / peer_probe_interval_seconds;
