"""Hosts unlike the build machine, made in a mount namespace or a chroot of the test's own:
one whose nsswitch.conf names a name-service module (the static program must not load
it, a dynamic one does), and a root without /dev where the standard streams are closed.
Needs root and a native program; exits 77 (skipped) otherwise."""
import os, shutil, subprocess, sysconfig, pytest

from conftest import (PROGRAM, RUNNER, connect, expect, free_port, send_steadily, serve, wait_listening, whole_client,
                      whole_server)

STATIC = os.environ.get("PIPEMETER_STATIC") == "1"
# Says when the host's C library loads it and when it is asked, in the file MARK names;
# answers "unavailable", so that the lookup goes on to /etc/hosts.
STAND_IN = r"""#include <errno.h>
#include <fcntl.h>
#include <nss.h>
#include <netdb.h>
#include <string.h>
#include <unistd.h>
static void say(const char *what) {
    int fd = open(MARK, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) { write(fd, what, strlen(what)); close(fd); }
}
__attribute__((constructor)) static void loaded(void) { say("loaded\n"); }
static enum nss_status unavailable(int *errnop, int *herrnop) {
    say("asked\n");
    *errnop = ENOENT;
    *herrnop = NO_RECOVERY;
    return NSS_STATUS_UNAVAIL;
}
enum nss_status _nss_mdns4_minimal_gethostbyname4_r(const char *name, struct gaih_addrtuple **pat, char *buffer,
        size_t length, int *errnop, int *herrnop, int *ttlp) {
    (void)name; (void)pat; (void)buffer; (void)length; (void)ttlp;
    return unavailable(errnop, herrnop);
}
enum nss_status _nss_mdns4_minimal_gethostbyname2_r(const char *name, int af, struct hostent *host, char *buffer,
        size_t length, int *errnop, int *herrnop) {
    (void)name; (void)af; (void)host; (void)buffer; (void)length;
    return unavailable(errnop, herrnop);
}
"""

@pytest.fixture(autouse=True, scope="module")
def native_root():
    if os.geteuid() != 0 or RUNNER or not shutil.which("unshare"):
        pytest.exit("SKIPPED: needs root, unshare and the native program (mount namespaces, chroot)", returncode=77)

def in_namespace(script, folder):
    """A runner: a mount namespace of its own where sh runs script, with folder as $0 and the command as "$@"."""
    return ["unshare", "-m", "sh", "-c", script, folder]

def test_a_name_service_module_of_the_host_is_loaded_only_by_a_dynamic_program(start, tmp_path):
    mark, layer, libraries = tmp_path / "mark", tmp_path / "layer", tmp_path / "lib"
    for folder in (layer / "upper", layer / "work", libraries):
        folder.mkdir(parents=True)
    source = tmp_path / "stand_in.c"
    source.write_text(STAND_IN)
    subprocess.run(["gcc", "-shared", "-fPIC", f'-DMARK="{mark}"', "-o", libraries / "libnss_mdns4_minimal.so.2",
                    source], check=True)
    # /etc names the host in its hosts file and asks mDNS first, as many desktops do; the
    # stand-in lies over the library folder the C library searches.
    system = "/usr/lib/" + sysconfig.get_config_var("MULTIARCH")
    prepare = ('mount -t overlay overlay -o "lowerdir=/etc,upperdir=$0/upper,workdir=$0/work" /etc &&'
               ' echo "127.0.0.1 pipemeter-test-host" > /etc/hosts &&'
               ' echo "hosts: mdns4_minimal [NOTFOUND=return] files dns" > /etc/nsswitch.conf &&'
               f' mount -t overlay overlay -o "lowerdir={libraries}:{system}" {system} && exec "$@"')
    # Any dynamic program of the host's loads it: the test can see a load.
    seen = subprocess.run(in_namespace(prepare, layer) + ["getent", "hosts", "pipemeter-test-host"],
                          capture_output=True, text=True)
    assert (seen.returncode, seen.stdout.split(), mark.read_text()[:7]) == (
        0, ["127.0.0.1", "pipemeter-test-host"], "loaded\n"), seen.stderr
    mark.unlink()
    port = free_port()
    server = serve(start, "/S", f"/P:{port}")
    client = start("/H:pipemeter-test-host", f"/P:{port}", "/M:1", runner=in_namespace(prepare, layer))
    expect(client, 0, whole_client(port, 1))
    expect(server, 0, whole_server(port, [1]))
    assert (mark.read_text() if mark.exists() else "") == ("" if STATIC else "loaded\nasked\n")

def test_closed_streams_in_a_root_without_dev_keep_console_text_off_the_connection(start, tmp_path):
    root = tmp_path / "root"
    listed = subprocess.run(["ldd", PROGRAM], capture_output=True, text=True).stdout.split()
    # The program, and for a dynamic one its libraries; nothing else, no /dev.
    for path in [PROGRAM] + [word for word in listed if word.startswith("/")]:
        (root / path.lstrip("/")).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(path, root / path.lstrip("/"))
    (root / "proc").mkdir()
    # The sanitizers' runtime cannot start without /proc/self/maps; /dev stays absent.
    proc = 'mount -t proc proc "$0/proc" && ' if any("libasan" in word for word in listed) else ""
    port = free_port()
    server = start("/S", f"/P:{port}", runner=in_namespace(proc + 'exec <&- >&- 2>&- chroot "$0" "$@"', root))
    wait_listening(server, port)
    assert [os.readlink(f"/proc/{server.proc.pid}/fd/{fd}") for fd in range(3)] == [str(root)] * 3
    with connect(port) as peer:
        send_steadily(peer, 1.5)
        peer.shutdown(1)
        assert peer.recv(65536) == b"", "console text came down the connection"
    assert server.finish() == (0, "")
