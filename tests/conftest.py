"""The program's runs over 127.0.0.1, raw peers, its transcripts built from their parts, checks of varying numbers."""
import math, os, re, shlex, socket, struct, subprocess, time, types, pytest

PROGRAM, VERSION = os.environ["PIPEMETER_E2E_PROGRAM"], os.environ["PIPEMETER_VERSION"]  # both from CMake
RUNNER = shlex.split(os.environ.get("PIPEMETER_RUNNER", ""))  # what starts a foreign program: qemu-user, or wine
START_LIMIT, RUN_LIMIT = 60, 120  # generous: under Wine a start takes seconds
MB = 1 << 20
socket.setdefaulttimeout(RUN_LIMIT)  # no wait on a socket of ours without an end

class Child:  # one run of the program, its standard output and error in files
    def __init__(self, tmp, args, argv0=None, program=PROGRAM, runner=RUNNER, **popen):  # qemu-user takes argv0 by -0
        self.out, self.err = tmp / f"{id(self)}.out", tmp / f"{id(self)}.err"
        self.windows = str(program).endswith(".exe")
        command = [*runner, *(["-0", argv0, program] if runner and argv0 else [argv0 or program]), *args]
        with open(self.out, "wb") as out, open(self.err, "wb") as err:
            self.proc = subprocess.Popen(command, executable=None if runner else program, stderr=err,
                                         **{"stdin": subprocess.DEVNULL, "stdout": out, **popen})

    def text(self):
        data = self.out.read_bytes()  # a Windows console program writes its line ends as "\r\n"
        return (data.replace(b"\r\n", b"\n") if self.windows else data).decode("latin-1")

    def wait_for(self, needle, limit=START_LIMIT):
        end = time.monotonic() + limit
        while True:
            ended = self.proc.poll() is not None
            if needle in self.text():
                return self
            assert not ended and time.monotonic() < end, f"no {needle!r} in {self.text()!r}"
            time.sleep(0.01)

    def finish(self, limit=RUN_LIMIT):  # a run that overstays its limit is killed and fails
        try:
            self.proc.wait(limit)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            pytest.fail(f"killed after {limit} s; it printed {self.text()!r}")
        assert self.err.read_bytes() == b"", "nothing may go to standard error"
        return self.proc.returncode, self.text()

@pytest.fixture
def start(tmp_path):  # start(*args) runs the program; whatever still runs at the end is killed by its PID
    children = []
    yield lambda *args, **popen: children.append(Child(tmp_path, args, **popen)) or children[-1]
    for child in children:
        child.proc.kill()  # does nothing to one that has ended
        child.proc.wait()

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]
port = pytest.fixture(free_port, name="port")  # a test's own port

def wait_listening(child, port):  # for a run whose output cannot be read
    while not any(f":{port:04X} 00000000:0000 0A" in row for row in open("/proc/net/tcp")):
        assert child.proc.poll() is None, child.text()
        time.sleep(0.01)

def serve(start, *args, **popen): return start(*args, **popen).wait_for("Waiting for")
def status(number): return number & 0xFF  # what the shell sees of an exit code
def connect(port): return socket.create_connection(("127.0.0.1", port))  # with the default timeout above
def listen(port): return socket.create_server(("127.0.0.1", port))  # with SO_REUSEADDR, as the program binds

def reset(sock):  # a reset instead of an orderly end
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    sock.close()

def send_steadily(sock, seconds, piece=16384, gap=0.04):
    sent, end = 0, time.monotonic() + seconds
    while time.monotonic() < end:
        sock.sendall(b"x" * piece)
        sent += piece
        time.sleep(gap)
    return sent

def transfer(start, port, megabytes=1, server=None, args=None, host="127.0.0.1", limit=RUN_LIMIT, **popen):
    """A client sends to a server (one started here when none is given); both print their whole transcripts."""
    server = server or serve(start, "/S", f"/P:{port}")
    client = start(*(args or [f"/H:{host}", f"/P:{port}", f"/M:{megabytes}"]), **popen)
    return (expect(client, 0, whole_client(port, megabytes), limit),
            expect(server, 0, whole_server(port, [megabytes]), limit))

def accepted(start, port, *args, **popen):  # a client of a raw server on port, and that server's side of it
    with listen(port) as listener:
        return start("/H:127.0.0.1", *args, **popen), listener.accept()[0]

