"""The container image as a user gets it, under a podman whose settings and storage live in a
temporary folder. Exits 77 (skipped) where there is no image archive or podman cannot run."""
import io, json, os, re, resource, shutil, subprocess, tarfile, tempfile, time, types, pytest, yaml
from pathlib import Path

from conftest import (CONNECTING, SERVER_END, SERVER_HEADER, check_units, client_start, expect, free_port,
                      normalize, report, serve, server_start, summary, usage, waiting, whole_client, whole_server)

ARCHIVE, VERSION = Path(os.environ["PIPEMETER_OCI_ARCHIVE"]), os.environ["PIPEMETER_VERSION"]
TOP = Path(__file__).resolve().parents[2]

def skip(reason):
    pytest.exit(f"SKIPPED: {reason}", returncode=77)

QEMU = {r[4].split("/")[0]: r[5] for r in map(str.split, (TOP / "cmake/targets.txt").open()) if r[0] != "#"}

@pytest.fixture(scope="module")
def index():
    """The image index the archive names, and every blob by digest."""
    if not ARCHIVE.is_file():
        skip(f"no image at {ARCHIVE}: packaging/oci-image builds it")
    with tarfile.open(ARCHIVE) as tar:
        files = {m.name: tar.extractfile(m).read() for m in tar.getmembers() if m.isfile()}
    blobs = {"sha256:" + name[len("blobs/sha256/"):]: data for name, data in files.items() if "blobs/" in name}
    [top] = json.loads(files["index.json"])["manifests"]
    assert top["annotations"]["org.opencontainers.image.ref.name"] == VERSION
    return json.loads(blobs[top["digest"]]), blobs

@pytest.fixture(scope="module")
def podman(index):
    if os.geteuid() != 0 or not all(map(shutil.which, ("podman", "runc", "catatonit"))):
        skip("needs root with podman, runc and catatonit (scripts/setup installs them)")
    root = Path(tempfile.mkdtemp(prefix="pipemeter-podman-"))
    cache = [p for p in (Path("/var/lib/containers"),) if not p.exists()]  # podman's blob cache, if we make it
    # The machine's hard limit, as podman's defaults are refused; runc, as crun
    # refuses a hybrid cgroup layout.
    limit = resource.getrlimit(resource.RLIMIT_NOFILE)[1]
    (root / "containers.conf").write_text(
        f'[containers]\ndefault_ulimits = ["nofile={limit}:{limit}", "nproc={limit}:{limit}"]\n[engine]\n'
        f'runtime = "runc"\ncgroup_manager = "cgroupfs"\nevents_logger = "file"\ntmp_dir = "{root}/tmp"\n'
        f'[network]\nnetwork_config_dir = "{root}/networks"\n')
    (root / "storage.conf").write_text(f'[storage]\ndriver = "vfs"\nrunroot = "{root}/run"\ngraphroot = "{root}/g"\n')
    env = dict(os.environ, CONTAINERS_CONF=f"{root}/containers.conf", CONTAINERS_STORAGE_CONF=f"{root}/storage.conf")

    def run(*args, check=True):
        done = subprocess.run(["podman", *args], env=env, capture_output=True, timeout=300)
        # Bytes as the program wrote them: "\r" stays.
        done.stdout, done.stderr = done.stdout.decode("latin-1"), done.stderr.decode("latin-1")
        assert not check or done.returncode == 0, f"podman {' '.join(args)}: {done.stderr}"
        return done

    def clean():
        run("pod", "rm", "--all", "--force", "--time", "0", check=False)
        run("rm", "--all", "--force", "--time", "0", check=False)
        for path in [root, *cache]:
            shutil.rmtree(path, ignore_errors=True)

    if (info := run("info", check=False)).returncode != 0:
        clean()
        skip(f"podman cannot run here: {info.stderr.strip()}")
    loaded = run("load", "--input", str(ARCHIVE))
    assert f"Loaded image: docker.io/library/pipemeter:{VERSION}\n" in loaded.stdout + loaded.stderr
    # Without the cgroups or namespaces a container needs, podman itself answers 125 to 127.
    if (tried := run("run", "--rm", "--network", "none", f"pipemeter:{VERSION}", "/?", check=False)).returncode >= 125:
        clean()
        skip(f"podman cannot start a container here: {tried.stderr.strip()}")
    yield types.SimpleNamespace(run=run, env=env, image=f"pipemeter:{VERSION}")
    clean()

def test_every_architecture_is_one_file_run_as_nobody(index):
    top, blobs = index
    said = {key.rsplit(".", 1)[1]: value for key, value in top["annotations"].items()}
    assert (said["version"], len(said["revision"]), said["licenses"] + " License\n") == (
        VERSION, 40, (TOP / "LICENSE").read_text().splitlines(True)[0])
    assert {"amd64", "arm64", "arm", "386"} <= {m["platform"]["architecture"] for m in top["manifests"]}
    for e in top["manifests"]:
        manifest = json.loads(blobs[e["digest"]])
        conf = json.loads(blobs[manifest["config"]["digest"]])
        assert (conf["architecture"], conf["config"]["Labels"]) == (e["platform"]["architecture"], top["annotations"])
        assert {k: conf["config"][k] for k in ("Entrypoint", "User", "ExposedPorts")} == {
            "Entrypoint": ["/pipemeter"], "User": "65534", "ExposedPorts": {"7777/tcp": {}}}
        [layer] = manifest["layers"]
        with tarfile.open(fileobj=io.BytesIO(blobs[layer["digest"]])) as tar:
            assert [(m.name, m.mode, m.uid, m.isfile()) for m in tar] == [("pipemeter", 0o755, 0, True)]

