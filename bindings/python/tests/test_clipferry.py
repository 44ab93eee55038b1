"""The clipferry Python package against the local Lumivid service: the calls,
every exception class from a real failure, text at the limits, callbacks and threads."""

from __future__ import annotations

import asyncio
import contextlib
import ctypes
import hashlib
import json
import os
import pty
import re
import signal
import socket
import subprocess
import sys
import threading
import traceback
import urllib.request
from pathlib import Path
from types import SimpleNamespace
from typing import Any, Callable

import pytest

import clipferry

SOURCE = Path(os.environ.get("CLIPFERRY_SOURCE_DIR", Path(__file__).resolve().parents[3]))
STATE = Path(os.environ["CLIPFERRY_DEVSERVER_STATE"])


def control(path: str, body: dict[str, Any] | None = None) -> Any:
    """The service's control API, reached directly, never through a proxy."""
    port = (STATE / "port").read_text().strip()
    data = None if body is None else json.dumps(body).encode()
    request = urllib.request.Request(f"http://127.0.0.1:{port}/_control/{path}", data=data,
                                     headers={"Content-Type": "application/json"})
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    with opener.open(request, timeout=10) as answer:
        return json.load(answer)


@pytest.fixture(autouse=True)
def service(monkeypatch: pytest.MonkeyPatch) -> None:
    """A fresh service as the proxy of every context made in the test."""
    control("reset", {})
    monkeypatch.setenv("CLIPFERRY_PROXY_SERVER", f"127.0.0.1:{(STATE / 'port').read_text().strip()}")
    monkeypatch.delenv("CLIPFERRY_CURL_LIBRARY", raising=False)


@pytest.fixture
def clip(tmp_path: Path) -> Path:
    path = tmp_path / "harbour.mp4"
    path.write_bytes(os.urandom(3 * 1024 * 1024 + 17))
    return path


def logged_in() -> clipferry.Uploader:
    up = clipferry.Uploader()
    up.login("demo", "demo-password")
    return up


def closed_port() -> int:
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return int(s.getsockname()[1])


def test_login_lists_and_an_upload_with_progress(clip: Path) -> None:
    data = json.loads((SOURCE / "devserver" / "default_data.json").read_text())
    seen: list[tuple[int, int]] = []
    with logged_in() as up:
        assert up.file_types() == data["file_types"].split(";")
        tree = {node.category: [child.category for child in node.children] for node in up.category_tree()}
        assert tree == {clipferry.Category(c["id"], c["name"]): [
            clipferry.Category(k["id"], k["name"]) for k in data["categories"] if k["parent"] == c["id"]]
            for c in data["categories"] if c["parent"] == 0}
        assert [(m.id, m.name) for m in up.moderators()] == [(501, "Mia Moderator"), (502, "Otto O'Neil")]
        verdict = up.upload(clip, title="Harbour", description="Gulls", tags=["harbour", "dusk"],
                            categories=[1, 11], moderator=501, progress=lambda s, t: seen.append((s, t)))
    assert verdict == clipferry.Verdict(True, 'Your video "Harbour" was received and awaits moderation.')
    assert seen[-1][0] == seen[-1][1] > clip.stat().st_size
    received = control("uploads")[0]
    assert received["sha256"] == hashlib.sha256(clip.read_bytes()).hexdigest()
    fields = dict(received["fields"])
    assert (fields["tags"], fields["category1"], fields["category2"], fields["moderator"]) == \
        ("harbour dusk", "1", "11", "501")


def _raise_in_callback(up: clipferry.Uploader, clip: Path) -> None:
    def progress(sent: int, total: int) -> None:
        raise ZeroDivisionError("from the progress callable")
    up.upload(clip, title="t", progress=progress)