def receive_all(start, port, *args, **popen):  # a raw server on port takes a client's whole stream
    client, peer = accepted(start, port, *args, **popen)
    return client, b"".join(iter(lambda: peer.recv(65536), b""))

def in_namespace(script, folder, unshare="-m"):  # a runner: sh runs script in a mount namespace, folder as $0
    return ["unshare", unshare, "sh", "-c", script, folder]

def hosts_layer(folder):  # shell commands: an overlay from folder over /etc, its hosts file naming one host
    return (f'mkdir -p "{folder}/upper" "{folder}/work" && mount -t overlay overlay -o "lowerdir=/etc,'
            f'upperdir={folder}/upper,workdir={folder}/work" /etc && echo "127.0.0.1 pipemeter-test-host" > /etc/hosts')

def replay(data, columns):  # a terminal's rows: a character in the last column waits there for the next to wrap it
    rows, row, column = {}, 0, 0
    for c in data:
        if c in "\r\n":
            row, column = (row + 1, min(column, columns - 1)) if c == "\n" else (row, 0)
        elif c != "\a":
            row, column = (row + 1, 0) if column == columns else (row, column)
            line = rows.get(row, "").ljust(column)
            rows[row], column = line[:column] + c + line[column + 1:], column + 1
    return [rows.get(i, "") for i in range(row + 1)]

def closed_streams_run(start, side, closed, held, **popen):  # started with these streams closed, the program runs
    port = free_port()  # whole, its peer gets the megabytes alone or nothing back, and each closed number is on held
    if side == "client":
        child, stream = receive_all(start, port, f"/P:{port}", "/M:2", **popen)
        assert len(stream) == 2 * MB, "console text in the connection"
    else:
        child = start("/S", f"/P:{port}", **popen)
        wait_listening(child, port)
        assert all(os.path.samefile(f"/proc/{child.proc.pid}/fd/{fd}", held) for fd in closed), "a closed number free"
        with connect(port) as peer:  # it sends for a while and ends
            send_steadily(peer, 1.5)
            peer.shutdown(1)
            assert peer.recv(65536) == b"", "console text came down the connection"
    assert child.finish() == (0, "")

# The transcripts, in the program's own words.
DASHES, WIPE = "-" * 79, "\r" + " " * 79
HINT = "\n\n" + " " * 55 + "(Press CTRL+C to cancel)"
DATE, SECONDS, RATE = "MM/DD/YYYY hh:mm:ss", "S.SS", "<rate>"
CONNECTING, DONE = "\n\nConnecting to 127.0.0.1...", "\nThe command completed successfully.\n"
ZERO_RATE = "  Bps:       0   KBps:    0   MBps:  0.0   Kbps:     0   Mbps:  0.00"
def usage(name):
    return (f"\nPipemeter - version {VERSION}\n\nCalculates the network speed (transfer rate) between two winsock"
            f" hosts.\n\n\nThe syntax of this command is:\n\n\n{name} /H:host|/S[:n] [/P:n] [/M:n]\n"
            "\n /H:host  : Client mode, host=name/address of a machine waiting in server mode."
            "\n /S:n     : Server mode, n=# of times to answer before exiting, default is 1."
            "\n /P:n     : n=Port number, default is 7777.  (Both client & server must match)"
            "\n /M:n     : n=Megabytes to transfer, default is 10. (Only valid in client mode)\n"
            "\nWritten by the Pipemeter developers.\n\n")
def server_start(port): return f"\n\nPipemeter - Initializing SERVER mode on port {port}...\n"
def waiting(count, port):
    return HINT + f"\rWaiting for {count} new connection{'' if count == 1 else 's'} on port {port}..."
def client_start(port): return HINT + f"\rInitializing CLIENT mode on port {port}...\n"
def header(side_line): return f"\r{DASHES}\n{' ' * 60}{DATE}{side_line}\n{DASHES}\n"
def report(text, number, table_text): return f"\n\n{text}, error {number}.\n\n{table_text}\n\n"
def client_until_sending(port, megabytes, host="127.0.0.1"):
    return client_start(port) + f"\n\nConnecting to {host}..." + header(f"\rSending {megabytes}MB to {host}")
