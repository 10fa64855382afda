"""Hosts unlike the build machine, made in a mount namespace or a chroot of the test's own: one whose nsswitch.conf
names a name-service module (the static program must not load it, a dynamic one does), and a root without /dev, read
by root alone, where streams are closed. Needs root and a native program; exits 77 (skipped) otherwise."""
import os, shutil, subprocess, sysconfig, pytest

from conftest import PROGRAM, RUNNER, closed_streams_run, hosts_layer, in_namespace, transfer

@pytest.fixture(autouse=True, scope="module")
def native_root():
    if os.geteuid() != 0 or RUNNER or not shutil.which("unshare"):
        pytest.exit("SKIPPED: needs root, unshare and the native program (mount namespaces, chroot)", returncode=77)

def test_a_name_service_module_of_the_host_is_loaded_only_by_a_dynamic_program(start, port, tmp_path):
    mark, system = tmp_path / "mark", "/usr/lib/" + sysconfig.get_config_var("MULTIARCH")
    (tmp_path / "lib").mkdir()
    # A stand-in that marks its loading and has no lookup of its own, so /etc/hosts answers.
    subprocess.run(["gcc", "-shared", "-fPIC", "-x", "c", "-o", tmp_path / "lib/libnss_mdns4_minimal.so.2", "-"],
                   text=True, check=True, input='#include <stdio.h>\n__attribute__((constructor)) static void'
                   f' loaded(void) {{ fclose(fopen("{mark}", "w")); }}')
    # /etc names the host and asks mDNS first, as many desktops do; the stand-in lies over the C library's folder.
    prepare = (hosts_layer(tmp_path) + ' && echo "hosts: mdns4_minimal [NOTFOUND=return] files dns" >/etc/nsswitch.conf'
               f' && mount -t overlay overlay -o "lowerdir=$0/lib:{system}" {system} && exec "$@"')
    # Any dynamic program of the host's loads it: the test can see a load.
    seen = subprocess.run(in_namespace(prepare, tmp_path) + ["getent", "hosts", "pipemeter-test-host"],
                          capture_output=True, text=True)
    assert (seen.returncode, seen.stdout.split(), mark.exists()) == (0, ["127.0.0.1", "pipemeter-test-host"], True)
    mark.unlink()
    transfer(start, port, host="pipemeter-test-host", runner=in_namespace(prepare, tmp_path))
    assert mark.exists() == (os.environ["PIPEMETER_STATIC"] != "1")

@pytest.mark.parametrize("user, side, closed", [(0, "server", [0, 1, 2]), (65534, "server", [0, 1, 2]),
                                                (65534, "server", [1]), (65534, "client", [1])])
def test_closed_streams_in_a_root_without_dev_keep_console_text_off_the_connection(start, tmp_path, user, side, closed):
    listed = subprocess.run(["ldd", PROGRAM], capture_output=True, text=True).stdout.split()
    # The program, and for a dynamic one its libraries; nothing else, no /dev.
    for path in [PROGRAM] + [word for word in listed if word.startswith("/")]:
        (tmp_path / path[1:]).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(path, tmp_path / path[1:])
    (tmp_path / "proc").mkdir()
    tmp_path.chmod(0o711)  # searchable, not readable: a user other than root cannot open "/" to read it
    # The sanitizers' runtime cannot start without /proc/self/maps; /dev stays absent.
    proc = 'mount -t proc proc "$0/proc" && ' if any("libasan" in word for word in listed) else ""
    shell = proc + f'exec {" ".join(f"{fd}>&-" for fd in closed)} chroot --userspec={user}:{user} "$0" "$@"'
    closed_streams_run(start, side, closed, tmp_path, runner=in_namespace(shell, tmp_path))