# Each row: what to do with a logged-in Uploader (or the environment to make
# one in), and the exception it must raise, with its result code and what it
# says (for the package's own exceptions).
FAILURES: list[tuple[str, dict[str, str], Callable[[clipferry.Uploader, Path], object], type, int | None, str]] = [
    ("closed port", {"CLIPFERRY_PROXY_SERVER": f"127.0.0.1:{closed_port()}"},
     lambda up, clip: up.login("demo", "demo-password"), clipferry.TransferError, 7,
     "the request failed: could not connect (libcurl result 7)"),
    ("refused login", {}, lambda up, clip: up.login("demo", "wrong"), clipferry.LoginRefused, 83,
     "the user name or password is wrong"),
    ("missing libcurl", {"CLIPFERRY_CURL_LIBRARY": "/nonexistent/libcurl.so.4"},
     lambda up, clip: up.login("demo", "demo-password"), clipferry.LibcurlMissing, 42,
     "libcurl could not be loaded, or lacks a function the library needs"),
    ("lists before a login", {}, lambda up, clip: clipferry.Uploader().file_types(), clipferry.BadArgument, 82,
     "log in first"),
    ("moderators before a login", {}, lambda up, clip: clipferry.Uploader().moderators(), clipferry.BadArgument,
     82, "log in first"),
    ("upload before a login", {}, lambda up, clip: clipferry.Uploader().upload(clip, title="t"),
     clipferry.BadArgument, 82, "log in first"),
    ("cancel from progress", {}, lambda up, clip: up.upload(clip, title="t", progress=lambda s, t: True),
     clipferry.Cancelled, 42, "the upload was cancelled"),
    ("exception in progress", {}, _raise_in_callback, ZeroDivisionError, None, "from the progress callable"),
    ("call from its own callback", {},
     lambda up, clip: up.upload(clip, title="t", progress=lambda s, t: up.categories()),
     clipferry.ConcurrentUse, None, "this Uploader is in a call already; use one Uploader per thread"),
    ("user one byte over", {}, lambda up, clip: up.login("é" * 129 + "ab", "x"), ValueError, None,
     "user is 260 UTF-8 bytes; the library takes at most 259"),
    ("title one byte over", {}, lambda up, clip: up.upload(clip, title="é" * 511 + "ab"), ValueError, None,
     "title is 1024 UTF-8 bytes; the library takes at most 1023"),
    ("control character in a title", {}, lambda up, clip: up.upload(clip, title="a\x01b"), ValueError, None,
     "title holds the control character U+0001, which the service cannot take"),
    ("fourth category", {}, lambda up, clip: up.upload(clip, title="t", categories=[1, 2, 3, 4]),
     ValueError, None, "at most three categories, not 4"),
    ("closed uploader", {}, lambda up, clip: (up.close(), up.moderators()), ValueError, None,
     "this Uploader is closed"),
]


@pytest.mark.parametrize("environment, act, kind, result, said",
                         [row[1:] for row in FAILURES], ids=[row[0] for row in FAILURES])
def test_failures(environment: dict[str, str], act: Callable[[clipferry.Uploader, Path], object],
                  kind: type, result: int | None, said: str, clip: Path, monkeypatch: pytest.MonkeyPatch) -> None:
    for name, value in environment.items():
        monkeypatch.setenv(name, value)
    up = clipferry.Uploader() if environment else logged_in()
    with pytest.raises(kind) as raised:
        act(up, clip)
    assert str(raised.value) == said
    if result is not None:
        assert raised.value.result is clipferry.Result(result) and raised.value.text == clipferry.result_text(result)
    if kind is ZeroDivisionError:  # raised again with the callable's own frame
        assert "in progress" in "".join(traceback.format_tb(raised.value.__traceback__))
    assert control("uploads") == []


@pytest.mark.parametrize("answer, kind, result, said", [
    ({"drop": True}, clipferry.TransferError, 52, "the request failed: empty reply from the server (libcurl result 52)"),
    ({"body": "<html>busy</html>"}, clipferry.NoVerdict, 83, "the service's answer to the upload held no verdict"),
], ids=["no answer", "an answer without a verdict"])
def test_a_failure_after_the_last_byte_may_have_been_received(answer: dict[str, object], kind: type, result: int,
                                                              said: str, clip: Path) -> None:
    control("script", {"path": "/upload", **answer})
    with logged_in() as up, pytest.raises(kind) as raised:
        up.upload(clip, title="t")
    assert raised.value.result == result and raised.value.may_have_been_received and str(raised.value) == said


def test_an_account_that_may_choose_no_moderator_has_none() -> None:
    with clipferry.Uploader() as up:
        up.login("solo", "solo-password")
        assert up.moderators() == []


def big_sparse_file(clip: Path) -> Path:
    """A file that takes many progress calls to send, without filling the disk."""
    big = clip.with_name("big.mp4")
    with open(big, "wb") as out:
        out.truncate(512 * 1024 * 1024)
    return big


