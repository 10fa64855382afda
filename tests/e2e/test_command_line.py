"""The command line as the real program reads it: usage screen, counts, ports."""
import os, re, pytest

from conftest import PROGRAM, connect, expect, receive_all, serve, usage, whole_client, whole_server

@pytest.mark.parametrize("args", [[], ["/H:"], ["/P:7777", "/M:5", "extra"], ["/?"], ["-?"], ["/help"], ["-HELP"],
                                  ["/hElP"], ["/P:7777", "/?"], ["-help", "/S"], ["/H:127.0.0.1", "/P:1", "-?"]])
def test_help_words_and_no_mode_show_the_usage_screen(start, args):  # Wine hands over a Windows path
    expect(start(*args), 1, usage("pipemeter.exe" if PROGRAM.endswith(".exe") else PROGRAM))

@pytest.mark.linux
@pytest.mark.parametrize("argv0, name", [
    ("C:\\tools\\meter.exe", "meter.exe"), ("C:\\x/y\\pm/bin", "pm/bin"), ("plain/slashes", "plain/slashes"),
    ("trailing\\", ""), ("a" * 250 + "\\" + "b" * 9 + "\\tail", "b" * 9)])  # only 260 characters are read
def test_usage_names_the_program_after_its_last_backslash(start, argv0, name):
    expect(start(argv0=argv0), 1, usage(name))

@pytest.mark.parametrize("args, count", [
    (["/S"], 1), (["-s:0"], 1), (["/S:-2"], 1), (["/S12"], 2), (["/s:3"], 3), (["/Sx2"], 2),
    (["/S:2147483648"], 1), (["/H:no-such-host..invalid", "extra", "/X", "-Q:3", "-S:2", "H:1.2.3.4"], 2)])
def test_server_count_is_read_from_the_fourth_character(start, port, args, count):
    server = serve(start, *args, f"/P:{port}")
    for left in range(count, 0, -1):
        server.wait_for(f"Waiting for {left} new")
        connect(port).close()
    expect(server, 0, whole_server(port, [0] * count))

@pytest.mark.parametrize("arg, shown, used", [("/P:70000", 70000, 70000 % 65536), ("-p:-1", -1, 65535),
                                              ("/P:  +{p}", "{p}", "{p}"), ("/P:{wrapped}", "{p}", "{p}")])
def test_port_is_used_by_its_low_16_bits_and_shown_whole(start, port, arg, shown, used):
    arg, shown, used = (str(x).format(p=port, wrapped=port + 2**32) for x in (arg, shown, used))
    expect(receive_all(start, int(used), arg, "/M:1")[0], 0, whole_client(shown, 1))
    server = serve(start, "/S", arg)
    connect(int(used)).close()
    expect(server, 0, whole_server(shown, [0]))

@pytest.mark.linux
def test_unreadable_port_is_zero_and_the_system_chooses_one(start):
    server = serve(start, "/S", "/P:abc")
    fds = f"/proc/{server.proc.pid}/fd"
    sockets, rows = {os.readlink(f"{fds}/{fd}") for fd in os.listdir(fds)}, [r.split() for r in open("/proc/net/tcp")]
    [port] = [int(r[1].split(":")[1], 16) for r in rows if r[3] == "0A" and f"socket:[{r[9]}]" in sockets]
    connect(port).close()
    expect(server, 0, whole_server(0, [0]))

# The error texts as the program must print them, number for number: each run of numbers from its first, "|" between.
ERROR_TEXTS = {10000: "No Error", 10004: "Interrupted system call", 10009: "Bad file number",
    10013: "Permission denied|Bad address", 10022: "Invalid argument", 10024: "Too many open files",
    10035: "Operation would block|Operation now in progress|Operation already in progress"
           "|Socket operation on non-socket|Destination address required|Message too long"
           "|Protocol wrong type for socket|Bad protocol option|Protocol not supported|Socket type not supported"
           "|Operation not supported on socket|Protocol family not supported"
           "|Address family not supported by protocol family|Address already in use|Can't assign requested address"
           "|Network is down|Network is unreachable|Net dropped connection or reset|Software caused connection abort"
           "|Connection reset by peer|No buffer space available|Socket is already connected|Socket is not connected"
           "|Can't send after socket shutdown|Too many references, can't splice|Connection timed out|Connection refused"
           "|Too many levels of symbolic links|File name too long|Host is down|No Route to Host|Directory not empty"
           "|Too many processes|Too many users|Disc Quota Exceeded|Stale NFS file handle"
           "|Too many levels of remote in path",
    10091: "Network SubSystem is unavailable|Wsock DLL Version out of range|Successful WSASTARTUP not yet performed",
    11001: "Host not found|Non-Authoritative Host not found|Non-Recoverable errors: FORMERR, REFUSED, NOTIMP"
           "|Valid name, no data record of requested type"}

def test_error_table_source_has_exactly_the_reference_rows_in_order():
    source = open(os.path.join(os.path.dirname(__file__), "../../resources/error_texts.def")).read()
    assert [(int(number), text) for number, text in re.findall(r'^ERROR_TEXT\((\d+), "([^"]+)"\)$', source, re.M)] == [
        (first + i, text) for first, texts in ERROR_TEXTS.items() for i, text in enumerate(texts.split("|"))]
