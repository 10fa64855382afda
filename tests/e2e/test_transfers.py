"""Whole transfers: the program against itself and against peers written here."""
import fcntl, math, os, pty, re, select, struct, subprocess, termios, time, pytest

from conftest import (MB, RUNNER, check_numbers, connect, expect, hosts_layer, in_namespace,
                      receive_all, replay, send_steadily, serve, transfer, waiting, whole_client, whole_server)

@pytest.mark.parametrize("args, megabytes", [(["/M:0"], 0), (["/m:1"], 1), ([], 10), (["/M:1000001"], 10),
                                             (["-M:-1"], 10), (["/M:4294967298"], 2), (["/M:20"], 20)])
def test_transfer_of_a_size_gives_both_whole_transcripts(start, port, args, megabytes):
    for t in transfer(start, port, megabytes, serve(start, "-s", f"-p:{port}"), ["/h:127.0.0.1", f"/P:{port}", *args]):
        check_numbers(t, megabytes * MB)

def test_a_host_name_is_read_from_etc_hosts(start, port, tmp_path):  # the static program loads no module for it
    # A mount namespace of its own, hosts file or none; a user's own where not root (a chrooted root may not make it).
    transfer(start, port, host="pipemeter-test-host", runner=in_namespace(
        hosts_layer(tmp_path / "etc") + ' && exec "$@"', "sh", "-m" if os.geteuid() == 0 else "-rm") + RUNNER)

def test_twenty_clients_in_turn_time_their_megabytes_in_milliseconds(start, port):
    server, sizes = serve(start, "/S:20", f"/P:{port}"), [1 + i % 4 for i in range(20)]
    runs = [(mb, expect(start("/H:127.0.0.1", f"/P:{port}", f"/M:{mb}"), 0, whole_client(port, mb)).rates[1])
            for mb in sizes] + list(zip(sizes, expect(server, 0, whole_server(port, sizes)).rates[1::2]))
    # Each side's own milliseconds, from its average (inf, under one, reads 0), whatever the scheduling: a stuck tick
    # gives only 0, a coarse one (the scheduler's, 4 ms) only multiples of its step, a tick in milliseconds any number.
    ms = [round(mb * MB * 1000 / rate[0][0]) for mb, rate in runs]
    assert math.gcd(*ms) == 1, ms

def test_client_sends_pieces_of_one_block_of_printable_text_and_a_zero(start, port):
    client, stream = receive_all(start, port, f"/P:{port}", "/M:2")
    expect(client, 0, whole_client(port, 2))
    block = stream[:1024]
    assert block[1023] == 0 and all(32 <= c < 127 for c in block[:1023])
    assert stream == block * 2048

def test_progress_line_every_second_in_kb_then_mb_and_one_covering_a_stall(start, port):
    server = serve(start, "/S", f"/P:{port}")
    with connect(port) as peer:
        sent = send_steadily(peer, 1.6)
        server.wait_for("KB-->", 10)  # a redirected log shows progress while the peer is connected
        time.sleep(2.5)
        sent += send_steadily(peer, 2.4)
    check_numbers(t := expect(server, 0, whole_server(port, [sent // MB])), sent)
    rates, (first, unit, *_) = [p[2][0] for p in t.progress], t.progress[0]
    assert 3 <= len(rates) <= 7 and unit == "KB" and t.progress[-1][1] == "MB", t.progress
    # The first line's own bytes over its interval, which is at least a second and at most the whole run; the stall's
    # line is slow however late either side was scheduled.
    assert first / (t.seconds[0] + 0.01) <= rates[0] <= first + 1024 and min(rates) < 16384 / 0.04 * 0.35, rates

@pytest.mark.linux
@pytest.mark.parametrize("columns", [80, 132, None])
def test_on_a_terminal_a_wide_line_leaves_no_tail_and_no_blank_row_and_a_log_gets_79_blanks(start, port, columns):
    (master, slave), screen = pty.openpty(), ""
    columns and fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 50, columns, 0, 0))
    server = start("/S", f"/P:{port}", **({"stdout": slave} if columns else {}))
    os.close(slave)
    def read_until(needle):
        nonlocal screen
        if not columns:  # a log, read as it grows
            screen = server.wait_for(needle).text()
        while needle not in screen:
            assert select.select([master], [], [], 10)[0], screen
            screen += os.read(master, 65536).decode("latin-1")
    read_until("Waiting for")
    with connect(port) as peer:  # 600 MB at once, then 35 MiB/s (80-column lines at 3 digits), then slower
        [peer.sendall(block) for block in [b"x" * 100 * MB] * 6]
        send_steadily(peer, 2.2, 35 * MB // 10, 0.1)
        send_steadily(peer, 1.5)
        read_until("MB-->")  # shown at once, while the peer still holds the connection
    read_until("completed")
    os.close(master)
    rates = re.findall(r"\r(\d+[KM]B-->[^\r\n]*)", screen)
    assert max(map(len, rates)) > 79 and (80 in map(len, rates) or RUNNER) and len(rates) >= 3, rates
    if not columns:
        assert set(re.findall(r"\r( *)\r(?=\d+[KM]B-->|Client has)", screen)) == {" " * 79}
        return
    for m in re.finditer(r"\r((\d+[KM]B-->|Client has)[^\r\n]*)", screen):  # nothing after a text's last row
        assert replay(screen[:m.end()], columns)[-1].rstrip() == m[1][(len(m[1]) - 1) // columns * columns:], m[1]
    end = (rows := [r.rstrip() for r in replay(screen, columns)]).index("Client has disconnected.")  # no blank row
    assert all(rows[next((i for i, r in enumerate(rows) if re.match(r"\d+MB-->", r)), end):end]), rows

@pytest.mark.soak
def test_five_thousand_megabytes_pass_4_gib_without_a_wrap(start, port):
    for t in transfer(start, port, 5000, limit=900):
        check_numbers(t, 5000 * MB)

@pytest.mark.soak
@pytest.mark.linux
def test_a_thousand_connections_leave_no_descriptor_behind(start, port):
    server, lefts = serve(start, "/S:1000", f"/P:{port}"), range(1000, 0, -1)
    held, megabytes = {}, [1 if left % 10 == 0 else 0 for left in lefts]
    for left, mb in zip(lefts, megabytes):
        server.wait_for(waiting(left, port))
        if left in (991, 1):  # waiting for the tenth and for the last
            held[left] = len(os.listdir(f"/proc/{server.proc.pid}/fd"))
        assert start("/H:127.0.0.1", f"/P:{port}", f"/M:{mb}", stdout=subprocess.DEVNULL).finish()[0] == 0
    expect(server, 0, whole_server(port, megabytes))
    assert held[1] <= held[991], held
