"""Runs the shell and Python snippets of README.md against the local Lumivid
service, with the build's command, library and Python package, so that what
the README shows cannot drift from what they do.

Every fenced block without a language or marked sh, bash, shell or console is
run as shell, every python block as Python, unless the HTML comment just
before it says otherwise:

    <!-- readme-test: skip (REASON) -->     not run, for the reason given
    <!-- readme-test: exit N -->            each of its commands ends with status N
    <!-- NAME: begins (WHO runs it) -->     another test runs it

A block whose lines start with "$ " is a session: each such line is a
command, and the lines after it are what it prints; each shown line must be
printed, in order within its stream (spacing and dates aside, as the port the
service got changes the columns), and JSON shown must match the JSON printed but for
what varies from run to run. Any other shell block runs as one script. A
Python block runs as a script; a `# comment` on a print() line shows what it
prints, "..." standing for the parts left out.

Each block runs in a folder of its own as if it were the top of the source
tree (`build` there is the build folder), with a fresh HOME holding the
README's config.toml and the files the block names made for it. What the
README stands for is the local service's: its address, its demo user for the
README's user, and that user's password for a `CLIPFERRY_PASSWORD=...` (see
STAND_INS). The command finds the service through that config.toml, as the
README's outputs show; the Python package, which has no settings file,
through CLIPFERRY_PROXY_SERVER. The password a user would type is
CLIPFERRY_PASSWORD, for the commands that log in only. Each shell command
runs at a pseudo-terminal of its own (standard input and controlling
terminal; its output is kept), and the test in a desktop-like session
(tests/support/keyring_session.sh: a session bus and an unlocked keyring,
from which each block's kept password is removed when it ends).
"""

import fcntl
import hashlib
import json
import os
import pty
import re
import shlex
import subprocess
import sys
import tempfile
import termios
import tokenize
import unittest
import urllib.request
from pathlib import Path

COMMAND = Path(os.environ["CLIPFERRY_COMMAND"])
LIBRARY = os.environ["CLIPFERRY_LIBRARY"]
SOURCE_DIR = Path(os.environ["CLIPFERRY_SOURCE_DIR"])
BUILD_DIR = os.environ["CLIPFERRY_BUILD_DIR"]
DEVSERVER_STATE = Path(os.environ["CLIPFERRY_DEVSERVER_STATE"])
README = SOURCE_DIR / "README.md"
sys.path.insert(0, str(SOURCE_DIR / "tests" / "tools"))
from command_harness import UNREACHABLE, closed_port  # noqa: E402  (needs the path above)

SHELL_LANGUAGES = {"", "sh", "bash", "shell", "console"}
NO_LOGIN_COMMANDS = {"config", "history", "logout", "help", "completion", "--help", "--version"}
# Each command of the help, with what it needs to get as far as a login.
COMMAND_ARGUMENTS = {"login": [], "logout": [], "file-types": [], "categories": [], "moderators": [],
                     "upload": ["harbour.mp4"], "config": [], "history": [], "help": [],
                     "completion": ["bash"]}
LOGS_IN_FIRST = re.compile(r"Every command but\s+(.+?)\s+logs in first", re.S)
# What an upload's JSON holds that changes from run to run.
VARYING_JSON_KEYS = {"seconds"}

FENCE = re.compile(r"^(\s*)```(\w*)\s*$")
MARKER = re.compile(r"^\s*<!--(.*)-->\s*$")
SKIP = re.compile(r"\s*readme-test:\s*skip\s*\((.*)\)\s*$")
EXIT = re.compile(r"\s*readme-test:\s*exit\s+(\d+)\s*$")
ELSEWHERE = re.compile(r"\s*[\w ]+:\s*begins\s*\((.+ runs it)\)\s*$")
DATE = re.compile(r"\b\d{4}-\d{2}-\d{2}\b")
ELISION = re.compile(r"\.\.\.|\u2026")
# What the README shows that stands for the reader's own (Session.stand_ins).
STAND_INS = re.compile(r"127\.0\.0\.1:8765|/home/dana|\bdana\b|CLIPFERRY_PASSWORD=\.\.\.")


class Block:
    def __init__(self, line, language, text, marker):
        self.line, self.language, self.text, self.marker = line, language, text, marker

    @property
    def kind(self):
        if self.language in SHELL_LANGUAGES:
            return "shell"
        return "python" if self.language == "python" else "data"

    def skipped_because(self):
        """Why the block is not run here, or None when it is."""
        if self.marker is None:
            return None
        if m := SKIP.match(self.marker):
            return m.group(1).strip() or "(no reason given)"
        if m := ELSEWHERE.match(self.marker):
            return m.group(1)
        return None

    def expected_status(self):
        m = EXIT.match(self.marker or "")
        return int(m.group(1)) if m else 0