HELD_VERDICT = "Your video was received and awaits moderation."


def hold_the_verdict() -> None:
    """The service reads the whole upload, then holds its answer until released."""
    control("script", {"path": "/upload", "hold_ms": 60000, "headers": [["Content-Type", "text/xml"]],
                       "body": f"<result><status>SUCCESS</status><message>{HELD_VERDICT}</message></result>"})


def held_after_last_byte(sent: int, total: int) -> bool:
    """True once the last byte went out and the service, with all of it, holds its answer."""
    if not 0 < total <= sent:
        return False
    for _ in range(1000):  # each look is a request; the last bytes are already on their way
        if control("held")["held"]:
            return True
    return False


# Each row: what stops a synchronous upload, and when: on the first progress
# call while the file goes out (nothing published), or once the service has
# the whole upload and holds its answer. What is raised must say whether the
# service may have the video.
STOPS = [
    ("Ctrl-C while sending", "sigint", False, clipferry.UploadInterrupted),
    ("Ctrl-C awaiting the verdict", "sigint", True, clipferry.UploadInterrupted),
    ("cancel awaiting the verdict", "event", True, clipferry.Cancelled),
]


@pytest.mark.parametrize("how, after_last_byte, kind", [row[1:] for row in STOPS], ids=[row[0] for row in STOPS])
def test_a_stopped_upload_says_whether_the_service_may_have_it(how: str, after_last_byte: bool, kind: type,
                                                                clip: Path) -> None:
    if after_last_byte:
        hold_the_verdict()
    cancel = threading.Event()
    stopped: list[int] = []

    def progress(sent: int, total: int) -> None:
        if not stopped and (held_after_last_byte(sent, total) if after_last_byte else 0 < sent < total):
            stopped.append(sent)
            if how == "sigint":  # noted before this callable returns: this is the main thread
                os.kill(os.getpid(), signal.SIGINT)
            else:
                cancel.set()

    with logged_in() as up, pytest.raises(kind) as raised:
        up.upload(clip if after_last_byte else big_sparse_file(clip), title="t", categories=[1],
                  progress=progress, cancel=cancel)
    assert stopped and raised.value.may_have_been_received is after_last_byte
    if how == "sigint":
        assert isinstance(raised.value.__cause__, clipferry.Cancelled)
    if not after_last_byte:
        assert control("uploads") == []
    control("release", {})


def test_a_verdict_that_arrived_whole_outweighs_a_later_ctrl_c(clip: Path,
                                                                 monkeypatch: pytest.MonkeyPatch) -> None:
    """Ctrl-C after the answer arrived, before the library returned: libcurl
    asks the progress callback once more then, and a stop would lose the verdict."""
    up = logged_in()
    answers: list[int] = []

    def do_upload(*arguments: Any) -> int:  # libcurl's calls, as they come around a fast answer
        message, callback = arguments[9], arguments[11]
        answers.append(callback(None, 0.0, 0.0, 900.0, 900.0))  # the last byte went out
        os.kill(os.getpid(), signal.SIGINT)
        answers.append(callback(None, 120.0, 120.0, 900.0, 900.0))  # the answer is here whole
        ctypes.memmove(message, HELD_VERDICT.encode(clipferry._library.UTF16), 2 * len(HELD_VERDICT))
        return 42 if any(answers) else 0

    monkeypatch.setattr(up, "_lib", SimpleNamespace(CLIPFERRY_DoUpload=do_upload))
    try:
        outcome = up.upload(clip, title="t")
    except KeyboardInterrupt:  # not left to end the test session
        pytest.fail("the Ctrl-C outweighed the verdict")
    assert outcome == clipferry.Verdict(True, HELD_VERDICT) and answers == [0, 0]


@pytest.mark.parametrize("title, description, accepted, message", [
    ("Harbour 🌅 𝄞", "Gulls 🐦", True, 'Your video "Harbour 🌅 𝄞" was received and awaits moderation.'),
    ("é" * 511 + "a", "d" * 1023, True, f'Your video "{"é" * 511 + "a"}" was received and awaits moderation.'),
    (" ", "", False, "A title is required"),
], ids=["non-BMP", "exactly at the limit", "refused upload"])
def test_text_round_trips_and_verdicts(title: str, description: str, accepted: bool, message: str,
                                       clip: Path) -> None:
    with logged_in() as up:
        assert up.upload(clip, title=title, description=description, categories=[1]) == \
            clipferry.Verdict(accepted, message)
    fields = dict(control("uploads")[0]["fields"])
    assert (fields["title"], fields["description"]) == (title, description)