SERVER_HEADER = header("\rClient connected from 127.0.0.1")
SERVER_END = WIPE + "\rClient has disconnected.\n\n"
CLIENT_END = WIPE + "\rDisconnected from host.\n"
def summary(megabytes):
    return (f"\nTransferred {megabytes}MB in {SECONDS} seconds.\n\nResults:{' ' * 50}(Bps=Bytes, bps=bits)"
            f"\nPeak--> {RATE}\n Avg--> {RATE}\n{DASHES}\n\n\n")
def whole_server(port, megabytes, peer="127.0.0.1"):  # a client from peer answered per entry, each moving that many MB
    return server_start(port) + "".join(waiting(len(megabytes) - i, port) + header(f"\rClient connected from {peer}")
                                        + SERVER_END + summary(mb) for i, mb in enumerate(megabytes)) + DONE
def whole_client(port, megabytes, host="127.0.0.1"):
    return client_until_sending(port, megabytes, host) + CLIENT_END + summary(megabytes) + DONE

# What varies by run becomes a placeholder; a field not laid out exactly as printed stays, so the comparison shows it.
NUMBER = r"( *-?[\d.]+| *-?inf| *nan)"
RATE_LINE = "  Bps: {0}   KBps: {0}   MBps: {0}   Kbps: {0}   Mbps: {0}".format(NUMBER)
FIELDS = ((7, r"\d+"), (4, r"\d+"), (4, r"\d+\.\d"), (5, r"\d+"), (5, r"\d+\.\d\d"))  # each one's width and digits

def rate_values(fields):
    laid_out = all(text == text.lstrip(" ").rjust(width) and re.fullmatch(rf"-?inf|nan|{digits}", text.lstrip(" "))
                   for (width, digits), text in zip(FIELDS, fields))
    return [float(text) for text in fields] if laid_out else None

def normalize(raw):
    t = types.SimpleNamespace(progress=[], rates=[], seconds=[], dates=[])
    def take(into, mark, label=lambda m: ()):
        def replace(m):
            values = rate_values(m.groups()[-5:])
            return m[0] if values is None else into.append((*label(m), values, m[0][m[0].index("  Bps"):])) or mark
        return replace
    progress = take(t.progress, "", lambda m: (int(m[1]) * (MB if m[2] == "MB" else 1024), m[2]))
    text = re.sub(re.escape(WIPE) + r"\r(\d+)(KB|MB)-->" + RATE_LINE, progress, raw)
    text = re.sub(RATE_LINE, take(t.rates, RATE), text)
    text = re.sub(r"\d\d/\d\d/\d{4} \d\d:\d\d:\d\d", lambda m: t.dates.append(m[0]) or DATE, text)
    t.text = re.sub(r"(Transferred -?\d+MB in )(\d+\.\d\d)( seconds\.)",
                    lambda m: t.seconds.append(float(m[2])) or m[1] + SECONDS + m[3], text)
    return t

def expect(child, number, expected, limit=RUN_LIMIT):
    """The run ends within its limit with this status and, placeholders aside, exactly these bytes."""
    code, out = child.finish(limit)
    t = normalize(out)
    assert (code, t.text) == (status(number), expected)
    return check_units(t)

def check_units(t):
    for (bps, *units), text in t.rates + [p[2:] for p in t.progress]:  # each unit from the same rate, Bps rounded
        for shown, scale, half in zip(units, (1024, MB, 128, MB / 8), (0.5, 0.05, 0.5, 0.005)):
            assert not math.isfinite(bps) or abs(shown - bps / scale) <= half + 0.5 / scale + 1e-9, text
    return t

def check_numbers(t, total):  # one summary: labels, peak, average and date agree with total bytes moved
    assert len(t.seconds) == 1 and len(t.rates) == 2
    labels, units = [p[0] for p in t.progress], "".join(p[1][0] for p in t.progress)
    assert labels == sorted(labels) and all(n <= total for n in labels) and re.fullmatch("K*M*", units), labels
    assert all(n >= MB if unit == "MB" else n < MB for n, unit, *_ in t.progress), labels
    assert t.rates[0][1] == (max(t.progress, key=lambda p: p[2][0])[3] if t.progress else ZERO_RATE), "peak"
    if total == 0 or t.seconds[0] >= 0.2:  # shorter runs print too few digits of time to pin the average
        assert t.rates[1][0][0] == (pytest.approx(total / t.seconds[0], rel=0.06) if total else 0)
    assert all(abs(time.mktime(time.strptime(d, "%m/%d/%Y %H:%M:%S")) - time.time()) < 600 for d in t.dates), t.dates
