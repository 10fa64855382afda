"""A peer whose host vanishes (cable pulled: no FIN, no reset ever comes) is reported as timed out; a live one is never
cut. Each kind of case has its own pair of network namespaces; all run side by side. short (every preset): with data
flowing, a vanished client or server is reported within a minute; a silent client, one queued behind it and a stopped
server, each kept longer, complete. long (native): a server vanished after 20 s stopped, after 60 s of a queued client
or over a route whose retransmissions wait seconds is reported within 90 s, a client vanished while its server was
stopped within a minute; 150 s stopped or queued complete. Exits 77 (skipped) where namespaces cannot be made, the long
one also where the kernel cannot cap the backoff."""
import os, re, shutil, signal, subprocess, sys, time, pytest

from conftest import (DONE, PROGRAM, RUNNER, SERVER_END, SERVER_HEADER, client_until_sending, expect, header,
                      report, server_start, summary, waiting, whole_client, whole_server)

LINK = os.path.join(os.path.dirname(__file__), "../../bench/link.sh")
IP = shutil.which("ip")
TIMED_OUT = (10060, "Connection timed out")
# The live pair's route asks for 50 s before a first retransmission or window probe. Where the backoff is not capped,
# its client then meets a shut window's long silence with few probes, as after minutes of one, and silence alone must
# not end it; where the program caps the backoff (Linux 6.15 and later), the cap wins and probes come every 5 s.
PROBE_AFTER = "50s"
# qemu-user answers TCP_INFO with a short record, so an emulated client has no evidence of its server's silence and
# leaves a vanished one to the system's own limit (about 15 minutes): that case runs natively only.
CLIENT_SEES_SILENCE = not RUNNER
# A raw client: connects; sends so many MB, says "sent" once all is acknowledged; pauses so many seconds; and so on.
RAW = """import array, fcntl, socket, sys, termios, time
s = socket.create_connection((sys.argv[1], int(sys.argv[2])))
for i, n in enumerate(map(int, sys.argv[3:])):
    if i % 2: time.sleep(n); continue
    s.sendall(bytes(n << 20)); left = array.array("i", [1])
    while left[0]: fcntl.ioctl(s, termios.TIOCOUTQ, left); time.sleep(0.01)
    print("sent", flush=True)
"""

def link(*args):
    return subprocess.run(["bash", "-c", f'source "{LINK}" && "$@"', "link", *args], capture_output=True).returncode == 0

@pytest.fixture(params=["short", "long"])
def pairs(request):
    """Pairs of namespaces (server side, client side, network), removed at the end. In the long run the second's
    retransmissions wait 3 s, and the third is shaped to 8 Mbit/s so that its busy client is still busy a minute on."""
    long = request.param == "long"
    routes = [None, "3s", None, PROBE_AFTER] if long else [None, None, PROBE_AFTER]
    made = [(f"pmd{os.getpid()}{i}s", f"pmd{os.getpid()}{i}c", f"10.197.{i}") for i in range(len(routes))]
    try:
        if os.geteuid() != 0 or IP is None:
            pytest.exit("SKIPPED: needs root and ip (iproute2) to make network namespaces", returncode=77)
        if long and not os.path.exists("/proc/sys/net/ipv4/tcp_rto_max_ms"):
            pytest.exit("SKIPPED: this kernel cannot cap the retransmission backoff (no net.ipv4.tcp_rto_max_ms, "
                        "Linux 6.15 and later have it)", returncode=77)
        if not all(link("link_make", *p) and link("link_pin", *p) and (not r or link("link_rto_min", *p[1:], r))
                   for p, r in zip(made, routes)) or (long and not link("link_shape", made[2][1], "8")):
            pytest.exit("SKIPPED: cannot make network namespaces joined by a shaped, routed veth pair", returncode=77)
        yield long, made
    finally:
        for pair in made:
            link("link_remove", *pair[:2])

