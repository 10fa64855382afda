"""Failures as the user sees them: the step, the error number, the table's text, the exit status."""
import socket, time, pytest

from conftest import (CONNECTING, SERVER_HEADER, accepted, client_start, client_until_sending, connect, expect,
                      free_port, listen, report, reset, serve, server_start, transfer, whole_server)

def refused(start):
    port = free_port()
    return start("/H:127.0.0.1", f"/P:{port}"), client_start(port) + CONNECTING, (
        "Failed to connect socket to server", 10061, "Connection refused"), None

def not_found(host):
    # An empty label is refused by the resolver itself; the dotted ones before any lookup.
    return lambda start: (start(f"/H:{host}", "/P:9"), client_start(9), (
        "Failed on host lookup", 11001, "Host not found"), None)

def server_resets(megabytes):
    def case(start):
        port = free_port()
        client, peer = accepted(start, port, f"/P:{port}", f"/M:{megabytes}")
        peer.recv(65536, socket.MSG_WAITALL)
        reset(peer)
        return client, client_until_sending(port, megabytes), (
            "Failed on send()", 10054, "Connection reset by peer"), None
    return case

def port_in_use(start):
    port = free_port()
    first = serve(start, "/S", f"/P:{port}")
    return start("/S", f"/P:{port}"), server_start(port), (  # after it, the server that holds the port still answers
        "Failed to bind() local address to the listening socket", 10048, "Address already in use"), (
        lambda: transfer(start, port, server=first))

@pytest.mark.parametrize("case", [refused, not_found("no-such-host..invalid"), not_found("255.255.255.255"),
                                  not_found("0.0.0.0"), server_resets(100), server_resets(1000000), port_in_use],
                         ids=["refused", "unresolvable", "broadcast", "any", "reset", "reset-1000000MB", "in-use"])
def test_failure_is_reported_with_its_number_and_exit_status(start, case):
    child, before, (step, number, text), after = case(start)
    expect(child, number, before + report(step, number, text))
    if after:
        after()

def test_server_reports_a_peer_that_resets_and_goes_on(start):
    port = free_port()
    server = serve(start, "/S:2", f"/P:{port}")
    peer = connect(port)
    peer.sendall(b"x" * 200000)
    time.sleep(0.3)  # the server takes the data and waits for more
    reset(peer)
    connect(port).close()
    reported = SERVER_HEADER + report("Failed on recv()", 10054, "Connection reset by peer")
    expect(server, 0, whole_server(port, [0, 0]).replace(SERVER_HEADER, reported, 1))

def test_port_held_only_in_time_wait_can_be_bound_again(start):
    port = free_port()
    with listen(port) as listener, connect(port) as peer:
        listener.accept()[0].close()  # the server's side closes first and is left in TIME_WAIT
        assert peer.recv(1) == b""
    # The port really is in TIME_WAIT (Linux) within 5 s.
    assert any(any(r.split()[1].endswith(f":{port:04X}") and r.split()[3] == "06" for r in open("/proc/net/tcp"))
               or time.sleep(0.01) for _ in range(500)), f"no TIME_WAIT on port {port}"
    transfer(start, port)