@pytest.mark.parametrize("choices, file_name, message", [
    ({"categories": [99]}, "harbour.mp4", "Unknown category 99"),
    ({"categories": [1], "moderator": 777}, "harbour.mp4", "Unknown moderator 777"),
    ({"categories": [1]}, "notes.txt",
     'The file "notes.txt" is not of a type Lumivid accepts (*.mp4, *.mov, *.avi, *.wmv, *.mpg)'),
    ({}, "harbour.mp4", "A category is required"),
], ids=["unknown category", "unknown moderator", "not a video type", "no category"])
def test_the_services_refusal_is_a_verdict_in_its_words(choices: dict[str, Any], file_name: str, message: str,
                                                         tmp_path: Path) -> None:
    path = tmp_path / file_name
    path.write_bytes(b"video bytes")
    with logged_in() as up:
        assert up.upload(path, title="Harbour", **choices) == clipferry.Verdict(False, message)


def test_two_contexts_on_two_threads_and_one_context_used_by_two(clip: Path) -> None:
    inside, go_on = threading.Event(), threading.Event()
    outcomes: dict[str, object] = {}

    def hold(sent: int, total: int) -> None:  # keeps the first thread inside its call
        inside.set()
        go_on.wait(10)

    shared = logged_in()

    def work(name: str) -> None:
        with logged_in() as own:
            outcomes[name] = own.upload(clip, title=name, categories=[1]).message

    first = threading.Thread(target=lambda: outcomes.update(held=shared.upload(clip, title="held", categories=[1],
                                                                                progress=hold)))
    first.start()
    assert inside.wait(10)
    with pytest.raises(clipferry.ConcurrentUse):
        shared.categories()
    others = [threading.Thread(target=work, args=(name,)) for name in ("left", "right")]
    for thread in others:
        thread.start()
    for thread in others:
        thread.join(60)
    go_on.set()
    first.join(60)
    shared.close()
    assert outcomes["held"] == clipferry.Verdict(True, 'Your video "held" was received and awaits moderation.')
    assert {outcomes["left"], outcomes["right"]} == {
        f'Your video "{name}" was received and awaits moderation.' for name in ("left", "right")}


def test_upload_async_runs_on_a_worker_thread(clip: Path) -> None:
    threads: set[int] = set()

    async def main() -> clipferry.Verdict:
        with logged_in() as up:
            return await up.upload_async(clip, title="async", categories=[1],
                                         progress=lambda s, t: threads.add(threading.get_ident()))

    assert asyncio.run(main()).accepted
    assert threads and threading.get_ident() not in threads


# Each row: what the host does to an upload_async while the file goes out
# (nothing published) or once the service has all of it and holds its verdict,
# and what the awaiting code then gets.
ASYNC_STOPS: list[tuple[str, str, bool, Callable[[object], bool]]] = [
    ("task cancelled while sending", "task", False, lambda got: isinstance(got, asyncio.CancelledError)),
    ("task cancelled awaiting the verdict", "task", True, lambda got: got == clipferry.Verdict(True, HELD_VERDICT)),
    ("task cancelled, then cancel set, awaiting the verdict", "task+event", True,
     lambda got: isinstance(got, clipferry.Cancelled) and got.may_have_been_received),
]


@pytest.mark.parametrize("how, after_last_byte, expected", [row[1:] for row in ASYNC_STOPS],
                         ids=[row[0] for row in ASYNC_STOPS])