def fenced_blocks(text):
    """Each fenced block with its first line's number and the comment before it."""
    blocks, lines, i = [], text.split("\n"), 0
    while i < len(lines):
        opening = FENCE.match(lines[i])
        if not opening:
            i += 1
            continue
        indent, start = opening.group(1), i
        i += 1
        body = []
        while i < len(lines) and lines[i].strip() != "```":
            body.append(lines[i][len(indent):] if lines[i].startswith(indent) else lines[i].lstrip())
            i += 1
        before = start - 1
        while before >= 0 and not lines[before].strip():
            before -= 1
        marker = MARKER.match(lines[before]) if before >= 0 else None
        blocks.append(Block(start + 2, opening.group(2), "\n".join(body) + "\n",
                            marker.group(1) if marker else None))
        i += 1
    return blocks


BLOCKS = fenced_blocks(README.read_text(encoding="utf-8"))


def devserver_port():
    return int((DEVSERVER_STATE / "port").read_text().strip())


def demo_password():
    data = json.loads((SOURCE_DIR / "devserver" / "default_data.json").read_text())
    return next(u["password"] for u in data["users"] if u["username"] == "demo")


def clip(name, size):
    """Bytes of a given size, different for each name."""
    pattern = hashlib.sha256(name.encode()).digest() + bytes(range(256))
    return (pattern * (size // len(pattern) + 1))[:size]


def write(path, content):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(content if isinstance(content, bytes) else content.encode())


def publish_before(session, *files):
    for name in files:
        write(session.work / name, clip(name, 64 * 1024))
    done = session.run_command("clipferry upload " + " ".join(files))
    assert done.returncode == 0, done.stdout + done.stderr


# The files the README's commands name, made when a block names them.
FIXTURES = {
    # the size its dry run and --json show
    "harbour.mp4": lambda s: write(s.work / "harbour.mp4", clip("harbour.mp4", 3145745)),
    "harbour.mkv": lambda s: write(s.work / "harbour.mkv", clip("harbour.mkv", 4096)),
    "meta.json": lambda s: write(s.work / "meta.json", json.dumps(
        [{"file": "harbour.mp4", "title": "Harbour at dusk", "description": "Filmed from the north pier",
          "tags": ["harbour", "dusk"], "categories": [1, 11], "moderator": 501}])),
    # a folder two of whose videos were published before, and an earlier cut of a third
    "clips/": lambda s: (publish_before(s, "clips/harbour.mp4", "clips/gulls.mov", "clips/pier.mp4"),
                         write(s.work / "clips/pier.mp4", clip("clips/pier.mp4, cut again", 64 * 1024)),
                         write(s.work / "clips/notes.txt", "shot list\n"),
                         write(s.work / "clips/day2/dawn.mp4", clip("clips/day2/dawn.mp4", 1024))),
}


def readme_config():
    toml = [b for b in BLOCKS if b.language == "toml"]
    assert len(toml) == 1, "the README shows one config.toml"
    return toml[0].text


class Session:
    """A folder standing for the top of the source tree, and a HOME of its own."""

    def __init__(self, scratch):
        self.port = devserver_port()
        self.home = Path(scratch) / "home"
        self.work = Path(scratch) / "work"
        self.work.mkdir(parents=True)
        (self.work / "build").symlink_to(BUILD_DIR)
        self.stand_ins = {"127.0.0.1:8765": f"127.0.0.1:{self.port}", "/home/dana": str(self.home),
                          "dana": "demo", "CLIPFERRY_PASSWORD=...": f"CLIPFERRY_PASSWORD={demo_password()}"}
        write(self.home / ".config" / "clipferry" / "config.toml", self.localised(readme_config()))
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("CLIPFERRY_", "XDG_CONFIG_", "XDG_STATE_", "PYTHON"))}
        self.env.update(HOME=str(self.home), LC_ALL="C.UTF-8", PATH=f"{COMMAND.parent}:{os.environ['PATH']}")

    def localised(self, text):
        """The README's text with the local service's address, user and password, and this HOME."""
        return STAND_INS.sub(lambda m: self.stand_ins[m.group(0)], text)

    def forget_kept_password(self):
        subprocess.run([COMMAND, "logout"], cwd=self.work, env=self.env, capture_output=True,
                       stdin=subprocess.DEVNULL, timeout=60)

    def make_fixtures(self, text):
        for name, make in FIXTURES.items():
            if name in text:
                make(self)

    def run_command(self, script):
        """Runs the script at a terminal of its own, as a reader types it: its standard
        input and controlling terminal are a pseudo-terminal, its output is kept."""
        env = dict(self.env)
        if needs_login(script):
            env["CLIPFERRY_PASSWORD"] = demo_password()
        terminal, reader_side = pty.openpty()
        try:
            return subprocess.run(["/bin/bash", "-e", "-c", self.localised(script)], cwd=self.work,
                                  env=env, capture_output=True, text=True, errors="replace",
                                  stdin=reader_side, start_new_session=True, preexec_fn=take_terminal,
                                  timeout=120)
        finally:
            os.close(terminal)
            os.close(reader_side)


