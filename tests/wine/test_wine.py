"""What only the Windows program under Wine shows: transfers with the Linux one, a double-byte name, DLLs, version."""
import os, re, shutil, subprocess, pytest

from conftest import PROGRAM, VERSION, expect, serve, transfer, usage

SIDES = {"windows": {}, "linux": {"program": os.environ["PIPEMETER_LINUX_PROGRAM"], "runner": []}}

@pytest.mark.parametrize("client, server", [("windows", "windows"), ("linux", "windows"), ("windows", "linux")])
def test_transfer_between_the_builds_gives_the_same_transcripts(start, port, client, server):
    transfer(start, port, 5, serve(start, "/S", f"/P:{port}", **SIDES[server]), **SIDES[client])

def test_a_double_byte_name_is_cut_at_its_last_real_backslash_in_a_text_mode_file(start, tmp_path):
    # In code page 932 the trail byte of this character is a backslash.
    subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", tmp_path / "ja_JP.UTF-8"], check=True)
    shutil.copy(PROGRAM, tmp_path / "表.exe")
    child = start(program=tmp_path / "表.exe", env=dict(os.environ, LOCPATH=str(tmp_path), LC_ALL="ja_JP.UTF-8"))
    expect(child, 1, usage("\x95\x5c.exe"))
    data = child.out.read_bytes()  # line ends as every Windows console program writes them
    assert b"\r\n" in data and b"\n" not in data.replace(b"\r\n", b"")

def test_the_file_loads_only_windows_dlls_has_aslr_and_dep_and_names_its_version():
    dump = subprocess.run([os.environ["PIPEMETER_OBJDUMP"], "-p", PROGRAM], capture_output=True, text=True).stdout
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    assert "wsock32.dll" in dlls and dlls <= {"kernel32.dll", "user32.dll", "msvcrt.dll", "wsock32.dll"}, dlls
    flags = re.search(r"^DllCharacteristics\s+\w+\n((?:\t+\w+\n)*)", dump, re.M).group(1).split()
    assert {"DYNAMIC_BASE", "NX_COMPAT", "HIGH_ENTROPY_VA"} <= set(flags), flags
    assert {"StringFileInfo", "ProductName", "Pipemeter", "ProductVersion", VERSION} <= set(subprocess.run(
        [os.environ["PIPEMETER_STRINGS"], "-e", "l", PROGRAM], capture_output=True, text=True).stdout.split("\n"))
