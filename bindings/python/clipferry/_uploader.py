"""Uploader: one library context, with login, the lists and upload in Python's terms."""

from __future__ import annotations

import asyncio
import contextlib
import ctypes
import functools
import os
import signal
import threading
import time
import weakref
from collections.abc import Callable, Iterator, Sequence
from dataclasses import dataclass
from types import TracebackType
from typing import Any, Union

from . import _library
from ._contract import CREDENTIAL_LIMIT, FIELD_LIMIT, Result
from ._errors import BadArgument, ClipferryError, ConcurrentUse, UploadInterrupted, error_for

# Out-buffers in UTF-16 units: the file types grow until they fit; a verdict's
# message is the service's sentence echoing the title, far below this.
_FILE_TYPES_UNITS = 4096
_MESSAGE_UNITS = 65536
_INT32_MAX = 2**31 - 1
_PROGRESS_INTERVAL = 0.01  # seconds between calls of the progress callable, at the least

Progress = Callable[[int, int], object]
PathLike = Union[str, "os.PathLike[str]"]


@dataclass(frozen=True)
class Category:
    """A category of the service: `id` to pass to upload, `name` to show."""

    id: int
    name: str


@dataclass(frozen=True)
class CategoryNode:
    """A category with the categories below it (category_tree)."""

    category: Category
    children: tuple[CategoryNode, ...]


@dataclass(frozen=True)
class Moderator:
    """A moderator the user may choose: `id` to pass to upload, `name` to show."""

    id: int
    name: str
    first_name: str
    last_name: str


@dataclass(frozen=True)
class Verdict:
    """The service's verdict on an upload: accepted or not, and its message."""

    accepted: bool
    message: str


# What the service's XML cannot carry, and the library refuses in a login's
# and an upload's texts: the C0 controls other than tab, line feed and
# carriage return (U+FFFE and U+FFFF too, in a login's).
_CONTROLS = frozenset(chr(c) for c in range(32)) - {"\t", "\n", "\r"}
_NOT_IN_XML = _CONTROLS | {"\ufffe", "\uffff"}


def _text(value: str, what: str, limit: int | None = None, refused: frozenset[str] = frozenset()) -> bytes:
    """`value` as the library's terminated UTF-16, refused before any call when
    it cannot be sent whole or holds a character of `refused`."""
    if not isinstance(value, str):
        raise TypeError(f"{what} must be a str, not {type(value).__name__}")
    if "\0" in value:
        raise ValueError(f"{what} holds a NUL character")
    bad = next((c for c in value if c in refused), None)
    if bad is not None:
        raise ValueError(f"{what} holds the control character U+{ord(bad):04X}, which the service cannot take")
    try:
        size = len(value.encode("utf-8"))
    except UnicodeEncodeError:
        raise ValueError(f"{what} holds a lone surrogate, which is not text") from None
    if limit is not None and size > limit:
        raise ValueError(f"{what} is {size} UTF-8 bytes; the library takes at most {limit}")
    return value.encode(_library.UTF16) + b"\0\0"


def _read_text(address: int | None) -> str:
    """A terminated UTF-16 text the library passed to a callback."""
    if not address:
        return ""
    units = ctypes.cast(address, ctypes.POINTER(ctypes.c_uint16))
    length = 0
    while units[length]:
        length += 1
    return ctypes.string_at(address, 2 * length).decode(_library.UTF16, "replace")


def _buffer_text(buffer: ctypes.Array[ctypes.c_char]) -> str:
    raw = buffer.raw
    end = 0
    while end + 1 < len(raw) and raw[end:end + 2] != b"\0\0":
        end += 2
    return raw[:end].decode(_library.UTF16, "replace")


def _id(value: int, what: str) -> int:
    if not isinstance(value, int) or isinstance(value, bool) or not 0 <= value <= _INT32_MAX:
        raise ValueError(f"{what} must be a whole number from 0 to {_INT32_MAX}, not {value!r}")
    return value


def _tags(tags: str | Sequence[str]) -> str:
    if isinstance(tags, str):
        return tags
    words = list(tags)
    for word in words:
        if not isinstance(word, str) or not word or any(c.isspace() for c in word):
            raise ValueError(f"each tag must be one word of text, not {word!r}")
    return " ".join(words)


def _guarded(failure: list[BaseException], receive: Callable[..., None]) -> Callable[..., None]:
    """`receive` as a list callback: no exception may cross the C boundary, so
    the first is kept in `failure`, to be raised after the call, and the
    items after it are ignored."""

    def call(*item: Any) -> None:
        if not failure:
            try:
                receive(*item)
            except BaseException as error:
                failure.append(error)

    return call