def take_terminal():
    fcntl.ioctl(0, termios.TIOCSCTTY, 0)


def needs_login(script):
    """Whether a clipferry command of the script logs in."""
    for line in script.splitlines():
        words = shlex.split(line, comments=True)
        if "clipferry" in words:
            after = words[words.index("clipferry") + 1:]
            if not NO_LOGIN_COMMANDS.intersection(after):
                return True
    return False


def session_steps(text):
    """A session's commands, each with the lines shown after it."""
    steps = []
    for line in text.rstrip("\n").split("\n"):
        if line.startswith("$ "):
            steps.append((line[2:], []))
        elif steps:
            steps[-1][1].append(line)
        else:
            raise AssertionError(f"output before the first command: {line!r}")
    return steps


def spaced(line):
    """The line with its spacing, and the dates that change from run to run, made plain."""
    return DATE.sub("YYYY-MM-DD", " ".join(line.split()))


def missing_lines(shown, stdout, stderr):
    """The shown lines not printed, each found in order within its stream."""
    streams = [[spaced(l) for l in stdout.splitlines()], [spaced(l) for l in stderr.splitlines()]]
    places, missing = [0, 0], []
    for line in filter(None, map(spaced, shown)):
        for s, printed in enumerate(streams):
            if line in printed[places[s]:]:
                places[s] = printed.index(line, places[s]) + 1
                break
        else:
            missing.append(line)
    return missing


def json_differences(shown, printed, where="$"):
    if isinstance(shown, dict) and isinstance(printed, dict):
        if shown.keys() != printed.keys():
            return [f"{where}: keys {sorted(shown)} shown, {sorted(printed)} printed"]
        return [d for key in shown if key not in VARYING_JSON_KEYS
                for d in json_differences(shown[key], printed[key], f"{where}.{key}")]
    return [] if shown == printed else [f"{where}: {shown!r} shown, {printed!r} printed"]


def shown_json(lines):
    try:
        return json.loads("\n".join(lines))
    except ValueError:
        return None


def matches_shown(printed, shown):
    """Whether printed text reads as the shown text, "..." standing for anything."""
    pieces = ELISION.split(shown)
    if len(pieces) == 1:
        return printed == shown
    if not (printed.startswith(pieces[0]) and printed.endswith(pieces[-1])):
        return False
    place = len(pieces[0])
    for piece in pieces[1:-1]:
        place = printed.find(piece, place)
        if place < 0:
            return False
        place += len(piece)
    return place <= len(printed) - len(pieces[-1])


def shown_prints(block):
    """{README line: shown text} for the comments on print() lines."""
    shown = {}
    lines = iter(block.text.splitlines(keepends=True))
    for token in tokenize.generate_tokens(lambda: next(lines, "")):
        if token.type == tokenize.COMMENT and "print(" in token.line[:token.start[1]]:
            shown[block.line + token.start[0] - 1] = token.string[1:].strip()
    return shown


# Runs a snippet so that its tracebacks name README.md's lines, and notes what
# each print() call on a README line printed.
PYTHON_RUNNER = r"""
import builtins, json, sys
snippet, first_line, record = sys.argv[1], int(sys.argv[2]), sys.argv[3]
code = compile("\n" * (first_line - 1) + open(snippet).read(), "README.md", "exec")
printed, real_print = {}, builtins.print
def noting_print(*args, sep=" ", **kwargs):
    caller = sys._getframe(1)
    if caller.f_code.co_filename == "README.md":
        printed.setdefault(caller.f_lineno, []).append((" " if sep is None else sep).join(map(str, args)))
    real_print(*args, sep=sep, **kwargs)
builtins.print = noting_print
try:
    exec(code, {"__name__": "__main__"})
finally:
    with open(record, "w") as f:
        json.dump(printed, f)
"""


