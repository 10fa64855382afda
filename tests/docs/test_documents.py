"""README's and the manual page's samples against the program, and the files README and CONTRIBUTING cite."""
import pathlib, re, subprocess, pytest

from conftest import WIPE, normalize, replay, serve

ROOT = pathlib.Path(__file__).resolve().parents[2]
TRACKED = subprocess.run(["git", "ls-files"], cwd=ROOT, capture_output=True, text=True, check=True).stdout.split()
NAMES = {name for path in TRACKED for name in pathlib.PurePath(path).parts} | {"README.txt", "LICENSE.txt"}  # the zip's

def short(text):  # as the page shortens runs of dashes and of blanks
    return re.sub(r"-{60,}", "-" * 60, re.sub(r"(?<=\S) {4,}(?=\S)", "    ", text))

def test_readme_and_the_page_show_what_the_program_prints(start, port):
    # MEGABYTES=200 scripts/demo as a wide terminal shows it: no progress line, dates... masked
    server, client = serve(start, "/S", f"/P:{port}"), start("/H:127.0.0.1", f"/P:{port}", "/M:200")
    screens = ["\n".join(row.rstrip() for row in replay(normalize(child.finish()[1].replace(
        f"port {port}", "port 7777")).text.replace("\n", "\r\n"), 1000)).strip("\n") for child in (client, server)]
    blocks = re.findall(r"\n\n((?: {4}.*\n|\n)+?)\S", (ROOT / "README.md").read_text().split("## What it prints")[1])
    sample, progress = [re.sub("(?m)^ {4}", "", block).strip("\n") for block in blocks[:2]]
    assert normalize(sample).text == screens[0]
    page = (ROOT / "doc/pipemeter.1.in").read_text().split(".SH OUTPUT")[1].split(".SH ")[0].replace("\\-", "-")
    page = re.sub(r"(?m)^(.*?)(Bps:.*)\n( +)(Kbps:.*)$",  # a rate line folded after MBps, the rest under its Bps
                  lambda m: m[1] + m[2] + "   " + m[4] if len(m[3]) == len(m[1]) else m[0], page)
    command, *shown, page_progress = re.findall(r"(?ms)^\.EX\n(.*?)\n\.EE", page)
    assert command == "pipemeter /S\npipemeter /H:127.0.0.1 /M:200"
    assert [short(normalize(text).text) for text in shown] == [short(screen) for screen in screens]
    # The progress lines, from a longer run: laid out as the program lays out one.
    assert [normalize(WIPE + "\r" + line).text for line in (progress, page_progress)] == ["", ""], progress

@pytest.mark.parametrize("document", ["README.md", "CONTRIBUTING.md"])
def test_every_file_a_document_cites_is_in_the_tree(document):
    words = {w.rstrip(".") for w in re.findall(r"[\w.*/-]+", (ROOT / document).read_text())}
    top = "|".join({path.split("/")[0] for path in TRACKED})  # a path from the top of the tree, or a source's name
    cited = {w for w in words if not re.search(r"TRIPLET|VERSION|ARCH|PRESET|NAME|\*", w) and re.search(
        rf"^({top})/|\w\.(h|cpp|py|cmake|def|in|rc|toml|json|md|sh|yaml|txt)$", w)}
    assert cited and [w for w in cited if not (ROOT / w).exists() and w not in NAMES] == []