@contextlib.contextmanager
def _interrupts_held(noted: list[int] | None) -> Iterator[None]:
    """Ctrl-C while the library runs: Python would raise KeyboardInterrupt on
    entering whichever callback runs next, where ctypes can only print it and
    drop it. So during a call from the main thread SIGINT is only noted. An
    upload passes its own list `noted`, which its progress callback reads (the
    upload cancels at the next call) and which it weighs against the verdict
    once the call has returned; for any other call KeyboardInterrupt is raised
    once the call has returned. A host's own SIGINT handler is left alone."""
    pending: list[int] = [] if noted is None else noted
    if (threading.current_thread() is not threading.main_thread()
            or signal.getsignal(signal.SIGINT) is not signal.default_int_handler):
        yield
        return
    previous = signal.signal(signal.SIGINT, lambda signum, frame: pending.append(signum))
    try:
        yield
    finally:
        signal.signal(signal.SIGINT, previous)
    if pending and noted is None:
        raise KeyboardInterrupt


class Uploader:
    """One context of the Clipferry library: a login, the lists an upload
    form needs, and uploads.

    Use it as a context manager (``with clipferry.Uploader() as up:``); the
    context is released on leaving the block, by close(), or when the object
    is collected, and never twice. Each call blocks until the library returns,
    with the GIL released, so other Python threads run meanwhile. One
    Uploader is used by one thread at a time: a call while another is under
    way on the same Uploader raises ConcurrentUse. Separate Uploaders may be
    used at the same time on separate threads.

    The library reads its settings when the Uploader is made: on Linux the
    environment (CLIPFERRY_PROXY_SERVER, CLIPFERRY_LOG, CLIPFERRY_CURL_LIBRARY).
    """

    def __init__(self) -> None:
        self._lib = _library.library()
        _library.prepare_thread()
        handle = self._lib.CLIPFERRY_Init()
        if not handle:
            raise MemoryError("no memory for a Clipferry context")
        self._handle: int = handle
        self._busy = threading.Lock()
        self._logged_in = False  # an accepted login stays in force until close()
        self._release = weakref.finalize(self, self._lib.CLIPFERRY_Release, ctypes.c_void_p(handle))

    def __enter__(self) -> Uploader:
        return self

    def __exit__(self, kind: type[BaseException] | None, value: BaseException | None,
                 traceback: TracebackType | None) -> None:
        self.close()

    def close(self) -> None:
        """Releases the context (wiping the credentials); later calls raise ValueError."""
        if not self._busy.acquire(blocking=False):
            raise ConcurrentUse("close() while a call on this Uploader is under way")
        try:
            self._release()
        finally:
            self._busy.release()

    @property
    def closed(self) -> bool:
        """True once the context was released."""
        return not self._release.alive

    @contextlib.contextmanager
    def _call(self, interrupted: list[int] | None = None) -> Iterator[int]:
        """Holds the context for one call of the library, on this thread alone;
        `interrupted`: see _interrupts_held."""
        if not self._busy.acquire(blocking=False):
            raise ConcurrentUse("this Uploader is in a call already; use one Uploader per thread")
        try:
            if not self._release.alive:
                raise ValueError("this Uploader is closed")
            _library.prepare_thread()
            with _interrupts_held(interrupted):
                yield self._handle
        finally:
            self._busy.release()

    def login(self, user: str, password: str) -> None:
        """Logs in; raises LoginRefused when the service refuses the user name or password.

        Each text is at most CREDENTIAL_LIMIT UTF-8 bytes (ValueError otherwise). After an
        accepted login the context keeps the credentials until close().
        """
        user_text = _text(user, "user", CREDENTIAL_LIMIT, _NOT_IN_XML)
        password_text = _text(password, "password", CREDENTIAL_LIMIT, _NOT_IN_XML)
        with self._call() as handle:
            result = self._lib.CLIPFERRY_Login(handle, user_text, password_text)
        if result != Result.OK:
            raise self._error(result, "login")
        self._logged_in = True

    def _error(self, result: int, call: str, may_have_been_received: bool = False) -> ClipferryError:
        return error_for(result, call=call, logged_in=self._logged_in,
                         may_have_been_received=may_have_been_received)

    def file_types(self) -> list[str]:
        """The file name patterns the service accepts, e.g. ``["*.mp4", "*.mov"]``."""
        units = _FILE_TYPES_UNITS
        while True:
            buffer = ctypes.create_string_buffer(2 * units)
            with self._call() as handle:
                result = self._lib.CLIPFERRY_GetFileTypes(handle, buffer, units)
            if result != Result.OK:
                raise self._error(result, "file_types")
            text = _buffer_text(buffer)
            # A full buffer may have cut the list: ask again with room to spare.
            if len(text.encode(_library.UTF16)) < 2 * (units - 1) or units >= 2**25:
                return [pattern for pattern in text.split(";") if pattern]
            units *= 4

    def categories(self, parent: int = 0) -> list[Category]:
        """The categories directly below `parent` (0: the top level), in the service's order."""
        parent = _id(parent, "parent")
        found: list[Category] = []
        failure: list[BaseException] = []

        def receive(category_id: int, name: int | None, reserved: int, data: int | None) -> None:
            found.append(Category(category_id, _read_text(name)))

        callback = _library.CATEGORY_CALLBACK(_guarded(failure, receive))  # lives as long as the call
        self._call_list("categories", lambda data: int(self._lib.CLIPFERRY_GetCategories(
            self._handle, parent, data, callback, None)), failure)
        return found

    def category_tree(self, parent: int = 0) -> list[CategoryNode]:
        """Every category below `parent`, each with its children: one request per
        category that has any, each parent asked for once even when listed twice."""
        known: dict[int, list[Category]] = {}

        def below(category_id: int, path: frozenset[int]) -> tuple[CategoryNode, ...]:
            if category_id not in known:
                known[category_id] = self.categories(category_id)
            # A category listed below itself is shown, not walked into again.
            return tuple(CategoryNode(c, () if c.id in path else below(c.id, path | {c.id}))
                         for c in known[category_id])

        return list(below(_id(parent, "parent"), frozenset({parent})))

    def moderators(self) -> list[Moderator]:
        """The moderators the logged-in user may choose: [] for an account that
        may choose none (BadArgument "log in first" before a login)."""
        found: list[Moderator] = []
        failure: list[BaseException] = []

        def receive(contact_id: int, first: int | None, last: int | None, reserved: int,
                    data: int | None) -> None:
            first_name, last_name = _read_text(first), _read_text(last)
            name = " ".join(part for part in (first_name, last_name) if part)
            found.append(Moderator(contact_id, name, first_name, last_name))

        callback = _library.MODERATOR_CALLBACK(_guarded(failure, receive))  # lives as long as the call
        try:
            self._call_list("moderators", lambda data: int(self._lib.CLIPFERRY_GetModerators(
                self._handle, data, callback, None)), failure)
        except BadArgument:
            # Logged in, the library refuses only an account that may not
            # choose a moderator (or one without a contact id): none to choose.
            if not self._logged_in:
                raise
        return found

    def _call_list(self, name: str, call: Callable[[ctypes.c_void_p], int], failure: list[BaseException]) -> None:
        # The library wants a non-null userData; the callback is a closure and ignores it.
        data = ctypes.c_void_p(1)
        with self._call():
            result = call(data)
        if failure:
            raise failure[0]
        if result != Result.OK:
            raise self._error(result, name)

    def upload(self, path: PathLike, *, title: str, description: str = "",
               tags: str | Sequence[str] = (), categories: Sequence[int] = (),
               moderator: int = 0, progress: Progress | None = None,
               cancel: threading.Event | None = None) -> Verdict:
        """Uploads one media file with its details and returns the service's verdict.

        `tags` is a string of words separated by spaces, or a sequence of
        words; `categories` up to three category ids, the first one required
        by the service; `moderator` a Moderator's id or 0. Title, description
        and tags are at most FIELD_LIMIT UTF-8 bytes each (ValueError otherwise).

        `progress(sent, total)` is called on this thread while the form goes
        out, in bytes of the whole request (total is 0 until known), at most
        every 10 ms and once when the last byte went out; returning
        True cancels the upload (Cancelled). An exception it raises cancels the
        upload and is raised from here. Setting `cancel` (from any thread)
        cancels too. Ctrl-C while the upload runs on the main thread (under
        Python's own SIGINT handler) cancels it the same way, and
        UploadInterrupted, a KeyboardInterrupt, is raised. Each of these stops
        the call at once, also while the verdict is awaited after the last byte.

        The service's verdict, when the library returns one, is always the
        outcome: an accepted upload is returned as accepted even when a cancel,
        an exception of `progress` or Ctrl-C came too late to stop it (they
        are then spent); none of them stops the call once the service's answer
        has arrived whole. A refusal by the service is a Verdict with accepted
        False. Any exception raised once the last byte had gone out (Cancelled,
        UploadInterrupted, a transfer failure) has may_have_been_received set:
        the service may have the video, so look for it among the user's videos
        before offering to send it again.
        """
        name = os.fspath(path)
        if not isinstance(name, str):
            name = os.fsdecode(name)
        file_text = _text(name, "path")
        if not os.path.isfile(name):
            raise FileNotFoundError(2, "no such regular file", name)
        with open(name, "rb"):  # PermissionError here rather than the library's 82
            pass
        fields = [_text(title, "title", FIELD_LIMIT, _CONTROLS),
                  _text(description, "description", FIELD_LIMIT, _CONTROLS),
                  _text(_tags(tags), "tags", FIELD_LIMIT, _CONTROLS)]
        ids = list(categories)
        if len(ids) > 3:
            raise ValueError(f"at most three categories, not {len(ids)}")
        ids = [_id(i, "category") for i in ids] + [0] * (3 - len(ids))
        moderator = _id(moderator, "moderator")

        sent_all = [False]
        next_call = [0.0]  # when the progress callable is next due
        failure: list[BaseException] = []
        interrupted: list[int] = []  # SIGINTs noted during the call

        def watch(data: int | None, dltotal: float, dlnow: float, ultotal: float,
                  ulnow: float) -> int:
            # Once the service's answer is here whole, stopping would only
            # throw its verdict away: libcurl asks once more after the last
            # byte of it arrived.
            stop = 0 if 0 < dltotal <= dlnow else 1
            try:
                done = 0 < ultotal <= ulnow
                newly_done, sent_all[0] = done and not sent_all[0], sent_all[0] or done
                if interrupted or (cancel is not None and cancel.is_set()):
                    return stop
                # libcurl reports every 16-64 KiB sent, 30,000 times a GiB: the
                # callable hears at most every 10 ms, and when the last byte went out.
                now = time.monotonic()
                if progress is None or (now < next_call[0] and not newly_done):
                    return 0
                next_call[0] = now + _PROGRESS_INTERVAL
                return stop if progress(int(ulnow), int(ultotal)) is True else 0
            except BaseException as error:  # never across the C boundary: raised after the call
                failure.append(error)
                return stop

        callback = _library.PROGRESS_CALLBACK(watch)  # lives as long as the call
        message = ctypes.create_string_buffer(2 * _MESSAGE_UNITS)
        with self._call(interrupted) as handle:
            result = self._lib.CLIPFERRY_DoUpload(handle, file_text, *fields, moderator, *ids,
                                                  message, _MESSAGE_UNITS, callback, None)
        text = _buffer_text(message)
        # A verdict outweighs whatever asked to stop after it was settled: a
        # host told "interrupted" would offer to send a published video again.
        if result == Result.OK or (result == Result.REFUSED and text):
            return Verdict(result == Result.OK, text)
        error = self._error(result, "upload", sent_all[0])
        if interrupted:
            raise UploadInterrupted(may_have_been_received=sent_all[0]) from error
        if failure:
            raise failure[0]
        raise error

    async def upload_async(self, path: PathLike, *, title: str, description: str = "",
                           tags: str | Sequence[str] = (), categories: Sequence[int] = (),
                           moderator: int = 0, progress: Progress | None = None,
                           cancel: threading.Event | None = None) -> Verdict:
        """upload() on a worker thread, awaited: the event loop runs meanwhile.

        Takes upload()'s keyword arguments; `progress` is then called on the
        worker thread (hand results to the loop with loop.call_soon_threadsafe).

        Cancelling the awaiting task before the last byte went out cancels the
        upload; CancelledError goes on once the library has stopped, and
        nothing was published. Once the last byte has gone out the service
        has the video, and cancelling can no longer withdraw it: the upload
        goes on to its verdict, which the task then returns as if it had not
        been cancelled (or the failure, with may_have_been_received set, is
        raised instead of CancelledError). To stop waiting for the verdict
        even then, pass `cancel` (a threading.Event) and set it, as with
        upload(). Ctrl-C under asyncio.run (Python 3.11 and later) cancels the
        task: the same applies.
        """
        withdrawn = threading.Event()

        def sparing_the_verdict(sent: int, total: int) -> object:
            # Decided on the very call that would cancel, so the last byte
            # cannot go out between the look and the cancel.
            if withdrawn.is_set() and not 0 < total <= sent:
                return True
            return None if progress is None else progress(sent, total)

        call = functools.partial(self.upload, path, title=title, description=description, tags=tags,
                                 categories=categories, moderator=moderator, progress=sparing_the_verdict,
                                 cancel=cancel)
        future = asyncio.get_running_loop().run_in_executor(None, call)
        cancelled: asyncio.CancelledError | None = None
        while True:
            try:
                return await asyncio.shield(future)
            except asyncio.CancelledError as error:
                cancelled = cancelled or error
                withdrawn.set()  # and wait for the library, whatever it then says
            except BaseException as error:
                if cancelled is not None and not getattr(error, "may_have_been_received", False):
                    raise cancelled from error  # the upload stopped before the service had it all
                raise
