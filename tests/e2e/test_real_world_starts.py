"""Where a network tool really runs: closed streams, client bursts, a tostop terminal, a live log, accept errors."""
import contextlib, os, pty, re, signal, subprocess, threading, time, pytest

from conftest import (PROGRAM, RATE_LINE, RUNNER, WIPE, accepted, closed_streams_run, connect, expect,
                      report, serve, server_start, status, transfer, wait_listening, waiting, whole_client)

pytestmark = pytest.mark.linux

@pytest.mark.parametrize("side, closed", [("server", [1]), ("server", [0, 1]), ("client", [1]), ("client", [0, 1, 2])])
def test_closed_standard_streams_lose_the_output_and_nothing_else(start, side, closed):
    closed_streams_run(start, side, closed, os.devnull, preexec_fn=lambda: [os.close(fd) for fd in closed])

def test_a_server_whose_log_reader_has_gone_serves_its_queue(start, port):  # like "| head -c 20": no write ends a run
    reader, writer = os.pipe()
    server = start("/S:2", f"/P:{port}", stdout=writer)
    os.close(writer)
    os.read(reader, 20)
    os.close(reader)
    wait_listening(server, port)
    for _ in range(2):
        expect(start("/H:127.0.0.1", f"/P:{port}", "/M:1"), 0, whole_client(port, 1))
    assert server.finish() == (0, "")

def test_a_burst_of_clients_waits_its_turn(start, port):
    server = serve(start, "/S:30", f"/P:{port}")
    for client in [start("/H:127.0.0.1", f"/P:{port}", "/M:1") for _ in range(30)]:
        expect(client, 0, whole_client(port, 1))
    assert server.finish()[0] == 0

@pytest.mark.parametrize("background", [True, False])
def test_the_beep_sounds_only_in_the_foreground_and_never_stops_a_job(background):
    # A failing client as a job on a terminal of its own: its fate, and whether the terminal received the beep.
    pid, terminal = pty.fork()
    if pid == 0:
        fate = 100  # stopped, or not started
        try:
            subprocess.run(["stty", "tostop"], check=True)
            job = subprocess.Popen([*RUNNER, PROGRAM, "/H:127.0.0.1", "/P:1"], stdout=subprocess.DEVNULL,
                                   process_group=0 if background else None)
            signal.signal(signal.SIGALRM, lambda *_: job.kill())  # still running after 20 s
            signal.alarm(20)
            code = os.waitpid(job.pid, os.WUNTRACED)[1]
            fate = 100 if os.WIFSTOPPED(code) else os.waitstatus_to_exitcode(code)
            job.kill()
        finally:
            os._exit(fate)
    screen = b""
    with contextlib.suppress(OSError):  # read until the terminal's other side has closed
        while chunk := os.read(terminal, 4096):
            screen += chunk
    assert (os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]), b"\a" in screen) == (status(10061), not background)

@pytest.mark.parametrize("side", ["server", "client"])
def test_a_redirected_log_is_live_and_a_killed_run_ends_with_a_whole_line(start, port, side):
    child, peer = accepted(start, port, f"/P:{port}", "/M:100000") if side == "client" else (
        serve(start, "/S", f"/P:{port}"), connect(port))
    def move():  # steadily for 3 s, until the program is killed
        with contextlib.suppress(OSError):
            for _ in range(300):
                peer.recv(16384) if side == "client" else peer.sendall(b"x" * 16384)
                time.sleep(0.01)
    (mover := threading.Thread(target=move)).start()
    child.wait_for("B-->", 10)
    child.proc.kill()
    mover.join()
    peer.close()
    assert re.search(re.escape(WIPE) + r"\r\d+[KM]B-->" + RATE_LINE + r"\Z", child.text()), child.text()[-300:]

@pytest.mark.parametrize("error, number", [("ECONNABORTED", 0), ("EPROTO", 0), ("ENETUNREACH", 0), ("EMFILE", 10024)])
def test_accept_is_tried_again_after_a_connections_own_error(start, port, error, number):
    env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")  # not under ptrace
    strace = ["strace", "-f", "-o", os.devnull, "-e", "trace=accept4", "-e", f"inject=accept4:error={error}:when=1"]
    server = serve(start, "/S", f"/P:{port}", runner=strace + RUNNER, env=env)
    if number:
        expect(server, number, server_start(port) + waiting(1, port) +
               report("Failed to accept() incoming connection attempts", 10024, "Too many open files"))
    else:
        transfer(start, port, server=server)
