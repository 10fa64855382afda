"""A peer whose host vanishes mid-transfer (its cable pulled: no FIN, no reset ever
comes) is reported as timed out within a minute by the timings the program ships
with, and a live peer is never cut: one silent for longer, a client queued behind a
slow one for longer, a server stopped for longer. Each kind of case has its own pair of
network namespaces, and all run side by side.
Exits 77 (skipped) where namespaces cannot be made."""
import os, shutil, signal, subprocess, sys, time, pytest

from conftest import (DONE, PROGRAM, RUNNER, SERVER_END, SERVER_HEADER, client_until_sending, expect, header,
                      report, server_start, summary, waiting, whole_client, whole_server)

LINK = os.path.join(os.path.dirname(__file__), "../../bench/link.sh")
IP = shutil.which("ip")
TIMED_OUT = (10060, "Connection timed out")
LIVE_SECONDS = 55  # how long a live server keeps a client waiting: longer than the silence limit
# The live cases' client side waits 50 s before its first window probe, as a client does
# after minutes of a shut window (the probes back off to 2 minutes apart): silence alone
# must not end it.
PROBE_AFTER = "50s"
# qemu-user answers TCP_INFO with a short record, so an emulated client has no evidence
# of its server's silence and leaves a vanished one to the system's own limit (about
# 15 minutes): that case runs natively only. The rest run under emulation too.
CLIENT_SEES_SILENCE = not RUNNER
# A raw client: connects, then sends so many MB and waits until all is
# acknowledged, pauses so many seconds, and so on; says "sent" after each send.
RAW = """import array, fcntl, socket, sys, termios, time
s = socket.create_connection((sys.argv[1], int(sys.argv[2])))
for i, n in enumerate(map(int, sys.argv[3:])):
    if i % 2:
        time.sleep(n)
        continue
    s.sendall(bytes(n << 20))
    left = array.array("i", [1])
    while left[0]:
        fcntl.ioctl(s, termios.TIOCOUTQ, left)
        time.sleep(0.01)
    print("sent", flush=True)
"""

def link(*args):
    return subprocess.run(["bash", "-c", f'source "{LINK}" && "$@"', "link", *args], capture_output=True).returncode == 0

@pytest.fixture
def pairs():
    """Four pairs of namespaces (server side, client side, network), removed at the end."""
    made = [(f"pmd{os.getpid()}{i}s", f"pmd{os.getpid()}{i}c", f"10.197.{i}") for i in range(4)]
    try:
        if os.geteuid() != 0 or IP is None:
            pytest.exit("SKIPPED: needs root and ip (iproute2) to make network namespaces", returncode=77)
        if not all(link("link_make", *pair) and link("link_pin", *pair) for pair in made) or subprocess.run(
                [IP, "-n", made[3][1], "route", "replace", f"{made[3][2]}.0/24", "dev", f"v{made[3][1]}", "rto_min",
                 PROBE_AFTER]).returncode:
            pytest.exit("SKIPPED: cannot make network namespaces joined by a veth pair", returncode=77)
        yield made
    finally:
        for pair in made:
            link("link_remove", *pair[:2])

def test_a_vanished_peer_times_out_within_a_minute_and_a_live_one_is_never_cut(start, pairs):
    def inside(ns, *args, program=PROGRAM):  # the program through its runner, a raw peer as it is
        return start(*args, program=program, runner=[IP, "netns", "exec", ns, *(RUNNER if program == PROGRAM else [])])
    (s1, c1, n1), (s2, c2, n2), (s3, c3, n3), (s4, c4, n4) = pairs
    servers = [inside(s, f"/S:{count}", "/P:7777").wait_for("Waiting for")
               for s, count in ((s1, 2), (s2, 1), (s3, 1))]
    # 1: a client whose host vanishes after 3 MB; 2: a server whose host vanishes.
    gone_client = inside(c1, "-c", RAW, f"{n1}.1", "7777", "3", "600", program=sys.executable).wait_for("sent")
    client = inside(c2, f"/H:{n2}.1", "/P:7777", "/M:1000000").wait_for("Sending")
    # 3: a live client silent for longer than the idle time and the limit.
    quiet = inside(c3, "-c", RAW, f"{n3}.1", "7777", "1", "50", "1", program=sys.executable).wait_for("sent")
    # 4: a client queued behind a live first one that sends for longer than the limit.
    queue = inside(s4, "/S:2", "/P:7777").wait_for("Waiting for")
    first = inside(c4, "-c", RAW, f"{n4}.1", "7777", "1", str(LIVE_SECONDS), "1", program=sys.executable).wait_for("sent")
    queued = inside(c4, f"/H:{n4}.1", "/P:7777", "/M:50").wait_for("Sending")
    # 5: a server stopped mid-transfer for longer than the limit, then continued.
    stopped = inside(s4, "/S", "/P:7778").wait_for("Waiting for")
    busy = inside(c4, f"/H:{n4}.1", "/P:7778", "/M:3000")
    stopped.wait_for("MB-->")
    os.kill(stopped.proc.pid, signal.SIGSTOP)
    time.sleep(0.5)
    cut = time.monotonic()
    assert link("link_cut", c1) and link("link_cut", s2)
    gone_client.proc.kill()
    servers[1].proc.kill()
    keepalive = subprocess.run([IP, "netns", "exec", s3, "ss", "-tnoH"], capture_output=True, text=True).stdout
    assert "timer:(keepalive" in keepalive, keepalive
    ended = {"server": lambda: "Failed on recv()" in servers[0].text(), "client": lambda: client.proc.poll() is not None}
    if not CLIENT_SEES_SILENCE:
        del ended["client"]
    seconds = {}
    while len(seconds) < len(ended) and time.monotonic() < cut + 90:
        seconds.update({side: time.monotonic() - cut for side, end in ended.items() if side not in seconds and end()})
        time.sleep(0.05)
    print("\n" + ", ".join(f"the dead peer reported by the {side} after {t:.1f} s" for side, t in seconds.items()))
    assert len(seconds) == len(ended) and all(30 < t < 60 for t in seconds.values()), seconds
    time.sleep(max(0.0, cut + LIVE_SECONDS - time.monotonic()))
    os.kill(stopped.proc.pid, signal.SIGCONT)
    print(f"a server stopped for {time.monotonic() - cut:.1f} s, a client queued for {LIVE_SECONDS} s")
    expect(inside(s1, "/H:127.0.0.1", "/P:7777", "/M:1"), 0, whole_client(7777, 1))
    expect(servers[0], 0, server_start(7777) + waiting(2, 7777) + header(f"\rClient connected from {n1}.2") +
           report("Failed on recv()", *TIMED_OUT) + SERVER_END + summary(3) + waiting(1, 7777) + SERVER_HEADER +
           SERVER_END + summary(1) + DONE)
    if CLIENT_SEES_SILENCE:
        expect(client, TIMED_OUT[0], client_until_sending(7777, 1000000, f"{n2}.1") + report("Failed on send()",
                                                                                              *TIMED_OUT))
    expect(servers[2], 0, whole_server(7777, [2], f"{n3}.2"))
    assert quiet.finish() == (0, "sent\nsent\n")
    expect(queued, 0, whole_client(7777, 50, n4 + ".1"))
    expect(queue, 0, whole_server(7777, [2, 50], n4 + ".2"))
    assert first.finish() == (0, "sent\nsent\n")
    expect(busy, 0, whole_client(7778, 3000, n4 + ".1"))
    expect(stopped, 0, whole_server(7778, [3000], n4 + ".2"))
