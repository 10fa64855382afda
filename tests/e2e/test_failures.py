"""Failures as the user sees them: the step, the error number, the table's text, the exit status."""
import socket, time, pytest

from conftest import (CONNECTING, SERVER_HEADER, accepted, client_start, client_until_sending, connect, expect,
                      listen, report, reset, serve, server_start, transfer, whole_server)

LOOKUP = "Failed on host lookup", 11001, "Host not found"
SEND_RESET = "Failed on send()", 10054, "Connection reset by peer"

@pytest.mark.parametrize("case, step, number, text", [
    ("refused", "Failed to connect socket to server", 10061, "Connection refused"), ("no-such-host..invalid", *LOOKUP),
    ("255.255.255.255", *LOOKUP), ("0.0.0.0", *LOOKUP), (100, *SEND_RESET), (1000000, *SEND_RESET),
    ("in-use", "Failed to bind() local address to the listening socket", 10048, "Address already in use")],
    ids=["refused", "unresolvable", "broadcast", "any", "reset", "reset-1000000MB", "in-use"])
def test_failure_is_reported_with_its_number_and_exit_status(start, port, case, step, number, text):
    if case == "refused":
        child, before = start("/H:127.0.0.1", f"/P:{port}"), client_start(port) + CONNECTING
    elif case == "in-use":
        first = serve(start, "/S", f"/P:{port}")
        child, before = start("/S", f"/P:{port}"), server_start(port)
    elif isinstance(case, int):  # megabytes for a server that takes a piece and resets
        child, peer = accepted(start, port, f"/P:{port}", f"/M:{case}")
        peer.recv(65536, socket.MSG_WAITALL)
        reset(peer)
        before = client_until_sending(port, case)
    else:  # a host: an empty label is refused by the resolver itself, the dotted ones before any lookup
        child, before = start(f"/H:{case}", "/P:9"), client_start(9)
    expect(child, number, before + report(step, number, text))
    if case == "in-use":  # the server that holds the port still answers
        transfer(start, port, server=first)

def test_server_reports_a_peer_that_resets_and_goes_on(start, port):
    server = serve(start, "/S:2", f"/P:{port}")
    (peer := connect(port)).sendall(b"x" * 200000)
    time.sleep(0.3)  # the server takes the data and waits for more
    reset(peer)
    connect(port).close()
    reported = SERVER_HEADER + report("Failed on recv()", 10054, "Connection reset by peer")
    expect(server, 0, whole_server(port, [0, 0]).replace(SERVER_HEADER, reported, 1))

def test_port_held_only_in_time_wait_can_be_bound_again(start, port):
    with listen(port) as listener, connect(port) as peer:
        listener.accept()[0].close()  # the server's side closes first and is left in TIME_WAIT
        assert peer.recv(1) == b""
    # The port really is in TIME_WAIT (Linux) within 5 s.
    assert any(any(r.split()[1].endswith(f":{port:04X}") and r.split()[3] == "06" for r in open("/proc/net/tcp"))
               or time.sleep(0.01) for _ in range(500)), f"no TIME_WAIT on port {port}"
    transfer(start, port)