def test_cancelling_upload_async_never_loses_a_verdict(how: str, after_last_byte: bool,
                                                      expected: Callable[[object], bool], clip: Path) -> None:
    if after_last_byte:
        hold_the_verdict()
    cancel = threading.Event()

    async def main() -> BaseException | clipferry.Verdict:
        loop, reached = asyncio.get_running_loop(), asyncio.Event()

        def progress(sent: int, total: int) -> None:
            if not reached.is_set() and (held_after_last_byte(sent, total) if after_last_byte else 0 < sent < total):
                loop.call_soon_threadsafe(reached.set)

        with logged_in() as up:
            task = asyncio.create_task(up.upload_async(clip if after_last_byte else big_sparse_file(clip),
                                                       title="t", categories=[1], progress=progress, cancel=cancel))
            waiting = asyncio.ensure_future(reached.wait())
            await asyncio.wait({task, waiting}, return_when=asyncio.FIRST_COMPLETED)
            waiting.cancel()  # and a task that ended first is what the host gets
            task.cancel()
            await asyncio.sleep(0)  # the task takes the cancel in before anything else happens
            if how == "task+event":
                cancel.set()
                await asyncio.wait({task})  # stopped with the verdict still held
            await asyncio.to_thread(control, "release", {})
            try:
                return await task
            except BaseException as error:
                return error

    assert expected(asyncio.run(main()))
    if not after_last_byte:
        assert control("uploads") == []


def test_a_missing_library_names_where_it_looked(tmp_path: Path) -> None:
    env = {"PATH": "/usr/bin:/bin", "PYTHONPATH": str(Path(clipferry.__file__).parents[1]),
           "CLIPFERRY_LIBRARY": str(tmp_path / "nowhere.so")}
    run = subprocess.run([sys.executable, "-c", "import clipferry; clipferry.Uploader()"], env=env,
                         capture_output=True, text=True)
    assert "clipferry._library.LibraryNotFound: the Clipferry library could not be loaded" in run.stderr
    assert "nowhere.so from CLIPFERRY_LIBRARY" in run.stderr and "system's library search path" in run.stderr


@pytest.mark.parametrize("answer, status, last_line", [
    (lambda run, terminal: os.kill(run.pid, signal.SIGINT), 130, "python3 -m clipferry: interrupted"),
    (lambda run, terminal: os.write(terminal, b"\x04"), 1, "python3 -m clipferry: no password given"),
], ids=["Ctrl-C", "end of input"])
def test_the_command_leaves_its_password_prompt_in_one_line(answer: Callable[[subprocess.Popen[bytes], int], object],
                                                             status: int, last_line: str) -> None:
    terminal, own = pty.openpty()  # the prompt on a terminal of its own, as a person sees it
    env = {k: v for k, v in os.environ.items() if k != "CLIPFERRY_PASSWORD"}
    env["PYTHONPATH"] = str(Path(clipferry.__file__).parents[1])
    with subprocess.Popen([sys.executable, "-m", "clipferry", "login"], stdin=own, stdout=own, stderr=own,
                          env=env, start_new_session=True) as run:
        os.close(own)
        shown = b""
        while b"password for demo: " not in shown:
            shown += os.read(terminal, 1024)
        answer(run, terminal)
        assert run.wait(30) == status
    with contextlib.suppress(OSError):  # the terminal reads as closed once the command is gone
        while piece := os.read(terminal, 4096):
            shown += piece
    os.close(terminal)
    assert shown.decode().replace("\r", "").splitlines()[-1] == last_line and b"Traceback" not in shown


def test_every_exception_of_the_package_is_a_clipferry_error() -> None:
    """But Ctrl-C's UploadInterrupted: `except Exception` must not swallow it."""
    kinds = [k for k in vars(clipferry).values() if isinstance(k, type) and issubclass(k, BaseException)]
    assert len(kinds) > 10 and clipferry.LibraryNotFound in kinds and clipferry.ConcurrentUse in kinds
    assert [k for k in kinds if not issubclass(k, clipferry.ClipferryError)] == [clipferry.UploadInterrupted]


def test_the_readme_example_publishes_from_a_worker_thread(clip: Path, tmp_path: Path) -> None:
    readme = (SOURCE / "README.md").read_text()
    example = re.search(r"<!-- python example: begins.*?```python\n(.*?)```", readme, re.S).group(1)
    script = tmp_path / "example.py"
    script.write_text(example)
    run = subprocess.run([sys.executable, str(script), str(clip)], capture_output=True, text=True,
                         timeout=60, env=dict(os.environ, PYTHONPATH=str(Path(clipferry.__file__).parents[1])))
    assert run.stdout == 'accepted: Your video "Harbour at dusk" was received and awaits moderation.\n', run.stderr
    assert f"[{'#' * 40}]" in run.stderr