@pytest.mark.parametrize("server_side, client_side", [("container", "container"), ("host", "container"),
                                                      ("container", "host")])
def test_a_transfer_over_the_host_network(start, podman, server_side, client_side):
    def side(where):  # podman run hands on the program's output and exit code
        return {"program": podman.image, "runner": ["podman", "run", "--rm", "--network", "host"],
                "env": podman.env} if where == "container" else {}
    port, megabytes = free_port(), 20
    server = serve(start, "/S", f"/P:{port}", **side(server_side))
    expect(start("/H:127.0.0.1", f"/P:{port}", f"/M:{megabytes}", **side(client_side)), 0,
           whole_client(port, megabytes))
    expect(server, 0, whole_server(port, [megabytes]))

def test_foreign_architectures_show_the_usage_screen_under_qemu(start, index, podman):
    for platform in (m["platform"] for m in index[0]["manifests"] if m["platform"]["architecture"] != "amd64"):
        name = "/".join(platform[k] for k in ("os", "architecture", "variant") if k in platform)
        image = podman.run("pull", "--quiet", "--platform", name, f"oci-archive:{ARCHIVE}").stdout.strip()
        emulator = shutil.which(f"{QEMU[platform['architecture']]}-static")
        assert emulator, f"no qemu-user-static program for {name}"
        runner = ["podman", "run", "--rm", "--network", "none", "--arch", platform["architecture"], "--volume",
                  f"{emulator}:/qemu:ro", "--entrypoint", '["/qemu", "/pipemeter"]']
        expect(start(program=image, runner=runner, env=podman.env), 1, usage("/pipemeter"))

def test_the_kubernetes_manifests_in_a_standin_pod(podman, tmp_path):
    # podman plays neither a Service nor a Job: one pod stands in, with the
    # Deployment's server and the Job's client side by side. The pod's own
    # loopback is the Service, restarts on failure are the Job's retries.
    kinds = {d["kind"]: d for path in (TOP / "packaging/kubernetes").glob("*.yaml")
             for d in yaml.safe_load_all(path.read_text())}
    service, job = kinds["Service"], kinds["Job"]["spec"]
    [server], [client] = (kinds[k]["spec"]["template"]["spec"]["containers"] for k in ("Deployment", "Job"))
    port = service["spec"]["ports"][0]["port"]
    assert (client["image"], port, server["ports"][0]["containerPort"]) == (server["image"], 7777, port)
    del server["ports"]  # podman would publish them on the host
    client["args"] = [a.replace(f"/H:{service['metadata']['name']}", "/H:127.0.0.1") for a in client["args"]]
    pod = {"apiVersion": "v1", "kind": "Pod", "metadata": {"name": "pipemeter"},
           "spec": {"restartPolicy": "OnFailure", "containers": [server, client]}}
    (tmp_path / "pod.yaml").write_text(yaml.safe_dump(pod))
    podman.run("pull", "--quiet", f"oci-archive:{ARCHIVE}")  # the name on this machine's own again
    podman.run("tag", podman.image, server["image"])  # and the tag the manifests name, whatever the version
    podman.run("kube", "play", "--network", "none", str(tmp_path / "pod.yaml"))
    end = time.monotonic() + 120
    while (state := podman.run("inspect", "--format", "{{.State.Status}} {{.State.ExitCode}} {{.RestartCount}}",
                               "pipemeter-client").stdout.split())[:2] != ["exited", "0"]:
        assert int(state[2]) <= job["backoffLimit"] and time.monotonic() < end, state
        time.sleep(0.2)
    logs = [podman.run("logs", f"pipemeter-{c['name']}") for c in (client, server)]
    assert [log.stderr for log in logs] == ["", ""], "nothing may go to standard error"
    client_log, server_log = (normalize(log.stdout) for log in logs)
    [count] = [int(a[3:]) for a in server["args"] if a.startswith("/S:")]
    [megabytes] = [int(a[3:]) for a in client["args"] if a.startswith("/M:")]
    # A client started before the server listened was refused, and ran again.
    refused = client_start(port) + CONNECTING + report("Failed to connect socket to server", 10061,
                                                       "Connection refused")
    assert client_log.text == refused * client_log.text.count(", error 10061.") + whole_client(port, megabytes)
    assert server_log.text == server_start(port) + waiting(count, port) + SERVER_HEADER + SERVER_END + summary(
        megabytes) + waiting(count - 1, port)
    list(map(check_units, (client_log, server_log)))