class ReadmeSnippets(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        # The service's own data, whatever tests before this one added.
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        reset = urllib.request.Request(f"http://127.0.0.1:{devserver_port()}/_control/reset", data=b"{}",
                                       headers={"Content-Type": "application/json"})
        with opener.open(reset, timeout=10) as r:
            assert r.status == 200

    def test_markers_name_a_block_and_a_reason(self):
        text = README.read_text(encoding="utf-8").split("\n")
        for number, line in enumerate(text, 1):
            if "readme-test:" not in line:
                continue
            with self.subTest(line=number):
                marker = MARKER.match(line)
                self.assertTrue(marker and (SKIP.match(marker.group(1)) or EXIT.match(marker.group(1))),
                                f"not a readme-test marker: {line!r}")
                following = next((l for l in text[number:] if l.strip()), "")
                self.assertTrue(FENCE.match(following), "the marker is not just before a fenced block")
                if skip := SKIP.match(marker.group(1)):
                    self.assertTrue(skip.group(1).strip(), "a skip says why")

    def test_both_kinds_are_found_and_run(self):
        run = {b.kind for b in BLOCKS if b.skipped_because() is None}
        self.assertLessEqual({"shell", "python"}, run)

    def test_the_commands_said_to_need_no_login_are_those_that_never_log_in(self):
        help_text = subprocess.run([COMMAND, "--help"], capture_output=True, text=True, timeout=60,
                                   check=True).stdout
        in_help = set(re.split(r",\s*|\s+and\s+", LOGS_IN_FIRST.search(help_text).group(1)))
        in_readme = set(re.findall(r"`([\w-]+)`", LOGS_IN_FIRST.search(README.read_text()).group(1)))
        self.assertEqual(in_readme, in_help)
        listed = help_text.split("Subcommands:\n")[1].split("\n\n")[0]
        self.assertEqual(set(re.findall(r"^  ([\w-]+) ", listed, re.M)), set(COMMAND_ARGUMENTS))
        # With no service to reach, a command that logs in says so, and only such a command.
        with tempfile.TemporaryDirectory(prefix="readme-snippet-") as scratch:
            session = Session(scratch)
            write(session.work / "harbour.mp4", clip("harbour.mp4", 4096))
            env = dict(session.env, CLIPFERRY_PROXY_SERVER=f"127.0.0.1:{closed_port()}",
                       CLIPFERRY_PASSWORD=demo_password())
            for command, arguments in COMMAND_ARGUMENTS.items():
                with self.subTest(command=command):
                    done = subprocess.run([COMMAND, command, *arguments], cwd=session.work, env=env,
                                          capture_output=True, text=True, stdin=subprocess.DEVNULL, timeout=60)
                    self.assertEqual(done.returncode == UNREACHABLE, command not in in_help,
                                     f"status {done.returncode}: {done.stderr}")

    def run_shell(self, block):
        with tempfile.TemporaryDirectory(prefix="readme-snippet-") as scratch:
            session = Session(scratch)
            try:
                session.make_fixtures(block.text)
                self.check_shell(block, session)
            finally:
                session.forget_kept_password()

    def check_shell(self, block, session):
        if not any(line.startswith("$ ") for line in block.text.splitlines()):
            done = session.run_command(block.text)
            self.assertEqual(done.returncode, block.expected_status(), done.stdout + done.stderr)
            return
        for command, shown in session_steps(block.text):
            with self.subTest(command=command):
                done = session.run_command(command)
                said = f"$ {command}\n{done.stdout}{done.stderr}"
                self.assertEqual(done.returncode, block.expected_status(), said)
                shown = [session.localised(line) for line in shown]
                if (document := shown_json(shown)) is not None:
                    self.assertEqual(json_differences(document, json.loads(done.stdout)), [], said)
                else:
                    self.assertEqual(missing_lines(shown, done.stdout, done.stderr), [], said)

    def run_python(self, block):
        with tempfile.TemporaryDirectory(prefix="readme-snippet-") as scratch:
            session = Session(scratch)
            session.make_fixtures(block.text)
            snippet, record = Path(scratch) / "snippet.py", Path(scratch) / "printed.json"
            snippet.write_text(block.text)
            env = dict(session.env, CLIPFERRY_LIBRARY=LIBRARY, CLIPFERRY_PROXY_SERVER=f"127.0.0.1:{session.port}",
                       PYTHONPATH=str(SOURCE_DIR / "bindings" / "python"))
            done = subprocess.run([sys.executable, "-B", "-c", PYTHON_RUNNER, str(snippet), str(block.line),
                                   str(record)], cwd=session.work, env=env, capture_output=True, text=True,
                                  stdin=subprocess.DEVNULL, timeout=120)
            self.assertEqual(done.returncode, 0, done.stdout[-2000:] + done.stderr)
            printed = json.loads(record.read_text())
            for line, shown in shown_prints(block).items():
                with self.subTest(line=line):
                    said = printed.get(str(line), [])
                    self.assertTrue(said, f"README.md:{line} printed nothing")
                    self.assertTrue(matches_shown(said[0], shown),
                                    f"README.md:{line} shows {shown}\nbut printed {said[0]}")


def _snippet_test(block):
    def test(self):
        reason = block.skipped_because()
        if reason is not None:
            self.skipTest(reason)
        (self.run_shell if block.kind == "shell" else self.run_python)(block)
    return test


for _block in BLOCKS:
    if _block.kind != "data":
        setattr(ReadmeSnippets, f"test_{_block.kind}_at_readme_line_{_block.line:04d}", _snippet_test(_block))


if __name__ == "__main__":
    unittest.main()