def test_a_vanished_peer_is_reported_and_a_live_one_never_cut(start, pairs):
    def inside(ns, *args, program=PROGRAM):  # the program through its runner, a raw peer as it is
        return start(*args, program=program, runner=[IP, "netns", "exec", ns, *(RUNNER if program == PROGRAM else [])])
    def raw(c, n, *args):
        return inside(c, "-c", RAW, f"{n}.1", "7777", *map(str, args), program=sys.executable).wait_for("sent")
    def held(s, c, n):  # on 7777 a client queued behind a live first one silent for longer; on 7778 a busy one
        return (inside(s, "/S:2", "/P:7777").wait_for("Waiting for"), raw(c, n, 1, live, 1),
                inside(c, f"/H:{n}.1", "/P:7777", "/M:50").wait_for("Sending"),
                inside(s, "/S", "/P:7778").wait_for("Waiting for"), inside(c, f"/H:{n}.1", "/P:7778", "/M:3000"))
    (long, ((s1, c1, n1), (s2, c2, n2), *vanishing, (s4, c4, n4))), live = pairs, 150 if pairs[0] else 55
    servers = [inside(s, f"/S:{count}", "/P:7777").wait_for("Waiting for") for s, count in ((s1, 2), (s2, 1))]
    # 1: a client whose host vanishes after 3 MB; in the long run with more to send to its stopped server.
    gone_client = raw(c1, n1, *((3, 5, 600) if long else (3, 600)))
    if long:
        os.kill(servers[0].proc.pid, signal.SIGSTOP)
    # 2: a server whose host vanishes while its client sends; 3 (long): its server stopped, a client queued.
    client = inside(c2, f"/H:{n2}.1", "/P:7777", "/M:1000000").wait_for("Sending")
    held_pairs = [held(*pair) for pair in vanishing + [(s4, c4, n4)]]
    # 4: a client queued behind a live first one, a server stopped mid-transfer, both for longer than the limit.
    queue, first, queued, stopped, busy = held_pairs[-1]
    for held_pair in held_pairs:
        held_pair[3].wait_for("MB-->")
    os.kill(stopped.proc.pid, signal.SIGSTOP)
    began = time.monotonic()
    if long:  # the vanishing queue has waited 60 s at the cut, its stopped server 20 s
        time.sleep(max(0.0, began + 40 - time.monotonic()))
        os.kill(held_pairs[0][3].proc.pid, signal.SIGSTOP)
        time.sleep(20)
    cut = time.monotonic()
    assert all(link("link_cut", ns) for ns in [c1, s2] + [pair[0] for pair in vanishing])
    for child in [gone_client, servers[1]] + [held_pairs[0][i] for i in (0, 3) if long]:
        child.proc.kill()
    assert "timer:(keepalive" in subprocess.check_output(["ss", "-N", s4, "-tnoH"], text=True)
    # Who reports the dead peer, within which seconds of the cut. An idle server's last keepalive is answered up to
    # 20 s before the cut, so in the long run it may find its client gone 25 s after the cut.
    gone = [("sending client", client, 7777, 1000000, n2)] * CLIENT_SEES_SILENCE + [
        (name, held_pair[i], port, mb, n) for (_, _, n), held_pair in zip(vanishing, held_pairs)
        for name, i, port, mb in (("queued client", 2, 7777, 50), ("stopped server's client", 4, 7778, 3000))]
    ended = {"server": (lambda: "Failed on recv()" in servers[0].text(), 20 if long else 30, 60), **{
        name: (lambda c=c: c.proc.poll() is not None, 30, 90 if long else 60) for name, c, *_ in gone}}
    seconds = {}
    while len(seconds) < len(ended) and time.monotonic() < cut + 90:
        if long and time.monotonic() > cut + 20:  # server 1 reads again, its client silent for 20 s
            os.kill(servers[0].proc.pid, signal.SIGCONT)
        seconds.update({k: time.monotonic() - cut for k, (end, *_) in ended.items() if end() and k not in seconds})
        time.sleep(0.05)
    print("\n" + ", ".join(f"the dead peer reported by the {side} after {t:.1f} s" for side, t in seconds.items()))
    assert len(seconds) == len(ended) and all(lo < seconds[k] < hi for k, (_, lo, hi) in ended.items()), seconds
    time.sleep(max(0.0, began + live - time.monotonic()))
    os.kill(stopped.proc.pid, signal.SIGCONT)
    print(f"a server stopped for {time.monotonic() - began:.1f} s, a client queued for {live} s")
    expect(inside(s1, "/H:127.0.0.1", "/P:7777", "/M:1"), 0, whole_client(7777, 1))
    megabytes = int(re.search(r"Transferred (\d+)MB", servers[0].text())[1]) if long else 3  # read once continued
    expect(servers[0], 0, server_start(7777) + waiting(2, 7777) + header(f"\rClient connected from {n1}.2") +
           report("Failed on recv()", *TIMED_OUT) + SERVER_END + summary(megabytes) + waiting(1, 7777) +
           SERVER_HEADER + SERVER_END + summary(1) + DONE)
    for _, child, port, mb, n in gone:
        expect(child, TIMED_OUT[0], client_until_sending(port, mb, f"{n}.1") + report("Failed on send()", *TIMED_OUT))
    expect(queued, 0, whole_client(7777, 50, n4 + ".1"))
    expect(queue, 0, whole_server(7777, [2, 50], n4 + ".2"))
    assert first.finish() == (0, "sent\nsent\n")
    expect(busy, 0, whole_client(7778, 3000, n4 + ".1"))
    expect(stopped, 0, whole_server(7778, [3000], n4 + ".2"))
